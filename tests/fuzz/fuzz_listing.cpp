// Fuzz target for the calibration file listing: the input bytes, split at
// every line feed and NUL (characters no file name can hold), become the
// names the folder lists, each handed over followed by a line feed as the
// platform does. The names go through both passes of the listing with the
// arrays allocated at the first pass's exact count in between.
//
// Checked against a model built with the C library: each line, however long,
// cut to 30 characters, is an entry when sscanf's "CAL%3d" finds a camera in
// it. The passes must yield exactly those entries in order, the cameras in
// order of first appearance, and must refuse (status 1) exactly the listings
// with more than 999 distinct cameras.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/listing.h"
#include "tests/fuzz/fuzz_harness.h"

namespace {

struct ModelEntry {
    std::string name;
    int camera;
};

std::string ListingText(const std::uint8_t* data, std::size_t size) {
    std::string text;
    std::size_t name_start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i < size && data[i] != '\n' && data[i] != '\0') continue;
        if (i > name_start) {
            text.append(reinterpret_cast<const char*>(data) + name_start, i - name_start);
            text += '\n';
        }
        name_start = i + 1;
    }
    return text;
}

std::vector<ModelEntry> ModelEntries(const std::string& text) {
    std::vector<ModelEntry> entries;
    std::size_t position = 0;
    while (position < text.size()) {
        // One read: the whole line, its line feed included.
        std::size_t length = 0;
        while (position + length < text.size()) {
            if (text[position + length++] == '\n') break;
        }
        std::string read = text.substr(position, length);
        position += length;
        if (read.size() > 30) read.resize(30);
        int camera = 0;
        if (std::sscanf(read.c_str(), "CAL%3d", &camera) == 1) entries.push_back({read, camera});
    }
    return entries;
}

std::vector<int> ModelCameras(const std::vector<ModelEntry>& entries) {
    std::vector<int> cameras;
    for (const ModelEntry& entry : entries) {
        bool known = false;
        for (int camera : cameras) known = known || camera == entry.camera;
        if (!known) cameras.push_back(entry.camera);
    }
    return cameras;
}

CameraList g_camera_list;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SilenceConsole();
    const std::string text = ListingText(data, size);
    const std::vector<ModelEntry> model = ModelEntries(text);
    const std::vector<int> model_cameras = ModelCameras(model);

    int entry_count = -1;
    int status = 0;
    if (RunUntilProcessEnd([&] { ListingFirstPass(text, entry_count, g_camera_list); }, status)) {
        FUZZ_CHECK(status == 1);
        FUZZ_CHECK(model_cameras.size() > static_cast<std::size_t>(kMaxCameras));
        return 0;
    }
    FUZZ_CHECK(model_cameras.size() <= static_cast<std::size_t>(kMaxCameras));
    FUZZ_CHECK(entry_count == static_cast<int>(model.size()));
    FUZZ_CHECK(g_camera_list.count == static_cast<int>(model_cameras.size()));
    for (std::size_t i = 0; i < model_cameras.size(); ++i)
        FUZZ_CHECK(g_camera_list.cameras[i] == model_cameras[i]);

    // Arrays of exactly the counted size, so that a second pass storing one
    // entry more than the first counted is caught by the address sanitizer.
    const std::size_t count = static_cast<std::size_t>(entry_count);
    std::unique_ptr<char[][kNameSlotRoom]> names(new char[count][kNameSlotRoom]);
    std::unique_ptr<int[]> cameras(new int[count]);
    ListingEntries entries{0, names.get(), cameras.get()};
    FUZZ_CHECK(!RunUntilProcessEnd([&] { ListingSecondPass(text, entries); }, status));
    FUZZ_CHECK(entries.entry_count == entry_count);
    for (std::size_t i = 0; i < count; ++i) {
        FUZZ_CHECK(std::memchr(entries.names[i], '\0', kNameSlotRoom) != nullptr);
        FUZZ_CHECK(model[i].name == entries.names[i]);
        FUZZ_CHECK(model[i].camera == entries.cameras[i]);
    }
    return 0;
}

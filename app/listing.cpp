// ListCALfiles: the folder's CAL files read twice, first for the cameras and
// the entry count, then for the names, so that every array is allocated once
// at its exact size before anything is stored in it.
#include "app/listing.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "calib/process_end.h"
#include "platform/console.h"
#include "platform/folder_files.h"

namespace {

constexpr int kCameraMaxChars = 3;

bool CameraListHolds(const CameraList& camera_list, int camera) {
    for (int i = 0; i < camera_list.count; ++i) {
        if (camera_list.cameras[i] == camera) return true;
    }
    return false;
}

[[noreturn]] void FailWithCharacterWait(const char* message, const char* prompt) {
    std::printf("%s", message);
    std::printf("%s", prompt);
    WaitForCharacter();
    EndProcess(1);
}

}  // namespace

bool ReadListingLine(std::string_view text, size_t& position, char (&cut)[kListingCutRoom]) {
    if (position >= text.size()) return false;
    const size_t line_feed = text.find('\n', position);
    const size_t line_end = line_feed == std::string_view::npos ? text.size() : line_feed + 1;
    const size_t kept = std::min(line_end - position, static_cast<size_t>(kListingNameMaxChars));
    std::memcpy(cut, text.data() + position, kept);
    cut[kept] = '\0';
    position = line_end;
    return true;
}

bool ParseListingCamera(const char* cut_read, int& camera) {
    if (std::strncmp(cut_read, "CAL", 3) != 0) return false;
    const char* c = cut_read + 3;
    while (*c != '\0' && std::isspace(static_cast<unsigned char>(*c))) ++c;
    int chars_left = kCameraMaxChars;
    bool negative = false;
    if (*c == '+' || *c == '-') {
        negative = *c == '-';
        ++c;
        --chars_left;
    }
    int value = 0;
    int digits = 0;
    while (chars_left > 0 && std::isdigit(static_cast<unsigned char>(*c))) {
        value = value * 10 + (*c - '0');
        ++c;
        --chars_left;
        ++digits;
    }
    if (digits == 0) return false;
    camera = negative ? -value : value;
    return true;
}

void ListingFirstPass(std::string_view text, int& entry_count, CameraList& camera_list) {
    entry_count = 0;
    camera_list.count = 0;
    size_t position = 0;
    char piece[kListingCutRoom];
    while (ReadListingLine(text, position, piece)) {
        int camera = 0;
        if (!ParseListingCamera(piece, camera)) continue;
        if (!CameraListHolds(camera_list, camera)) {
            if (camera_list.count == kMaxCameras) {
                char message[96];
                std::snprintf(
                    message, sizeof message,
                    " More than %d different camera numbers in the CAL file listing; not supported \n",
                    kMaxCameras);
                FailWithCharacterWait(message, "\n Enter CR to exit program \n");
            }
            camera_list.cameras[camera_list.count++] = camera;
        }
        ++entry_count;
    }
}

void ListingSecondPass(std::string_view text, ListingEntries& entries) {
    int i = 0;
    size_t position = 0;
    char piece[kListingCutRoom];
    while (ReadListingLine(text, position, piece)) {
        int camera = 0;
        if (!ParseListingCamera(piece, camera)) continue;
        std::memcpy(entries.names[i], piece, std::strlen(piece) + 1);
        entries.cameras[i] = camera;
        ++i;
    }
    entries.entry_count = i;
}

void ListCALfiles(std::string_view folder, ListingEntries& entries, CameraList& camera_list) {
    std::string text;
    if (!ListCALfileNames(folder, text)) {
        FailWithCharacterWait(" CAL file directory listing not found (not generated)",
                              "\n Enter CR to exit program \n");
    }
    int entry_count = 0;
    ListingFirstPass(text, entry_count, camera_list);

    entries = ListingEntries{0, nullptr, nullptr};
    if (entry_count > 0) {
        entries.names = new (std::nothrow) char[entry_count][kNameSlotRoom];
        entries.cameras = new (std::nothrow) int[entry_count];
        if (entries.names == nullptr || entries.cameras == nullptr) {
            FailWithCharacterWait(" Memory not allocated for meteor info in Norv_CalSummary \n",
                                  "\n Enter any number and CR to exit program \n");
        }
    }
    ListingSecondPass(text, entries);
}

void FreeListing(ListingEntries& entries) {
    delete[] entries.names;
    delete[] entries.cameras;
    entries = ListingEntries{0, nullptr, nullptr};
}

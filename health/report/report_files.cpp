#include "health/report/report_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/replaced_file.h"
#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace {

// Names tried for a temporary file before giving up: a name of an earlier
// run whose process number came round again is passed over.
constexpr int kTemporaryNameTries = 100;

void SayCannotWrite(const fs::path& path, const char* what) {
    std::fprintf(stderr, "Norv_CalHealth: cannot write %s: %s\n", path.string().c_str(), what);
}

std::FILE* CreateTemporary(const fs::path& final_path, fs::path& temporary_path) {
    const std::string base =
        "~" + Utf8FromPath(final_path.filename()) + "." + std::to_string(ProcessNumber());
    for (int k = 0; k < kTemporaryNameTries; ++k) {
        const std::string name = k == 0 ? base : base + "." + std::to_string(k);
        const fs::path path = final_path.parent_path() / PathFromUtf8(name);
        if (std::FILE* file = CreateNewFile(Utf8FromPath(path))) {
            temporary_path = path;
            return file;
        }
        if (errno != EEXIST) break;
    }
    return nullptr;
}

}  // namespace

StagedFile StageReportFile(const fs::path& final_path, const std::vector<std::string>& parts) {
    StagedFile staged;
    staged.final_path = final_path;
    std::FILE* file = CreateTemporary(final_path, staged.temporary_path);
    if (file == nullptr) {
        SayCannotWrite(final_path, std::strerror(errno));
        return staged;
    }
    bool written = true;
    for (const std::string& part : parts) {
        if (std::fwrite(part.data(), 1, part.size(), file) != part.size()) {
            written = false;
            break;
        }
    }
    const int write_error = errno;
    written = std::fflush(file) == 0 && written;
    const bool closed = std::fclose(file) == 0;
    staged.complete = written && closed;
    if (!staged.complete) SayCannotWrite(final_path, std::strerror(written ? errno : write_error));
    return staged;
}

bool PublishReportFiles(std::vector<StagedFile>& files) {
    bool all_complete = true;
    for (const StagedFile& file : files) all_complete = all_complete && file.complete;
    bool published = all_complete;
    for (StagedFile& file : files) {
        if (file.temporary_path.empty()) continue;
        if (published && !ReplaceFile(Utf8FromPath(file.temporary_path), Utf8FromPath(file.final_path))) {
            SayCannotWrite(file.final_path, "it cannot be put in place");
            published = false;
        }
        RemoveFile(Utf8FromPath(file.temporary_path));  // a no-op once it was moved
        file.temporary_path.clear();
    }
    return published;
}

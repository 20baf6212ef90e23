// Scratch folders and the null device for tests that touch the file system.
#ifndef TESTS_SUPPORT_SCRATCH_FOLDER_H
#define TESTS_SUPPORT_SCRATCH_FOLDER_H

#include <filesystem>

// The null device: a test child reads it as an empty standard input.
#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

// A fresh folder of its own under the system's temporary folder; removed with
// everything in it when the object goes. Aborts when none can be created.
struct ScratchFolder {
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path path;
};

#endif  // TESTS_SUPPORT_SCRATCH_FOLDER_H

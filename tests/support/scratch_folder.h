// Scratch folders, the null device and whole-file reads and writes for tests
// that touch the file system.
#ifndef TESTS_SUPPORT_SCRATCH_FOLDER_H
#define TESTS_SUPPORT_SCRATCH_FOLDER_H

#include <filesystem>
#include <string>

// The null device: a test child reads it as an empty standard input.
#ifdef _WIN32
constexpr const char* kNullDevice = "NUL";
#else
constexpr const char* kNullDevice = "/dev/null";
#endif

// A folder for one test's files, removed with everything in it when the
// object goes. Aborts when the folder cannot be created.
struct ScratchFolder {
    // A fresh folder of its own under the system's temporary folder.
    ScratchFolder();
    // The folder at the given path (absolute, or relative to the working
    // folder), created when missing; one that exists already is used as it
    // is, so a process that sets up the same test again meets the same folder.
    explicit ScratchFolder(const std::filesystem::path& chosen_path);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path path;
};

// Writes text to the file at path as it is (binary), replacing the file.
void WriteFile(const std::filesystem::path& path, const std::string& text);

// Returns the whole content of the file at path (binary); empty when it
// cannot be read.
std::string ReadFile(const std::filesystem::path& path);

#endif  // TESTS_SUPPORT_SCRATCH_FOLDER_H

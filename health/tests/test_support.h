// Helpers of the health tests: scratch folders and whole-file reads and writes.
#ifndef HEALTH_TESTS_TEST_SUPPORT_H
#define HEALTH_TESTS_TEST_SUPPORT_H

#include <filesystem>
#include <string>

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
struct TempFolder {
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    std::filesystem::path path;
};

void WriteText(const std::filesystem::path& path, const std::string& text);
std::string ReadText(const std::filesystem::path& path);

#endif  // HEALTH_TESTS_TEST_SUPPORT_H

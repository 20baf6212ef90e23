// Scratch folders with std::filesystem only, so the same tests build for
// Linux and Windows.
#include "scratch_folder.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

ScratchFolder::ScratchFolder() {
    constexpr int kAttempts = 100;
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) std::abort();
    // The clock makes a collision unlikely; create_directory reports one, as
    // it creates only a folder that did not exist, so no two tests share one.
    const auto start = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const fs::path candidate = base / ("norv_test_" + std::to_string(start + attempt));
        if (fs::create_directory(candidate, error)) {
            path = candidate;
            return;
        }
    }
    std::abort();
}

ScratchFolder::ScratchFolder(const fs::path& chosen_path) : path(chosen_path) {
    std::error_code error;
    fs::create_directories(path, error);
    if (error || !fs::is_directory(path, error)) std::abort();
}

ScratchFolder::~ScratchFolder() {
    std::error_code error;
    fs::remove_all(path, error);
}

void WriteFile(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

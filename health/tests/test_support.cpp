#include "health/tests/test_support.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

TempFolder::TempFolder() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    if (error) std::abort();
    const auto start = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("norv_health_" + std::to_string(start + attempt));
        if (fs::create_directory(candidate, error)) {
            path = candidate;
            return;
        }
    }
    std::abort();
}

TempFolder::~TempFolder() {
    std::error_code error;
    fs::remove_all(path, error);
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

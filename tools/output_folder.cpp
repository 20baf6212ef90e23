#include "tools/output_folder.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

bool CreateOutputFolder(const std::string& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error) return true;
    std::fprintf(stderr, " Cannot create folder %s: %s\n", folder.c_str(), error.message().c_str());
    return false;
}

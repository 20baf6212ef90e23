// The command line of Norv_CalHealth.
#ifndef HEALTH_OPTIONS_H
#define HEALTH_OPTIONS_H

#include <filesystem>
#include <string>
#include <vector>

#include "health/findings/camera_analysis.h"
#include "norv_version.h"

struct HealthOptions {
    std::filesystem::path folder;
    std::filesystem::path out;  // empty: the folder of the tables
    HealthSettings settings;
    bool help = false;
    bool version = false;
};

// Given the arguments after the program name, fills options and returns true,
// or returns false with error set to a one-line reason.
bool ParseOptions(const std::vector<std::string>& arguments, HealthOptions& options, std::string& error);

// The --help text.
std::string UsageText();

// The project's version, shared by its programs (norv_version.h is generated
// from project() in the top CMakeLists.txt).
inline constexpr const char* kHealthVersion = NORV_VERSION_TEXT;

#endif  // HEALTH_OPTIONS_H

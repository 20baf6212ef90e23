// The command line of Norv_CalHealth.
#ifndef HEALTH_OPTIONS_H
#define HEALTH_OPTIONS_H

#include <filesystem>
#include <string>
#include <vector>

#include "health/camera_analysis.h"

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

inline constexpr const char* kHealthVersion = "1.0";

#endif  // HEALTH_OPTIONS_H

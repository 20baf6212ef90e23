// The whole report: every camera's analysis and what the run met on the way.
#ifndef HEALTH_FINDINGS_HEALTH_REPORT_H
#define HEALTH_FINDINGS_HEALTH_REPORT_H

#include <cstdint>
#include <filesystem>
#include <vector>

#include "health/findings/camera_analysis.h"
#include "health/tables/camera_tables.h"

struct HealthReport {
    std::filesystem::path tables_folder;
    HealthSettings settings;
    std::vector<CameraAnalysis> cameras;  // ascending camera number, every camera with a table
    std::vector<TableProblem> problems;
    std::int64_t newest_ms = 0;  // the network's present: its newest calibration (FindNetworkPresent)
};

// Given the folder of the tables and the settings, reads every camera's
// tables and runs the stages of CameraAnalysis over them in order: stage 1
// per camera, stage 2 per camera, stage 3 across the cameras in
// kWeatherRounds rounds, stages 4 and 5 per camera. Problems met in the
// tables are collected in the report. Never ends the process.
HealthReport BuildHealthReport(const std::filesystem::path& tables_folder,
                               const std::vector<CameraTablePaths>& tables, const HealthSettings& settings);

// Given a camera after stage 3, the network's present, whether the camera's
// clock is ahead of it and the settings, runs stages 4 and 5: its pointing,
// scale, single-calibration and history findings joined to its drops in time
// order, and its assessment.
void FindCameraFindings(CameraAnalysis& camera, std::int64_t present_ms, bool clock_ahead,
                        const HealthSettings& settings);

#endif  // HEALTH_FINDINGS_HEALTH_REPORT_H

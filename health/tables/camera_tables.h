// Finding a folder's summary tables and reading one camera's pair of them.
#ifndef HEALTH_TABLES_CAMERA_TABLES_H
#define HEALTH_TABLES_CAMERA_TABLES_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "health/tables/calibration.h"

// A row or table that could not be used, for the console.
struct TableProblem {
    std::string table;   // file name
    long long line = 0;  // 0 when the problem is the whole table
    std::string what;
};

struct CameraTablePaths {
    int camera = 0;
    std::filesystem::path coefs;  // empty when the camera has no FitCoefs table
    std::filesystem::path stars;  // empty when it has no FitStars table
};

// Rows of one camera that share a calibration time.
struct DuplicateRows {
    std::int64_t time_ms = 0;
    int rows = 0;
    bool identical = false;  // every value the same
};

struct CameraTables {
    int camera = 0;
    std::vector<Calibration> calibrations;  // ascending time, one per time
    std::vector<DuplicateRows> duplicates;
};

// Given a calibration folder or a Summary folder, sets tables_folder to the
// folder that holds the tables (FOLDER/Summary when it has any, else FOLDER)
// and returns every camera that has a SummaryCALnnn_FitCoefs.txt or
// SummaryCALnnn_FitStars.txt there, by camera number. Returns an empty list
// when there is none or the folder cannot be listed (error tells why).
std::vector<CameraTablePaths> FindSummaryTables(const std::filesystem::path& folder,
                                                std::filesystem::path& tables_folder, std::string& error);

// Given a camera's table paths, reads its FitCoefs rows and then streams its
// FitStars rows, joining each run of star rows to the calibration with their
// time. Rows that do not parse are appended to problems and skipped; the
// memory used grows with the calibrations, not the stars. Never ends the
// process.
CameraTables ReadCameraTables(const CameraTablePaths& paths, std::vector<TableProblem>& problems);

#endif  // HEALTH_TABLES_CAMERA_TABLES_H

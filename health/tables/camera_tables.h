// Reading one camera's pair of summary tables.
#ifndef HEALTH_TABLES_CAMERA_TABLES_H
#define HEALTH_TABLES_CAMERA_TABLES_H

#include <cstdint>
#include <string>
#include <vector>

#include "health/tables/calibration.h"
#include "health/tables/table_folder.h"

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
    // Why a table gives nothing (missing, unreadable, no row, a clash of
    // names); empty when it gives rows. Without FitCoefs rows the camera has
    // no calibration; without star rows its residuals and photometry are
    // unknown.
    std::string coefs_problem;
    std::string stars_problem;
};

// Given a camera's table paths, reads its FitCoefs rows and then streams its
// FitStars rows (ReadStarsTable), joining them to the calibrations. Rows that
// do not parse are appended to problems and skipped. Never ends the process.
CameraTables ReadCameraTables(const CameraTablePaths& paths, std::vector<TableProblem>& problems);

#endif  // HEALTH_TABLES_CAMERA_TABLES_H

// A camera's FitStars table, streamed and joined to its calibrations.
#ifndef HEALTH_TABLES_STARS_TABLE_H
#define HEALTH_TABLES_STARS_TABLE_H

#include <filesystem>
#include <string>
#include <vector>

#include "health/tables/calibration.h"
#include "health/tables/table_folder.h"

// Given a FitStars table and the camera's calibrations (ascending time, one
// per time, from its FitCoefs table), streams the star rows and joins each
// run of rows of one calibration time to the calibration with that time:
// star count, residuals, magnitude fit, mean and median magnitude and
// intensity, faint limit. Rows are grouped by the calibration time they
// carry (its value, not its text); within a group the calibration columns
// most of its rows carry are the calibration's, and rows that carry others
// are noted in problems while their stars are kept. Rows that do not parse
// are noted and skipped; a run of rows whose time no calibration has, or
// whose calibration was already joined, is noted and not used. Returns why
// the table gives no star of any calibration (empty when it gives some).
// The memory used grows with the calibrations, not the stars. Never ends the
// process.
std::string ReadStarsTable(const std::filesystem::path& path, std::vector<Calibration>& calibrations,
                           std::vector<TableProblem>& problems);

#endif  // HEALTH_TABLES_STARS_TABLE_H

// The report's two tables for scripts: findings and calibrations.
#ifndef HEALTH_REPORT_REPORT_CSV_H
#define HEALTH_REPORT_REPORT_CSV_H

#include <string>
#include <string_view>
#include <vector>

#include "health/findings/health_report.h"

// Given a report, returns CalHealth_findings.csv: the header, then one row per
// finding (camera by camera, in time order); times in ISO 8601 UTC, text
// fields quoted as RFC 4180 says; lines end with CR LF.
std::string FindingsCsv(const HealthReport& report);

// Given a report, returns CalHealth_calibrations.csv: one row per calibration
// with every quantity, its z-score and the kinds of the findings against it
// (separated by ';'). Lines end with CR LF.
std::string CalibrationsCsv(const HealthReport& report);

// The same table in parts that follow one another: the header, then each
// camera's rows (formed on all cores), so that it can be written without
// being joined first.
std::vector<std::string> CalibrationsCsvParts(const HealthReport& report);

#endif  // HEALTH_REPORT_REPORT_CSV_H

// CalHealth_use.csv: for every moment of each camera's span, the calibration
// to use then.
#ifndef HEALTH_REPORT_USE_TABLE_H
#define HEALTH_REPORT_USE_TABLE_H

#include <string>
#include <string_view>
#include <vector>

#include "health/findings/health_report.h"

// Header of CalHealth_use.csv, exactly.
inline constexpr std::string_view kUseHeader =
    "camera,valid_from,valid_to,calibration,epoch_start,astrometry,photometry,note";

// Given a report, returns CalHealth_use.csv: the header, then per camera (in
// camera order) its UseIntervals in time order: valid_from and valid_to
// (the interval [from, to), the camera's last one [from, to]), the
// calibration's time (empty when the epoch has none usable), the epoch's
// first calibration, whether the calibration is usable for astrometry and
// for photometry (yes/no), and why not when it is not. Times are
// YYYY-MM-DDTHH:MM:SS.mmm UTC; lines end with CR LF.
std::string UseTableCsv(const HealthReport& report);

// The same table in parts that follow one another: the header, then each
// camera's rows (formed on all cores), so that it can be written without
// being joined first.
std::vector<std::string> UseTableCsvParts(const HealthReport& report);

#endif  // HEALTH_REPORT_USE_TABLE_H

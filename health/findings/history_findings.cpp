#include "health/findings/history_findings.h"

#include <algorithm>

#include "common/civil_time.h"
#include "common/number_text.h"

namespace {

Finding UnreadableTable(const std::string& reason, int calibrations) {
    Finding finding;
    finding.kind = FindingKind::kUnreadableTable;
    finding.first = calibrations > 0 ? 0 : -1;
    finding.last = calibrations - 1;
    finding.calibrations = calibrations;
    finding.size = kNoValue;
    finding.detail = reason;
    return finding;
}

Finding DuplicateFinding(const CameraQuantities& camera, const DuplicateRows& rows) {
    const std::vector<Calibration>& cal = camera.calibrations;
    const auto found = std::lower_bound(cal.begin(), cal.end(), rows.time_ms,
                                        [](const Calibration& c, std::int64_t t) { return c.time_ms < t; });
    Finding finding;
    finding.kind = FindingKind::kDuplicate;
    finding.first = finding.last = static_cast<int>(found - cal.begin());
    finding.calibrations = rows.rows;
    finding.size = rows.rows;
    finding.unit = "rows";
    finding.detail = std::to_string(rows.rows) + " rows share the calibration time " + IsoTime(rows.time_ms) +
                     (rows.identical ? " with the same values; the first is used"
                                     : " with different values; the first is used, check which is right");
    return finding;
}

Finding ClockFinding(const CameraQuantities& camera, std::int64_t present_ms) {
    const std::vector<Calibration>& cal = camera.calibrations;
    const auto after = std::upper_bound(cal.begin(), cal.end(), present_ms,
                                        [](std::int64_t t, const Calibration& c) { return t < c.time_ms; });
    Finding finding;
    finding.kind = FindingKind::kClock;
    finding.first = static_cast<int>(after - cal.begin());
    finding.last = static_cast<int>(cal.size()) - 1;
    finding.calibrations = finding.last - finding.first + 1;
    finding.size = DaysFromMilliseconds(cal.back().time_ms - present_ms);
    finding.unit = "days";
    finding.detail = "newest calibration " + IsoTime(cal.back().time_ms) + " is " + Fixed(finding.size, 1) +
                     " days ahead of the other cameras' newest (" + IsoTime(present_ms) +
                     "), which agree: check the camera's clock";
    return finding;
}

}  // namespace

std::vector<Finding> FindHistoryFindings(const CameraQuantities& camera, std::int64_t present_ms,
                                         bool clock_ahead, double stale_after_days) {
    std::vector<Finding> findings;
    const std::vector<Calibration>& cal = camera.calibrations;
    const int n = static_cast<int>(cal.size());
    if (!camera.coefs_problem.empty()) findings.push_back(UnreadableTable(camera.coefs_problem, 0));
    if (!camera.stars_problem.empty() && n > 0) findings.push_back(UnreadableTable(camera.stars_problem, n));
    for (const DuplicateRows& rows : camera.duplicates) findings.push_back(DuplicateFinding(camera, rows));
    if (n == 0) return findings;
    if (clock_ahead) {
        findings.push_back(ClockFinding(camera, present_ms));
        return findings;
    }
    const double idle_days = DaysFromMilliseconds(present_ms - cal.back().time_ms);
    if (idle_days > stale_after_days) {
        Finding finding;
        finding.kind = FindingKind::kStale;
        finding.first = finding.last = n - 1;
        finding.size = idle_days;
        finding.unit = "days";
        finding.detail = "no calibration for " + Fixed(idle_days, 1) +
                         " days before the newest in the folder (" + IsoTime(present_ms) + ")";
        findings.push_back(finding);
    }
    return findings;
}

#include "health/findings/history_findings.h"

#include <algorithm>

#include "common/civil_time.h"
#include "common/number_text.h"

std::vector<Finding> FindHistoryFindings(const CameraQuantities& camera, std::int64_t newest_in_folder_ms,
                                         double stale_after_days) {
    std::vector<Finding> findings;
    const std::vector<Calibration>& cal = camera.calibrations;
    for (const DuplicateRows& rows : camera.duplicates) {
        const auto found =
            std::lower_bound(cal.begin(), cal.end(), rows.time_ms,
                             [](const Calibration& c, std::int64_t t) { return c.time_ms < t; });
        Finding finding;
        finding.kind = FindingKind::kDuplicate;
        finding.first = finding.last = static_cast<int>(found - cal.begin());
        finding.calibrations = rows.rows;
        finding.size = rows.rows;
        finding.unit = "rows";
        finding.detail = std::to_string(rows.rows) + " rows share the calibration time " +
                         IsoTime(rows.time_ms) +
                         (rows.identical ? " with the same values; the first is used"
                                         : " with different values; the first is used, check which is right");
        findings.push_back(finding);
    }
    if (cal.empty()) return findings;
    const double idle_days = DaysFromMilliseconds(newest_in_folder_ms - cal.back().time_ms);
    if (idle_days > stale_after_days) {
        Finding finding;
        finding.kind = FindingKind::kStale;
        finding.first = finding.last = static_cast<int>(cal.size()) - 1;
        finding.size = idle_days;
        finding.unit = "days";
        finding.detail = "no calibration for " + Fixed(idle_days, 1) +
                         " days before the newest in the folder (" + IsoTime(newest_in_folder_ms) + ")";
        findings.push_back(finding);
    }
    return findings;
}

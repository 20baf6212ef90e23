#include "health/findings/camera_status.h"

#include <algorithm>

#include "common/civil_time.h"
#include "common/number_text.h"
#include "health/findings/calibration_use.h"

namespace {

std::string Reason(const Finding& f, const CameraQuantities& camera) {
    if (f.kind == FindingKind::kUnreadableTable) return f.detail;
    std::string text(KindName(f.kind));
    text += ' ';
    text += IsoTime(camera.calibrations[static_cast<std::size_t>(f.first)].time_ms).substr(0, 10);
    text += " (" + Fixed(f.size, f.unit == "%" || f.unit == "mag" ? 2 : 1) + ' ' + f.unit + ')';
    return text;
}

// Whether a finding is still open, and the status it then calls for.
struct Openness {
    bool open = false;
    CameraStatus level = CameraStatus::kWatch;
};

Openness JudgeFinding(const Finding& f, const CameraQuantities& camera, double recent_start_day) {
    constexpr CameraStatus kAction = CameraStatus::kAction;
    constexpr CameraStatus kWatch = CameraStatus::kWatch;
    if (f.kind == FindingKind::kUnreadableTable) return {true, CameraStatus::kUnknown};
    const int n = static_cast<int>(camera.calibrations.size());
    const bool covers_newest = f.last == n - 1;
    const bool recent_start = camera.days[static_cast<std::size_t>(f.first)] >= recent_start_day;
    const bool recent_end = camera.days[static_cast<std::size_t>(f.last)] >= recent_start_day;
    const auto action_if = [&](bool action) { return action ? kAction : kWatch; };
    switch (f.kind) {
        case FindingKind::kStale:
        case FindingKind::kClock:
            return {true, kAction};
        case FindingKind::kMoved:
        case FindingKind::kScaleChange:
            return {recent_start, kAction};
        case FindingKind::kPointingOutlier:
        case FindingKind::kPoorFit:
            return {recent_end, action_if(covers_newest)};
        case FindingKind::kZeroPointDrop:
            return {covers_newest, kAction};
        case FindingKind::kPointingDrift:
            return {covers_newest, kWatch};
        case FindingKind::kFewStars:
        case FindingKind::kDuplicate:
            return {recent_end, kWatch};
        case FindingKind::kUnreadableTable:
            break;
    }
    return {};
}

// While the calibrations span less than one baseline window, the camera's
// normal is still being learnt.
std::string BaselineNote(const CameraQuantities& camera, double window_days) {
    const double span = camera.days.empty() ? 0.0 : camera.days.back() - camera.days.front();
    if (camera.days.empty() || span >= window_days) return {};
    return "baseline not yet established (" + Fixed(span, 0) + " of " + Fixed(window_days, 0) + " days)";
}

}  // namespace

std::string_view StatusName(CameraStatus status) {
    switch (status) {
        case CameraStatus::kOk:
            return "OK";
        case CameraStatus::kWatch:
            return "WATCH";
        case CameraStatus::kUnknown:
            return "UNKNOWN";
        case CameraStatus::kAction:
            return "ACTION";
    }
    return "?";
}

std::vector<Finding> InTimeOrder(std::vector<Finding> findings) {
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return a.first != b.first ? a.first < b.first : static_cast<int>(a.kind) < static_cast<int>(b.kind);
    });
    return findings;
}

CameraAssessment AssessCamera(const CameraQuantities& camera, const std::vector<Finding>& findings,
                              const HealthSettings& settings) {
    CameraAssessment assessment;
    assessment.open.assign(findings.size(), false);
    const int n = static_cast<int>(camera.calibrations.size());
    assessment.last_good = LastGoodCalibration(JudgeCalibrationUse(camera, findings));
    const double recent_start_day = n > 0 ? camera.days.back() - settings.recent_days : 0.0;
    for (std::size_t k = 0; k < findings.size(); ++k) {
        const Openness judged = JudgeFinding(findings[k], camera, recent_start_day);
        assessment.open[k] = judged.open;
        if (!judged.open) continue;
        assessment.reasons.push_back(Reason(findings[k], camera));
        if (static_cast<int>(judged.level) > static_cast<int>(assessment.status))
            assessment.status = judged.level;
    }
    assessment.baseline_note = BaselineNote(camera, settings.window_days);
    return assessment;
}

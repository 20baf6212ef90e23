#include "health/findings/camera_status.h"

#include <algorithm>

#include "common/civil_time.h"
#include "common/number_text.h"

namespace {

bool IsChangeOfCamera(FindingKind kind) {
    return kind == FindingKind::kMoved || kind == FindingKind::kScaleChange;
}

std::string Reason(const Finding& f, const CameraAnalysis& camera) {
    std::string text(KindName(f.kind));
    text += ' ';
    text += IsoTime(camera.calibrations[static_cast<std::size_t>(f.first)].time_ms).substr(0, 10);
    text += " (" + Fixed(f.size, f.unit == "%" || f.unit == "mag" ? 2 : 1) + ' ' + f.unit + ')';
    return text;
}

}  // namespace

std::string_view StatusName(CameraStatus status) {
    switch (status) {
        case CameraStatus::kOk:
            return "OK";
        case CameraStatus::kWatch:
            return "WATCH";
        case CameraStatus::kAction:
            return "ACTION";
    }
    return "?";
}

void AssessCamera(CameraAnalysis& camera, const HealthSettings& settings) {
    std::stable_sort(camera.findings.begin(), camera.findings.end(), [](const Finding& a, const Finding& b) {
        return a.first != b.first ? a.first < b.first : static_cast<int>(a.kind) < static_cast<int>(b.kind);
    });
    const int n = static_cast<int>(camera.calibrations.size());
    camera.status = CameraStatus::kOk;
    camera.reasons.clear();
    camera.last_good = -1;
    if (n == 0) return;

    std::vector<bool> against(static_cast<std::size_t>(n), false);
    int last_change = 0;
    for (const Finding& f : camera.findings) {
        if (IsAgainstCalibration(f.kind)) {
            for (int i = f.first; i <= f.last; ++i) against[static_cast<std::size_t>(i)] = true;
        }
        if (IsChangeOfCamera(f.kind)) last_change = std::max(last_change, f.first);
    }
    for (int i = n - 1; i >= last_change; --i) {
        if (!against[static_cast<std::size_t>(i)]) {
            camera.last_good = i;
            break;
        }
    }

    const double newest_day = camera.days.back();
    const double window_start = newest_day - settings.window_days;
    for (Finding& f : camera.findings) {
        const bool covers_newest = f.last == n - 1;
        const bool recent_start = camera.days[static_cast<std::size_t>(f.first)] >= window_start;
        const bool recent_end = camera.days[static_cast<std::size_t>(f.last)] >= window_start;
        bool action = false;
        switch (f.kind) {
            case FindingKind::kStale:
                action = f.open = true;
                break;
            case FindingKind::kMoved:
            case FindingKind::kScaleChange:
                action = f.open = recent_start;
                break;
            case FindingKind::kPointingOutlier:
            case FindingKind::kPoorFit:
                f.open = recent_end;
                action = covers_newest;
                break;
            case FindingKind::kZeroPointDrop:
                action = f.open = covers_newest;
                break;
            case FindingKind::kPointingDrift:
                f.open = covers_newest;
                break;
            case FindingKind::kFewStars:
            case FindingKind::kDuplicate:
                f.open = recent_end;
                break;
        }
        if (!f.open) continue;
        camera.reasons.push_back(Reason(f, camera));
        const CameraStatus level = action ? CameraStatus::kAction : CameraStatus::kWatch;
        if (static_cast<int>(level) > static_cast<int>(camera.status)) camera.status = level;
    }
}

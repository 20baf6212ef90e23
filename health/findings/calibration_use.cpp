#include "health/findings/calibration_use.h"

#include <algorithm>

CalibrationUse JudgeCalibrationUse(const CameraQuantities& camera, const std::vector<Finding>& findings) {
    const std::size_t n = camera.calibrations.size();
    CalibrationUse use;
    use.astrometry.assign(n, n > 0);
    use.photometry.assign(n, false);
    if (n == 0) return use;
    std::vector<bool> in_drop(n, false);
    use.epoch_start.push_back(0);
    for (const Finding& f : findings) {
        if (f.first < 0) continue;
        switch (f.kind) {
            case FindingKind::kPointingOutlier:
            case FindingKind::kPoorFit:
            case FindingKind::kFewStars:
                for (int i = f.first; i <= f.last; ++i) use.astrometry[static_cast<std::size_t>(i)] = false;
                break;
            case FindingKind::kZeroPointDrop:
                for (int i = f.first; i <= f.last; ++i) in_drop[static_cast<std::size_t>(i)] = true;
                break;
            case FindingKind::kMoved:
            case FindingKind::kScaleChange:
                if (f.first > 0) use.epoch_start.push_back(f.first);
                break;
            default:
                break;
        }
    }
    std::sort(use.epoch_start.begin(), use.epoch_start.end());
    use.epoch_start.erase(std::unique(use.epoch_start.begin(), use.epoch_start.end()), use.epoch_start.end());
    for (std::size_t i = 0; i < n; ++i)
        use.photometry[i] = use.astrometry[i] && !in_drop[i] && camera.calibrations[i].star_count > 0;
    return use;
}

int LastGoodCalibration(const CalibrationUse& use) {
    if (use.epoch_start.empty()) return -1;
    for (int i = static_cast<int>(use.astrometry.size()) - 1; i >= use.epoch_start.back(); --i) {
        if (use.astrometry[static_cast<std::size_t>(i)]) return i;
    }
    return -1;
}

std::vector<UseInterval> UseIntervals(const CameraQuantities& camera, const CalibrationUse& use) {
    std::vector<UseInterval> intervals;
    const int n = static_cast<int>(camera.calibrations.size());
    const auto time = [&](int i) { return camera.calibrations[static_cast<std::size_t>(i)].time_ms; };
    for (std::size_t e = 0; e < use.epoch_start.size(); ++e) {
        const int first = use.epoch_start[e];
        const int end = e + 1 < use.epoch_start.size() ? use.epoch_start[e + 1] : n;  // exclusive
        const std::int64_t epoch_from = time(first);
        const std::int64_t epoch_to = end < n ? time(end) : time(n - 1);
        std::vector<int> usable;
        for (int i = first; i < end; ++i) {
            if (use.astrometry[static_cast<std::size_t>(i)]) usable.push_back(i);
        }
        const int epoch = static_cast<int>(e);
        if (usable.empty()) {
            intervals.push_back({epoch_from, epoch_to, -1, epoch});
            continue;
        }
        std::int64_t from = epoch_from;
        for (std::size_t k = 0; k < usable.size(); ++k) {
            const std::int64_t to = k + 1 < usable.size()
                                        ? time(usable[k]) + (time(usable[k + 1]) - time(usable[k]) + 1) / 2
                                        : epoch_to;
            intervals.push_back({from, to, usable[k], epoch});
            from = to;
        }
    }
    return intervals;
}

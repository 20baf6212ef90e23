#include "health/findings/scale_findings.h"

#include <algorithm>
#include <cmath>

#include "common/number_text.h"
#include "health/stats/robust_stats.h"
#include "health/stats/step_detection.h"

namespace {

bool PointingMovedNear(const std::vector<Finding>& pointing, int index) {
    for (const Finding& f : pointing) {
        if (f.kind == FindingKind::kMoved && std::abs(f.first - index) <= 1) return true;
    }
    return false;
}

}  // namespace

std::vector<Finding> FindScaleChanges(const CameraQuantities& camera, const std::vector<Finding>& pointing) {
    std::vector<Finding> changes;
    // Natural logarithm in percent: steps up and down of the same factor
    // weigh the same.
    std::vector<int> index;
    std::vector<double> days;
    std::vector<double> log_scale;
    for (std::size_t i = 0; i < camera.scale.value.size(); ++i) {
        const double scale = camera.scale.value[i];
        if (!(scale > 0) || !(camera.pixel_arcmin > 0)) continue;
        index.push_back(static_cast<int>(i));
        days.push_back(camera.days[i]);
        log_scale.push_back(100.0 * std::log(scale / camera.pixel_arcmin));
    }
    if (index.size() < 4) return changes;
    const double sigma = std::max(DifferenceSigma(log_scale), kMinScaleSigmaPercent);
    const std::vector<bool> outlier =
        FindIsolatedOutliers(log_scale, 1, std::max(kOutlierSigmas * sigma, kMinScaleStepPercent));
    std::vector<int> kept;
    std::vector<double> kept_days;
    std::vector<double> kept_values;
    for (std::size_t k = 0; k < index.size(); ++k) {
        if (outlier[k]) continue;
        kept.push_back(index[k]);
        kept_days.push_back(days[k]);
        kept_values.push_back(log_scale[k]);
    }
    const double sigmas[2] = {sigma, sigma};
    const StepSearch search{kChangePenaltyPerAxisAndLogN, kMinSegmentCalibrations, kStepSideCalibrations,
                            std::max(kStepSigmas * sigma, kMinScaleStepPercent)};
    const std::vector<DetectedStep> steps = DetectSteps(kept_days, kept_values, 1, sigmas, search);
    const int n = static_cast<int>(camera.calibrations.size());
    for (std::size_t k = 0; k < steps.size(); ++k) {
        Finding finding;
        finding.kind = FindingKind::kScaleChange;
        finding.first = kept[static_cast<std::size_t>(steps[k].at)];
        finding.last = k + 1 < steps.size() ? kept[static_cast<std::size_t>(steps[k + 1].at)] - 1 : n - 1;
        finding.calibrations = finding.last - finding.first + 1;
        finding.size = (std::exp(steps[k].step[0] / 100.0) - 1.0) * 100.0;
        finding.unit = "%";
        finding.detail = std::string("plate scale ") + (finding.size > 0 ? "up " : "down ") +
                         Fixed(std::fabs(finding.size), 2) + " % (refocus or lens change); " +
                         (PointingMovedNear(pointing, finding.first) ? "the pointing moved at the same time"
                                                                     : "the pointing stayed");
        changes.push_back(finding);
    }
    return changes;
}

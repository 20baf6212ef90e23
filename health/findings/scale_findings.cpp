#include "health/findings/scale_findings.h"

#include <algorithm>
#include <cmath>

#include "health/stats/robust_stats.h"
#include "health/stats/step_detection.h"
#include "common/number_text.h"

namespace {

constexpr double kMinStepPercent = 0.5;
constexpr double kStepSigmas = 3.0;
constexpr double kOutlierSigmas = 5.0;
constexpr double kMinSigmaPercent = 0.01;
constexpr int kStepSidePoints = 20;

bool PointingMovedNear(const CameraAnalysis& camera, int index) {
    for (const Finding& f : camera.findings) {
        if (f.kind == FindingKind::kMoved && std::abs(f.first - index) <= 1) return true;
    }
    return false;
}

}  // namespace

void FindScaleChanges(CameraAnalysis& camera) {
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
    if (index.size() < 4) return;
    const double sigma = std::max(DifferenceSigma(log_scale), kMinSigmaPercent);
    const std::vector<bool> outlier =
        FindIsolatedOutliers(log_scale, 1, std::max(kOutlierSigmas * sigma, kMinStepPercent));
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
    const std::vector<DetectedStep> steps = DetectSteps(
        kept_days, kept_values, 1, sigmas, std::max(kStepSigmas * sigma, kMinStepPercent), kStepSidePoints);
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
                         (PointingMovedNear(camera, finding.first) ? "the pointing moved at the same time"
                                                                   : "the pointing stayed");
        camera.findings.push_back(finding);
    }
}

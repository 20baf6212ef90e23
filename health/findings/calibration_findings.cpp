#include "health/findings/calibration_findings.h"

#include <algorithm>
#include <cmath>

#include "health/stats/robust_stats.h"
#include "health/stats/step_detection.h"
#include "common/number_text.h"

namespace {

constexpr double kPoorFitRatio = 2.0;
constexpr double kPoorFitSpreads = 6.0;
constexpr double kSpreadFloorFraction = 0.05;  // of the median O-C sigma
constexpr double kDistortionSigmas = 8.0;
constexpr double kMinAspectChange = 0.005;
constexpr double kMinSkewChangeDeg = 0.3;
constexpr double kFewStarsFraction = 0.3;
constexpr double kStarsPerMagnitudeDex = 0.5;  // star counts grow 10^0.5 per magnitude

// Isolated excursions of one plate-shape quantity.
std::vector<bool> ShapeOutliers(const std::vector<double>& values, double min_change) {
    std::vector<int> index;
    std::vector<double> finite;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (std::isfinite(values[i])) {
            index.push_back(static_cast<int>(i));
            finite.push_back(values[i]);
        }
    }
    std::vector<bool> result(values.size(), false);
    if (finite.size() < 3) return result;
    const double sigma = DifferenceSigma(finite);
    const std::vector<bool> outlier =
        FindIsolatedOutliers(finite, 1, std::max(kDistortionSigmas * sigma, min_change));
    for (std::size_t k = 0; k < outlier.size(); ++k) result[static_cast<std::size_t>(index[k])] = outlier[k];
    return result;
}

}  // namespace

void FindFitFindings(CameraAnalysis& camera) {
    const std::size_t n = camera.calibrations.size();
    const std::vector<bool> aspect_off = ShapeOutliers(camera.aspect.value, kMinAspectChange);
    const std::vector<bool> skew_off = ShapeOutliers(camera.skew.value, kMinSkewChangeDeg);
    for (std::size_t i = 0; i < n; ++i) {
        const double sigma = camera.oc_sigma.value[i];
        const double normal = camera.oc_sigma.centre[i];
        const double spread = std::max(camera.oc_sigma.spread[i], kSpreadFloorFraction * normal);
        const bool residuals_high = std::isfinite(sigma) && normal > 0 && sigma >= kPoorFitRatio * normal &&
                                    sigma > normal + kPoorFitSpreads * spread;
        if (residuals_high || aspect_off[i] || skew_off[i]) {
            Finding finding;
            finding.kind = FindingKind::kPoorFit;
            finding.first = finding.last = static_cast<int>(i);
            if (residuals_high) {
                finding.size = sigma;
                finding.unit = "arcmin";
                finding.detail = "O-C sigma " + Fixed(sigma, 2) + " arcmin (" +
                                 Fixed(camera.oc_sigma_px[i], 2) + " px), " + Fixed(sigma / normal, 1) +
                                 " times the camera's normal " + Fixed(normal, 2) +
                                 " arcmin: do not use this calibration";
            } else {
                finding.size = aspect_off[i] ? camera.aspect.value[i] : camera.skew.value[i];
                finding.unit = aspect_off[i] ? "ratio" : "deg";
                finding.detail = std::string("plate ") + (aspect_off[i] ? "aspect ratio " : "skew ") +
                                 Fixed(finding.size, 4) +
                                 " off its neighbours': a distorted fit, do not use it";
            }
            camera.findings.push_back(finding);
        }

        const double normal_count = camera.star_count.centre[i];
        // The night's own sensitivity, weather included: haze costs stars
        // as much as dew does.
        const double night_deficit = i < camera.zero_point.centre.size()
                                         ? camera.zero_point.centre[i] - camera.zero_point.value[i]
                                         : kNoValue;
        const double deficit = std::isfinite(night_deficit) ? std::max(0.0, night_deficit) : 0.0;
        const double expected = normal_count * std::pow(10.0, -kStarsPerMagnitudeDex * deficit);
        const int count = camera.calibrations[i].star_count;
        if (count == 0 || (expected > 0 && count < kFewStarsFraction * expected)) {
            Finding finding;
            finding.kind = FindingKind::kFewStars;
            finding.first = finding.last = static_cast<int>(i);
            finding.size = count;
            finding.unit = "stars";
            finding.detail = count == 0
                                 ? "no star rows for this calibration"
                                 : std::to_string(count) + " stars where about " + Fixed(expected, 0) +
                                       " were expected (camera's normal " + Fixed(normal_count, 0) + ")";
            camera.findings.push_back(finding);
        }
    }
}

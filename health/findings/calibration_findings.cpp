#include "health/findings/calibration_findings.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "common/number_text.h"
#include "health/stats/robust_stats.h"
#include "health/stats/step_detection.h"

namespace {

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

// Calibration i's poor fit, if it is one: residuals far above the normal,
// or a distorted plate.
std::optional<Finding> PoorFit(const CameraQuantities& camera, std::size_t i, bool aspect_off,
                               bool skew_off) {
    const double sigma = camera.oc_sigma.value[i];
    const double normal = camera.oc_sigma.centre[i];
    const double spread = std::max(camera.oc_sigma.spread[i], kPoorFitSpreadFloorFraction * normal);
    const bool residuals_high = std::isfinite(sigma) && normal > 0 && sigma >= kPoorFitRatio * normal &&
                                sigma > normal + kPoorFitSpreads * spread;
    if (!residuals_high && !aspect_off && !skew_off) return std::nullopt;
    Finding finding;
    finding.kind = FindingKind::kPoorFit;
    finding.first = finding.last = static_cast<int>(i);
    if (residuals_high) {
        finding.size = sigma;
        finding.unit = "arcmin";
        finding.detail = "O-C sigma " + Fixed(sigma, 2) + " arcmin (" + Fixed(camera.oc_sigma_px[i], 2) +
                         " px), " + Fixed(sigma / normal, 1) + " times the camera's normal " +
                         Fixed(normal, 2) + " arcmin: do not use this calibration";
    } else {
        finding.size = aspect_off ? camera.aspect.value[i] : camera.skew.value[i];
        finding.unit = aspect_off ? "ratio" : "deg";
        finding.detail = std::string("plate ") + (aspect_off ? "aspect ratio " : "skew ") +
                         Fixed(finding.size, 4) + " off its neighbours': a distorted fit, do not use it";
    }
    return finding;
}

// Calibration i's shortage of stars, if it has one. The night's own
// sensitivity counts, weather included: haze costs stars as much as dew does.
std::optional<Finding> FewStars(const CameraQuantities& camera, const ZeroPointBaseline& zero_point,
                                std::size_t i) {
    const double normal_count = camera.star_count.centre[i];
    const double night_deficit =
        i < zero_point.centre.size() ? zero_point.centre[i] - camera.zero_point[i] : kNoValue;
    const double deficit = std::isfinite(night_deficit) ? std::max(0.0, night_deficit) : 0.0;
    const double expected = normal_count * std::pow(10.0, -kStarsPerMagnitudeDex * deficit);
    const int count = camera.calibrations[i].star_count;
    if (!(count == 0 || (expected > 0 && count < kFewStarsFraction * expected))) return std::nullopt;
    Finding finding;
    finding.kind = FindingKind::kFewStars;
    finding.first = finding.last = static_cast<int>(i);
    finding.size = count;
    finding.unit = "stars";
    finding.detail = count == 0 ? "no star rows for this calibration"
                                : std::to_string(count) + " stars where about " + Fixed(expected, 0) +
                                      " were expected (camera's normal " + Fixed(normal_count, 0) + ")";
    return finding;
}

}  // namespace

std::vector<Finding> FindCalibrationFindings(const CameraQuantities& camera,
                                             const ZeroPointBaseline& zero_point) {
    std::vector<Finding> findings;
    const std::vector<bool> aspect_off = ShapeOutliers(camera.aspect.value, kMinAspectChange);
    const std::vector<bool> skew_off = ShapeOutliers(camera.skew.value, kMinSkewChangeDeg);
    for (std::size_t i = 0; i < camera.calibrations.size(); ++i) {
        if (std::optional<Finding> poor = PoorFit(camera, i, aspect_off[i], skew_off[i]))
            findings.push_back(std::move(*poor));
        // Without a usable FitStars table the stars are unknown, not few.
        if (!camera.stars_problem.empty()) continue;
        if (std::optional<Finding> few = FewStars(camera, zero_point, i)) findings.push_back(std::move(*few));
    }
    return findings;
}

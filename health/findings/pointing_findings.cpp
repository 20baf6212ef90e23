#include "health/findings/pointing_findings.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "common/civil_time.h"
#include "common/number_text.h"
#include "health/stats/linear_trend.h"
#include "health/stats/robust_stats.h"
#include "health/stats/step_detection.h"

namespace {

std::string Direction(double east, double north) {
    return "azimuth " + Signed(east, 1) + " arcmin on the sky, elevation " + Signed(north, 1) + " arcmin";
}

// The calibrations that are not outliers, which carry the moves and the
// drift: their indices, times and offsets.
struct KeptPointing {
    std::vector<int> index;
    std::vector<double> days;
    std::vector<double> east;
    std::vector<double> north;
    std::vector<double> points;  // east and north of each, one after the other
};

KeptPointing KeepNonOutliers(const CameraQuantities& camera, const std::vector<bool>& outlier) {
    KeptPointing kept;
    for (std::size_t i = 0; i < outlier.size(); ++i) {
        if (outlier[i]) continue;
        kept.index.push_back(static_cast<int>(i));
        kept.days.push_back(camera.days[i]);
        kept.east.push_back(camera.offset_az.value[i]);
        kept.north.push_back(camera.offset_el.value[i]);
        kept.points.push_back(camera.offset_az.value[i]);
        kept.points.push_back(camera.offset_el.value[i]);
    }
    return kept;
}

// One outlier's finding: its distance from the neighbours' level, the
// median of the kept calibrations just before and after it.
Finding OutlierFinding(const CameraQuantities& camera, const KeptPointing& kept, int i) {
    const std::vector<double>& east = camera.offset_az.value;
    const std::vector<double>& north = camera.offset_el.value;
    std::vector<double> near_east, near_north;
    const auto position = std::lower_bound(kept.index.begin(), kept.index.end(), i) - kept.index.begin();
    for (auto k = std::max<std::ptrdiff_t>(0, position - 2);
         k < std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(kept.index.size()), position + 2); ++k) {
        near_east.push_back(east[static_cast<std::size_t>(kept.index[static_cast<std::size_t>(k)])]);
        near_north.push_back(north[static_cast<std::size_t>(kept.index[static_cast<std::size_t>(k)])]);
    }
    const double off_east = east[static_cast<std::size_t>(i)] - Median(near_east);
    const double off_north = north[static_cast<std::size_t>(i)] - Median(near_north);
    Finding finding;
    finding.kind = FindingKind::kPointingOutlier;
    finding.first = finding.last = i;
    finding.size = std::hypot(off_east, off_north);
    finding.unit = "arcmin";
    finding.detail = "one calibration off by " + Fixed(finding.size, 1) + " arcmin (" +
                     Direction(off_east, off_north) +
                     ") while its neighbours agree: a bad calibration, not a move";
    return finding;
}

// The moves among the kept calibrations; segment_starts gets the kept
// index where each stretch between moves begins, and its end.
std::vector<Finding> FindMoves(const KeptPointing& kept, const double sigma_axis[2], double step_threshold,
                               int n, std::vector<int>& segment_starts) {
    const StepSearch search{kChangePenaltyPerAxisAndLogN, kMinSegmentCalibrations, kStepSideCalibrations,
                            step_threshold};
    const std::vector<DetectedStep> steps = DetectSteps(kept.days, kept.points, 2, sigma_axis, search);
    std::vector<Finding> moves;
    segment_starts = {0};
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const int first = kept.index[static_cast<std::size_t>(steps[k].at)];
        const int last =
            k + 1 < steps.size() ? kept.index[static_cast<std::size_t>(steps[k + 1].at)] - 1 : n - 1;
        Finding finding;
        finding.kind = FindingKind::kMoved;
        finding.first = first;
        finding.last = last;
        finding.calibrations = last - first + 1;
        finding.size = std::hypot(steps[k].step[0], steps[k].step[1]);
        finding.unit = "arcmin";
        finding.detail = "pointing moved " + Fixed(finding.size, 1) + " arcmin (" +
                         Direction(steps[k].step[0], steps[k].step[1]) + "); " +
                         std::to_string(finding.calibrations) + " calibrations at the new pointing";
        moves.push_back(finding);
        segment_starts.push_back(steps[k].at);
    }
    segment_starts.push_back(static_cast<int>(kept.index.size()));
    return moves;
}

// The drift of the kept calibrations [begin, end) between two moves, if any.
std::optional<Finding> FindDrift(const KeptPointing& kept, int begin, int end, double step_threshold) {
    if (end - begin < kMinDriftCalibrations) return std::nullopt;
    const double span =
        kept.days[static_cast<std::size_t>(end - 1)] - kept.days[static_cast<std::size_t>(begin)];
    if (span < kMinDriftDays) return std::nullopt;
    const LinearTrend east = FitLinearTrend(kept.days, kept.east, begin, end);
    const LinearTrend north = FitLinearTrend(kept.days, kept.north, begin, end);
    const double rate = std::hypot(east.slope, north.slope);  // arcmin per day
    const double error = std::hypot(east.slope_error, north.slope_error);
    if (rate * span < step_threshold || !(rate > kDriftSignificance * error)) return std::nullopt;
    Finding finding;
    finding.kind = FindingKind::kPointingDrift;
    finding.first = kept.index[static_cast<std::size_t>(begin)];
    finding.last = kept.index[static_cast<std::size_t>(end - 1)];
    finding.calibrations = finding.last - finding.first + 1;
    finding.size = rate * kDaysPerMonth;
    finding.unit = "arcmin/month";
    finding.detail = "pointing drifted steadily by " + Fixed(rate * span, 1) + " arcmin over " +
                     Fixed(span, 0) + " days (" + Direction(east.slope * span, north.slope * span) +
                     "): a settling mount, not a move";
    return finding;
}

}  // namespace

PointingFindings FindPointingFindings(const CameraQuantities& camera) {
    PointingFindings result;
    const int n = static_cast<int>(camera.calibrations.size());
    if (n == 0) return result;
    const std::vector<double>& east = camera.offset_az.value;
    const std::vector<double>& north = camera.offset_el.value;
    const double sigma_axis[2] = {std::max(DifferenceSigma(east), kMinPointingSigmaArcmin),
                                  std::max(DifferenceSigma(north), kMinPointingSigmaArcmin)};
    const double sigma = std::sqrt(0.5 * (sigma_axis[0] * sigma_axis[0] + sigma_axis[1] * sigma_axis[1]));
    result.sigma_arcmin = sigma;
    const double pixel = std::isfinite(camera.pixel_arcmin) ? camera.pixel_arcmin : 0.0;
    const double outlier_threshold = std::max(kOutlierSigmas * sigma, pixel);
    const double step_threshold = std::max(kStepSigmas * sigma, pixel);

    std::vector<double> points;
    for (int i = 0; i < n; ++i) {
        points.push_back(east[static_cast<std::size_t>(i)]);
        points.push_back(north[static_cast<std::size_t>(i)]);
    }
    const std::vector<bool> outlier = FindIsolatedOutliers(points, 2, outlier_threshold);
    const KeptPointing kept = KeepNonOutliers(camera, outlier);
    for (int i = 0; i < n; ++i) {
        if (outlier[static_cast<std::size_t>(i)]) result.findings.push_back(OutlierFinding(camera, kept, i));
    }
    std::vector<int> segment_starts;
    for (Finding& move : FindMoves(kept, sigma_axis, step_threshold, n, segment_starts))
        result.findings.push_back(std::move(move));
    for (std::size_t s = 0; s + 1 < segment_starts.size(); ++s) {
        if (std::optional<Finding> drift =
                FindDrift(kept, segment_starts[s], segment_starts[s + 1], step_threshold))
            result.findings.push_back(std::move(*drift));
    }
    return result;
}

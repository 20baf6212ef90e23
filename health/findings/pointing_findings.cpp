#include "health/findings/pointing_findings.h"

#include <algorithm>
#include <cmath>

#include "common/civil_time.h"
#include "health/stats/robust_stats.h"
#include "health/stats/step_detection.h"
#include "common/number_text.h"

namespace {

constexpr double kOutlierSigmas = 5.0;
constexpr double kStepSigmas = 3.0;
// The tables give azimuth and elevation to 0.001 degree (0.06 arcmin), which
// bounds how small a scatter can be measured.
constexpr double kMinSigmaArcmin = 0.03;
constexpr int kStepSidePoints = 20;
constexpr double kMinDriftDays = 60.0;
constexpr int kMinDriftCalibrations = 20;
constexpr double kDriftSignificance = 6.0;  // slope over its standard error

std::string Direction(double east, double north) {
    return "azimuth " + Signed(east, 1) + " arcmin on the sky, elevation " + Signed(north, 1) + " arcmin";
}

// Least-squares slope of values against days over [begin, end), with its
// standard error from the residuals.
void LinearTrend(const std::vector<double>& days, const std::vector<double>& values, int begin, int end,
                 double& slope, double& slope_error) {
    double mean_t = 0, mean_v = 0;
    const double count = end - begin;
    for (int i = begin; i < end; ++i) {
        mean_t += days[static_cast<std::size_t>(i)];
        mean_v += values[static_cast<std::size_t>(i)];
    }
    mean_t /= count;
    mean_v /= count;
    double stt = 0, stv = 0;
    for (int i = begin; i < end; ++i) {
        const double t = days[static_cast<std::size_t>(i)] - mean_t;
        stt += t * t;
        stv += t * (values[static_cast<std::size_t>(i)] - mean_v);
    }
    slope = stt > 0 ? stv / stt : 0.0;
    double residuals = 0;
    for (int i = begin; i < end; ++i) {
        const double r = values[static_cast<std::size_t>(i)] - mean_v -
                         slope * (days[static_cast<std::size_t>(i)] - mean_t);
        residuals += r * r;
    }
    slope_error = stt > 0 && count > 2 ? std::sqrt(residuals / (count - 2) / stt) : 0.0;
}

}  // namespace

void FindPointingFindings(CameraAnalysis& camera) {
    const int n = static_cast<int>(camera.calibrations.size());
    if (n == 0) return;
    const std::vector<double>& east = camera.offset_az.value;
    const std::vector<double>& north = camera.offset_el.value;
    const double sigma_axis[2] = {std::max(DifferenceSigma(east), kMinSigmaArcmin),
                                  std::max(DifferenceSigma(north), kMinSigmaArcmin)};
    const double sigma = std::sqrt(0.5 * (sigma_axis[0] * sigma_axis[0] + sigma_axis[1] * sigma_axis[1]));
    camera.pointing_sigma_arcmin = sigma;
    const double pixel = std::isfinite(camera.pixel_arcmin) ? camera.pixel_arcmin : 0.0;
    const double outlier_threshold = std::max(kOutlierSigmas * sigma, pixel);
    const double step_threshold = std::max(kStepSigmas * sigma, pixel);

    std::vector<double> points;
    for (int i = 0; i < n; ++i) {
        points.push_back(east[static_cast<std::size_t>(i)]);
        points.push_back(north[static_cast<std::size_t>(i)]);
    }
    const std::vector<bool> outlier = FindIsolatedOutliers(points, 2, outlier_threshold);

    // The calibrations that are not outliers carry the moves and the drift.
    std::vector<int> kept;
    std::vector<double> kept_days;
    std::vector<double> kept_points;
    for (int i = 0; i < n; ++i) {
        if (outlier[static_cast<std::size_t>(i)]) continue;
        kept.push_back(i);
        kept_days.push_back(camera.days[static_cast<std::size_t>(i)]);
        kept_points.push_back(east[static_cast<std::size_t>(i)]);
        kept_points.push_back(north[static_cast<std::size_t>(i)]);
    }

    for (int i = 0; i < n; ++i) {
        if (!outlier[static_cast<std::size_t>(i)]) continue;
        // Distance from the neighbours' level: the median of the kept
        // calibrations just before and after it.
        std::vector<double> near_east, near_north;
        const auto position = std::lower_bound(kept.begin(), kept.end(), i) - kept.begin();
        for (auto k = std::max<std::ptrdiff_t>(0, position - 2);
             k < std::min<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(kept.size()), position + 2); ++k) {
            near_east.push_back(east[static_cast<std::size_t>(kept[static_cast<std::size_t>(k)])]);
            near_north.push_back(north[static_cast<std::size_t>(kept[static_cast<std::size_t>(k)])]);
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
        camera.findings.push_back(finding);
    }

    const std::vector<DetectedStep> steps =
        DetectSteps(kept_days, kept_points, 2, sigma_axis, step_threshold, kStepSidePoints);
    std::vector<int> segment_starts = {0};
    for (std::size_t k = 0; k < steps.size(); ++k) {
        const int first = kept[static_cast<std::size_t>(steps[k].at)];
        const int last = k + 1 < steps.size() ? kept[static_cast<std::size_t>(steps[k + 1].at)] - 1 : n - 1;
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
        camera.findings.push_back(finding);
        segment_starts.push_back(steps[k].at);
    }
    segment_starts.push_back(static_cast<int>(kept.size()));

    // Drift within each stretch between moves.
    std::vector<double> kept_east, kept_north;
    for (int i : kept) {
        kept_east.push_back(east[static_cast<std::size_t>(i)]);
        kept_north.push_back(north[static_cast<std::size_t>(i)]);
    }
    for (std::size_t s = 0; s + 1 < segment_starts.size(); ++s) {
        const int begin = segment_starts[s];
        const int end = segment_starts[s + 1];
        if (end - begin < kMinDriftCalibrations) continue;
        const double span =
            kept_days[static_cast<std::size_t>(end - 1)] - kept_days[static_cast<std::size_t>(begin)];
        if (span < kMinDriftDays) continue;
        double slope_east, error_east, slope_north, error_north;
        LinearTrend(kept_days, kept_east, begin, end, slope_east, error_east);
        LinearTrend(kept_days, kept_north, begin, end, slope_north, error_north);
        const double rate = std::hypot(slope_east, slope_north);  // arcmin per day
        const double error = std::hypot(error_east, error_north);
        if (rate * span < step_threshold || !(rate > kDriftSignificance * error)) continue;
        Finding finding;
        finding.kind = FindingKind::kPointingDrift;
        finding.first = kept[static_cast<std::size_t>(begin)];
        finding.last = kept[static_cast<std::size_t>(end - 1)];
        finding.calibrations = finding.last - finding.first + 1;
        finding.size = rate * kDaysPerMonth;
        finding.unit = "arcmin/month";
        finding.detail = "pointing drifted steadily by " + Fixed(rate * span, 1) + " arcmin over " +
                         Fixed(span, 0) + " days (" + Direction(slope_east * span, slope_north * span) +
                         "): a settling mount, not a move";
        camera.findings.push_back(finding);
    }
}

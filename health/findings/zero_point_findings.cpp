#include "health/findings/zero_point_findings.h"

#include <algorithm>
#include <cmath>

#include "common/civil_time.h"
#include "health/stats/drop_onset.h"
#include "health/findings/quantities.h"
#include "health/stats/robust_stats.h"
#include "common/number_text.h"

namespace {

constexpr double kEnvelopeFraction = 0.9;
constexpr double kFirstPassDays = 90.0;
constexpr double kMinDropMag = 0.3;
constexpr double kDropSigmas = 4.0;
constexpr double kMinSigmaMag = 0.02;
constexpr double kMinDropDays = 10.0;
constexpr int kMinDropCalibrations = 5;
constexpr double kMinWeatherMag = 0.15;      // a dip, as the site grouping counts one
constexpr double kWeatherUncertainty = 0.1;  // of the weather taken out, as a fraction
constexpr int kOnsetSearchBefore = 12;
constexpr int kOnsetSearchAfter = 12;
constexpr int kEndSearch = 4;
constexpr double kGradualDays = 2.0;
// Dew, dirt, ageing or gain hold a camera at a steady level night after
// night; weather comes and goes. A stretch whose deficit jumps from night to
// night by more than this part of its depth (robust sigma of consecutive
// differences) is weather the site's other cameras could not show.
constexpr double kMaxRoughness = 0.25;
constexpr int kMinRoughnessPoints = 4;

struct Stretch {
    int first;
    int last;
};

// Running median of three finite deficits centred on each.
std::vector<double> SmoothedDeficits(const std::vector<double>& deficit) {
    std::vector<int> finite;
    for (std::size_t i = 0; i < deficit.size(); ++i) {
        if (std::isfinite(deficit[i])) finite.push_back(static_cast<int>(i));
    }
    std::vector<double> smoothed(deficit.size(), kNoValue);
    for (std::size_t k = 0; k < finite.size(); ++k) {
        double window[3];
        int count = 0;
        for (std::size_t j = k > 0 ? k - 1 : 0; j <= k + 1 && j < finite.size(); ++j) {
            window[count++] = deficit[static_cast<std::size_t>(finite[j])];
        }
        smoothed[static_cast<std::size_t>(finite[k])] = MedianOfUpToThree(window, count);
    }
    return smoothed;
}

std::vector<Stretch> FindStretches(const std::vector<double>& days, const std::vector<double>& deficit,
                                   double threshold) {
    const std::vector<double> smoothed = SmoothedDeficits(deficit);
    std::vector<Stretch> stretches;
    int first = -1;
    int last = -1;
    int count = 0;
    const auto close = [&]() {
        if (first >= 0 && count >= kMinDropCalibrations &&
            days[static_cast<std::size_t>(last)] - days[static_cast<std::size_t>(first)] >= kMinDropDays) {
            stretches.push_back({first, last});
        }
        first = -1;
        count = 0;
    };
    for (std::size_t i = 0; i < smoothed.size(); ++i) {
        if (!std::isfinite(smoothed[i]))
            continue;  // calibrations without stars neither extend nor end a stretch
        if (smoothed[i] >= threshold) {
            if (first < 0) first = static_cast<int>(i);
            last = static_cast<int>(i);
            ++count;
        } else {
            close();
        }
    }
    close();
    return stretches;
}

// Moves a stretch's end to the last calibration before the deficit steps
// back to zero, by the best step fit near the end.
void PlaceEnd(const std::vector<double>& deficit, int lower, int upper, Stretch& stretch) {
    const int from = std::max(lower, stretch.last - 2 * kEndSearch);
    const int to = std::min(upper + 1, stretch.last + 2 * kEndSearch + 1);
    double best = 1e300;
    int best_end = stretch.last;
    for (int end = std::max(lower, stretch.last - kEndSearch);
         end <= std::min(upper, stretch.last + kEndSearch); ++end) {
        double sum = 0;
        int count = 0;
        for (int i = from; i <= end; ++i) {
            if (std::isfinite(deficit[static_cast<std::size_t>(i)])) {
                sum += deficit[static_cast<std::size_t>(i)];
                ++count;
            }
        }
        const double level = count > 0 ? sum / count : 0.0;
        double misfit = 0;
        for (int i = from; i < to; ++i) {
            const double d = deficit[static_cast<std::size_t>(i)];
            if (!std::isfinite(d)) continue;
            const double r = d - (i <= end ? level : 0.0);
            misfit += r * r;
        }
        if (misfit < best) {
            best = misfit;
            best_end = end;
        }
    }
    stretch.last = best_end;
}

std::vector<double> Deficits(const std::vector<double>& envelope, const std::vector<double>& zero_point) {
    std::vector<double> deficit(zero_point.size(), kNoValue);
    for (std::size_t i = 0; i < zero_point.size(); ++i) deficit[i] = envelope[i] - zero_point[i];
    return deficit;
}

}  // namespace

void FindZeroPointDrops(CameraAnalysis& camera, double window_days) {
    const std::size_t n = camera.calibrations.size();
    QuantitySeries& zp = camera.zero_point;
    if (camera.weather_mag.size() != n) camera.weather_mag.assign(n, 0.0);

    // The site's shared dimming is added back, up to the camera's own deficit
    // below its long envelope: weather explains that part of the dip. Less
    // than a dip is the site-mates' own scatter, not weather: adding it back
    // on clear nights, capped by the camera's own deficit, would lift the
    // clear level and flatten the start of a drop.
    if (camera.zero_point_long_envelope.size() != n) {
        camera.zero_point_long_envelope =
            RollingRobust(camera.days, zp.value, kFirstPassDays, kEnvelopeFraction, nullptr, 5, false).centre;
    }
    std::vector<double> corrected(n, kNoValue);
    for (std::size_t i = 0; i < n; ++i) {
        const double own = std::max(0.0, camera.zero_point_long_envelope[i] - zp.value[i]);
        const double weather = camera.weather_mag[i] >= kMinWeatherMag ? camera.weather_mag[i] : 0.0;
        corrected[i] = zp.value[i] + std::min(weather, own);
    }
    const double sigma = std::max(DifferenceSigma(corrected), kMinSigmaMag);
    const double threshold = std::max(kMinDropMag, kDropSigmas * sigma);
    camera.zero_point_threshold_mag = threshold;

    // First pass over a long window, whose upper percentile stays at the
    // clear level through drops of several weeks; second pass over the
    // baseline window with those drops left out.
    const RollingBaseline first_envelope =
        RollingRobust(camera.days, corrected, kFirstPassDays, kEnvelopeFraction, nullptr, 5, false);
    std::vector<bool> in_drop(n, false);
    for (const Stretch& s :
         FindStretches(camera.days, Deficits(first_envelope.centre, corrected), threshold)) {
        for (int i = s.first; i <= s.last; ++i) in_drop[static_cast<std::size_t>(i)] = true;
    }
    const RollingBaseline envelope =
        RollingRobust(camera.days, corrected, window_days, kEnvelopeFraction, &in_drop);
    camera.zero_point_deficit = Deficits(envelope.centre, corrected);
    zp.centre = envelope.centre;
    zp.spread = envelope.spread;
    zp.z.assign(n, kNoValue);
    for (std::size_t i = 0; i < n; ++i) zp.z[i] = RobustZ(corrected[i], zp.centre[i], zp.spread[i], sigma);

    std::vector<Stretch> stretches = FindStretches(camera.days, camera.zero_point_deficit, threshold);
    // A site-mate's dimming foretells the camera's own to about a tenth (the
    // robust scatter of weather-corrected deficits grows so with the
    // correction), which the onset fit weighs.
    std::vector<double> weather_uncertainty(n, 0.0);
    for (std::size_t i = 0; i < n; ++i)
        weather_uncertainty[i] = kWeatherUncertainty * std::max(0.0, camera.weather_mag[i]);
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const int lower = k > 0 ? stretches[k - 1].last + 1 : 0;
        const int upper = k + 1 < stretches.size() ? stretches[k + 1].first - 1 : static_cast<int>(n) - 1;
        Stretch& s = stretches[k];
        int full_depth = s.first;
        const DropOnset onset =
            FitDropOnset(camera.days, camera.zero_point_deficit, weather_uncertainty,
                         std::max(lower, s.first - kOnsetSearchBefore - 2),
                         std::min(s.last + 1, s.first + kOnsetSearchAfter + 2),
                         std::max(lower, s.first - kOnsetSearchBefore), std::min(s.first + 2, s.last), sigma);
        if (onset.first >= 0) {
            s.first = onset.first;
            full_depth = onset.full;
        }
        PlaceEnd(camera.zero_point_deficit, std::max(full_depth, s.first), upper, s);
        std::vector<double> depth;
        for (int i = std::min(full_depth, s.last); i <= s.last; ++i)
            depth.push_back(camera.zero_point_deficit[static_cast<std::size_t>(i)]);
        const double level = Median(depth);
        if (static_cast<int>(depth.size()) >= kMinRoughnessPoints &&
            DifferenceSigma(depth) > kMaxRoughness * level) {
            continue;
        }

        Finding finding;
        finding.kind = FindingKind::kZeroPointDrop;
        finding.first = s.first;
        finding.last = s.last;
        finding.calibrations = s.last - s.first + 1;
        finding.size = level;
        finding.unit = "mag";
        const double onset_days = camera.days[static_cast<std::size_t>(std::min(full_depth, s.last))] -
                                  (s.first > 0 ? camera.days[static_cast<std::size_t>(s.first - 1)]
                                               : camera.days[static_cast<std::size_t>(s.first)]);
        finding.detail =
            "zero point " + Fixed(finding.size, 2) + " mag below the clear-night level" +
            (onset_days > kGradualDays ? ", reached gradually over " + Fixed(onset_days, 0) + " days"
                                       : ", from one night to the next") +
            (static_cast<std::size_t>(s.last) + 1 < n
                 ? "; recovered at " +
                       IsoTime(camera.calibrations[static_cast<std::size_t>(s.last) + 1].time_ms)
                 : "; not recovered") +
            " (dew, dirt, ageing or gain)";
        camera.findings.push_back(finding);
    }
}

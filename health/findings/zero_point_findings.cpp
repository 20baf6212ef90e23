#include "health/findings/zero_point_findings.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "common/civil_time.h"
#include "common/number_text.h"
#include "health/stats/drop_onset.h"
#include "health/stats/robust_stats.h"
#include "health/stats/rolling_baseline.h"

namespace {

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
                                   double threshold, double min_days) {
    const std::vector<double> smoothed = SmoothedDeficits(deficit);
    std::vector<Stretch> stretches;
    int first = -1;
    int last = -1;
    int count = 0;
    const auto close = [&]() {
        if (first >= 0 && count >= kMinDropCalibrations &&
            days[static_cast<std::size_t>(last)] - days[static_cast<std::size_t>(first)] >= min_days) {
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
    const int from = std::max(lower, stretch.last - 2 * kRecoverySearch);
    const int to = std::min(upper + 1, stretch.last + 2 * kRecoverySearch + 1);
    double best = 1e300;
    int best_end = stretch.last;
    for (int end = std::max(lower, stretch.last - kRecoverySearch);
         end <= std::min(upper, stretch.last + kRecoverySearch); ++end) {
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

// The zero points with the site's shared dimming added back, up to the
// camera's own deficit below its long envelope: weather explains that part
// of the dip. Less than a dip is the site-mates' own scatter, not weather:
// adding it back on clear nights, capped by the camera's own deficit, would
// lift the clear level and flatten the start of a drop.
std::vector<double> WeatherCorrected(const CameraQuantities& camera, const ZeroPointEnvelopes& envelopes,
                                     const std::vector<double>& weather_mag) {
    const std::size_t n = camera.zero_point.size();
    std::vector<double> corrected(n, kNoValue);
    for (std::size_t i = 0; i < n; ++i) {
        const double zp = camera.zero_point[i];
        const double own = std::max(0.0, envelopes.long_envelope[i] - zp);
        const double seen = i < weather_mag.size() ? weather_mag[i] : 0.0;
        const double weather = seen >= kDipMag ? seen : 0.0;
        corrected[i] = zp + std::min(weather, own);
    }
    return corrected;
}

// The baseline of the corrected zero points: a first pass over a long
// window, whose upper percentile stays at the clear level through drops of
// several weeks; a second pass over the baseline window with those drops
// left out.
ZeroPointBaseline DropBaseline(const CameraQuantities& camera, const std::vector<double>& corrected,
                               double sigma, double threshold, double window_days) {
    const std::size_t n = corrected.size();
    const std::vector<double> first_envelope =
        RollingPercentile(camera.days, corrected, {kLongEnvelopeDays, kMinBaselinePoints}, kEnvelopeFraction);
    std::vector<bool> in_drop(n, false);
    for (const Stretch& s :
         FindStretches(camera.days, Deficits(first_envelope, corrected), threshold, kMinDropDays)) {
        for (int i = s.first; i <= s.last; ++i) in_drop[static_cast<std::size_t>(i)] = true;
    }
    RollingBaseline envelope =
        RollingRobust(camera.days, corrected, {window_days, kMinBaselinePoints}, kEnvelopeFraction, &in_drop);
    ZeroPointBaseline baseline;
    baseline.threshold_mag = threshold;
    baseline.deficit = Deficits(envelope.centre, corrected);
    baseline.centre = std::move(envelope.centre);
    baseline.spread = std::move(envelope.spread);
    baseline.z.assign(n, kNoValue);
    for (std::size_t i = 0; i < n; ++i)
        baseline.z[i] = RobustZ(corrected[i], baseline.centre[i], baseline.spread[i], sigma);
    return baseline;
}

// Given the drop's span, its first calibration affected and its first at
// full depth and its level, returns the finding's detail.
std::string DropDetail(const CameraQuantities& camera, const Stretch& s, int onset, int full_depth,
                       double level) {
    const double onset_days = camera.days[static_cast<std::size_t>(std::min(full_depth, s.last))] -
                              (onset > 0 ? camera.days[static_cast<std::size_t>(onset - 1)]
                                         : camera.days[static_cast<std::size_t>(onset)]);
    const bool recovered = static_cast<std::size_t>(s.last) + 1 < camera.calibrations.size();
    return "zero point " + Fixed(level, 2) + " mag below the clear-night level" +
           (onset_days > kGradualDropDays ? ", reached gradually over " + Fixed(onset_days, 0) + " days"
                                          : ", from one night to the next") +
           (recovered ? "; recovered at " +
                            IsoTime(camera.calibrations[static_cast<std::size_t>(s.last) + 1].time_ms)
                      : "; not recovered") +
           " (dew, dirt, ageing or gain)";
}

// Given a stretch whose deficits stay above the threshold, the calibrations
// it may reach back and forth to [lower, upper], the per-calibration
// uncertainty of the weather taken out and the noise sigma, moves the
// stretch's ends to the drop's onset and recovery and returns its finding,
// or nothing when its deficits come and go as weather does.
std::optional<Finding> MeasureDrop(const CameraQuantities& camera, const std::vector<double>& deficit,
                                   const std::vector<double>& weather_uncertainty, Stretch& s, int lower,
                                   int upper, double sigma, double threshold) {
    int full_depth = s.first;
    int onset_first = s.first;
    const DropOnset onset = FitDropOnset(
        camera.days, deficit, weather_uncertainty, std::max(lower, s.first - kOnsetSearchBefore - 2),
        std::min(s.last + 1, s.first + kOnsetSearchAfter + 2), std::max(lower, s.first - kOnsetSearchBefore),
        std::min(s.first + 2, s.last), sigma, threshold);
    if (onset.first >= 0) {
        onset_first = onset.first;
        s.first = std::min(onset.dated, s.last);
        full_depth = onset.full;
    }
    // It lasted from its onset to the end of the stretch above the
    // threshold (the recovery is placed afterwards, and may reach into a
    // spell of weather just after it).
    if (camera.days[static_cast<std::size_t>(s.last)] - camera.days[static_cast<std::size_t>(onset_first)] <
        kMinDropDays)
        return std::nullopt;
    PlaceEnd(deficit, std::max(full_depth, s.first), upper, s);
    std::vector<double> depth;
    for (int i = std::min(full_depth, s.last); i <= s.last; ++i)
        depth.push_back(deficit[static_cast<std::size_t>(i)]);
    const double level = Median(depth);
    if (static_cast<int>(depth.size()) >= kMinRoughnessCalibrations &&
        DifferenceSigma(depth) > kMaxDropRoughness * level) {
        return std::nullopt;
    }
    Finding finding;
    finding.kind = FindingKind::kZeroPointDrop;
    finding.first = s.first;
    finding.last = s.last;
    finding.calibrations = s.last - s.first + 1;
    finding.size = level;
    finding.unit = "mag";
    finding.detail = DropDetail(camera, s, onset_first, full_depth, level);
    return finding;
}

}  // namespace

ZeroPointEnvelopes ZeroPointEnvelopesOf(const CameraQuantities& camera, double window_days) {
    ZeroPointEnvelopes envelopes;
    envelopes.long_envelope = RollingPercentile(camera.days, camera.zero_point,
                                                {kLongEnvelopeDays, kMinBaselinePoints}, kEnvelopeFraction);
    envelopes.site_envelope = RollingPercentile(camera.days, camera.zero_point,
                                                {window_days, kMinBaselinePoints}, kEnvelopeFraction);
    return envelopes;
}

ZeroPointDrops FindZeroPointDrops(const CameraQuantities& camera, const ZeroPointEnvelopes& envelopes,
                                  const std::vector<double>& weather_mag, double window_days) {
    const std::size_t n = camera.zero_point.size();
    const std::vector<double> corrected = WeatherCorrected(camera, envelopes, weather_mag);
    const double sigma = std::max(DifferenceSigma(corrected), kMinZeroPointSigmaMag);
    const double threshold = std::max(kMinDropMag, kDropSigmas * sigma);
    ZeroPointDrops result;
    result.baseline = DropBaseline(camera, corrected, sigma, threshold, window_days);
    const std::vector<double>& deficit = result.baseline.deficit;

    // A site-mate's dimming foretells the camera's own to about a tenth,
    // which the onset fit weighs.
    std::vector<double> weather_uncertainty(n, 0.0);
    for (std::size_t i = 0; i < n && i < weather_mag.size(); ++i)
        weather_uncertainty[i] = kWeatherUncertainty * std::max(0.0, weather_mag[i]);
    // Each stretch may reach back to the end of the one before it as that
    // one was placed.
    std::vector<Stretch> stretches = FindStretches(camera.days, deficit, threshold, kMinDropAboveDays);
    for (std::size_t k = 0; k < stretches.size(); ++k) {
        const int lower = k > 0 ? stretches[k - 1].last + 1 : 0;
        const int upper = k + 1 < stretches.size() ? stretches[k + 1].first - 1 : static_cast<int>(n) - 1;
        if (std::optional<Finding> drop = MeasureDrop(camera, deficit, weather_uncertainty, stretches[k],
                                                      lower, upper, sigma, threshold)) {
            result.drops.push_back(std::move(*drop));
        }
    }
    return result;
}

std::vector<double> DropDepthByCalibration(const std::vector<Finding>& drops, std::size_t calibrations) {
    std::vector<double> depth(calibrations, 0.0);
    for (const Finding& f : drops) {
        for (int i = f.first; i <= f.last; ++i) depth[static_cast<std::size_t>(i)] = f.size;
    }
    return depth;
}

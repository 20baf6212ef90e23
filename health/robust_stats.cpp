#include "health/robust_stats.h"

#include <algorithm>
#include <cmath>

#include "health/calibration.h"

namespace {

void KeepFinite(std::vector<double>& values) {
    values.erase(std::remove_if(values.begin(), values.end(), [](double v) { return !std::isfinite(v); }),
                 values.end());
}

// Percentile of finite values, reordering them.
double PercentileInPlace(std::vector<double>& values, double fraction) {
    if (values.empty()) return kNoValue;
    const double position = std::clamp(fraction, 0.0, 1.0) * static_cast<double>(values.size() - 1);
    const std::size_t below = static_cast<std::size_t>(position);
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(below), values.end());
    const double low = values[below];
    if (below + 1 >= values.size() || position == static_cast<double>(below)) return low;
    const double high =
        *std::min_element(values.begin() + static_cast<std::ptrdiff_t>(below) + 1, values.end());
    return low + (position - static_cast<double>(below)) * (high - low);
}

double MadSigmaInPlace(std::vector<double>& values, double centre) {
    for (double& v : values) v = std::fabs(v - centre);
    return kMadToSigma * PercentileInPlace(values, 0.5);
}

}  // namespace

double Percentile(std::vector<double> values, double fraction) {
    KeepFinite(values);
    return PercentileInPlace(values, fraction);
}

double Median(std::vector<double> values) {
    return Percentile(std::move(values), 0.5);
}

double MadSigma(const std::vector<double>& values, double centre) {
    std::vector<double> finite = values;
    KeepFinite(finite);
    return MadSigmaInPlace(finite, centre);
}

double DifferenceSigma(const std::vector<double>& values) {
    std::vector<double> differences;
    double previous = kNoValue;
    for (double v : values) {
        if (!std::isfinite(v)) continue;
        if (std::isfinite(previous)) differences.push_back(v - previous);
        previous = v;
    }
    if (differences.empty()) return kNoValue;
    const double centre = PercentileInPlace(differences, 0.5);
    return MadSigmaInPlace(differences, centre) / std::sqrt(2.0);
}

RollingBaseline RollingRobust(const std::vector<double>& days, const std::vector<double>& values,
                              double window_days, double fraction, const std::vector<bool>* left_out,
                              int min_points) {
    const std::size_t n = values.size();
    RollingBaseline baseline{std::vector<double>(n, kNoValue), std::vector<double>(n, kNoValue)};
    const auto usable = [&](std::size_t j) {
        return std::isfinite(values[j]) && (left_out == nullptr || !(*left_out)[j]);
    };
    std::vector<double> window;
    std::size_t lo = 0;
    std::size_t hi = 0;  // window is [lo, hi)
    const double half = 0.5 * window_days;
    for (std::size_t i = 0; i < n; ++i) {
        while (lo < n && days[lo] < days[i] - half) ++lo;
        if (hi < lo) hi = lo;
        while (hi < n && days[hi] <= days[i] + half) ++hi;
        window.clear();
        for (std::size_t j = lo; j < hi; ++j) {
            if (usable(j)) window.push_back(values[j]);
        }
        // Too few in the window: take the nearest usable points in order.
        std::size_t left = lo;
        std::size_t right = hi;
        while (window.size() < static_cast<std::size_t>(min_points) && (left > 0 || right < n)) {
            const bool take_left =
                left > 0 && (right >= n || days[i] - days[left - 1] <= days[right] - days[i]);
            const std::size_t j = take_left ? --left : right++;
            if (usable(j)) window.push_back(values[j]);
        }
        if (window.empty()) continue;
        baseline.centre[i] = PercentileInPlace(window, fraction);
        const double median = fraction == 0.5 ? baseline.centre[i] : PercentileInPlace(window, 0.5);
        baseline.spread[i] = MadSigmaInPlace(window, median);
    }
    return baseline;
}

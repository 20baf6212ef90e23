#include "health/stats/rolling_baseline.h"

#include <algorithm>
#include <cmath>

#include "health/stats/no_value.h"
#include "health/stats/robust_stats.h"

namespace {

// Percentile of ascending values (the same interpolation as PercentileInPlace).
double SortedPercentile(const std::vector<double>& sorted, double fraction) {
    const double position = std::clamp(fraction, 0.0, 1.0) * static_cast<double>(sorted.size() - 1);
    const std::size_t below = static_cast<std::size_t>(position);
    if (below + 1 >= sorted.size()) return sorted[below];
    return sorted[below] + (position - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
}

// Given ascending values, returns how many are below x (the place
// std::lower_bound finds) or at most x (std::upper_bound). Counted without
// branches: the windows are short, and a bisection's branches are
// unpredictable there.
std::size_t CountBelow(const std::vector<double>& sorted, double x) {
    std::size_t count = 0;
    for (double v : sorted) count += v < x ? 1 : 0;
    return count;
}

std::size_t CountAtMost(const std::vector<double>& sorted, double x) {
    std::size_t count = 0;
    for (double v : sorted) count += v <= x ? 1 : 0;
    return count;
}

// 1.4826 times the median absolute deviation of ascending values from their
// median. The smallest deviations belong to a run of neighbouring values
// around the median; the run of the wanted length whose farthest member is
// nearest is found by bisection (ties go to the lower values).
double SortedMadSigma(const std::vector<double>& sorted) {
    const double median = SortedPercentile(sorted, 0.5);
    const std::size_t count = sorted.size();
    const double position = 0.5 * static_cast<double>(count - 1);
    const std::size_t wanted = static_cast<std::size_t>(position);  // index among the deviations
    const std::size_t length = wanted + 1;                          // deviations up to the wanted one
    // Deviation of value i: values at or below the median count from below.
    const std::size_t split = CountAtMost(sorted, median);
    const auto deviation = [&](std::size_t i) { return i < split ? median - sorted[i] : sorted[i] - median; };
    // The run [low, low + length): move it up while its lowest value lies
    // farther from the median than the value just above it.
    std::size_t low = split >= length ? split - length : 0;
    std::size_t high = std::min(split, count - length);
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (deviation(middle) > deviation(middle + length)) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    const double at_wanted = std::max(deviation(low), deviation(low + length - 1));
    if (length >= count) return kMadToSigma * at_wanted;
    // The next deviation: the nearer of the values on either side of the run.
    double next = HUGE_VAL;
    if (low > 0) next = deviation(low - 1);
    if (low + length < count) next = std::min(next, deviation(low + length));
    return kMadToSigma * (at_wanted + (position - static_cast<double>(wanted)) * (next - at_wanted));
}

// Given ascending values, removes one value equal to `out` (the first such)
// and inserts `in` after any equal to it, moving only the values between the
// two places: the same order as erasing and then inserting.
void Replace(std::vector<double>& sorted, double out, double in) {
    const std::size_t removed = CountBelow(sorted, out);
    std::size_t place = CountAtMost(sorted, in);
    if (place > removed) --place;  // its place once `out` is gone
    // A few values at most: moved one by one rather than through a call.
    double* const values = sorted.data();
    for (std::size_t k = removed; k < place; ++k) values[k] = values[k + 1];
    for (std::size_t k = removed; k > place; --k) values[k] = values[k - 1];
    values[place] = in;
}

// RollingRobust, the spreads left NaN without with_spread.
RollingBaseline Rolling(const std::vector<double>& days, const std::vector<double>& values,
                        double window_days, double fraction, const std::vector<bool>* left_out,
                        int min_points, bool with_spread) {
    const std::size_t n = values.size();
    RollingBaseline baseline{std::vector<double>(n, kNoValue), std::vector<double>(n, kNoValue), 0};
    const auto usable = [&](std::size_t j) {
        return std::isfinite(values[j]) && (left_out == nullptr || !(*left_out)[j]);
    };
    // The usable points in order, for a window that must reach beyond its
    // width: without it, a series with few usable values would be walked
    // whole for every point.
    std::vector<std::size_t> usable_at;
    for (std::size_t j = 0; j < n; ++j) {
        if (usable(j)) usable_at.push_back(j);
    }
    // The usable values of the window [lo, hi), kept in ascending order as
    // the window slides.
    std::vector<double> sorted;
    std::vector<double> window;
    std::size_t lo = 0;
    std::size_t hi = 0;
    const double half = 0.5 * window_days;
    for (std::size_t i = 0; i < n; ++i) {
        // The usual step: one usable value leaves, one enters.
        if (lo < hi && hi < n && usable(lo) && usable(hi) && days[lo] < days[i] - half &&
            !(lo + 1 < n && days[lo + 1] < days[i] - half) && days[hi] <= days[i] + half &&
            !(hi + 1 < n && days[hi + 1] <= days[i] + half) && lo + 1 <= hi) {
            Replace(sorted, values[lo], values[hi]);
            ++lo;
            ++hi;
            baseline.visits += 2;
        }
        while (lo < n && days[lo] < days[i] - half) {
            if (lo < hi && usable(lo))
                sorted.erase(sorted.begin() + static_cast<std::ptrdiff_t>(CountBelow(sorted, values[lo])));
            ++lo;
            ++baseline.visits;
        }
        if (hi < lo) hi = lo;
        while (hi < n && days[hi] <= days[i] + half) {
            if (usable(hi))
                sorted.insert(sorted.begin() + static_cast<std::ptrdiff_t>(CountAtMost(sorted, values[hi])),
                              values[hi]);
            ++hi;
            ++baseline.visits;
        }
        if (sorted.size() >= static_cast<std::size_t>(min_points)) {
            baseline.centre[i] = SortedPercentile(sorted, fraction);
            if (with_spread) baseline.spread[i] = SortedMadSigma(sorted);
            continue;
        }
        // Too few in the window: take the nearest usable points in order
        // (the nearer in time first, the earlier on a tie).
        window = sorted;
        std::size_t left = static_cast<std::size_t>(std::lower_bound(usable_at.begin(), usable_at.end(), lo) -
                                                    usable_at.begin());
        std::size_t right = static_cast<std::size_t>(
            std::lower_bound(usable_at.begin(), usable_at.end(), hi) - usable_at.begin());
        const std::size_t count = usable_at.size();
        while (window.size() < static_cast<std::size_t>(min_points) && (left > 0 || right < count)) {
            const bool take_left = left > 0 && (right >= count || days[i] - days[usable_at[left - 1]] <=
                                                                      days[usable_at[right]] - days[i]);
            window.push_back(values[take_left ? usable_at[--left] : usable_at[right++]]);
            ++baseline.visits;
        }
        if (window.empty()) continue;
        std::sort(window.begin(), window.end());
        baseline.centre[i] = SortedPercentile(window, fraction);
        if (with_spread) baseline.spread[i] = SortedMadSigma(window);
    }
    return baseline;
}

}  // namespace

RollingBaseline RollingRobust(const std::vector<double>& days, const std::vector<double>& values,
                              const RollingWindow& window, double fraction,
                              const std::vector<bool>* left_out) {
    return Rolling(days, values, window.width_days, fraction, left_out, window.min_points, true);
}

std::vector<double> RollingPercentile(const std::vector<double>& days, const std::vector<double>& values,
                                      const RollingWindow& window, double fraction) {
    return Rolling(days, values, window.width_days, fraction, nullptr, window.min_points, false).centre;
}

#include "health/stats/robust_stats.h"

#include <algorithm>
#include <cmath>

#include "health/stats/no_value.h"

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

// Given finite values (reordered) and a place k below count, returns the
// value that sorting would put at k, with every value after k no smaller.
// Quickselect whose partitions move values without branching on them
// (their order is random, so branches would be mispredicted half the time):
// first the values below the pivot, then those equal to it.
float SelectInPlace(float* values, std::size_t count, std::size_t k) {
    std::size_t lo = 0;
    std::size_t hi = count;
    while (hi - lo > 1) {
        const std::size_t mid = lo + (hi - lo) / 2;
        const float a = values[lo], b = values[mid], c = values[hi - 1];
        const float pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
        std::size_t less = lo;
        for (std::size_t j = lo; j < hi; ++j) {
            const float x = values[j];
            values[j] = values[less];
            values[less] = x;
            less += x < pivot ? 1 : 0;
        }
        if (k < less) {
            hi = less;
            continue;
        }
        std::size_t equal = less;
        for (std::size_t j = less; j < hi; ++j) {
            const float x = values[j];
            values[j] = values[equal];
            values[equal] = x;
            equal += x <= pivot ? 1 : 0;
        }
        if (k < equal) return pivot;
        lo = equal;
    }
    return values[k];
}

double PercentileInPlace(std::vector<float>& values, double fraction) {
    if (values.empty()) return kNoValue;
    const double position = fraction * static_cast<double>(values.size() - 1);
    const std::size_t below = static_cast<std::size_t>(position);
    const double low = SelectInPlace(values.data(), values.size(), below);
    if (below + 1 >= values.size()) return low;
    const double high =
        *std::min_element(values.begin() + static_cast<std::ptrdiff_t>(below) + 1, values.end());
    return low + (position - static_cast<double>(below)) * (high - low);
}

double Median(std::vector<double> values) {
    return Percentile(std::move(values), 0.5);
}

double MedianOfUpToThree(const double* values, int count) {
    if (count <= 0) return kNoValue;
    if (count == 1) return values[0];
    if (count == 2) return 0.5 * (values[0] + values[1]);
    const double low = std::min(values[0], values[1]);
    const double high = std::max(values[0], values[1]);
    return std::max(low, std::min(high, values[2]));
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

double RobustZ(double value, double centre, double spread, double floor) {
    if (!std::isfinite(value) || !std::isfinite(centre)) return kNoValue;
    const double scale = std::isfinite(spread) ? std::max(spread, floor) : floor;
    return scale > 0 ? (value - centre) / scale : kNoValue;
}

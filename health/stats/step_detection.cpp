#include "health/stats/step_detection.h"

#include <algorithm>
#include <cmath>

#include "health/stats/change_points.h"
#include "health/stats/robust_stats.h"

namespace {

// Neighbours on each side whose median an outlier must be far from.
constexpr int kSideMedianPoints = 3;

double Distance(const std::vector<double>& points, int dims, int i, const double* centre) {
    double sum = 0.0;
    for (int d = 0; d < dims; ++d) {
        const double delta = points[static_cast<std::size_t>(i * dims + d)] - centre[d];
        sum += delta * delta;
    }
    return std::sqrt(sum);
}

// Component-wise median of up to three listed points.
void MedianOf(const std::vector<double>& points, int dims, const std::vector<int>& indices, double* centre) {
    for (int d = 0; d < dims; ++d) {
        double values[kSideMedianPoints];
        int count = 0;
        for (int i : indices) values[count++] = points[static_cast<std::size_t>(i * dims + d)];
        centre[d] = MedianOfUpToThree(values, count);
    }
}

}  // namespace

std::vector<bool> FindIsolatedOutliers(const std::vector<double>& points, int dims, double threshold) {
    const int n = static_cast<int>(points.size()) / dims;
    std::vector<bool> outlier(static_cast<std::size_t>(n), false);
    std::vector<int> before;
    std::vector<int> after;
    for (int i = 0; i + 1 < n; ++i) {
        before.clear();
        for (int j = i - 1; j >= 0 && static_cast<int>(before.size()) < kSideMedianPoints; --j) {
            if (!outlier[static_cast<std::size_t>(j)]) before.push_back(j);
        }
        after.clear();
        for (int j = i + 1; j < n && static_cast<int>(after.size()) < kSideMedianPoints; ++j)
            after.push_back(j);
        if (before.empty() && after.size() < 2) continue;
        double centre[2];
        bool far = true;
        if (!before.empty()) {
            MedianOf(points, dims, before, centre);
            far = far && Distance(points, dims, i, centre) > threshold;
            far = far && Distance(points, dims, i, &points[static_cast<std::size_t>(before.front() * dims)]) >
                             threshold;
        }
        MedianOf(points, dims, after, centre);
        far = far && Distance(points, dims, i, centre) > threshold;
        far = far && Distance(points, dims, i, &points[static_cast<std::size_t>((i + 1) * dims)]) > threshold;
        outlier[static_cast<std::size_t>(i)] = far;
    }
    return outlier;
}

std::vector<DetectedStep> DetectSteps(const std::vector<double>& days, const std::vector<double>& points,
                                      int dims, const double sigma[2], const StepSearch& search) {
    const int n = static_cast<int>(points.size()) / dims;
    std::vector<DetectedStep> steps;
    if (n < 2 * search.min_segment_points) return steps;
    // Scaled so that the noise has unit variance on each axis, centred on the
    // median so the prefix sums stay small.
    std::vector<double> scaled(points.size());
    for (int d = 0; d < dims; ++d) {
        std::vector<double> axis;
        for (int i = 0; i < n; ++i) axis.push_back(points[static_cast<std::size_t>(i * dims + d)]);
        const double centre = Median(axis);
        for (int i = 0; i < n; ++i) {
            scaled[static_cast<std::size_t>(i * dims + d)] =
                (points[static_cast<std::size_t>(i * dims + d)] - centre) / sigma[d];
        }
    }
    const double penalty = search.penalty_per_axis_and_log_n * dims * std::log(static_cast<double>(n));
    const std::vector<int> candidates = FindChangePoints(scaled, dims, penalty, search.min_segment_points);
    int left = 0;
    for (std::size_t k = 0; k < candidates.size(); ++k) {
        const int at = candidates[k];
        const int right = k + 1 < candidates.size() ? candidates[k + 1] : n;
        const int begin = std::max(left, at - search.side_points);
        const int end = std::min(right, at + search.side_points);
        const StepSize size = MeasureStep(days, points, dims, begin, at, end);
        double length = 0.0;
        for (int d = 0; d < dims; ++d) length += size.step[d] * size.step[d];
        if (std::sqrt(length) < search.min_step) continue;
        DetectedStep step;
        step.at = at;
        for (int d = 0; d < dims; ++d) step.step[d] = size.step[d];
        steps.push_back(step);
        left = at;
    }
    return steps;
}

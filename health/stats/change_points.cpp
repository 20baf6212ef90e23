#include "health/stats/change_points.h"

#include <cmath>
#include <limits>

namespace {

// Longer series are segmented in overlapping windows of this many points:
// PELT's pruning leaves a series without changes quadratic in its length,
// and a change is decided by the points near it.
constexpr int kWindowPoints = 120;

// Prefix sums of the values and of their squares, for segment costs in O(1).
struct PrefixSums {
    int dims;
    std::vector<double> sum;     // (n + 1) * dims
    std::vector<double> square;  // n + 1: sum of squared norms

    PrefixSums(const std::vector<double>& points, int dims_) : dims(dims_) {
        const std::size_t n = points.size() / static_cast<std::size_t>(dims);
        sum.assign((n + 1) * static_cast<std::size_t>(dims), 0.0);
        square.assign(n + 1, 0.0);
        for (std::size_t i = 0; i < n; ++i) {
            double norm = 0.0;
            for (int d = 0; d < dims; ++d) {
                const double v = points[i * static_cast<std::size_t>(dims) + static_cast<std::size_t>(d)];
                sum[(i + 1) * static_cast<std::size_t>(dims) + static_cast<std::size_t>(d)] =
                    sum[i * static_cast<std::size_t>(dims) + static_cast<std::size_t>(d)] + v;
                norm += v * v;
            }
            square[i + 1] = square[i] + norm;
        }
    }
    // Sum of squared distances from the mean over [begin, end).
    double Cost(int begin, int end) const {
        const double count = end - begin;
        double cost = square[static_cast<std::size_t>(end)] - square[static_cast<std::size_t>(begin)];
        for (int d = 0; d < dims; ++d) {
            const double s = sum[static_cast<std::size_t>(end * dims + d)] -
                             sum[static_cast<std::size_t>(begin * dims + d)];
            cost -= s * s / count;
        }
        return cost > 0.0 ? cost : 0.0;
    }
};

// Exact PELT over the n points from first on.
std::vector<int> ExactChangePoints(const std::vector<double>& all_points, int first, int n, int dims,
                                   double penalty, int min_segment) {
    if (n < 2 * min_segment) return {};
    const std::vector<double> points(all_points.begin() + static_cast<std::ptrdiff_t>(first) * dims,
                                     all_points.begin() + static_cast<std::ptrdiff_t>(first + n) * dims);
    const PrefixSums sums(points, dims);
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    std::vector<double> best(static_cast<std::size_t>(n) + 1, kInfinity);
    std::vector<int> previous(static_cast<std::size_t>(n) + 1, 0);
    best[0] = -penalty;
    std::vector<int> candidates;
    std::vector<double> without_penalty;  // per candidate, for this t
    for (int t = min_segment; t <= n; ++t) {
        const int newest = t - min_segment;
        if (newest == 0 || newest >= min_segment) candidates.push_back(newest);
        without_penalty.resize(candidates.size());
        double best_here = kInfinity;
        int best_start = 0;
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            const int s = candidates[k];
            const double total = best[static_cast<std::size_t>(s)] + sums.Cost(s, t);
            without_penalty[k] = total;
            if (total + penalty < best_here) {
                best_here = total + penalty;
                best_start = s;
            }
        }
        best[static_cast<std::size_t>(t)] = best_here;
        previous[static_cast<std::size_t>(t)] = best_start;
        // Pruning: a start that is already worse than the best with the
        // penalty left out can never become the best later.
        std::size_t kept = 0;
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            if (without_penalty[k] <= best_here) candidates[kept++] = candidates[k];
        }
        candidates.resize(kept);
    }
    std::vector<int> changes;
    for (int t = previous[static_cast<std::size_t>(n)]; t > 0; t = previous[static_cast<std::size_t>(t)]) {
        changes.insert(changes.begin(), first + t);
    }
    return changes;
}

}  // namespace

std::vector<int> FindChangePoints(const std::vector<double>& points, int dims, double penalty,
                                  int min_segment) {
    const int n = static_cast<int>(points.size()) / dims;
    if (min_segment < 1) min_segment = 1;
    if (n <= kWindowPoints) return ExactChangePoints(points, 0, n, dims, penalty, min_segment);
    // Windows overlapping by half; each keeps the changes in its middle half
    // (the first and last window also their outer quarter).
    std::vector<int> changes;
    const int step = kWindowPoints / 2;
    for (int start = 0;; start += step) {
        const int length = std::min(kWindowPoints, n - start);
        const bool first_window = start == 0;
        const bool last_window = start + length == n;
        const int keep_from = first_window ? 0 : start + kWindowPoints / 4;
        const int keep_to = last_window ? n : start + kWindowPoints / 4 + step;
        for (int change : ExactChangePoints(points, start, length, dims, penalty, min_segment)) {
            if (change >= keep_from && change < keep_to) changes.push_back(change);
        }
        if (last_window) break;
    }
    return changes;
}

StepSize MeasureStep(const std::vector<double>& days, const std::vector<double>& points, int dims, int begin,
                     int at, int end) {
    StepSize result;
    const double t0 = days[static_cast<std::size_t>(at)];
    for (int d = 0; d < dims; ++d) {
        // Normal equations of the three parameters a, b, c.
        double n = 0, st = 0, stt = 0, sh = 0, sth = 0, sy = 0, sty = 0, shy = 0;
        double count_before = 0, sum_before = 0, count_after = 0, sum_after = 0;
        for (int i = begin; i < end; ++i) {
            const double t = days[static_cast<std::size_t>(i)] - t0;
            const double h = i >= at ? 1.0 : 0.0;
            const double y = points[static_cast<std::size_t>(i * dims + d)];
            n += 1;
            st += t;
            stt += t * t;
            sh += h;
            sth += t * h;
            sy += y;
            sty += t * y;
            shy += h * y;
            (h > 0 ? count_after : count_before) += 1;
            (h > 0 ? sum_after : sum_before) += y;
        }
        if (count_before == 0 || count_after == 0) continue;
        const double mean_step = sum_after / count_after - sum_before / count_before;
        result.step[d] = mean_step;
        if (count_before < 2 || count_after < 2 || n < 4) continue;
        // Solve [[n st sh][st stt sth][sh sth sh]] (a b c) = (sy sty shy) by Cramer's rule.
        const double m[3][3] = {{n, st, sh}, {st, stt, sth}, {sh, sth, sh}};
        const double r[3] = {sy, sty, shy};
        const auto det3 = [](const double a[3][3]) {
            return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                   a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                   a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
        };
        const double det = det3(m);
        const double scale = n * stt * sh;
        if (!(std::fabs(det) > 1e-9 * std::fabs(scale))) continue;
        double mb[3][3];
        double mc[3][3];
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                mb[row][col] = col == 1 ? r[row] : m[row][col];
                mc[row][col] = col == 2 ? r[row] : m[row][col];
            }
        }
        result.slope[d] = det3(mb) / det;
        result.step[d] = det3(mc) / det;
    }
    return result;
}

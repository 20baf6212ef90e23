// Times FindChangePoints against the windowed search it replaced, kept below
// only as the baseline, on the same series in one run, alternating, as the
// health report calls it: points scaled to unit-variance noise, penalty
// 2 * dims * ln(n), segments of two points or more. Series of 5,000 and
// 80,000 points on one and two axes: noise only, noise with four steps of
// 5 sigma, and noise on a slow drift of 5 sigma over the series.
//
//   build/health/change_points_bench [--runs 5]
//
// Prints, per series, the median time of each search over the runs and the
// number of changes each found.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "health/stats/change_points.h"
#include "tools/split_mix.h"

namespace {

// The windowed search: PELT (with its pruning as it was) in windows of 120
// points overlapping by half, each keeping the changes of its middle half.
constexpr int kWindowPoints = 120;

std::vector<int> WindowSearch(const std::vector<double>& all_points, int first, int n, int dims,
                              double penalty, int min_segment) {
    if (n < 2 * min_segment) return {};
    const std::size_t axes = static_cast<std::size_t>(dims);
    std::vector<double> sum((static_cast<std::size_t>(n) + 1) * axes, 0.0);
    std::vector<double> square(static_cast<std::size_t>(n) + 1, 0.0);
    for (std::size_t i = 0; i < static_cast<std::size_t>(n); ++i) {
        double norm = 0.0;
        for (std::size_t d = 0; d < axes; ++d) {
            const double v = all_points[(static_cast<std::size_t>(first) + i) * axes + d];
            sum[(i + 1) * axes + d] = sum[i * axes + d] + v;
            norm += v * v;
        }
        square[i + 1] = square[i] + norm;
    }
    const auto cost = [&](int begin, int end) {
        double c = square[static_cast<std::size_t>(end)] - square[static_cast<std::size_t>(begin)];
        for (std::size_t d = 0; d < axes; ++d) {
            const double s = sum[static_cast<std::size_t>(end) * axes + d] -
                             sum[static_cast<std::size_t>(begin) * axes + d];
            c -= s * s / (end - begin);
        }
        return c > 0.0 ? c : 0.0;
    };
    std::vector<double> best(static_cast<std::size_t>(n) + 1, std::numeric_limits<double>::infinity());
    std::vector<int> previous(static_cast<std::size_t>(n) + 1, 0);
    best[0] = -penalty;
    std::vector<int> candidates;
    std::vector<double> without_penalty;
    for (int t = min_segment; t <= n; ++t) {
        const int newest = t - min_segment;
        if (newest == 0 || newest >= min_segment) candidates.push_back(newest);
        without_penalty.resize(candidates.size());
        double best_here = std::numeric_limits<double>::infinity();
        int best_start = 0;
        for (std::size_t k = 0; k < candidates.size(); ++k) {
            const double total = best[static_cast<std::size_t>(candidates[k])] + cost(candidates[k], t);
            without_penalty[k] = total;
            if (total + penalty < best_here) {
                best_here = total + penalty;
                best_start = candidates[k];
            }
        }
        best[static_cast<std::size_t>(t)] = best_here;
        previous[static_cast<std::size_t>(t)] = best_start;
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

std::vector<int> WindowedChangePoints(const std::vector<double>& points, int dims, double penalty,
                                      int min_segment) {
    const int n = static_cast<int>(points.size()) / dims;
    if (n <= kWindowPoints) return WindowSearch(points, 0, n, dims, penalty, min_segment);
    std::vector<int> changes;
    const int step = kWindowPoints / 2;
    for (int start = 0;; start += step) {
        const int length = std::min(kWindowPoints, n - start);
        const bool last_window = start + length == n;
        const int keep_from = start == 0 ? 0 : start + kWindowPoints / 4;
        const int keep_to = last_window ? n : start + kWindowPoints / 4 + step;
        for (int change : WindowSearch(points, start, length, dims, penalty, min_segment)) {
            if (change >= keep_from && change < keep_to) changes.push_back(change);
        }
        if (last_window) break;
    }
    return changes;
}

// Unit-variance noise on every axis; with `steps`, the mean of the first
// axis moves by +5 or -5 at `steps` evenly spaced points; with `drift`, it
// rises by 5 over the series.
std::vector<double> Series(int n, int dims, int steps, bool drift) {
    SplitMix64 rng = StreamFor(20240601, static_cast<std::uint64_t>(n * 4 + dims));
    std::vector<double> points;
    for (int i = 0; i < n * dims; ++i) points.push_back(NextGaussian(rng));
    for (int k = 1; k <= steps; ++k) {
        for (int i = n * k / (steps + 1); i < n; ++i)
            points[static_cast<std::size_t>(i * dims)] += k % 2 ? 5.0 : -5.0;
    }
    if (drift) {
        for (int i = 0; i < n; ++i) points[static_cast<std::size_t>(i * dims)] += 5.0 * i / n;
    }
    return points;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr, "usage: %s [--runs N]\n", argv[0]);
            return 2;
        }
    }
    std::printf("%7s %4s %-9s %12s %12s %7s %9s %9s\n", "points", "dims", "series", "windowed ms", "exact ms",
                "ratio", "windowed", "exact");
    for (int n : {5000, 80000}) {
        for (int dims : {2, 1}) {
            for (int kind = 0; kind < 3; ++kind) {
                const std::vector<double> points = Series(n, dims, kind == 1 ? 4 : 0, kind == 2);
                const double penalty = 2.0 * dims * std::log(static_cast<double>(n));
                std::vector<double> windowed_ms, exact_ms;
                std::vector<int> windowed, exact;
                for (int r = 0; r < runs; ++r) {
                    const auto t0 = std::chrono::steady_clock::now();
                    windowed = WindowedChangePoints(points, dims, penalty, 2);
                    const auto t1 = std::chrono::steady_clock::now();
                    exact = FindChangePoints(points, dims, penalty, 2);
                    const auto t2 = std::chrono::steady_clock::now();
                    windowed_ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
                    exact_ms.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
                }
                const double w = Median(windowed_ms), e = Median(exact_ms);
                const char* names[] = {"noise", "4 steps", "drift"};
                std::printf("%7d %4d %-9s %12.2f %12.2f %7.2f %9zu %9zu\n", n, dims, names[kind], w, e, e / w,
                            windowed.size(), exact.size());
            }
        }
    }
    return 0;
}

// Change-point detection, step measurement and isolated outliers on series
// with known answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "health/findings/thresholds.h"
#include "health/stats/change_points.h"
#include "health/stats/step_detection.h"
#include "tools/split_mix.h"

namespace {

// Unit-variance noise from a fixed seed, so every run sees the same series.
std::vector<double> Noise(int n, int dims, std::uint64_t seed) {
    SplitMix64 rng = StreamFor(seed, 0);
    std::vector<double> points;
    for (int i = 0; i < n * dims; ++i) points.push_back(NextGaussian(rng));
    return points;
}

std::vector<double> Days(int n) {
    std::vector<double> days;
    for (int i = 0; i < n; ++i) days.push_back(i);
    return days;
}

struct StepCase {
    int dims;
    std::vector<int> steps;  // indices where the mean steps
    double size;             // in noise sigmas, on the first axis
};

class ChangePointTest : public ::testing::TestWithParam<StepCase> {};

TEST_P(ChangePointTest, FindsEveryStepAtItsIndexAndNothingElse) {
    const StepCase& c = GetParam();
    const int n = 300;
    for (std::uint64_t seed = 1; seed <= 5; ++seed) {
        std::vector<double> points = Noise(n, c.dims, seed);
        for (std::size_t k = 0; k < c.steps.size(); ++k) {
            for (int i = c.steps[k]; i < n; ++i)
                points[static_cast<std::size_t>(i * c.dims)] += (k % 2 ? -1 : 1) * c.size;
        }
        const double penalty = 3.0 * c.dims * std::log(n);
        EXPECT_EQ(FindChangePoints(points, c.dims, penalty, 2), c.steps) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(KnownSteps, ChangePointTest,
                         ::testing::Values(StepCase{1, {}, 0}, StepCase{2, {}, 0}, StepCase{1, {150}, 8},
                                           StepCase{2, {37}, 8}, StepCase{2, {100, 130}, 10},
                                           StepCase{1, {2}, 12}, StepCase{1, {298}, 12}));

TEST(ChangePoints, TooShortForTwoSegmentsGivesNone) {
    EXPECT_TRUE(FindChangePoints({0, 100, 100}, 1, 1.0, 2).empty());
}

// Sum of squared distances from the segment means plus the penalty per
// change, straight from the definition.
double Objective(const std::vector<double>& points, int dims, double penalty,
                 const std::vector<int>& changes) {
    std::vector<int> bounds = {0};
    bounds.insert(bounds.end(), changes.begin(), changes.end());
    bounds.push_back(static_cast<int>(points.size()) / dims);
    double total = penalty * static_cast<double>(changes.size());
    for (std::size_t k = 0; k + 1 < bounds.size(); ++k) {
        for (int d = 0; d < dims; ++d) {
            double mean = 0.0;
            for (int i = bounds[k]; i < bounds[k + 1]; ++i)
                mean += points[static_cast<std::size_t>(i * dims + d)];
            mean /= bounds[k + 1] - bounds[k];
            for (int i = bounds[k]; i < bounds[k + 1]; ++i) {
                const double off = points[static_cast<std::size_t>(i * dims + d)] - mean;
                total += off * off;
            }
        }
    }
    return total;
}

bool Legal(const std::vector<int>& changes, int n, int min_segment) {
    int last = 0;
    for (int at : changes) {
        if (at - last < min_segment) return false;
        last = at;
    }
    return n - last >= min_segment;
}

// Small random series: noise with random steps, small integers (many equal
// costs) or a constant.
std::vector<double> SmallSeries(SplitMix64& rng, int n, int dims) {
    const int kind = UniformInt(rng, 0, 2);
    std::vector<double> points;
    double level[2] = {0.0, 0.0};
    for (int i = 0; i < n; ++i) {
        for (int d = 0; d < dims; ++d) {
            if (UniformInt(rng, 0, 3) == 0) level[d] = UniformIn(rng, -3.0, 3.0);
            points.push_back(kind == 0   ? level[d] + NextGaussian(rng)
                             : kind == 1 ? UniformInt(rng, 0, 2)
                                         : 1.5);
        }
    }
    return points;
}

TEST(ChangePoints, MatchesTheOptimumOfEveryLegalSegmentation) {
    const double penalties[] = {0.01, 0.2, 1.0, 3.0, 10.0, 50.0};
    int unique_compared = 0;
    for (std::uint64_t seed = 1; seed <= 2500; ++seed) {
        SplitMix64 rng = StreamFor(seed, 7);
        const int n = UniformInt(rng, 1, 13);
        const int dims = UniformInt(rng, 1, 2);
        const int min_segment = UniformInt(rng, 1, 4);
        const std::vector<double> points = SmallSeries(rng, n, dims);
        // Every subset of the indices 1 .. n-1 whose segments are long enough.
        std::vector<std::vector<int>> legal;
        for (unsigned mask = 0; mask < (1u << (n - 1)); ++mask) {
            std::vector<int> changes;
            for (int i = 1; i < n; ++i) {
                if (mask & (1u << (i - 1))) changes.push_back(i);
            }
            if (Legal(changes, n, min_segment)) legal.push_back(changes);
        }
        for (double penalty : penalties) {
            double lowest = INFINITY, second = INFINITY;
            std::vector<int> optimum;
            for (const std::vector<int>& changes : legal) {
                const double value = Objective(points, dims, penalty, changes);
                if (value < lowest) {
                    second = lowest;
                    lowest = value;
                    optimum = changes;
                } else {
                    second = std::min(second, value);
                }
            }
            const std::vector<int> found = FindChangePoints(points, dims, penalty, min_segment);
            const std::string where = "seed " + std::to_string(seed) + " penalty " + std::to_string(penalty);
            if (legal.empty()) {
                EXPECT_TRUE(found.empty()) << where;
                continue;
            }
            ASSERT_TRUE(std::is_sorted(found.begin(), found.end()) && Legal(found, n, min_segment)) << where;
            EXPECT_NEAR(Objective(points, dims, penalty, found), lowest, 1e-9 * (1.0 + std::fabs(lowest)))
                << where;
            if (second > lowest + 1e-6) {
                EXPECT_EQ(found, optimum) << where;
                ++unique_compared;
            }
        }
    }
    EXPECT_GT(unique_compared, 5000);  // most cases have one clear optimum
}

// For every end t, the lowest objective of the first t points over every
// legal segmentation, by the recursion over every last change with nothing
// pruned or skipped; `changes` gets the optimum of the whole series.
std::vector<double> ReferenceOptima(const std::vector<double>& points, int dims, double penalty,
                                    int min_segment, std::vector<int>& changes) {
    const int n = static_cast<int>(points.size()) / dims;
    std::vector<double> sum((n + 1) * dims, 0.0), square(n + 1, 0.0);
    for (int i = 0; i < n; ++i) {
        square[i + 1] = square[i];
        for (int d = 0; d < dims; ++d) {
            const double v = points[static_cast<std::size_t>(i * dims + d)];
            sum[(i + 1) * dims + d] = sum[i * dims + d] + v;
            square[i + 1] += v * v;
        }
    }
    std::vector<double> best(n + 1, INFINITY);
    std::vector<int> previous(n + 1, 0);
    best[0] = -penalty;
    for (int t = min_segment; t <= n; ++t) {
        for (int s = 0; s <= t - min_segment; s = s == 0 ? min_segment : s + 1) {
            double cost = square[t] - square[s];
            for (int d = 0; d < dims; ++d) {
                const double part = sum[t * dims + d] - sum[s * dims + d];
                cost -= part * part / (t - s);
            }
            if (best[s] + cost + penalty < best[t]) {
                best[t] = best[s] + cost + penalty;
                previous[t] = s;
            }
        }
    }
    changes.clear();
    for (int t = previous[n]; t > 0; t = previous[t]) changes.insert(changes.begin(), t);
    return best;
}

// Longer series exercise the pruning and the bounds that skip candidates:
// the optimum of the whole series and of its beginnings (every end's best
// is the one later ends build on).
TEST(ChangePoints, LongSeriesAndTheirBeginningsMatchTheSearchWithNothingPruned) {
    for (std::uint64_t seed = 1; seed <= 60; ++seed) {
        SplitMix64 rng = StreamFor(seed, 8);
        const bool longer = seed % 3 == 0;
        const int n = UniformInt(rng, 30, longer ? 1500 : 600);
        const int dims = UniformInt(rng, 1, 2);
        const int min_segment = UniformInt(rng, 1, 4);
        const double penalty = 2.0 * dims * std::log(n) * UniformIn(rng, 0.1, 2.0);
        // Noise with steps of random sizes, a drift and, now and then, a jump
        // far away.
        std::vector<double> points = Noise(n, dims, seed);
        const double drift = UniformIn(rng, -0.02, 0.02);
        double level = 0.0;
        for (int i = 0; i < n; ++i) {
            if (UniformInt(rng, 0, 150) == 0) level += UniformIn(rng, -6.0, 6.0);
            if (UniformInt(rng, 0, 400) == 0) level += 40.0;
            points[static_cast<std::size_t>(i * dims)] += level + drift * i;
        }
        std::vector<int> reference;
        const std::vector<double> optima = ReferenceOptima(points, dims, penalty, min_segment, reference);
        EXPECT_EQ(FindChangePoints(points, dims, penalty, min_segment), reference) << seed;
        for (int t = 2 * min_segment; t <= n; t += longer ? 7 : 1) {
            const std::vector<double> beginning(points.begin(), points.begin() + t * dims);
            const std::vector<int> found = FindChangePoints(beginning, dims, penalty, min_segment);
            ASSERT_TRUE(std::is_sorted(found.begin(), found.end()) && Legal(found, t, min_segment)) << seed;
            const double optimum = optima[static_cast<std::size_t>(t)];
            ASSERT_NEAR(Objective(beginning, dims, penalty, found), optimum,
                        1e-9 * (1.0 + std::fabs(optimum)))
                << "seed " << seed << " end " << t;
        }
    }
}

TEST(ChangePoints, HandCheckedSegmentations) {
    // No change costs 1.2; a change at 2 or 3 costs 7/6 plus the penalty.
    EXPECT_TRUE(FindChangePoints({0, 1, 0, 0, 1}, 1, 0.1, 2).empty());
    EXPECT_EQ(FindChangePoints({0, 1, 0, 0, 1}, 1, 0.1, 1), (std::vector<int>{1, 2, 4}));
    // The minimum length moves the change: alone at 0, or with a 9.
    EXPECT_EQ(FindChangePoints({0, 9, 9, 9}, 1, 1.0, 1), (std::vector<int>{1}));
    EXPECT_EQ(FindChangePoints({0, 9, 9, 9}, 1, 1.0, 2), (std::vector<int>{2}));
    // Two axes: one segment costs 4 * 2.5^2 = 25, two cost nothing.
    const std::vector<double> corner = {0, 0, 0, 0, 3, 4, 3, 4};
    EXPECT_EQ(FindChangePoints(corner, 2, 24.9, 1), (std::vector<int>{2}));
    EXPECT_TRUE(FindChangePoints(corner, 2, 25.1, 1).empty());
    // Exactly 2 * min_segment points can still split.
    EXPECT_EQ(FindChangePoints({0, 0, 0, 7, 7, 7}, 1, 1.0, 3), (std::vector<int>{3}));
}

// What the report's penalty buys, through DetectSteps with no smallest step,
// so that it returns every change the search finds: points scaled by their
// noise sigma, the report's penalty per axis and ln(n) and its shortest
// segment.
const StepSearch kReportsSearch{kChangePenaltyPerAxisAndLogN, kMinSegmentCalibrations, kStepSideCalibrations,
                                0.0};

TEST(ChangePoints, TheReportsPenaltyKeepsNoiseWholeAndFindsTheSmallestPromisedMove) {
    const double sigma[2] = {0.4, 0.7};  // pixels; the promised move is max(3 sigma, 1 pixel)
    for (int dims = 1; dims <= 2; ++dims) {
        for (int n : {500, 2000, 6000}) {
            for (std::uint64_t seed = 1; seed <= 8; ++seed) {
                std::vector<double> points = Noise(n, dims, 100 * seed + static_cast<std::uint64_t>(dims));
                for (std::size_t i = 0; i < points.size(); ++i) points[i] = 5.0 + sigma[i % dims] * points[i];
                EXPECT_TRUE(DetectSteps(Days(n), points, dims, sigma, kReportsSearch).empty())
                    << "dims " << dims << " n " << n << " seed " << seed;
            }
        }
        // A move of 3.5 sigma on the first axis, 30 to 60 points either side:
        // noise puts it two or more points off, or splits it, now and then.
        int at_the_move = 0;
        for (std::uint64_t seed = 1; seed <= 100; ++seed) {
            SplitMix64 rng = StreamFor(seed, 9);
            const int before = UniformInt(rng, 30, 60);
            const int n = before + UniformInt(rng, 30, 60);
            std::vector<double> points = Noise(n, dims, 200 * seed + static_cast<std::uint64_t>(dims));
            for (std::size_t i = 0; i < points.size(); ++i) {
                points[i] *= sigma[i % dims];
                if (i % dims == 0 && static_cast<int>(i) / dims >= before) points[i] += 3.5 * sigma[0];
            }
            const std::vector<DetectedStep> found = DetectSteps(Days(n), points, dims, sigma, kReportsSearch);
            at_the_move += std::any_of(found.begin(), found.end(), [&](const DetectedStep& step) {
                return std::abs(step.at - before) <= 1;
            });
        }
        EXPECT_GE(at_the_move, 95) << "dims " << dims;
    }
}

TEST(MeasureStep, TakesALinearTrendOutOfTheStep) {
    const int n = 40;
    std::vector<double> ramp, stepped;
    for (int i = 0; i < n; ++i) {
        ramp.push_back(0.5 * i);                         // a trend only
        stepped.push_back(0.5 * i + (i >= 20 ? 7 : 0));  // the same trend and a step of 7
    }
    const std::vector<double> days = Days(n);
    EXPECT_NEAR(MeasureStep(days, ramp, 1, 0, 20, n).step[0], 0.0, 1e-9);
    EXPECT_NEAR(MeasureStep(days, ramp, 1, 0, 20, n).slope[0], 0.5, 1e-9);
    EXPECT_NEAR(MeasureStep(days, stepped, 1, 0, 20, n).step[0], 7.0, 1e-9);
    // One point after the step: no slope can be fitted, the means differ by 7 + 0.5 * 20 - 0.5 * 9.5.
    EXPECT_NEAR(MeasureStep(days, stepped, 1, 0, 20, 21).step[0], 7.0 + 10.0 - 4.75, 1e-9);
}

TEST(IsolatedOutliers, OneOffPointIsAnOutlierAndTheStartOfANewLevelIsNot) {
    // Level 0, an outlier at 10, a two-point excursion at 20..21, a step at 30.
    std::vector<double> series(40, 0.0);
    series[10] = 50;
    series[20] = series[21] = 50;
    for (int i = 30; i < 40; ++i) series[static_cast<std::size_t>(i)] = 80;
    series[35] = 20;  // outlier after the step, far from both levels
    const std::vector<bool> outlier = FindIsolatedOutliers(series, 1, 10.0);
    for (int i = 0; i < 40; ++i) EXPECT_EQ(outlier[static_cast<std::size_t>(i)], i == 10 || i == 35) << i;
}

TEST(IsolatedOutliers, TwoAdjacentOutliersInDifferentDirectionsAreBothFound) {
    std::vector<double> series(20, 0.0);
    series[8] = 40;
    series[9] = -40;
    const std::vector<bool> outlier = FindIsolatedOutliers(series, 1, 10.0);
    EXPECT_TRUE(outlier[8]);
    EXPECT_TRUE(outlier[9]);
    EXPECT_EQ(std::count(outlier.begin(), outlier.end(), true), 2);
}

TEST(IsolatedOutliers, TheLastPointIsNeverJudged) {
    std::vector<double> series(10, 0.0);
    series[9] = 100;
    EXPECT_FALSE(FindIsolatedOutliers(series, 1, 10.0)[9]);
}

TEST(DetectSteps, AStepIsKeptAndASlowCreepOfTheSameTotalIsNot) {
    const int n = 200;
    const double sigma[2] = {1.0, 1.0};
    std::vector<double> step = Noise(n, 2, 9);
    std::vector<double> creep = Noise(n, 2, 9);
    for (int i = 0; i < n; ++i) {
        if (i >= 120) step[static_cast<std::size_t>(2 * i + 1)] += 12.0;
        creep[static_cast<std::size_t>(2 * i + 1)] += 12.0 * i / n;
    }
    const StepSearch search{2.0, 2, 20, 5.0};
    const std::vector<DetectedStep> found = DetectSteps(Days(n), step, 2, sigma, search);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].at, 120);
    EXPECT_NEAR(found[0].step[1], 12.0, 1.0);
    EXPECT_NEAR(found[0].step[0], 0.0, 1.0);
    EXPECT_TRUE(DetectSteps(Days(n), creep, 2, sigma, search).empty());
}

}  // namespace

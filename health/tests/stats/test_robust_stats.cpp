// Robust statistics on series with known answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "health/stats/no_value.h"
#include "health/stats/robust_stats.h"
#include "health/stats/rolling_baseline.h"
#include "tools/split_mix.h"

namespace {

struct PercentileCase {
    std::vector<double> values;
    double fraction;
    double expected;
};

class PercentileTest : public ::testing::TestWithParam<PercentileCase> {};

TEST_P(PercentileTest, InterpolatesBetweenOrderStatisticsAndSkipsMissingValues) {
    EXPECT_DOUBLE_EQ(Percentile(GetParam().values, GetParam().fraction), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(KnownAnswers, PercentileTest,
                         ::testing::Values(PercentileCase{{3, 1, 2}, 0.5, 2},
                                           PercentileCase{{4, 1, 3, 2}, 0.5, 2.5},
                                           PercentileCase{{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}, 0.9, 10},
                                           PercentileCase{{10, 20}, 0.25, 12.5}, PercentileCase{{5}, 0.9, 5},
                                           PercentileCase{{NAN, 7, NAN, 1}, 0.5, 4},
                                           PercentileCase{{2, 9, 4}, 0.0, 2},
                                           PercentileCase{{2, 9, 4}, 1.0, 9}));

TEST(RobustStats, NothingFiniteGivesNoValue) {
    EXPECT_TRUE(std::isnan(Median({})));
    EXPECT_TRUE(std::isnan(Median({NAN, INFINITY})));
    EXPECT_TRUE(std::isnan(DifferenceSigma({1.0})));
}

TEST(RobustStats, MadSigmaIgnoresAnOutlier) {
    // Deviations from 10: 1, 1, 0, 1, 1, 90 -> median 1.
    EXPECT_DOUBLE_EQ(MadSigma({9, 11, 10, 9, 11, 100}, 10.0), kMadToSigma * 1.0);
}

TEST(RobustStats, DifferenceSigmaIsBlindToAStepAndATrend) {
    // Unit normal noise; a step of 50 and a trend of 10 over the series
    // change one difference and shift the rest a little.
    SplitMix64 rng = StreamFor(17, 0);
    std::vector<double> noise, stepped;
    for (int i = 0; i < 2000; ++i) {
        noise.push_back(NextGaussian(rng));
        stepped.push_back(noise.back() + (i >= 1000 ? 50.0 : 0.0) + 0.005 * i);
    }
    EXPECT_NEAR(DifferenceSigma(noise), 1.0, 0.06);
    EXPECT_NEAR(DifferenceSigma(stepped), DifferenceSigma(noise), 0.02);
}

TEST(RollingRobust, MedianAndEnvelopeFollowTheWindow) {
    // Daily values 0..99: the 10-day window around day 50 holds days 45..55.
    std::vector<double> days, values;
    for (int d = 0; d < 100; ++d) {
        days.push_back(d);
        values.push_back(d);
    }
    const RollingBaseline median = RollingRobust(days, values, {10.0, 5}, 0.5);
    const RollingBaseline envelope = RollingRobust(days, values, {10.0, 5}, 0.9);
    EXPECT_DOUBLE_EQ(median.centre[50], 50.0);
    EXPECT_DOUBLE_EQ(envelope.centre[50], 54.0);
    EXPECT_DOUBLE_EQ(median.spread[50], kMadToSigma * 3.0);  // deviations 0..5, each twice but 0
    EXPECT_DOUBLE_EQ(median.centre[0], 2.5);                 // days 0..5 at the start
}

TEST(RollingRobust, LeftOutPointsAndGapsWidenToTheNearestUsablePoints) {
    // Ten points at day 0..9 and five at day 100..104; the latter are left out.
    std::vector<double> days, values;
    for (int d = 0; d < 10; ++d) days.push_back(d), values.push_back(1.0);
    for (int d = 100; d < 105; ++d) days.push_back(d), values.push_back(99.0);
    std::vector<bool> left_out(values.size(), false);
    for (std::size_t i = 10; i < values.size(); ++i) left_out[i] = true;
    const RollingBaseline baseline = RollingRobust(days, values, {30.0, 5}, 0.5, &left_out);
    EXPECT_DOUBLE_EQ(baseline.centre[12], 1.0);  // nothing usable within 15 days: the nearest five
    EXPECT_DOUBLE_EQ(baseline.spread[12], 0.0);
}

// Median and scaled MAD of the usable values of one window, the plain way:
// sort the values, then the deviations.
std::pair<double, double> PlainWindow(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto at = [](const std::vector<double>& sorted, double f) {
        const double position = f * static_cast<double>(sorted.size() - 1);
        const std::size_t below = static_cast<std::size_t>(position);
        if (below + 1 >= sorted.size()) return sorted[below];
        return sorted[below] + (position - static_cast<double>(below)) * (sorted[below + 1] - sorted[below]);
    };
    const double median = at(values, 0.5);
    std::vector<double> deviations;
    for (double v : values) deviations.push_back(std::fabs(v - median));
    std::sort(deviations.begin(), deviations.end());
    return {at(values, fraction), kMadToSigma * at(deviations, 0.5)};
}

TEST(RollingRobust, EveryWindowIsItsPlainMedianAndMad) {
    // Uneven times with gaps and several points a day, values on a coarse
    // grid (many ties), missing and left-out points; windows of 3 to 90 days.
    SplitMix64 rng = StreamFor(5, 2);
    for (int trial = 0; trial < 40; ++trial) {
        std::vector<double> days, values;
        std::vector<bool> left_out;
        double t = 0.0;
        for (int i = 0; i < 400; ++i) {
            t += NextUnit(rng) < 0.1 ? UniformIn(rng, 2.0, 6.0) : UniformIn(rng, 0.05, 1.2);
            days.push_back(t);
            values.push_back(NextUnit(rng) < 0.05 ? kNoValue
                                                  : std::round(UniformIn(rng, -5.0, 5.0) * 4.0) / 4.0);
            left_out.push_back(NextUnit(rng) < 0.1);
        }
        const double window = UniformIn(rng, 3.0, 90.0);
        const double fraction = trial % 2 == 0 ? 0.5 : 0.9;
        const RollingBaseline rolling = RollingRobust(days, values, {window, 5}, fraction, &left_out);
        for (std::size_t i = 0; i < days.size(); ++i) {
            std::vector<double> in_window;
            for (std::size_t j = 0; j < days.size(); ++j) {
                if (std::fabs(days[j] - days[i]) <= 0.5 * window && std::isfinite(values[j]) &&
                    !left_out[j] && days[j] >= days[i] - 0.5 * window)
                    in_window.push_back(values[j]);
            }
            if (in_window.size() < 5) continue;  // widened to the nearest points instead
            const auto [centre, spread] = PlainWindow(in_window, fraction);
            ASSERT_EQ(rolling.centre[i], centre) << trial << " " << i;
            ASSERT_EQ(rolling.spread[i], spread) << trial << " " << i;
        }
    }
}

// The plain way to widen a window that holds too few usable points: walk
// outwards point by point from its edges, nearer in time first, earlier on
// a tie, keeping the usable ones.
std::vector<double> PlainWidenedWindow(const std::vector<double>& days, const std::vector<double>& values,
                                       std::size_t i, double window, int min_points) {
    std::vector<double> kept;
    std::size_t left = 0;
    while (left < days.size() && days[left] < days[i] - 0.5 * window) ++left;
    std::size_t right = left;
    while (right < days.size() && days[right] <= days[i] + 0.5 * window) {
        if (std::isfinite(values[right])) kept.push_back(values[right]);
        ++right;
    }
    while (kept.size() < static_cast<std::size_t>(min_points) && (left > 0 || right < days.size())) {
        const bool take_left =
            left > 0 && (right >= days.size() || days[i] - days[left - 1] <= days[right] - days[i]);
        const std::size_t j = take_left ? --left : right++;
        if (std::isfinite(values[j])) kept.push_back(values[j]);
    }
    return kept;
}

TEST(RollingRobust, SparseWindowsWidenToTheNearestUsablePointsInLinearTime) {
    // Mostly missing values: every window must reach beyond its width.
    SplitMix64 rng = StreamFor(6, 4);
    for (int trial = 0; trial < 30; ++trial) {
        std::vector<double> days, values;
        double t = 0.0;
        for (int i = 0; i < 300; ++i) {
            t += UniformIn(rng, 0.2, 2.0);
            days.push_back(t);
            values.push_back(NextUnit(rng) < 0.03 ? std::round(UniformIn(rng, 0.0, 8.0)) : kNoValue);
        }
        const RollingBaseline rolling = RollingRobust(days, values, {10.0, 5}, trial % 2 ? 0.9 : 0.5);
        for (std::size_t i = 0; i < days.size(); ++i) {
            const std::vector<double> kept = PlainWidenedWindow(days, values, i, 10.0, 5);
            if (kept.empty()) {
                ASSERT_TRUE(std::isnan(rolling.centre[i])) << trial << " " << i;
                continue;
            }
            ASSERT_EQ(rolling.centre[i], PlainWindow(kept, trial % 2 ? 0.9 : 0.5).first) << trial << " " << i;
        }
    }
    // 80,000 points without a single usable value, and with one in a
    // thousand: the windows step over each point a bounded number of times.
    for (int every : {0, 1000}) {
        const std::size_t n = 80000;
        std::vector<double> days(n), values(n, kNoValue);
        for (std::size_t i = 0; i < n; ++i) {
            days[i] = 0.3 * static_cast<double>(i);
            if (every > 0 && i % static_cast<std::size_t>(every) == 0) values[i] = 1.0;
        }
        const RollingBaseline rolling = RollingRobust(days, values, {30.0, 5}, 0.5);
        EXPECT_LE(rolling.visits, (2 + 5) * n) << every;
        EXPECT_EQ(std::isnan(rolling.centre[n / 2]), every == 0);
    }
}

TEST(RobustStats, StarPercentilesAreTheSortedValuesInterpolated) {
    // Few and many values, ties, both roads (a handful above the place or
    // half of them), checked against sorting.
    SplitMix64 rng = StreamFor(8, 3);
    for (int trial = 0; trial < 3000; ++trial) {
        std::vector<float> values(static_cast<std::size_t>(UniformInt(rng, 1, 300)));
        for (float& v : values) v = static_cast<float>(std::round(UniformIn(rng, 0.0, 6.0) * 20.0) / 20.0);
        const double fraction = trial % 3 == 0 ? 0.5 : trial % 3 == 1 ? 0.9 : NextUnit(rng);
        std::vector<float> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        const double position = fraction * static_cast<double>(sorted.size() - 1);
        const std::size_t below = static_cast<std::size_t>(position);
        const double expected = below + 1 >= sorted.size()
                                    ? static_cast<double>(sorted[below])
                                    : sorted[below] + (position - static_cast<double>(below)) *
                                                          (static_cast<double>(sorted[below + 1]) -
                                                           static_cast<double>(sorted[below]));
        ASSERT_EQ(PercentileInPlace(values, fraction), expected) << trial;
    }
    std::vector<float> none;
    EXPECT_TRUE(std::isnan(PercentileInPlace(none, 0.9)));
}

}  // namespace

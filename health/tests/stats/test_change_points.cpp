// Change-point detection, step measurement and isolated outliers on series
// with known answers.
#include <gtest/gtest.h>

#include <cmath>

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

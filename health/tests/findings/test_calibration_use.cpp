// Which calibration to use when: epochs, usability and the intervals that
// tile a camera's span.
#include <gtest/gtest.h>

#include <algorithm>

#include "health/findings/calibration_use.h"
#include "tools/split_mix.h"

namespace {

constexpr std::int64_t kHourMs = 3600000;

CameraQuantities CameraAt(const std::vector<std::int64_t>& times_ms) {
    CameraQuantities camera;
    for (std::int64_t t : times_ms) {
        Calibration c;
        c.time_ms = t;
        c.star_count = 50;
        camera.calibrations.push_back(c);
    }
    return camera;
}

Finding Covering(FindingKind kind, int first, int last) {
    Finding f;
    f.kind = kind;
    f.first = first;
    f.last = last;
    return f;
}

TEST(CalibrationUse, ASmallCameraWithAMoveAnOutlierAndADrop) {
    // Ten calibrations a day apart; moved at 5; calibration 2 points
    // elsewhere; a zero-point drop over 6 and 7.
    std::vector<std::int64_t> times;
    for (int i = 0; i < 10; ++i) times.push_back(i * 24 * kHourMs);
    const CameraQuantities camera = CameraAt(times);
    const std::vector<Finding> findings = {Covering(FindingKind::kPointingOutlier, 2, 2),
                                           Covering(FindingKind::kMoved, 5, 9),
                                           Covering(FindingKind::kZeroPointDrop, 6, 7)};
    const CalibrationUse use = JudgeCalibrationUse(camera, findings);
    EXPECT_EQ(use.epoch_start, (std::vector<int>{0, 5}));
    EXPECT_EQ(use.astrometry,
              (std::vector<bool>{true, true, false, true, true, true, true, true, true, true}));
    EXPECT_EQ(use.photometry,
              (std::vector<bool>{true, true, false, true, true, true, false, false, true, true}));
    EXPECT_EQ(LastGoodCalibration(use), 9);

    const std::vector<UseInterval> intervals = UseIntervals(camera, use);
    struct Expected {
        double from_day, to_day;
        int calibration, epoch;
    };
    const Expected expected[] = {{0, 0.5, 0, 0},   {0.5, 2, 1, 0},   {2, 3.5, 3, 0},
                                 {3.5, 5, 4, 0},   {5, 5.5, 5, 1},   {5.5, 6.5, 6, 1},
                                 {6.5, 7.5, 7, 1}, {7.5, 8.5, 8, 1}, {8.5, 9, 9, 1}};
    ASSERT_EQ(intervals.size(), std::size(expected));
    for (std::size_t k = 0; k < intervals.size(); ++k) {
        EXPECT_EQ(intervals[k].from_ms, static_cast<std::int64_t>(expected[k].from_day * 24 * kHourMs)) << k;
        EXPECT_EQ(intervals[k].to_ms, static_cast<std::int64_t>(expected[k].to_day * 24 * kHourMs)) << k;
        EXPECT_EQ(intervals[k].calibration, expected[k].calibration) << k;
        EXPECT_EQ(intervals[k].epoch, expected[k].epoch) << k;
    }
}

TEST(CalibrationUse, AnEpochWithoutAUsableCalibrationIsOneIntervalNamingNone) {
    const CameraQuantities camera = CameraAt({0, 10 * kHourMs, 20 * kHourMs, 30 * kHourMs});
    const std::vector<Finding> findings = {Covering(FindingKind::kScaleChange, 2, 3),
                                           Covering(FindingKind::kPoorFit, 2, 2),
                                           Covering(FindingKind::kFewStars, 3, 3)};
    const CalibrationUse use = JudgeCalibrationUse(camera, findings);
    EXPECT_EQ(LastGoodCalibration(use), -1);  // none at the camera's present pointing
    const std::vector<UseInterval> intervals = UseIntervals(camera, use);
    ASSERT_EQ(intervals.size(), 3u);
    EXPECT_EQ(intervals[2].calibration, -1);
    EXPECT_EQ(intervals[2].from_ms, 20 * kHourMs);
    EXPECT_EQ(intervals[2].to_ms, 30 * kHourMs);
}

TEST(CalibrationUse, IntervalsTileTheSpanAndNameTheNearestUsableCalibrationOfTheirEpoch) {
    SplitMix64 rng = StreamFor(21, 0);
    for (int trial = 0; trial < 300; ++trial) {
        const int n = UniformInt(rng, 1, 40);
        std::vector<std::int64_t> times;
        std::int64_t t = UniformInt(rng, 0, 1000);
        for (int i = 0; i < n; ++i) {
            times.push_back(t);
            t += UniformInt(rng, 1, 3 * 24) * kHourMs + UniformInt(rng, 0, 1);  // odd gaps too
        }
        const CameraQuantities camera = CameraAt(times);
        std::vector<Finding> findings;
        for (int k = 0; k < n / 3; ++k) {
            const int at = UniformInt(rng, 0, n - 1);
            const FindingKind kinds[] = {FindingKind::kMoved, FindingKind::kPointingOutlier,
                                         FindingKind::kPoorFit, FindingKind::kFewStars,
                                         FindingKind::kZeroPointDrop};
            findings.push_back(
                Covering(kinds[UniformInt(rng, 0, 4)], at, std::min(n - 1, at + UniformInt(rng, 0, 3))));
        }
        const CalibrationUse use = JudgeCalibrationUse(camera, findings);
        const std::vector<UseInterval> intervals = UseIntervals(camera, use);
        ASSERT_FALSE(intervals.empty());
        EXPECT_EQ(intervals.front().from_ms, times.front()) << trial;
        EXPECT_EQ(intervals.back().to_ms, times.back()) << trial;
        const auto epoch_of = [&](int i) {
            return static_cast<int>(std::upper_bound(use.epoch_start.begin(), use.epoch_start.end(), i) -
                                    use.epoch_start.begin()) -
                   1;
        };
        for (std::size_t k = 0; k < intervals.size(); ++k) {
            const UseInterval& in = intervals[k];
            ASSERT_LE(in.from_ms, in.to_ms) << trial;
            if (k + 1 < intervals.size()) {
                ASSERT_EQ(in.to_ms, intervals[k + 1].from_ms) << trial << " " << k;
            }
            if (in.calibration < 0) continue;
            ASSERT_TRUE(use.astrometry[static_cast<std::size_t>(in.calibration)]);
            ASSERT_EQ(epoch_of(in.calibration), in.epoch);
            // At both ends, no usable calibration of the epoch is nearer.
            for (std::int64_t moment : {in.from_ms, std::max(in.from_ms, in.to_ms - 1)}) {
                const std::int64_t own = std::llabs(moment - times[static_cast<std::size_t>(in.calibration)]);
                for (int i = 0; i < n; ++i) {
                    if (!use.astrometry[static_cast<std::size_t>(i)] || epoch_of(i) != in.epoch) continue;
                    ASSERT_LE(own, std::llabs(moment - times[static_cast<std::size_t>(i)]))
                        << trial << " interval " << k << " calibration " << i;
                }
            }
        }
    }
}

}  // namespace

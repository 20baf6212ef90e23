// Findings, status and last good calibration of cameras built calibration by
// calibration, with known events.
#include <gtest/gtest.h>

#include <cmath>

#include "health/findings/health_report.h"
#include "health/findings/network_clock.h"
#include "health/findings/quantities.h"
#include "health/findings/zero_point_findings.h"
#include "tools/split_mix.h"

namespace {

constexpr std::int64_t kDayMs = 86400000;
constexpr std::int64_t kStartMs = 1388534400000;  // 2014-01-01
constexpr double kArcminPerDegree = 60.0;

// A camera calibrated every night at 2 arcmin/pixel, pointing at azimuth
// 359.99 (so noise wraps it across 0), with small noise on everything.
struct Night {
    double east_arcmin = 0, north_arcmin = 0, scale_factor = 1, oc_sigma = 0.4, zero_point_loss = 0;
    int stars = 80;
};

CameraTables MakeTables(const std::vector<Night>& nights, double standard_unit_arcmin, std::uint64_t seed) {
    SplitMix64 rng = StreamFor(seed, 1);
    CameraTables tables;
    tables.camera = 42;
    const double elevation = 40.0;
    for (std::size_t i = 0; i < nights.size(); ++i) {
        const Night& n = nights[i];
        Calibration c;
        c.time_ms = kStartMs + static_cast<std::int64_t>(i) * kDayMs + 3600000;
        const double east = n.east_arcmin + 0.3 * NextGaussian(rng);
        c.azimuth_deg = std::fmod(
            359.99 + east / std::cos(elevation * 0.017453292519943295) / kArcminPerDegree + 360.0, 360.0);
        c.elevation_deg = elevation + (n.north_arcmin + 0.3 * NextGaussian(rng)) / kArcminPerDegree;
        c.tilt_deg = 1.5 + 0.001 * NextGaussian(rng);
        const double scale = 2.0 * n.scale_factor * (1 + 0.0003 * NextGaussian(rng)) / standard_unit_arcmin;
        c.table_arcmin_per_pixel = 2.0 * n.scale_factor;
        c.x1 = scale * std::cos(0.3);
        c.x2 = -scale * std::sin(0.3);
        c.y1 = scale * std::sin(0.3);
        c.y2 = scale * std::cos(0.3);
        c.star_count = n.stars;
        c.oc_mean_arcmin = 0.5;
        c.oc_sigma_arcmin = n.oc_sigma * (1 + 0.05 * NextGaussian(rng));
        c.magfit_slope = 1.0;
        c.mean_log_inten = 5.0;
        c.median_log_inten = 5.0;
        c.mean_mv = 4.5 - n.zero_point_loss + 0.03 * NextGaussian(rng);
        c.faint_limit_mag = 5.5 - n.zero_point_loss;
        c.magfit_form_vote = 1;
        tables.calibrations.push_back(c);
    }
    return tables;
}

// A camera alone (no site-mates, so no weather) through every stage, with
// its newest calibration `idle_days` before the folder's newest.
CameraAnalysis AnalyseTables(CameraTables tables, double idle_days = 0.0,
                             const HealthSettings& settings = {}) {
    CameraAnalysis camera;
    camera.quantities = DeriveQuantities(std::move(tables), settings);
    camera.envelopes = ZeroPointEnvelopesOf(camera.quantities, settings.window_days);
    ZeroPointDrops drops = FindZeroPointDrops(camera.quantities, camera.envelopes, {}, settings.window_days);
    camera.zero_point = std::move(drops.baseline);
    camera.findings = std::move(drops.drops);
    const std::int64_t newest = camera.quantities.calibrations.back().time_ms;
    FindCameraFindings(camera, newest + static_cast<std::int64_t>(idle_days * kDayMs), false, settings);
    return camera;
}

CameraAnalysis Analyse(const std::vector<Night>& nights, double unit = 60.0, std::uint64_t seed = 3) {
    return AnalyseTables(MakeTables(nights, unit, seed));
}

std::vector<const Finding*> Of(const CameraAnalysis& camera, FindingKind kind) {
    std::vector<const Finding*> found;
    for (const Finding& f : camera.findings) {
        if (f.kind == kind) found.push_back(&f);
    }
    return found;
}

TEST(Quantities, AzimuthWrapsAndTheStandardUnitIsFoundFromTheScaleColumn) {
    for (double unit : {1.0 / 60.0, 1.0, 60.0, 10800.0 / 3.141592653589793}) {
        const CameraAnalysis camera = Analyse(std::vector<Night>(60), unit);
        EXPECT_DOUBLE_EQ(camera.quantities.arcmin_per_standard_unit, unit);
        EXPECT_NEAR(camera.quantities.pixel_arcmin, 2.0, 0.01);
        EXPECT_NEAR(camera.quantities.aspect.value[5], 1.0, 1e-9);
        EXPECT_NEAR(camera.quantities.skew.value[5], 0.0, 1e-9);
        for (double offset : camera.quantities.offset.value)
            EXPECT_LT(offset, 2.0);  // never 360 degrees away
        EXPECT_TRUE(camera.findings.empty()) << KindName(camera.findings.front().kind);
        EXPECT_EQ(camera.assessment.status, CameraStatus::kOk);
        EXPECT_EQ(camera.assessment.last_good, 59);
    }
}

TEST(Quantities, ZeroPointIsTheFitAtThePivotInEitherForm) {
    std::vector<Night> nights(40);
    CameraTables tables = MakeTables(nights, 60.0, 5);
    // Mv = icept - 2.5 slope L (votes +1) against Mv = icept + slope L (votes -1),
    // stars centred at L = 4 while the camera's median is 5.
    for (int form : {1, -1}) {
        for (Calibration& c : tables.calibrations) {
            c.magfit_form_vote = form;
            c.magfit_slope = form > 0 ? 1.0 : -2.5;
            c.mean_log_inten = 4.0;
            c.mean_mv = 7.0;
        }
        tables.calibrations[0].median_log_inten = 5.0;
        CameraTables copy = tables;
        const CameraQuantities camera = DeriveQuantities(std::move(copy), HealthSettings{});
        EXPECT_EQ(camera.magfit_pogson, form > 0);
        EXPECT_DOUBLE_EQ(camera.zero_point[3], 4.5);  // 7 - 2.5 * (5 - 4)
    }
}

TEST(Findings, AMoveAnOutlierAndAPoorFitAreEachFoundOnceAndDatedExactly) {
    std::vector<Night> nights(160);
    for (std::size_t i = 90; i < nights.size(); ++i) nights[i].east_arcmin = 25.0;  // knocked at 90
    nights[50].north_arcmin = -30.0;                                                // one bad calibration
    nights[120].oc_sigma = 2.0;                                                     // one poor fit
    const CameraAnalysis camera = Analyse(nights);
    ASSERT_EQ(Of(camera, FindingKind::kMoved).size(), 1u);
    EXPECT_EQ(Of(camera, FindingKind::kMoved)[0]->first, 90);
    EXPECT_EQ(Of(camera, FindingKind::kMoved)[0]->last, 159);
    EXPECT_NEAR(Of(camera, FindingKind::kMoved)[0]->size, 25.0, 0.5);
    ASSERT_EQ(Of(camera, FindingKind::kPointingOutlier).size(), 1u);
    EXPECT_EQ(Of(camera, FindingKind::kPointingOutlier)[0]->first, 50);
    ASSERT_EQ(Of(camera, FindingKind::kPoorFit).size(), 1u);
    EXPECT_EQ(Of(camera, FindingKind::kPoorFit)[0]->first, 120);
    EXPECT_EQ(camera.findings.size(), 3u);
    // The move is older than the window: history, so the camera is OK.
    EXPECT_EQ(camera.assessment.status, CameraStatus::kOk);
    EXPECT_EQ(camera.assessment.last_good, 159);
}

TEST(Findings, ARecentMoveNeedsActionAndTheLastGoodCalibrationIsAfterIt) {
    std::vector<Night> nights(120);
    for (std::size_t i = 114; i < nights.size(); ++i) nights[i].north_arcmin = 15.0;
    nights[119].oc_sigma = 2.0;  // and the newest calibration is a poor fit
    const CameraAnalysis camera = Analyse(nights);
    ASSERT_EQ(Of(camera, FindingKind::kMoved).size(), 1u);
    EXPECT_EQ(Of(camera, FindingKind::kMoved)[0]->first, 114);
    EXPECT_EQ(camera.assessment.status, CameraStatus::kAction);
    EXPECT_EQ(camera.assessment.last_good, 118);
    EXPECT_EQ(camera.assessment.reasons.size(), 2u);
}

TEST(Findings, TheStatusFollowsTheRecentDaysNotTheBaselineWindow) {
    // A move 19 days before the newest calibration.
    std::vector<Night> nights(120);
    for (std::size_t i = 100; i < nights.size(); ++i) nights[i].north_arcmin = 15.0;
    for (double window : {10.0, 30.0, 60.0}) {
        for (double recent : {7.0, 30.0}) {
            HealthSettings settings;
            settings.window_days = window;
            settings.recent_days = recent;
            const CameraAnalysis camera = AnalyseTables(MakeTables(nights, 60.0, 3), 0.0, settings);
            ASSERT_EQ(Of(camera, FindingKind::kMoved).size(), 1u) << window;
            EXPECT_EQ(camera.assessment.status, recent > 19 ? CameraStatus::kAction : CameraStatus::kOk)
                << "window " << window << ", recent " << recent;
        }
    }
}

TEST(Findings, AYoungCameraSaysItsBaselineIsNotYetEstablished) {
    EXPECT_EQ(Analyse(std::vector<Night>(12)).assessment.baseline_note,
              "baseline not yet established (11 of 30 days)");
    EXPECT_TRUE(Analyse(std::vector<Night>(40)).assessment.baseline_note.empty());
}

TEST(Findings, SlowCreepIsDriftNotAMove) {
    std::vector<Night> nights(240);
    for (std::size_t i = 0; i < nights.size(); ++i) nights[i].east_arcmin = 8.0 * i / 240.0;
    const CameraAnalysis camera = Analyse(nights);
    EXPECT_TRUE(Of(camera, FindingKind::kMoved).empty());
    ASSERT_EQ(Of(camera, FindingKind::kPointingDrift).size(), 1u);
    EXPECT_NEAR(Of(camera, FindingKind::kPointingDrift)[0]->size, 8.0 / 240.0 * 30.436875, 0.1);
    EXPECT_EQ(camera.assessment.status, CameraStatus::kWatch);
}

TEST(Findings, ARefocusIsAScaleChangeWithItsSign) {
    std::vector<Night> nights(150);
    for (std::size_t i = 70; i < nights.size(); ++i) nights[i].scale_factor = 0.98;
    const CameraAnalysis camera = Analyse(nights);
    ASSERT_EQ(Of(camera, FindingKind::kScaleChange).size(), 1u);
    EXPECT_EQ(Of(camera, FindingKind::kScaleChange)[0]->first, 70);
    EXPECT_NEAR(Of(camera, FindingKind::kScaleChange)[0]->size, -2.0, 0.05);
    EXPECT_TRUE(Of(camera, FindingKind::kMoved).empty());
}

TEST(Findings, AZeroPointDropIsDatedAndItsRecoveryFound) {
    std::vector<Night> nights(200);
    for (std::size_t i = 80; i < 110; ++i) nights[i].zero_point_loss = 0.8;
    const CameraAnalysis camera = Analyse(nights);
    const auto drops = Of(camera, FindingKind::kZeroPointDrop);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0]->first, 80);
    EXPECT_EQ(drops[0]->last, 109);
    EXPECT_NEAR(drops[0]->size, 0.8, 0.1);
    EXPECT_FALSE(camera.assessment.open[static_cast<std::size_t>(drops[0] - camera.findings.data())]);
    EXPECT_TRUE(Of(camera, FindingKind::kFewStars).empty());  // the loss of stars is the drop's
}

TEST(Findings, AFewNightsOfHazeAreNoDrop) {
    std::vector<Night> nights(200);
    for (std::size_t i = 80; i < 85; ++i) nights[i].zero_point_loss = 0.8;
    EXPECT_TRUE(Of(Analyse(nights), FindingKind::kZeroPointDrop).empty());
    // Eight nights at a steady loss are still too short for dew or dirt.
    for (std::size_t i = 80; i < 88; ++i) nights[i].zero_point_loss = 0.8;
    EXPECT_TRUE(Of(Analyse(nights), FindingKind::kZeroPointDrop).empty());
}

TEST(Findings, ASlowDropCountsItsDaysFromItsStart) {
    // A ramp of 8 days to 0.6 mag from night 80, recovered at night 93: its
    // deficit stays above 0.3 mag for 9 days only, but it lasted 12.
    std::vector<Night> nights(200);
    for (std::size_t i = 80; i < 93; ++i)
        nights[i].zero_point_loss = 0.6 * std::min(1.0, (static_cast<double>(i) - 79.5) / 8.0);
    const CameraAnalysis camera = Analyse(nights);
    const auto drops = Of(camera, FindingKind::kZeroPointDrop);
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_GE(drops[0]->first, 83);  // where it reached 0.3 mag, half its depth
    EXPECT_LE(drops[0]->first, 85);
    EXPECT_EQ(drops[0]->last, 92);
}

TEST(Findings, MissingStarsAndStalenessAndDuplicates) {
    std::vector<Night> nights(60);
    nights[30].stars = 0;
    nights[40].stars = 10;
    CameraTables tables = MakeTables(nights, 60.0, 8);
    tables.duplicates.push_back({tables.calibrations[20].time_ms, 2, false});
    const CameraAnalysis camera = AnalyseTables(std::move(tables), 10.0);
    const auto few = Of(camera, FindingKind::kFewStars);
    ASSERT_EQ(few.size(), 2u);
    EXPECT_EQ(few[0]->first, 30);
    EXPECT_EQ(few[1]->first, 40);
    ASSERT_EQ(Of(camera, FindingKind::kDuplicate).size(), 1u);
    EXPECT_EQ(Of(camera, FindingKind::kDuplicate)[0]->first, 20);
    ASSERT_EQ(Of(camera, FindingKind::kStale).size(), 1u);
    EXPECT_NEAR(Of(camera, FindingKind::kStale)[0]->size, 10.0, 0.01);
    EXPECT_EQ(camera.assessment.status, CameraStatus::kAction);
}

// Cameras whose newest calibrations are the given days after 2014-01-01.
std::vector<CameraAnalysis> CamerasEndingAt(const std::vector<double>& newest_days) {
    std::vector<CameraAnalysis> cameras(newest_days.size());
    for (std::size_t c = 0; c < newest_days.size(); ++c) {
        Calibration calibration;
        calibration.time_ms = kStartMs + static_cast<std::int64_t>(newest_days[c] * kDayMs);
        cameras[c].quantities.calibrations = {calibration};
    }
    return cameras;
}

TEST(NetworkClock, OnlyACameraFarAheadOfOthersThatAgreeIsOdd) {
    struct Case {
        std::vector<double> newest_days;
        std::vector<bool> ahead;
        double present_day;
    };
    const Case cases[] = {
        {{100, 101, 100.5, 3000000}, {false, false, false, true}, 101},   // one far ahead of three that agree
        {{100, 101, 3000000, 2000000}, {false, false, true, true}, 101},  // two, one after the other
        {{100, 400, 20}, {false, false, false}, 400},   // the others stopped at different times: no telling
        {{100, 3000000}, {false, false}, 3000000},      // two cameras: no telling either
        {{100, 101, 250}, {false, false, false}, 250},  // ahead by less than the lead
    };
    for (const Case& c : cases) {
        const NetworkPresent present = FindNetworkPresent(CamerasEndingAt(c.newest_days));
        EXPECT_EQ(present.clock_ahead, c.ahead) << c.newest_days.back();
        EXPECT_EQ(present.newest_ms, kStartMs + static_cast<std::int64_t>(c.present_day * kDayMs));
    }
    // A camera without calibrations has no clock to judge.
    std::vector<CameraAnalysis> cameras = CamerasEndingAt({100, 101, 102});
    cameras.emplace_back();
    EXPECT_EQ(FindNetworkPresent(cameras).clock_ahead, (std::vector<bool>{false, false, false, false}));
}

}  // namespace

// Site weather: cameras whose dips coincide share a site, and what one
// camera's site-mates saw is taken out of its zero point, its own drop is not.
#include <gtest/gtest.h>

#include <cmath>

#include "health/findings/site_weather.h"
#include "health/findings/zero_point_findings.h"
#include "tools/split_mix.h"

namespace {

constexpr int kNights = 200;

// A camera calibrated every night at 21:00 UT with zero-point noise of 0.03
// mag, dimmed by the given amount per night.
CameraAnalysis Camera(int number, const std::vector<double>& dimming, std::uint64_t seed) {
    SplitMix64 rng = StreamFor(seed, static_cast<std::uint64_t>(number));
    CameraAnalysis analysis;
    CameraQuantities& camera = analysis.quantities;
    camera.camera = number;
    camera.typical_hour_ut = 21.0;
    for (int night = 0; night < kNights; ++night) {
        camera.calibrations.emplace_back();
        camera.days.push_back(16071.0 + night + 21.0 / 24.0);
        camera.zero_point.push_back(5.0 - dimming[static_cast<std::size_t>(night)] +
                                    0.03 * NextGaussian(rng));
    }
    analysis.envelopes = ZeroPointEnvelopesOf(camera, 30.0);
    return analysis;
}

// The zero-point stage of one camera given the weather it saw.
ZeroPointDrops Drops(const CameraAnalysis& camera, const std::vector<double>& weather_mag) {
    return FindZeroPointDrops(camera.quantities, camera.envelopes, weather_mag, 30.0);
}

// Haze on about one night in six, two to five nights long.
std::vector<double> Haze(std::uint64_t seed) {
    SplitMix64 rng = StreamFor(seed, 99);
    std::vector<double> haze(kNights, 0.0);
    for (int night = 0; night < kNights; ++night) {
        if (NextUnit(rng) < 0.05) {
            const double depth = UniformIn(rng, 0.3, 1.0);
            for (int k = night; k < std::min(kNights, night + UniformInt(rng, 2, 5)); ++k)
                haze[static_cast<std::size_t>(k)] = depth;
        }
    }
    return haze;
}

std::vector<double> Plus(std::vector<double> a, const std::vector<double>& b) {
    for (std::size_t i = 0; i < a.size(); ++i) a[i] += b[i];
    return a;
}

TEST(SiteWeather, CoincidentDipsMakeASiteAndItsWeatherIsNoDrop) {
    const std::vector<double> site_haze = Haze(1);
    std::vector<double> dew(kNights, 0.0);
    for (int night = 120; night < 150; ++night)
        dew[static_cast<std::size_t>(night)] = 0.7;  // one camera's own drop
    std::vector<CameraAnalysis> cameras = {Camera(1, site_haze, 5), Camera(2, Plus(site_haze, dew), 5),
                                           Camera(3, site_haze, 5), Camera(4, Haze(2), 5)};
    const std::vector<SiteWeather> weather = EstimateSiteWeather(cameras, {});
    EXPECT_GE(weather[0].site_group, 0);
    EXPECT_EQ(weather[1].site_group, weather[0].site_group);
    EXPECT_EQ(weather[2].site_group, weather[0].site_group);
    EXPECT_EQ(weather[3].site_group, -1);  // its haze is its own: a site of one

    for (std::size_t c : {0u, 2u}) EXPECT_TRUE(Drops(cameras[c], weather[c].weather_mag).drops.empty()) << c;
    const std::vector<Finding> drops = Drops(cameras[1], weather[1].weather_mag).drops;
    ASSERT_EQ(drops.size(), 1u);
    EXPECT_EQ(drops[0].first, 120);
    EXPECT_EQ(drops[0].last, 149);
    EXPECT_NEAR(drops[0].size, 0.7, 0.1);
    // A hazy night of the site is weather for a camera that shares it.
    for (int night = 0; night < kNights; ++night) {
        if (site_haze[static_cast<std::size_t>(night)] > 0.5 && (night < 118 || night > 152)) {
            EXPECT_GT(weather[0].weather_mag[static_cast<std::size_t>(night)], 0.3) << night;
        }
    }
}

TEST(SiteWeather, ASiteMateInsideADropOfItsOwnIsAskedLast) {
    // Camera 2 has dew from night 120 to 149 (0.7 mag) whose depth was
    // overestimated (1.0 mag); haze of 0.6 mag dims the site on nights 130
    // to 133. Camera 3 tells camera 1 the weather of those nights; camera 2,
    // its dew taken out, would say 0.3.
    std::vector<double> site_haze = Haze(1);
    for (int night = 118; night < 152; ++night) site_haze[static_cast<std::size_t>(night)] = 0.0;
    for (int night = 130; night < 134; ++night) site_haze[static_cast<std::size_t>(night)] = 0.6;
    std::vector<double> dew(kNights, 0.0);
    for (int night = 120; night < 150; ++night) dew[static_cast<std::size_t>(night)] = 0.7;
    std::vector<CameraAnalysis> cameras = {Camera(1, site_haze, 5), Camera(2, Plus(site_haze, dew), 5),
                                           Camera(3, site_haze, 5)};
    const std::vector<SiteWeather> first = EstimateSiteWeather(cameras, {});
    ASSERT_GE(first[0].site_group, 0);
    ASSERT_EQ(first[1].site_group, first[0].site_group);
    ASSERT_EQ(first[2].site_group, first[0].site_group);
    std::vector<std::vector<double>> own_drop_mag(3);
    own_drop_mag[1].assign(kNights, 0.0);
    for (int night = 120; night < 150; ++night) own_drop_mag[1][static_cast<std::size_t>(night)] = 1.0;
    const std::vector<SiteWeather> second = EstimateSiteWeather(cameras, own_drop_mag);
    for (int night = 130; night < 134; ++night)
        EXPECT_NEAR(second[0].weather_mag[static_cast<std::size_t>(night)], 0.6, 0.15) << night;
}

TEST(SiteWeather, TheSiteMatesScatterIsNotTakenOut) {
    // A ramp of 12 days to 0.6 mag from night 100 to 139; the site-mates'
    // dimming reads 0.12 mag every night, their own scatter below a dip.
    // Taken out, capped by the camera's own deficit, it would lift the clear
    // nights and lower the ramp, dating the drop late.
    std::vector<double> loss(kNights, 0.0);
    for (int night = 100; night < 140; ++night)
        loss[static_cast<std::size_t>(night)] = 0.6 * std::min(1.0, (night - 99.5) / 12.0);
    // The drop is dated where it first loses the drop threshold (0.3 mag,
    // half its depth): 6 days into the ramp, night 105 or 106.
    for (double mates : {0.0, 0.12}) {
        const std::vector<Finding> drops =
            Drops(Camera(1, loss, 8), std::vector<double>(kNights, mates)).drops;
        ASSERT_EQ(drops.size(), 1u) << mates;
        EXPECT_GE(drops[0].first, 104) << mates;
        EXPECT_LE(drops[0].first, 107) << mates;
        EXPECT_EQ(drops[0].last, 139) << mates;
    }
}

// A loss of weeks from night `first` to night `last`, as the drop finder
// reports one.
Finding Loss(int first, int last) {
    Finding loss;
    loss.kind = FindingKind::kZeroPointDrop;
    loss.first = first;
    loss.last = last;
    loss.size = 0.8;
    return loss;
}

TEST(SiteWeather, LossesThatSiteMatesShareFromNightToNightAreWeather) {
    // Three cameras of one site and one alone. Cameras 1 and 2 lose from
    // about the same night to about the same night (a fortnight of haze);
    // camera 3 loses on its own (dew), and so does camera 4 on the nights
    // of the site's haze, but it is not at that site.
    const std::vector<double> site_haze = Haze(1);
    std::vector<CameraAnalysis> cameras = {Camera(1, site_haze, 5), Camera(2, site_haze, 5),
                                           Camera(3, site_haze, 5), Camera(4, Haze(2), 5)};
    const std::vector<SiteWeather> sites = EstimateSiteWeather(cameras, {});
    ASSERT_GE(sites[0].site_group, 0);
    ASSERT_EQ(sites[2].site_group, sites[0].site_group);
    ASSERT_EQ(sites[3].site_group, -1);
    std::vector<std::vector<Finding>> losses = {
        {Loss(100, 113), Loss(160, 190)}, {Loss(101, 112)}, {Loss(102, 140)}, {Loss(100, 113)}};
    RemoveSharedLosses(cameras, sites, losses);
    ASSERT_EQ(losses[0].size(), 1u);  // its own loss stays
    EXPECT_EQ(losses[0][0].first, 160);
    EXPECT_TRUE(losses[1].empty());
    ASSERT_EQ(losses[2].size(), 1u);  // begins with the haze but lasts weeks longer
    EXPECT_EQ(losses[3].size(), 1u);
}

TEST(SiteWeather, OverlappingDropsUnderClearSkiesAreNotWeather) {
    // Two cameras under clear skies whose drops overlap for three weeks dip
    // together night after night. Taken as their own first, the losses each
    // shows keep them apart, and each finds its drop in full.
    const std::vector<double> clear(kNights, 0.0);
    std::vector<double> first_loss = clear;
    std::vector<double> second_loss = clear;
    for (int night = 60; night < 84; ++night) first_loss[static_cast<std::size_t>(night)] = 0.8;
    for (int night = 63; night < 87; ++night) second_loss[static_cast<std::size_t>(night)] = 0.6;
    const std::vector<CameraAnalysis> cameras = {Camera(1, first_loss, 3), Camera(2, second_loss, 3)};
    const std::vector<SiteWeather> unguessed = EstimateSiteWeather(cameras, {});
    ASSERT_GE(unguessed[0].site_group, 0);  // the trap: the overlap alone makes them site-mates
    std::vector<std::vector<double>> own(cameras.size());
    for (std::size_t c = 0; c < cameras.size(); ++c)
        own[c] = DropDepthByCalibration(Drops(cameras[c], {}).drops, kNights);
    const std::vector<SiteWeather> weather = EstimateSiteWeather(cameras, own);
    const int firsts[] = {60, 63};
    const int lasts[] = {83, 86};
    for (std::size_t c = 0; c < cameras.size(); ++c) {
        const std::vector<Finding> drops = Drops(cameras[c], weather[c].weather_mag).drops;
        ASSERT_EQ(drops.size(), 1u) << c;
        EXPECT_LE(std::abs(drops[0].first - firsts[c]), 1) << c;
        EXPECT_LE(std::abs(drops[0].last - lasts[c]), 1) << c;
    }
}

TEST(SiteWeather, NightsFollowTheCamerasUsualHour) {
    CameraQuantities camera;
    camera.typical_hour_ut = 23.0;
    camera.days = {100.0 + 22.5 / 24.0, 101.0 + 1.0 / 24.0, 101.0 + 20.0 / 24.0};
    EXPECT_EQ(NightOf(camera, 0), NightOf(camera, 1));  // 22:30 and 01:00 the next day: one night
    EXPECT_EQ(NightOf(camera, 2), NightOf(camera, 0) + 1);
}

}  // namespace

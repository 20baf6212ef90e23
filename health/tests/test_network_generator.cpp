// The generator's network mode: samples land on the conditions asked for,
// and a seed always gives the same files and ground truth.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "tests/support/scratch_folder.h"
#include "tools/network_events.h"
#include "tools/network_sample.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> FolderContents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder))
        files[entry.path().filename().string()] = ReadFile(entry.path());
    return files;
}

TEST(NetworkSample, LandsOnTheRequestedPoseAndPhotometry) {
    for (std::uint64_t seed = 1; seed <= 6; ++seed) {
        SplitMix64 rng = StreamFor(seed, 3);
        const SimulatedCamera camera = MakeSimulatedCamera(rng, 12);
        NightConditions night{};
        night.pose = {camera.arcmin_per_pixel * 1.02, camera.roll_deg + 0.5, camera.azimuth_deg + 0.4,
                      camera.elevation_deg - 0.3};
        night.pivot_log_inten = 5.0;
        night.zero_point_mag = 4.1;
        night.sensitivity_loss_mag = 1.0;
        night.centroid_noise_px = 2.0;
        night.star_count = 400;
        const CalibrationSample sample = MakeNetworkSample(camera, 1400000000000, night, rng);
        EXPECT_NEAR(sample.azim_center_deg, night.pose.azimuth_deg, 1e-9);
        EXPECT_NEAR(sample.elev_center_deg, night.pose.elevation_deg, 1e-9);
        EXPECT_NEAR(sample.roll_deg, night.pose.roll_deg, 1e-9);
        EXPECT_NEAR(sample.arcmin_per_pixel, night.pose.arcmin_per_pixel, 1e-9);
        // The fit passes through the pivot: Mv = icept - 2.5 slope L.
        EXPECT_NEAR(sample.magfit_icept - 2.5 * sample.magfit_slope * night.pivot_log_inten, 4.1, 1e-9);
        // A magnitude of loss keeps the stars up to 4.8: 10^(-0.5) of them, about 32 %.
        for (const StarEntry& star : sample.stars) EXPECT_LE(star.mv, kCatalogueLimitMag - 1.0);
        EXPECT_GT(sample.stars.size(), 80u);
        EXPECT_LT(sample.stars.size(), 180u);
        // Residuals of 2 px centroid noise: their mean is 2 px * scale * sqrt(pi / 2).
        EXPECT_NEAR(sample.oc_mean_arcmin / (2.0 * night.pose.arcmin_per_pixel), std::sqrt(3.14159265 / 2),
                    0.3);
    }
}

TEST(NetworkMode, TheSameSeedWritesTheSameBytesAndAnotherDoesNot) {
    ScratchFolder folder;
    const auto write = [&](const std::string& name, std::uint64_t seed) {
        const EventNetworkRequest request{(folder.path / name).string(), 2, 60, seed};
        EXPECT_GT(WriteEventNetwork(request), 60);
        return FolderContents(folder.path / name);
    };
    const auto first = write("a", 5);
    const auto again = write("b", 5);
    const auto other = write("c", 6);
    EXPECT_EQ(first, again);
    EXPECT_NE(first, other);
    ASSERT_EQ(first.count("network_truth.csv"), 1u);
    EXPECT_EQ(first.at("network_truth.csv").substr(0, 53),
              "camera,kind,start,end,calibrations,size,unit,detail\r\n");
    ASSERT_EQ(first.count("network_nuisances.csv"), 1u);
}

}  // namespace

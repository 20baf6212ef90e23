// The generator's network mode: samples land on the conditions asked for,
// and a seed always gives the same files and ground truth.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "common/findings_csv.h"
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

// The rows of a CSV table after its header, split into fields.
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::size_t at = text.find("\r\n") + 2;
    for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        rows.push_back(SplitCsvLine(text.substr(at, end - at)));
    return rows;
}

TEST(NetworkMode, APlainNetworkHasTheEventsWithoutTheNuisances) {
    ScratchFolder folder;
    EventNetworkRequest request{(folder.path / "plain").string(), 8, 200, 3};
    request.plain = true;
    ASSERT_GT(WriteEventNetwork(request), 8 * 150);
    const auto files = FolderContents(folder.path / "plain");
    // Only the sites are left of the nuisances: no haze, waves, creep or
    // wide-field cameras.
    const auto nuisances = CsvRows(files.at("network_nuisances.csv"));
    EXPECT_EQ(nuisances.size(), 8u);
    for (const auto& row : nuisances) EXPECT_EQ(row[0], "camera_site");
    // Clear skies every night: only the generator's own skipped nights
    // (about 6 %) leave a camera uncalibrated, never an overcast spell.
    std::map<std::string, int> files_per_camera;
    for (const auto& [name, text] : files) {
        if (name.rfind("CAL", 0) == 0) ++files_per_camera[name.substr(0, name.find('_'))];
    }
    EXPECT_EQ(files_per_camera.size(), 8u);
    for (const auto& [camera, count] : files_per_camera) EXPECT_GT(count, 200 * 0.88 * 1.1) << camera;
    // Every injected kind still appears.
    std::map<std::string, int> kinds;
    for (const auto& row : CsvRows(files.at("network_truth.csv"))) ++kinds[row[1]];
    for (const char* kind : {"moved", "pointing_outlier", "scale_change", "zero_point_drop", "poor_fit"})
        EXPECT_GT(kinds[kind], 0) << kind;
}

TEST(NetworkMode, EachDropMayBeDatedUpToItsFirstCalibrationAtHalfItsDepth) {
    ScratchFolder folder;
    ASSERT_GT(WriteEventNetwork({(folder.path / "n").string(), 12, 365, 7}), 12 * 300);
    const auto files = FolderContents(folder.path / "n");
    ASSERT_EQ(files.count("network_truth_dating.csv"), 1u);
    EXPECT_EQ(files.at("network_truth_dating.csv").substr(0, 32), "camera,kind,start,latest_start\r\n");
    std::map<std::pair<std::string, std::string>, std::vector<std::string>> drops;
    for (const auto& row : CsvRows(files.at("network_truth.csv"))) {
        if (row[1] == "zero_point_drop") drops[{row[0], row[2]}] = row;
    }
    const auto dating = CsvRows(files.at("network_truth_dating.csv"));
    ASSERT_EQ(dating.size(), drops.size());
    int ramps = 0;
    for (const auto& row : dating) {
        const auto drop = drops.find({row[0], row[2]});
        ASSERT_NE(drop, drops.end()) << row[0] << " " << row[2];
        const std::string& detail = drop->second[7];
        // A step is at half its depth at once; a ramp of days some
        // calibrations later, still inside the drop.
        if (detail.rfind("step drop", 0) == 0) {
            EXPECT_EQ(row[3], row[2]) << detail;
        } else {
            ++ramps;
            EXPECT_GT(row[3], row[2]) << detail;
            EXPECT_LE(row[3], drop->second[3]) << detail;
        }
    }
    EXPECT_GT(ramps, 0);
}

}  // namespace

// The data generator: its files load through ReadCALfile with the values it
// meant, its output depends only on the seed, its names follow the
// CALnnn_YYYYMMDD_HHMMSS_mmm.txt pattern, and the CAL writer's options.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <regex>
#include <string>

#include "calib/read_cal.h"
#include "tests/support/cal_samples.h"
#include "tests/support/scratch_folder.h"
#include "tools/cal_network.h"
#include "tools/cal_text.h"
#include "tools/calibration_sample.h"
#include "tools/camera_model.h"
#include "tools/split_mix.h"

namespace {

namespace fs = std::filesystem;

std::map<std::string, std::string> ReadFolder(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder)) {
        files[entry.path().filename().string()] = ReadFile(entry.path());
    }
    return files;
}

// Agreement to the precision the generator prints a value with: half a unit
// of the last decimal written, or a relative part for exponent forms.
void ExpectClose(double loaded, double generated, double tolerance, const char* what) {
    EXPECT_NEAR(loaded, generated, tolerance) << what;
}
void ExpectRelativelyClose(double loaded, double generated, double tolerance, const char* what) {
    EXPECT_NEAR(loaded, generated, tolerance * std::fabs(generated)) << what;
}

}  // namespace

// Cameras of every fit order and star tables from empty to full: each file
// loads through the reader with its date, time, pointing, polynomial, fits
// and every star row.
TEST(CalGenerator, FilesLoadThroughTheReaderWithTheGeneratedValues) {
    ScratchFolder folder;
    auto record = std::make_unique<CalibrationRecord>();
    auto site = std::make_unique<SiteRecord>();
    const int star_counts[] = {0, 1, 57, 1000};
    for (int c = 0; c < 12; ++c) {
        SplitMix64 rng = StreamFor(99, static_cast<std::uint64_t>(c));
        SimulatedCamera camera = MakeSimulatedCamera(rng, 100 + c);
        camera.fit_order = 1 + c % 3;
        const CalibrationSample sample =
            MakeCalibrationSample(camera, 1500000000000 + c * 3600000LL, star_counts[c % 4], rng);
        std::string text;
        AppendCalText(sample, text);
        const fs::path path = folder.path / CalFileName(sample);
        WriteFile(path, text);

        ReadCALfile(path.string().c_str(), *record, *site);
        SCOPED_TRACE("camera " + std::to_string(c));
        EXPECT_EQ(record->date_first, sample.time.month);
        EXPECT_EQ(record->date_second, sample.time.day);
        EXPECT_EQ(record->date_year, sample.time.year);
        EXPECT_EQ(record->hour, sample.time.hour);
        EXPECT_EQ(record->minute, sample.time.minute);
        EXPECT_EQ(record->second, sample.time.second);
        EXPECT_EQ(record->millisecond, sample.time.millisecond);
        EXPECT_EQ(record->pair_first, sample.width_px);
        EXPECT_EQ(record->pair_second, sample.height_px);
        ExpectClose(record->ra_center_deg, sample.ra_center_deg, 5e-7, "ra_center_deg");
        ExpectClose(record->elev_center_deg, sample.elev_center_deg, 5e-7, "elev_center_deg");
        EXPECT_EQ(record->x_center, sample.x_center_px);
        EXPECT_EQ(record->y_center, sample.y_center_px);
        ASSERT_EQ(record->fit_order, camera.fit_order);
        for (int t = 0; t < TermCount(record->fit_order); ++t) {
            ExpectRelativelyClose(record->xcoef[t], sample.xcoef[t], 1e-14, "xcoef");
            ExpectRelativelyClose(record->ycoef[t], sample.ycoef[t], 1e-14, "ycoef");
        }
        ExpectClose(record->oc_mean_arcmin, sample.oc_mean_arcmin, 5e-5, "oc_mean_arcmin");
        ExpectClose(record->fluxfit_icept, sample.fluxfit_icept, 5e-6, "fluxfit_icept");
        ASSERT_EQ(record->star_count, static_cast<int>(sample.stars.size()));
        if (!sample.stars.empty()) {
            const StarEntry& last = record->stars[record->star_count - 1];
            ExpectClose(last.dec_deg, sample.stars.back().dec_deg, 5e-6, "last star dec_deg");
            ExpectClose(last.oc_arcmin, sample.stars.back().oc_arcmin, 5e-4, "last star oc_arcmin");
            ExpectClose(record->stars[0].mv, sample.stars[0].mv, 5e-3, "first star mv");
        }
        EXPECT_EQ(record->inverse_ready, 1);
    }
}

// The fitted forward polynomial reproduces the camera model within two pixels
// over the image at order 3 (a wrongly scaled, rotated or mirrored fit is off
// by tens or hundreds; what remains is the tangent projection of fields up to
// 40 degrees from the centre, which a cubic cannot follow exactly).
TEST(CalGenerator, CubicPolynomialFollowsTheCameraModel) {
    for (int c = 0; c < 20; ++c) {
        SplitMix64 rng = StreamFor(7, static_cast<std::uint64_t>(c));
        SimulatedCamera camera = MakeSimulatedCamera(rng, c + 1);
        camera.fit_order = 3;
        const CalibrationSample sample = MakeCalibrationSample(camera, 1500000000000, 0, rng);
        const SimulatedPose pose{sample.arcmin_per_pixel, sample.roll_deg, sample.azim_center_deg,
                                 sample.elev_center_deg};
        double worst_px = 0.0;
        for (double fx : {0.1, 0.5, 0.9}) {
            for (double fy : {0.1, 0.5, 0.9}) {
                const double dx = (fx - 0.5) * sample.width_px;
                const double dy = (0.5 - fy) * sample.height_px;
                double xi = 0.0;
                double eta = 0.0;
                PlateOffsetToStandardDeg(camera, pose, dx, dy, xi, eta);
                const double* a = sample.xcoef;
                const double* b = sample.ycoef;
                const double terms[kMaxTerms] = {
                    1,       dx,           dy,           dx * dx,      dx * dy,
                    dy * dy, dx * dx * dx, dx * dx * dy, dx * dy * dy, dy * dy * dy};
                double poly_xi = 0.0;
                double poly_eta = 0.0;
                for (int t = 0; t < kMaxTerms; ++t) {
                    poly_xi += a[t] * terms[t];
                    poly_eta += b[t] * terms[t];
                }
                const double error_deg = std::hypot(poly_xi - xi, poly_eta - eta);
                worst_px = std::max(worst_px, error_deg * 60.0 / sample.arcmin_per_pixel);
            }
        }
        EXPECT_LT(worst_px, 2.0) << "camera " << c;
    }
}

// The same request writes the same bytes; another seed writes other data.
// Files are spread evenly over the cameras and named by camera and time.
TEST(CalGenerator, NetworkIsDeterministicAndNamedByCameraAndTime) {
    ScratchFolder first;
    ScratchFolder second;
    ScratchFolder other;
    ASSERT_EQ(WriteCalNetwork({first.path.string(), 25, 4, 5, 20, 40}), 25);
    ASSERT_EQ(WriteCalNetwork({second.path.string(), 25, 4, 5, 20, 40}), 25);
    ASSERT_EQ(WriteCalNetwork({other.path.string(), 25, 4, 6, 20, 40}), 25);
    const auto files = ReadFolder(first.path);
    EXPECT_EQ(files, ReadFolder(second.path));
    EXPECT_NE(files, ReadFolder(other.path));

    const std::regex name_pattern(
        "CAL(\\d{3})_(\\d{4})(\\d{2})(\\d{2})_(\\d{2})(\\d{2})(\\d{2})_(\\d{3})\\.txt");
    std::map<std::string, int> per_camera;
    for (const auto& file : files) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(file.first, match, name_pattern)) << file.first;
        const int month = std::stoi(match[3]);
        const int day = std::stoi(match[4]);
        EXPECT_TRUE(month >= 1 && month <= 12 && day >= 1 && day <= 31 && std::stoi(match[5]) < 24)
            << file.first;
        ++per_camera[match[1]];
    }
    ASSERT_EQ(per_camera.size(), 4u);
    for (const auto& camera : per_camera)
        EXPECT_TRUE(camera.second == 6 || camera.second == 7) << camera.first;
}

// The writer's options change what they name and nothing else: CR LF ends
// every line, bare labels lose their units in parentheses and padding, the
// unit follows every value a label follows (not the site block's last
// number), the round-trip form writes shortest exact values, and given star
// rows replace the sample's.
TEST(CalText, OptionsChangeOnlyWhatTheyName) {
    CalibrationSample sample = BaseSample(7);
    sample.stars.push_back(StarOfColumns({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    const std::string plain = CalText(sample);
    EXPECT_NE(plain.find("\nSite height (km)              = 0.1530\nImage size"), std::string::npos);

    CalTextOptions options;
    options.crlf = true;
    std::string crlf_plain;
    for (char c : plain) crlf_plain += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(CalText(sample, options), crlf_plain);

    options = CalTextOptions();
    options.bare_labels = true;
    options.unit_after_values = " km";
    options.round_trip_numbers = true;
    options.star_rows = "1 2 3\n";
    const std::string changed = CalText(sample, options);
    for (const char* line :
         {"\nSite height = 0.153 km\nImage size = 720 x 576 km\n",
          "\nStars detected = 0 km\nStars matched = 0\nForward plate",
          "\nMean O-C and sigma = 0 +- 0 arcmin\n\nPhotometric fits\nMagnitude fit slope = 0 km\n",
          "\nFlux fit slope = 0 km\nFlux fit intercept = 0  log10 flux\n"}) {
        EXPECT_NE(changed.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(std::count(changed.begin(), changed.end(), '\n'), std::count(plain.begin(), plain.end(), '\n'));
    EXPECT_EQ(changed.substr(changed.size() - 15), "--------\n1 2 3\n");
}

// ReadCALfile on CAL files written by the tests into a scratch folder.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "calib/read_cal.h"
#include "tests/support/cal_samples.h"
#include "tests/support/scratch_folder.h"
#include "tools/cal_text.h"

namespace {

constexpr double kScaleX[kMaxTerms] = {0.5, 0.02, 1e-4, 3e-7, 5e-7, 7e-7, 1e-9, 2e-9, 3e-9, 4e-9};
constexpr double kScaleY[kMaxTerms] = {-0.25, -1e-4, 0.02, 4e-7, 6e-7, 8e-7, 5e-9, 6e-9, 7e-9, 8e-9};

double CoefX(int k, int tag) {
    return kScaleX[k] * (1.0 + 0.125 * tag);
}
double CoefY(int k, int tag) {
    return kScaleY[k] * (1.0 + 0.125 * tag);
}
double StarValue(int row, int column, double base) {
    return base + row * 100 + column;
}

// Star rows first..last, value of column c in row i = base + 100 i + c.
std::string StarRows(int first, int last, double base = 0.0, bool final_newline = true) {
    std::string rows;
    char value[32];
    for (int i = first; i <= last; ++i) {
        rows += (i > first ? "\n" : "") + std::to_string(i);
        for (int c = 1; c <= 12; ++c) {
            std::snprintf(value, sizeof value, " %.17g", StarValue(i, c, base));
            rows += value;
        }
    }
    return rows + (final_newline ? "\n" : "");
}

// A calibration with a value of its own in every field the reader stores:
// the coefficients of coef_tag, and rows 1 to 5 of base 0.
CalibrationSample ReaderSample(int fit_order = 3, int coef_tag = 0) {
    CalibrationSample s = BaseSample(12);
    s.longitude_deg = 10.5;
    s.latitude_deg = 45.25;
    s.height_km = 0.2;
    s.width_px = 30.5;
    s.height_px = 40.5;
    s.roll_deg = 2.5;
    s.exposure_s = 25;
    s.x_center_px = 320.5;
    s.y_center_px = 240.5;
    SetPointing(s, {120.25, 30.75, 200.5, 60.125, 1, 3.5});
    SetFits(s, {0.5, 0.25, -2.5, 3.5, 1.1, -1.5});
    s.fit_order = fit_order;
    for (int k = 0; k < kMaxTerms; ++k) {
        s.xcoef[k] = CoefX(k, coef_tag);
        s.ycoef[k] = CoefY(k, coef_tag);
    }
    s.camera_text = "Station One";
    s.lens_text = "  Norv Team";  // the blanks after "= " are passed over
    for (int i = 0; i < 10; ++i) s.site_values[i] = i + 1.5;
    for (int row = 1; row <= 5; ++row) {
        StarColumns columns;
        for (int c = 1; c <= 12; ++c) columns[c - 1] = StarValue(row, c, 0);
        s.stars.push_back(StarOfColumns(columns));
    }
    return s;
}

// The CAL text of a sample with every number written to read back exactly.
std::string ExactCalText(const CalibrationSample& sample, CalTextOptions options = {}) {
    options.round_trip_numbers = true;
    return CalText(sample, options);
}

// The CAL text of ReaderSample() with the given star-table rows.
std::string CalTextWithStarRows(const std::string& rows) {
    CalTextOptions options;
    options.star_rows = rows;
    return ExactCalText(ReaderSample(), options);
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// The current test's folder, relative to the working folder: an absolute
// path may hold an upper-case C (a Windows drive letter), which the file-name
// cases must not meet. Named after the test (in lower case, for the same
// reason), not the process: on Windows a death test's child is a new process
// that sets up the same folder again.
std::string FolderOfThisTest() {
    std::string folder =
        std::string("read_cal_test_") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return folder;
}

class ReadCal : public ::testing::Test {
  protected:
    std::string Write(const std::string& text, const std::string& name = "CAL012_20131214_031502_250.txt") {
        const std::string path = folder_ + "/" + name;
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
        return path;
    }
    void Load(const std::string& text) { ReadCALfile(Write(text).c_str(), *record_, *site_); }

    // Loads each text into zero-initialised records and compares their bytes.
    void ExpectSameLoad(const std::string& a, const std::string& b, const char* what) {
        auto record_a = std::make_unique<CalibrationRecord>(),
             record_b = std::make_unique<CalibrationRecord>();
        auto site_a = std::make_unique<SiteRecord>(), site_b = std::make_unique<SiteRecord>();
        ReadCALfile(Write(a).c_str(), *record_a, *site_a);
        ReadCALfile(Write(b).c_str(), *record_b, *site_b);
        EXPECT_EQ(std::memcmp(record_a.get(), record_b.get(), sizeof(CalibrationRecord)), 0)
            << "ReadCALfile record, " << what;
        EXPECT_EQ(std::memcmp(site_a.get(), site_b.get(), sizeof(SiteRecord)), 0)
            << "ReadCALfile site, " << what;
        EXPECT_EQ(record_b->star_count, 5) << "ReadCALfile star_count, " << what;
    }

    ScratchFolder scratch_{FolderOfThisTest()};
    const std::string folder_ = scratch_.path.string();
    std::unique_ptr<CalibrationRecord> record_ = std::make_unique<CalibrationRecord>();
    std::unique_ptr<SiteRecord> site_ = std::make_unique<SiteRecord>();
};

TEST_F(ReadCal, EveryFieldLandsInItsPlace) {
    Load(ExactCalText(ReaderSample()));
    const CalibrationRecord& r = *record_;
    EXPECT_STREQ(r.path, (folder_ + "/CAL012_20131214_031502_250.txt").c_str());
    EXPECT_STREQ(r.file_name, "CAL012_20131214_031502_250.txt");
    const int ints[] = {r.date_first, r.date_second, r.date_year, r.hour, r.minute, r.second, r.millisecond};
    const int want_ints[] = {12, 14, 2013, 3, 15, 2, 250};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(ints[i], want_ints[i]) << "ReadCALfile date/time field " << i;
    const double reals[] = {r.longitude_deg,   r.latitude_deg,     r.height_km,      r.pair_first,
                            r.pair_second,     r.arcmin_per_pixel, r.aux_angle_deg,  r.cam_tilt_deg,
                            r.site_aux_value,  r.ra_center_deg,    r.dec_center_deg, r.azim_center_deg,
                            r.elev_center_deg, r.x_center,         r.y_center,       r.oc_mean_arcmin,
                            r.oc_sigma_arcmin, r.magfit_slope,     r.magfit_icept,   r.fluxfit_slope,
                            r.fluxfit_icept};
    const double want_reals[] = {10.5,  45.25,  0.2,   30.5,  40.5, 1,    2.5,  3.5, 25,  120.25, 30.75,
                                 200.5, 60.125, 320.5, 240.5, 0.5,  0.25, -2.5, 3.5, 1.1, -1.5};
    for (int i = 0; i < 21; ++i) EXPECT_EQ(reals[i], want_reals[i]) << "ReadCALfile real field " << i;
    EXPECT_EQ(r.fit_order, 3);
    for (int k = 0; k < kMaxTerms; ++k) {
        EXPECT_EQ(r.xcoef[k], CoefX(k, 0)) << "ReadCALfile xcoef " << k;
        EXPECT_EQ(r.ycoef[k], CoefY(k, 0)) << "ReadCALfile ycoef " << k;
    }
    EXPECT_EQ(r.inverse_ready, 1);
    EXPECT_EQ(r.rad_per_pixel, 0.0002908882086813704);
    EXPECT_EQ(r.aux_angle_rad, 2.5 / kDegreesPerRadian);
    EXPECT_EQ(r.ra_center_rad, 120.25 / kDegreesPerRadian);
    EXPECT_EQ(r.dec_center_rad, 30.75 / kDegreesPerRadian);
    EXPECT_EQ(r.spare_1, 0.0);
    EXPECT_EQ(r.spare_2, 0.0);
    EXPECT_EQ(site_->lat_rad, 45.25 / kDegreesPerRadian);
    EXPECT_EQ(site_->lon_rad, 10.5 / kDegreesPerRadian);
    EXPECT_EQ(site_->height_km, 0.2);
    EXPECT_EQ(site_->site_aux_value, 25.0);
    EXPECT_STREQ(site_->code_1, "XX");
    EXPECT_STREQ(site_->code_2, "XX");
    EXPECT_STREQ(site_->text_1, "Station One");
    EXPECT_STREQ(site_->text_2, "Norv Team");
    for (int i = 0; i < 10; ++i) EXPECT_EQ(site_->values[i], i + 1.5) << "ReadCALfile site value " << i;
    ASSERT_EQ(r.star_count, 5);
    const StarEntry& star = r.stars[4];
    const double by_column[] = {star.ra_deg,      star.dec_deg, star.col_3,      star.col_4,
                                star.mv,          star.col_6,   star.col_7,      star.col_8,
                                star.log10_inten, star.col_10,  star.log10_flux, star.oc_arcmin};
    for (int c = 1; c <= 12; ++c) EXPECT_EQ(by_column[c - 1], StarValue(5, c, 0)) << "star column " << c;
}

// Loads each text into zero-initialised records and compares their bytes.
TEST_F(ReadCal, WordingUnitsLineEndsAndNulBytesLoadTheSame) {
    const std::string plain = ExactCalText(ReaderSample());
    CalTextOptions reworded;
    reworded.bare_labels = true;
    reworded.unit_after_values = " (some unit)";
    std::string text =
        ReplaceAll(ExactCalText(ReaderSample(), reworded), "Site latitude", "Geodetic latitude, WGS84");
    text = ReplaceAll(text, "Plate polynomial order", "Order of the plate fit");
    ExpectSameLoad(plain, text, "labels and units");
    // A skipped line is taken whole, so it may hold an "=".
    text = ReplaceAll(text, "Flux fit: log10 flux against",
                      "Flux fit: log10 flux = slope * Mv + icept, against");
    ExpectSameLoad(plain, ReplaceAll(text, "Photometric fits", "Photometric fits: Mv = slope * x + icept"),
                   "skipped lines holding =");
    // A flux intercept that ends its line has the star rows right after it.
    const std::string bare_intercept =
        plain.substr(0, plain.find("  log10 flux\n")) + plain.substr(plain.find("\n    1 "));
    ExpectSameLoad(plain, bare_intercept, "star rows right after the flux intercept");
    CalTextOptions crlf;
    crlf.crlf = true;
    ExpectSameLoad(plain, ExactCalText(ReaderSample(), crlf), "CRLF");
    ExpectSameLoad(plain, ReplaceAll(plain, "Site height", std::string("Site hei\0ght", 12)), "NUL in label");
}

TEST_F(ReadCal, LowerOrderKeepsHigherCoefficientsOfEarlierLoads) {
    for (int order = 3; order >= 1; --order) {
        Load(ExactCalText(ReaderSample(order, order)));
        EXPECT_EQ(record_->fit_order, order);
        EXPECT_EQ(record_->star_count, 5) << "order " << order;
    }
    const int tag_of_entry[kMaxTerms] = {1, 1, 1, 2, 2, 2, 3, 3, 3, 3};
    for (int k = 0; k < kMaxTerms; ++k) {
        EXPECT_EQ(record_->xcoef[k], CoefX(k, tag_of_entry[k])) << "ReadCALfile xcoef " << k;
        EXPECT_EQ(record_->ycoef[k], CoefY(k, tag_of_entry[k])) << "ReadCALfile ycoef " << k;
    }
}

// Runs a load in a child whose messages reach stderr and whose stdin is empty.
void LoadInChild(const std::string& path) {
    dup2(2, 1);
    std::freopen(kNullDevice, "r", stdin);
    auto record = std::make_unique<CalibrationRecord>();
    auto site = std::make_unique<SiteRecord>();
    ReadCALfile(path.c_str(), *record, *site);
}

TEST_F(ReadCal, UnusableOrderAndMissingFileEndTheProcess) {
    for (int order : {0, 4}) {
        EXPECT_EXIT(LoadInChild(Write(ExactCalText(ReaderSample(order)))), ::testing::ExitedWithCode(1),
                    "^ fitorder " + std::to_string(order) + " is not implemented in ReadCALfile\n$");
    }
    const std::string missing = folder_ + "/none.txt";
    EXPECT_EXIT(LoadInChild(missing), ::testing::ExitedWithCode(1),
                "^ Cannot open calibration file " + missing + " for reading \n$");
    EXPECT_EXIT(LoadInChild(folder_), ::testing::ExitedWithCode(1), "^ Cannot open calibration file ");
}

TEST_F(ReadCal, StarTableCountsRowsInSequence) {
    const std::string bad_row = "3 301 302 303 abc 305 306 307 308 309 310 311 312\n";
    const struct {
        std::string rows;
        int want;
    } cases[] = {{StarRows(1, 57), 57},
                 {StarRows(1, 57, 0, false), 57},
                 {StarRows(1, 2) + StarRows(4, 4), 2},
                 {StarRows(0, 3), 0},
                 {StarRows(1, 1000), 1000},
                 {StarRows(1, 1200, 0.5), 1000},
                 {StarRows(1, 2) + bad_row + StarRows(4, 6), 3},
                 {StarRows(1, 2) + "99999999999 1 2 3 4 5 6 7 8 9 10 11 12\n" + StarRows(4, 5), 2},
                 {"", 0}};
    for (const auto& c : cases) {
        Load(ExactCalText(ReaderSample()));  // entries 0-4 hold rows 1-5 of base 0
        Load(CalTextWithStarRows(c.rows));
        EXPECT_EQ(record_->star_count, c.want)
            << "ReadCALfile star_count, table of " << c.rows.size() << " chars";
    }
    EXPECT_EQ(record_->stars[999].oc_arcmin, StarValue(1000, 12, 0.5)) << "row 1000 after 1200-row table";
    Load(ExactCalText(ReaderSample()));
    Load(CalTextWithStarRows(StarRows(1, 2) + bad_row));
    EXPECT_EQ(record_->stars[2].col_3, 303);
    EXPECT_EQ(record_->stars[2].col_4, StarValue(3, 4, 0)) << "value after the break keeps earlier contents";
    const std::string text = ExactCalText(ReaderSample());
    Load(text.substr(0, text.find("Matched catalogue stars")));
    EXPECT_EQ(record_->star_count, 0) << "file ending before the table";
}

// Reference radii from an independent computation: the same WGS84 formulas
// in GNU bc at 50 significant digits (bc -l, scale=50), with the degree
// conversion by the literal 57.29577951.
TEST_F(ReadCal, GeocentricRadiusOnWgs84) {
    const struct {
        double latitude, longitude, height, want;
    } cases[] = {{0, 0, 0, 6378.137},
                 {90, 0, 0, 6356.75231424518},
                 {90, -77, 0, 6356.75231424518},
                 {60, 0, 0, 6362.132224396051},
                 {45, 10.5, 0.2, 6367.689542734701},
                 {-33.75, -70.25, 2.5, 6374.074676924343}};
    for (const auto& c : cases) {
        CalibrationSample sample = ReaderSample();
        sample.latitude_deg = c.latitude;
        sample.longitude_deg = c.longitude;
        sample.height_km = c.height;
        Load(ExactCalText(sample));
        EXPECT_NEAR(record_->geocentric_radius_km, c.want, 1e-9)
            << "ReadCALfile geocentric_radius_km at latitude " << c.latitude << ", height " << c.height;
    }
    double radius[2];
    for (int i = 0; i < 2; ++i) {
        CalibrationSample sample = ReaderSample();
        sample.longitude_deg = i == 0 ? 0 : 123.4;
        Load(ExactCalText(sample));
        radius[i] = record_->geocentric_radius_km;
    }
    EXPECT_NEAR(radius[0], radius[1], 1e-9) << "longitude changes the geocentric radius";
}

TEST_F(ReadCal, FileNameStartsAtLastUpperCaseC) {
    std::filesystem::create_directory(folder_ + "/Cal");
    const struct {
        std::string name, want;
    } cases[] = {{"CAL012_20131214_031502_250.txt", "CAL012_20131214_031502_250.txt"},
                 {"CAL012_20131214_031502_2500.txt", "CAL012_20131214_031502_2500.tx"},
                 {"Cal/cal012_20131214_031502_250.txt", "Cal/cal012_20131214_031502_250"},
                 {"Cal/CAL012_20131214_031502_250.txt", "CAL012_20131214_031502_250.txt"}};
    for (const auto& c : cases) {
        ReadCALfile(Write(ExactCalText(ReaderSample()), c.name).c_str(), *record_, *site_);
        EXPECT_EQ(std::string(record_->file_name), c.want) << "ReadCALfile file_name of " << c.name;
    }
    ReadCALfile(Write(ExactCalText(ReaderSample()), "cal.txt").c_str(), *record_, *site_);
    EXPECT_STREQ(record_->file_name, "") << "path without an upper-case C";
}

TEST_F(ReadCal, LongSiteTextIsCutAndMissingLineShiftsValues) {
    CalibrationSample sample = ReaderSample();
    sample.camera_text = std::string(300, 'n');
    Load(ExactCalText(sample));
    EXPECT_EQ(std::string(site_->text_1), std::string(127, 'n'));
    EXPECT_STREQ(site_->text_2, "Norv Team");
    EXPECT_EQ(site_->values[9], 10.5);
    EXPECT_EQ(record_->star_count, 5);

    Load(ReplaceAll(ExactCalText(ReaderSample()), "Site longitude (deg, east)    = 10.5\n", ""));
    EXPECT_EQ(record_->longitude_deg, 45.25) << "latitude value moves up into longitude";
    EXPECT_EQ(record_->latitude_deg, 0.2) << "height value moves up into latitude";
}

TEST_F(ReadCal, NumberForms) {
    std::string text = ExactCalText(ReaderSample());
    const char* forms[][2] = {{"= 1.5", "= +7"},    {"= 2.5", "= -2e-3"},  {"= 3.5", "= .5E+1"},
                              {"= 4.5", "= 1e400"}, {"= 5.5", "= -1e400"}, {"= 6.5", "= 1e-400"},
                              {"= 7.5", "= 8.e"}};
    for (const auto& form : forms) text = ReplaceAll(text, form[0], form[1]);
    Load(text);
    const double want[] = {7, -2e-3, 5, HUGE_VAL, -HUGE_VAL, 0, 8, 8.5, 9.5, 10.5};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(site_->values[i], want[i]) << "ReadCALfile site value " << i;
    EXPECT_EQ(record_->star_count, 5);
}

}  // namespace

// Rows of the summary tables against rows worked out by hand, and their fit
// under the header lines.
#include <gtest/gtest.h>

#include <string>

#include "app/table_rows.h"

namespace {

// An order-2 calibration whose unused coefficient entries hold an earlier
// file's values, as the reused record does.
CalibrationRecord OrderTwoRecord() {
    CalibrationRecord record{};
    record.date_first = 3;
    record.date_second = 9;
    record.date_year = 2013;
    record.hour = 3;
    record.minute = 15;
    record.second = 2;
    record.millisecond = 250;
    record.ra_center_deg = 123.456;
    record.dec_center_deg = -5.5;
    record.azim_center_deg = 270.0;
    record.elev_center_deg = 45.25;
    record.arcmin_per_pixel = 2.5;
    record.cam_tilt_deg = -1.125;
    record.fit_order = 2;
    const double x[kMaxTerms] = {-0.0123, 0.0211, 1e-5, 2e-7, -3e-7, 4e-7, 99, 99, 99, 99};
    const double y[kMaxTerms] = {0.5, -0.0004, 0.0417, 0, 0, 0, 7, 7, 7, 7};
    for (int k = 0; k < kMaxTerms; ++k) {
        record.xcoef[k] = x[k];
        record.ycoef[k] = y[k];
    }
    record.oc_mean_arcmin = 0.412;
    record.oc_sigma_arcmin = 0.187;
    record.magfit_slope = -2.512;
    record.magfit_icept = 12.346;
    record.fluxfit_slope = -0.401;
    record.fluxfit_icept = 8.123;
    return record;
}

StarEntry SomeStar() {
    StarEntry star{};
    star.ra_deg = 201.29824;
    star.dec_deg = -11.16132;
    star.mv = 0.98;
    star.log10_inten = 3.512;
    star.log10_flux = 4.0;
    star.oc_arcmin = 0.25;
    star.col_3 = 1e9;  // not printed
    return star;
}

// An unused coefficient column with its separator.
const std::string kZero = "  0.000000e+000";

// Every column gap under the dashes of the third header line is a gap in the row.
void ExpectGapsUnderHeader(const std::string& row, std::string_view dashes) {
    ASSERT_EQ(row.size(), dashes.size());
    for (size_t i = 0; i < dashes.size(); ++i) {
        if (dashes[i] == ' ') {
            EXPECT_EQ(row[i], ' ') << "column gap at " << i;
        }
    }
}

}  // namespace

TEST(TableRows, HeaderLinesHaveTheTableWidths) {
    for (std::string_view line : kFitCoefsHeader) EXPECT_EQ(line.size(), 371u);
    for (std::string_view line : kFitStarsHeader) EXPECT_EQ(line.size(), 123u);
}

TEST(TableRows, FitCoefsRowPrintsUnusedCoefficientsAsZeroWithoutClearingThem) {
    const CalibrationRecord record = OrderTwoRecord();
    const std::string row = FitCoefsRow(record);
    const std::string expected =
        "03/09/2013 03:15:02.250 123.456  -5.500 270.000  45.250   2.500  -1.125"
        " -1.230000e-002  2.110000e-002  1.000000e-005  2.000000e-007"
        " -3.000000e-007  4.000000e-007" +
        kZero + kZero + kZero + kZero + "  5.000000e-001 -4.000000e-004  4.170000e-002" + kZero + kZero +
        kZero + kZero + kZero + kZero + kZero;
    EXPECT_EQ(row, expected);
    ExpectGapsUnderHeader(row, kFitCoefsHeader[2]);
    EXPECT_EQ(record.xcoef[9], 99);
    EXPECT_EQ(record.ycoef[6], 7);
}

TEST(TableRows, FitCoefsRowOfOrderOneAndThree) {
    CalibrationRecord record = OrderTwoRecord();
    record.fit_order = 3;
    std::string row = FitCoefsRow(record);
    EXPECT_EQ(row.substr(71 + 9 * 15, 15), "  9.900000e+001");
    EXPECT_EQ(row.substr(71 + 19 * 15, 15), "  7.000000e+000");
    record.fit_order = 1;
    row = FitCoefsRow(record);
    EXPECT_EQ(row.substr(71 + 2 * 15, 15), "  1.000000e-005");
    EXPECT_EQ(row.substr(71 + 3 * 15, 15), kZero);
    EXPECT_EQ(row.substr(71 + 13 * 15, 15), kZero);
}

TEST(TableRows, FitStarsRowRepeatsCalibrationColumnsBeforeTheStar) {
    const std::string row = FitStarsRow(OrderTwoRecord(), SomeStar());
    EXPECT_EQ(row,
              "03/09/2013 03:15:02.250   0.412   0.187   -2.51   12.35   -0.40    8.12"
              "  201.29824 -11.16132   0.98   3.512   4.000   0.250");
    ExpectGapsUnderHeader(row, kFitStarsHeader[2]);
}

TEST(TableRows, WideValuesWidenTheRowInsteadOfBeingCut) {
    CalibrationRecord record = OrderTwoRecord();
    record.ra_center_deg = -12345.5;
    record.date_year = 12345;
    const std::string row = FitCoefsRow(record);
    EXPECT_EQ(row.size(), 371u + 1u + 3u);
    EXPECT_EQ(row.substr(0, 35), "03/09/12345 03:15:02.250 -12345.500");
}

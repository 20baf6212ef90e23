// Layout of the calibration records: field order and sizes that stored dumps
// and other tools rely on.
#include <gtest/gtest.h>

#include <cstddef>

#include "calib/cal_record.h"

TEST(CalRecord, StarEntryKeepsResidualBetweenColumn4AndMagnitude) {
    EXPECT_EQ(offsetof(StarEntry, ra_deg), 0u);
    EXPECT_EQ(offsetof(StarEntry, col_4), 3 * sizeof(double));
    EXPECT_EQ(offsetof(StarEntry, oc_arcmin), 4 * sizeof(double));
    EXPECT_EQ(offsetof(StarEntry, mv), 5 * sizeof(double));
    EXPECT_EQ(offsetof(StarEntry, log10_flux), 11 * sizeof(double));
    EXPECT_EQ(sizeof(StarEntry), 12 * sizeof(double));
}

TEST(CalRecord, CalibrationRecordFieldsFollowMemoryOrder) {
    EXPECT_EQ(offsetof(CalibrationRecord, path), 0u);
    EXPECT_EQ(offsetof(CalibrationRecord, file_name), 256u);
    EXPECT_EQ(offsetof(CalibrationRecord, date_year), 512u);
    EXPECT_LT(offsetof(CalibrationRecord, millisecond), offsetof(CalibrationRecord, longitude_deg));
    EXPECT_LT(offsetof(CalibrationRecord, dec_center_rad), offsetof(CalibrationRecord, y_center));
    EXPECT_LT(offsetof(CalibrationRecord, y_center), offsetof(CalibrationRecord, x_center));
    EXPECT_LT(offsetof(CalibrationRecord, ycoef), offsetof(CalibrationRecord, inverse_ready));
    EXPECT_LT(offsetof(CalibrationRecord, inverse_ready), offsetof(CalibrationRecord, inv_xcoef));
    EXPECT_LT(offsetof(CalibrationRecord, oc_sigma_arcmin), offsetof(CalibrationRecord, fit_order));
    EXPECT_EQ(offsetof(CalibrationRecord, star_count), offsetof(CalibrationRecord, fit_order) + sizeof(int));
    EXPECT_EQ(sizeof(CalibrationRecord::stars), 1000 * sizeof(StarEntry));
}

TEST(CalRecord, SiteRecordTextRooms) {
    EXPECT_EQ(sizeof(SiteRecord::code_1), 256u);
    EXPECT_EQ(sizeof(SiteRecord::code_2), 4u);
    EXPECT_EQ(sizeof(SiteRecord::text_1), 128u);
    EXPECT_EQ(sizeof(SiteRecord::text_2), 128u);
    EXPECT_EQ(offsetof(SiteRecord, code_1), 4 * sizeof(double));
    EXPECT_EQ(sizeof(SiteRecord::values), 10 * sizeof(double));
}

TEST(CalRecord, TermCountFollowsFitOrder) {
    EXPECT_EQ(TermCount(1), 3);
    EXPECT_EQ(TermCount(2), 6);
    EXPECT_EQ(TermCount(3), 10);
    EXPECT_EQ(TermCount(0), 0);
    EXPECT_EQ(TermCount(4), 0);
}

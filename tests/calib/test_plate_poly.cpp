// Forward plate polynomial: terms, offsets, grouping and the order check.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "calib/plate_poly.h"
#include "fit_test_support.h"

namespace {

// Distinct powers of two, so that every partial sum below is exact.
CalibrationRecord PowerOfTwoRecord(int fit_order) {
    CalibrationRecord record{};
    record.x_center = 320.5;
    record.y_center = 240.25;
    record.fit_order = fit_order;
    for (int t = 0; t < 10; ++t) {
        record.xcoef[t] = std::ldexp(1.0, t);
        record.ycoef[t] = -std::ldexp(1.0, 10 + t);
    }
    return record;
}

}  // namespace

TEST(PlatePoly, CentreGivesConstantTermAtEveryOrder) {
    for (int order = 1; order <= 3; ++order) {
        const CalibrationRecord record = PowerOfTwoRecord(order);
        double xi = -1, eta = -1;
        Polyxy2Standard(record.x_center, record.y_center, record, xi, eta);
        EXPECT_EQ(xi, record.xcoef[0]) << "Polyxy2Standard xi at the centre, order " << order;
        EXPECT_EQ(eta, record.ycoef[0]) << "Polyxy2Standard eta at the centre, order " << order;
    }
}

TEST(PlatePoly, OffsetsUseReversedYAxis) {
    const CalibrationRecord record = PowerOfTwoRecord(3);
    const double* c = record.xcoef;
    const double* e = record.ycoef;
    double xi = 0, eta = 0;
    Polyxy2Standard(record.x_center + 1, record.y_center, record, xi, eta);  // dx = 1, dy = 0
    EXPECT_EQ(xi, c[0] + c[1] + c[3] + c[6]) << "Polyxy2Standard xi one pixel right";
    EXPECT_EQ(eta, e[0] + e[1] + e[3] + e[6]) << "Polyxy2Standard eta one pixel right";
    Polyxy2Standard(record.x_center, record.y_center - 1, record, xi, eta);  // dy = +1
    EXPECT_EQ(xi, c[0] + c[2] + c[5] + c[9]) << "Polyxy2Standard xi one pixel up";
    Polyxy2Standard(record.x_center, record.y_center + 2, record, xi, eta);  // dy = -2
    EXPECT_EQ(xi, c[0] - 2 * c[2] + 4 * c[5] - 8 * c[9]) << "Polyxy2Standard xi two pixels down";
    Polyxy2Standard(record.x_center - 1, record.y_center - 1, record, xi, eta);  // dx = -1, dy = 1
    EXPECT_EQ(eta, e[0] - e[1] + e[2] + e[3] - e[4] + e[5] - e[6] + e[7] - e[8] + e[9])
        << "Polyxy2Standard eta at dx = -1, dy = 1";
}

// Later work must reproduce these results bit for bit, so the grouping of the
// sums is part of the contract: each group summed alone, then added.
TEST(PlatePoly, GroupsAreSummedSeparatelyThenAdded) {
    // Terms of comparable size over the image, so that every grouping matters.
    CalibrationRecord record{};
    record.x_center = 320;
    record.y_center = 240;
    const double c[10] = {0.3, 1.1e-2, -0.7e-2, 3.3e-5, -2.9e-5, 4.1e-5, 1.3e-7, -0.9e-7, 1.7e-7, -1.1e-7};
    std::memcpy(record.xcoef, c, sizeof c);
    std::memcpy(record.ycoef, c, sizeof c);
    for (double x = -3.1; x < 650; x += 61.3) {
        for (double y = 1.7; y < 490; y += 47.9) {
            const double dx = x - 320, dy = 240 - y;
            const double linear = (c[1] * dx + c[0]) + c[2] * dy;
            const double quadratic = (c[4] * dx * dy + c[3] * dx * dx) + c[5] * dy * dy;
            const double cubic =
                ((c[7] * dx * dx * dy + c[6] * dx * dx * dx) + c[8] * dx * dy * dy) + c[9] * dy * dy * dy;
            double xi = 0, eta = 0;
            record.fit_order = 3;
            Polyxy2Standard(x, y, record, xi, eta);
            EXPECT_EQ(eta, (linear + quadratic) + cubic)
                << "Polyxy2Standard eta at order 3, " << x << ", " << y;
            record.fit_order = 2;
            Polyxy2Standard(x, y, record, xi, eta);
            EXPECT_EQ(eta, linear + quadratic) << "Polyxy2Standard eta at order 2, " << x << ", " << y;
        }
    }
}

TEST(PlatePoly, CoefficientsBeyondTheOrderAreIgnored) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (int order = 1; order <= 2; ++order) {
        const CalibrationRecord clean = PowerOfTwoRecord(order);
        CalibrationRecord poisoned = clean;
        for (int t = TermCount(order); t < 10; ++t) poisoned.xcoef[t] = poisoned.ycoef[t] = nan;
        double xi = 0, eta = 0, xi_clean = 0, eta_clean = 0;
        Polyxy2Standard(100.75, 30.5, clean, xi_clean, eta_clean);
        Polyxy2Standard(100.75, 30.5, poisoned, xi, eta);
        EXPECT_EQ(xi, xi_clean) << "Polyxy2Standard xi read an unused coefficient at order " << order;
        EXPECT_EQ(eta, eta_clean) << "Polyxy2Standard eta read an unused coefficient at order " << order;
    }
}

TEST(PlatePolyDeathTest, UnsupportedOrderEndsWithMessage) {
    for (int order : {0, 4, -7}) {
        const CalibrationRecord record = PowerOfTwoRecord(order);
        double xi = 0, eta = 0;
        const std::string expected =
            "^ fitorder " + std::to_string(order) + " not implemented in Polyxy2Standard\n$";
        EXPECT_EXIT((MessagesToStderr(), Polyxy2Standard(1, 2, record, xi, eta)), testing::ExitedWithCode(1),
                    expected)
            << "Polyxy2Standard order " << order;
    }
}

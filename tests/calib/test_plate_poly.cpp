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
// sums is part of the contract: each group summed alone, then added. The
// frozen values were computed apart from this code, in Python's IEEE doubles
// (round to nearest, no fused multiply-add) with the stated grouping:
//   linear = (c1*dx + c0) + c2*dy; quadratic = (c4*dx*dy + c3*dx*dx) + c5*dy*dy
//   cubic = ((c7*dx*dx*dy + c6*dx*dx*dx) + c8*dx*dy*dy) + c9*dy*dy*dy
//   order 2: linear + quadratic; order 3: (linear + quadratic) + cubic.
// At the first two points a plain term-by-term sum gives other bits, and at
// the second so does linear + (quadratic + cubic).
TEST(PlatePoly, GroupsAreSummedSeparatelyThenAdded) {
    CalibrationRecord record{};
    record.x_center = 320;
    record.y_center = 240;
    // Terms of comparable size over the image, so that every grouping matters.
    const double c[10] = {0.3, 1.1e-2, -0.7e-2, 3.3e-5, -2.9e-5, 4.1e-5, 1.3e-7, -0.9e-7, 1.7e-7, -1.1e-7};
    std::memcpy(record.xcoef, c, sizeof c);
    std::memcpy(record.ycoef, c, sizeof c);
    const struct {
        double x, y, order_2, order_3;
    } frozen[] = {
        {-3.1, 1.7, 0x1.8abd320f9cab4p+1, -0x1.04b8d82d8339fp+3},
        {119.5, 480.1, 0x1.08df5220085e4p+1, 0x1.72a2803c4a397p+0},
        {607.7, 37.3, 0x1.31523d84c5cd0p+2, 0x1.dcc963e757a90p+2},
        {431.9, 289.2, 0x1.4611cd7264208p+1, 0x1.6c0d9260cdf29p+1},
        {0.0, 0.0, 0x1.88b4395810626p+1, -0x1.01d92b7fe08aep+3},
        {640.0, 480.0, 0x1.aef9db22d0e56p+3, 0x1.89800a7c5ac47p+4},
    };
    for (const auto& point : frozen) {
        double xi = 0, eta = 0;
        record.fit_order = 3;
        Polyxy2Standard(point.x, point.y, record, xi, eta);
        EXPECT_EQ(eta, point.order_3) << "Polyxy2Standard eta at order 3, " << point.x << ", " << point.y;
        EXPECT_EQ(xi, point.order_3) << "Polyxy2Standard xi at order 3, " << point.x << ", " << point.y;
        record.fit_order = 2;
        Polyxy2Standard(point.x, point.y, record, xi, eta);
        EXPECT_EQ(eta, point.order_2) << "Polyxy2Standard eta at order 2, " << point.x << ", " << point.y;
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

// Inverse plate-polynomial fit: worked examples, untouched entries, realistic
// cameras against an independent QR solve, and the order check.
#include <gtest/gtest.h>

#include <string>

#include "calib/inverse_poly.h"
#include "calib/jacobi_svd.h"
#include "fit_test_support.h"

namespace {

constexpr double kSentinel = 777.25;

CalibrationRecord LinearRecord(const double (&xcoef)[3], const double (&ycoef)[3]) {
    CalibrationRecord record{};
    record.x_center = 320;
    record.y_center = 240;
    record.fit_order = 1;
    for (int t = 0; t < 10; ++t) {
        record.xcoef[t] = t < 3 ? xcoef[t] : 0;
        record.ycoef[t] = t < 3 ? ycoef[t] : 0;
        record.inv_xcoef[t] = record.inv_ycoef[t] = kSentinel;
    }
    return record;
}

// The fit solved from the raw normal matrix, without the power-of-two
// scaling: what the plain normal equations give.
void SolveUnscaled(const InverseProblem& problem, double* inv_x, double* inv_y) {
    const int n = problem.n;
    double normal[100], u[100], s[10], v[100];
    NormalMatrix(problem, false, normal);
    testing::internal::CaptureStdout();
    JacobiSvd(normal, u, s, v, n);
    testing::internal::GetCapturedStdout();
    for (const auto* target : {&problem.target_dx, &problem.target_dy}) {
        double b[10], c[10];
        for (int k = 0; k < n; ++k) {
            b[k] = 0;
            for (size_t p = 0; p < target->size(); ++p) b[k] += problem.terms[p * n + k] * (*target)[p];
        }
        for (int k = 0; k < n; ++k) {
            double sum = 0;
            for (int m = 0; m < n; ++m) sum += u[m * 10 + k] * b[m];
            c[k] = s[k] > 0 ? sum / s[k] : 0;
        }
        double* out = target == &problem.target_dx ? inv_x : inv_y;
        for (int k = 0; k < n; ++k) {
            out[k] = 0;
            for (int m = 0; m < n; ++m) out[k] += v[k * 10 + m] * c[m];
        }
    }
}

}  // namespace

TEST(InversePoly, LinearExampleAndUntouchedEntries) {
    CalibrationRecord record = LinearRecord({1, 2, 0}, {0, 0, 4});  // xi = 1 + 2 dx, eta = 4 dy
    Compute_Inverse_Poly(record);
    const double expected_x[3] = {-0.5, 0.5, 0}, expected_y[3] = {0, 0, 0.25};
    for (int t = 0; t < 3; ++t) {
        EXPECT_NEAR(record.inv_xcoef[t], expected_x[t], 1e-12)
            << "Compute_Inverse_Poly inv_xcoef[" << t << "]";
        EXPECT_NEAR(record.inv_ycoef[t], expected_y[t], 1e-12)
            << "Compute_Inverse_Poly inv_ycoef[" << t << "]";
    }
    for (int t = 3; t < 10; ++t) {
        EXPECT_EQ(record.inv_xcoef[t], kSentinel) << "Compute_Inverse_Poly wrote inv_xcoef[" << t << "]";
        EXPECT_EQ(record.inv_ycoef[t], kSentinel) << "Compute_Inverse_Poly wrote inv_ycoef[" << t << "]";
    }
    EXPECT_EQ(record.inverse_ready, 1) << "Compute_Inverse_Poly inverse_ready";

    // Every grid point maps to (0, 0): only the mean offsets, exactly no slope.
    CalibrationRecord flat = LinearRecord({0, 0, 0}, {0, 0, 0});
    Compute_Inverse_Poly(flat);
    EXPECT_EQ(flat.inv_xcoef[1], 0.0) << "Compute_Inverse_Poly inv_xcoef[1] of a flat polynomial";
    EXPECT_EQ(flat.inv_xcoef[2], 0.0) << "Compute_Inverse_Poly inv_xcoef[2] of a flat polynomial";
    EXPECT_EQ(flat.inv_ycoef[1], 0.0) << "Compute_Inverse_Poly inv_ycoef[1] of a flat polynomial";
    EXPECT_EQ(flat.inv_ycoef[2], 0.0) << "Compute_Inverse_Poly inv_ycoef[2] of a flat polynomial";
    EXPECT_NEAR(flat.inv_xcoef[0], 0.0, 1e-10) << "Compute_Inverse_Poly mean dx of a flat polynomial";
    EXPECT_NEAR(flat.inv_ycoef[0], 0.0, 1e-10) << "Compute_Inverse_Poly mean dy of a flat polynomial";
}

TEST(InversePoly, LowerOrderKeepsHigherEntriesOfPreviousFit) {
    CalibrationRecord record = MakeCameraRecord({320, 240, 2.5, 12, 0.05, kDegreesUnit});
    Compute_Inverse_Poly(record);
    double cubic_x[10], cubic_y[10];
    std::memcpy(cubic_x, record.inv_xcoef, sizeof cubic_x);
    std::memcpy(cubic_y, record.inv_ycoef, sizeof cubic_y);
    record.fit_order = 2;
    Compute_Inverse_Poly(record);
    for (int t = 6; t < 10; ++t) {
        EXPECT_EQ(record.inv_xcoef[t], cubic_x[t])
            << "Compute_Inverse_Poly order 2 wrote inv_xcoef[" << t << "]";
        EXPECT_EQ(record.inv_ycoef[t], cubic_y[t])
            << "Compute_Inverse_Poly order 2 wrote inv_ycoef[" << t << "]";
    }
    EXPECT_NE(record.inv_xcoef[3], cubic_x[3]) << "Compute_Inverse_Poly order 2 did not refit inv_xcoef[3]";
}

// Realistic order-3 cameras: the fit must agree with an independent QR solve
// of the same grid. The plain normal equations (no scaling) are shown to
// fail on the wide-field and arcminute cameras, which is why the fit scales.
TEST(InversePoly, RealisticCamerasMatchIndependentLeastSquares) {
    struct Case {
        const char* name;
        CameraModel camera;
        bool unscaled_fails;
    };
    const Case cases[] = {{"normal 2.5 arcmin/px, degrees", {320, 240, 2.5, 12, 0.05, kDegreesUnit}, false},
                          {"wide 4.5 arcmin/px, degrees", {320, 240, 4.5, 0, 0.05, kDegreesUnit}, true},
                          {"normal 2.5 arcmin/px, arcminutes", {320, 240, 2.5, 12, 0.05, kArcminUnit}, true}};
    for (const Case& c : cases) {
        CalibrationRecord record = MakeCameraRecord(c.camera);
        Compute_Inverse_Poly(record);
        const InverseProblem problem = MakeInverseProblem(record);
        const std::vector<double> qr_x = SolveByQr(problem.terms, problem.target_dx, 10);
        const std::vector<double> qr_y = SolveByQr(problem.terms, problem.target_dy, 10);
        const double fitted_error =
            MaxPixelDifference(problem, record.inv_xcoef, record.inv_ycoef, qr_x.data(), qr_y.data());
        EXPECT_LT(fitted_error, 1e-4) << "Compute_Inverse_Poly pixels vs QR, " << c.name;

        double plain_x[10], plain_y[10];
        SolveUnscaled(problem, plain_x, plain_y);
        const double plain_error = MaxPixelDifference(problem, plain_x, plain_y, qr_x.data(), qr_y.data());
        if (c.unscaled_fails) {
            EXPECT_GT(plain_error, 1.0) << "unscaled normal equations vs QR, " << c.name;
        }
        RecordProperty(std::string(c.name) + " max px error scaled", std::to_string(fitted_error));
        RecordProperty(std::string(c.name) + " max px error unscaled", std::to_string(plain_error));
    }
}

TEST(InversePolyDeathTest, UnsupportedOrderEndsWithMessage) {
    for (int order : {0, 4}) {
        CalibrationRecord record = LinearRecord({1, 2, 0}, {0, 0, 4});
        record.fit_order = order;
        const std::string expected =
            "^ fitorder " + std::to_string(order) + " not implemented in Compute_Inverse_Poly\n$";
        EXPECT_EXIT((MessagesToStderr(), Compute_Inverse_Poly(record)), testing::ExitedWithCode(1), expected)
            << "Compute_Inverse_Poly order " << order;
    }
}

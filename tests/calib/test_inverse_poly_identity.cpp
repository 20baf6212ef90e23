// The single-pass inverse fit against the straightforward loops: every
// coefficient must agree bit for bit, with the grid sums four and two at a
// time, on realistic calibrations of all three orders from the data
// generator and on degenerate polynomials.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "calib/inverse_poly.h"
#include "tests/calib/reference_inverse_poly.h"
#include "tools/calibration_sample.h"
#include "tools/camera_model.h"
#include "tools/split_mix.h"

namespace {

constexpr double kSentinel = -333.5;
constexpr int kCameras = 40;

// Fits the record with the straightforward loops and with Compute_Inverse_Poly
// (grid sums four at a time where the processor allows) and with the sums two
// at a time, each from its own copy, and reports whether the ten entries of
// inv_xcoef and inv_ycoef (fitted and untouched alike) and inverse_ready
// agree byte for byte.
::testing::AssertionResult FitsAgree(const CalibrationRecord& input) {
    auto reference = std::make_unique<CalibrationRecord>(input);
    for (int t = 0; t < kMaxTerms; ++t) reference->inv_xcoef[t] = reference->inv_ycoef[t] = kSentinel;
    ReferenceInversePoly(*reference);
    for (const bool in_pairs : {false, true}) {
        auto fast = std::make_unique<CalibrationRecord>(input);
        for (int t = 0; t < kMaxTerms; ++t) fast->inv_xcoef[t] = fast->inv_ycoef[t] = kSentinel;
        if (in_pairs) {
            FitInversePolynomialWith(*fast, kGridSumsInPairs);
        } else {
            Compute_Inverse_Poly(*fast);
        }
        const char* const way = in_pairs ? "grid sums in pairs" : "Compute_Inverse_Poly";
        if (std::memcmp(fast->inv_xcoef, reference->inv_xcoef, sizeof fast->inv_xcoef) != 0 ||
            std::memcmp(fast->inv_ycoef, reference->inv_ycoef, sizeof fast->inv_ycoef) != 0) {
            ::testing::AssertionResult failure = ::testing::AssertionFailure() << way;
            for (int t = 0; t < kMaxTerms; ++t) {
                failure << "\n  term " << t << ": x " << fast->inv_xcoef[t] << " vs "
                        << reference->inv_xcoef[t] << ", y " << fast->inv_ycoef[t] << " vs "
                        << reference->inv_ycoef[t];
            }
            return failure;
        }
        if (fast->inverse_ready != 1 || reference->inverse_ready != 1) {
            return ::testing::AssertionFailure() << way << ": inverse_ready not set";
        }
    }
    return ::testing::AssertionSuccess();
}

std::unique_ptr<CalibrationRecord> RecordFrom(const CalibrationSample& sample, double unit_scale) {
    auto record = std::make_unique<CalibrationRecord>();
    record->x_center = sample.x_center_px;
    record->y_center = sample.y_center_px;
    record->fit_order = sample.fit_order;
    for (int t = 0; t < kMaxTerms; ++t) {
        record->xcoef[t] = sample.xcoef[t] * unit_scale;
        record->ycoef[t] = sample.ycoef[t] * unit_scale;
    }
    return record;
}

}  // namespace

// Forty simulated cameras (three image sizes, plate scales, rolls, distortions),
// each fitted at orders 1, 2 and 3, with standard coordinates in degrees and
// in arcminutes, and with entries beyond the order holding leftovers of a
// cubic fit (which the fit must ignore).
TEST(InversePolyIdentity, RealisticCamerasMatchReferenceBitForBit) {
    for (int c = 0; c < kCameras; ++c) {
        SplitMix64 rng = StreamFor(2024, static_cast<std::uint64_t>(c));
        SimulatedCamera camera = MakeSimulatedCamera(rng, c + 1);
        camera.fit_order = 3;
        const CalibrationSample cubic = MakeCalibrationSample(camera, 1400000000000 + c * 86400000LL, 0, rng);
        for (int order = 1; order <= 3; ++order) {
            camera.fit_order = order;
            const CalibrationSample sample =
                MakeCalibrationSample(camera, 1400000000000 + c * 86400000LL, 0, rng);
            for (double unit : {1.0, kArcminPerDegree}) {
                auto record = RecordFrom(sample, unit);
                for (int t = TermCount(order); t < kMaxTerms; ++t) {
                    record->xcoef[t] = cubic.xcoef[t];
                    record->ycoef[t] = cubic.ycoef[t];
                }
                EXPECT_TRUE(FitsAgree(*record)) << "camera " << c << " order " << order << " unit " << unit;
            }
        }
    }
}

// Polynomials whose normal matrix is singular or badly scaled: all zero,
// constant, one coordinate only, and a non-square grid with huge offsets.
TEST(InversePolyIdentity, DegeneratePolynomialsMatchReferenceBitForBit) {
    auto record = std::make_unique<CalibrationRecord>();
    record->x_center = 320;
    record->y_center = 240;
    for (int order = 1; order <= 3; ++order) {
        record->fit_order = order;
        std::memset(record->xcoef, 0, sizeof record->xcoef);
        std::memset(record->ycoef, 0, sizeof record->ycoef);
        EXPECT_TRUE(FitsAgree(*record)) << "zero polynomial, order " << order;

        record->xcoef[0] = 1.5;
        record->ycoef[0] = -2.0;
        EXPECT_TRUE(FitsAgree(*record)) << "constant polynomial, order " << order;

        record->xcoef[1] = 0.05;  // xi from dx only, eta constant
        EXPECT_TRUE(FitsAgree(*record)) << "one-coordinate polynomial, order " << order;
    }
    record->x_center = 4096.5;
    record->y_center = 3.25;
    record->fit_order = 3;
    const double xcoef[kMaxTerms] = {0.1, 0.07, -0.002, 1e-6, -2e-6, 3e-7, 1e-9, -1e-10, 2e-10, -3e-11};
    const double ycoef[kMaxTerms] = {-0.2, 0.001, 0.069, -1e-6, 2e-7, 5e-7, -2e-10, 1e-9, 3e-11, 4e-10};
    std::memcpy(record->xcoef, xcoef, sizeof xcoef);
    std::memcpy(record->ycoef, ycoef, sizeof ycoef);
    EXPECT_TRUE(FitsAgree(*record)) << "wide, flat grid";
}

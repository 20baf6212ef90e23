// One-sided Jacobi SVD: hand-worked results, storage bounds, realistic normal
// matrices of the inverse fit, and the sweep-limit warning.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "calib/jacobi_svd.h"
#include "fit_test_support.h"

namespace {

constexpr double kSentinel = -12345.5;

struct SvdRun {
    double a[100], u[100], s[10], v[100];
    std::string printed;
};

// Decomposes the leading n x n block of `values` (rows of 10) with every
// output element pre-set to a sentinel, capturing standard output.
SvdRun Decompose(const double* values, int n) {
    SvdRun run;
    for (int i = 0; i < 100; ++i) {
        run.a[i] = values[i];
        run.u[i] = run.v[i] = kSentinel;
    }
    for (double& s : run.s) s = kSentinel;
    testing::internal::CaptureStdout();
    JacobiSvd(run.a, run.u, run.s, run.v, n);
    run.printed = testing::internal::GetCapturedStdout();
    return run;
}

SvdRun DecomposeRows(std::initializer_list<std::initializer_list<double>> rows) {
    double a[100] = {};
    int i = 0;
    for (const auto& row : rows) {
        int j = 0;
        for (double value : row) a[i * 10 + j++] = value;
        ++i;
    }
    return Decompose(a, i);
}

void ExpectBlock(const double* actual, std::initializer_list<std::initializer_list<double>> rows,
                 const char* what) {
    int i = 0;
    for (const auto& row : rows) {
        int j = 0;
        for (double value : row) {
            EXPECT_EQ(actual[i * 10 + j], value) << "JacobiSvd " << what << " (" << i << ", " << j << ")";
            ++j;
        }
        ++i;
    }
}

// Largest |V^T V - I|, |U - A V| / max|A| and the ordering of S over n.
struct Quality {
    double orthogonality = 0, reconstruction = 0;
    bool descending = true;
};
Quality Measure(const SvdRun& run, int n) {
    Quality quality;
    double a_max = 0;
    for (int i = 0; i < n * 10; ++i) a_max = std::fmax(a_max, std::fabs(run.a[i]));
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            double vtv = 0, av = 0;
            for (int m = 0; m < n; ++m) {
                vtv += run.v[m * 10 + i] * run.v[m * 10 + j];
                av += run.a[i * 10 + m] * run.v[m * 10 + j];
            }
            quality.orthogonality = std::fmax(quality.orthogonality, std::fabs(vtv - (i == j)));
            quality.reconstruction =
                std::fmax(quality.reconstruction, std::fabs(run.u[i * 10 + j] - av) / a_max);
        }
    }
    for (int k = 1; k < n; ++k) quality.descending = quality.descending && run.s[k - 1] >= run.s[k];
    return quality;
}

}  // namespace

TEST(JacobiSvd, HandWorkedSmallMatrices) {
    const SvdRun identity = DecomposeRows({{1, 0, 0}, {0, 1, 0}, {0, 0, 1}});
    ExpectBlock(identity.s, {{1, 1, 1}}, "identity S");
    ExpectBlock(identity.u, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, "identity U");
    ExpectBlock(identity.v, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, "identity V");

    const SvdRun zero = DecomposeRows({{0, 0, 0}, {0, 0, 0}, {0, 0, 0}});
    ExpectBlock(zero.s, {{0, 0, 0}}, "zero S");
    ExpectBlock(zero.u, {{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}, "zero U");
    ExpectBlock(zero.v, {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}, "zero V");

    // Two sweeps: the first exchanges every pair, the second finds them done.
    const SvdRun diagonal = DecomposeRows({{1, 0, 0}, {0, 2, 0}, {0, 0, 3}});
    ExpectBlock(diagonal.s, {{9, 4, 1}}, "diag(1,2,3) S");
    ExpectBlock(diagonal.v, {{0, 0, 1}, {0, -1, 0}, {1, 0, 0}}, "diag(1,2,3) V");
    ExpectBlock(diagonal.u, {{0, 0, 1}, {0, -2, 0}, {3, 0, 0}}, "diag(1,2,3) U");

    // Orthogonal columns with the smaller first are exchanged, and the
    // exchange counts as a rotation: a second sweep measures the final norms.
    const SvdRun exchanged = DecomposeRows({{1, 0}, {0, 2}});
    ExpectBlock(exchanged.s, {{4, 1}}, "exchange S");
    ExpectBlock(exchanged.u, {{0, -1}, {2, 0}}, "exchange U");
    ExpectBlock(exchanged.v, {{0, -1}, {1, 0}}, "exchange V");

    // A single column has no pair; S still gets its squared norm.
    const SvdRun single = DecomposeRows({{-3}});
    ExpectBlock(single.s, {{9}}, "order 1 S");
    ExpectBlock(single.u, {{-3}}, "order 1 U");
    ExpectBlock(single.v, {{1}}, "order 1 V");

    // Rank one, A = v v^T with v = (1, 2, 3): one singular value |v|^2 = 14.
    // The first sweep leaves columns 1 and 2 negligible; S[0] must still be
    // measured after the last rotation into column 0.
    const SvdRun rank_one = DecomposeRows({{1, 2, 3}, {2, 4, 6}, {3, 6, 9}});
    EXPECT_NEAR(rank_one.s[0], 196, 196 * 1e-14) << "JacobiSvd S[0] of a rank-one matrix";
    EXPECT_LT(rank_one.s[1], 1e-20) << "JacobiSvd S[1] of a rank-one matrix";
    EXPECT_LT(rank_one.s[2], 1e-20) << "JacobiSvd S[2] of a rank-one matrix";
    EXPECT_LT(Measure(rank_one, 3).reconstruction, 1e-15) << "JacobiSvd U = A V of a rank-one matrix";

    // A block of size 2^-24, [[2, 1], [1, 2]] * 2^-24, beside a 1: its squared
    // norms are far above the zero-column floor 10*n*eps^2 (relative to S[0]),
    // so it is decomposed: squared singular values 9 * 2^-48 and 2^-48.
    const double b = std::ldexp(1.0, -24);
    const SvdRun small_block = DecomposeRows({{1, 0, 0}, {0, 2 * b, b}, {0, b, 2 * b}});
    EXPECT_EQ(small_block.s[0], 1.0) << "JacobiSvd S[0] beside a small block";
    EXPECT_NEAR(small_block.s[1], 9 * b * b, 9 * b * b * 1e-14) << "JacobiSvd S[1] of a small block";
    EXPECT_NEAR(small_block.s[2], b * b, b * b * 1e-14) << "JacobiSvd S[2] of a small block";

    for (const SvdRun* run : {&identity, &zero, &diagonal, &exchanged, &single, &rank_one, &small_block}) {
        EXPECT_EQ(run->printed, "") << "JacobiSvd warned on a well-conditioned matrix";
    }
}

TEST(JacobiSvd, TouchesOnlyTheLeadingBlock) {
    double a[100];
    for (int i = 0; i < 100; ++i) a[i] = std::nan("");  // anything read outside the block poisons U
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) a[i * 10 + j] = 1.0 + i * 3 + j * j;
    }
    const SvdRun run = Decompose(a, 3);
    for (int i = 0; i < 100; ++i) {
        const bool inside = i / 10 < 3 && i % 10 < 3;
        if (inside) {
            EXPECT_TRUE(std::isfinite(run.u[i]) && std::isfinite(run.v[i])) << "JacobiSvd U/V element " << i;
        } else {
            EXPECT_EQ(run.u[i], kSentinel) << "JacobiSvd wrote U element " << i;
            EXPECT_EQ(run.v[i], kSentinel) << "JacobiSvd wrote V element " << i;
        }
    }
    for (int k = 3; k < 10; ++k) EXPECT_EQ(run.s[k], kSentinel) << "JacobiSvd wrote S element " << k;
    EXPECT_LT(Measure(run, 3).reconstruction, 1e-14) << "JacobiSvd U = A V with order 3";

    for (int order : {0, -1}) {
        const SvdRun empty = Decompose(a, order);
        for (int i = 0; i < 100; ++i) {
            EXPECT_EQ(empty.u[i], kSentinel) << "JacobiSvd wrote U element " << i << " with order " << order;
            EXPECT_EQ(empty.v[i], kSentinel) << "JacobiSvd wrote V element " << i << " with order " << order;
        }
        for (double s : empty.s) EXPECT_EQ(s, kSentinel) << "JacobiSvd wrote S with order " << order;
        EXPECT_EQ(empty.printed, "") << "JacobiSvd printed with order " << order;
    }
}

// The rotation formulas and the order of the sums (each pair's inner product
// and squared norms taken over the rows in row order) fix every bit of the
// results. Frozen values from an independent computation: the same formulas
// written out in Python's IEEE doubles (no fused multiply-add), summing in
// row order. Summed last row first, S[0], S[1] and V differ in their last
// bits; a sine that does not take the sign of the inner product flips
// columns of V.
TEST(JacobiSvd, FrozenBitsOfASymmetricMatrix) {
    const SvdRun run = DecomposeRows({{4, 1, 2}, {1, 3, 0.5}, {2, 0.5, 5}});
    ExpectBlock(run.s, {{0x1.75540b41ea07ap+5, 0x1.2e08af01381f8p+3, 0x1.194e47ee3f838p+2}}, "S, frozen");
    ExpectBlock(run.v,
                {{0x1.3baeb0c883c3cp-1, 0x1.4d95efa3c528fp-2, -0x1.6ef8f27ab1e96p-1},
                 {0x1.0832512fc6572p-2, 0x1.8d91a7938cce5p-1, 0x1.2655b465f991bp-1},
                 {0x1.7cd6e56500198p-1, -0x1.14285e018ffb7p-1, 0x1.943078b0e5666p-2}},
                "V, frozen");
}

// The normal matrices that the inverse fit decomposes (scaled by powers of
// two), for a normal, a wide-field and an arcminute-unit camera at every order.
TEST(JacobiSvd, RealisticNormalMatricesConverge) {
    const CameraModel cameras[] = {{320, 240, 2.5, 12, 0.05, kDegreesUnit},
                                   {320, 240, 4.5, 0, 0.05, kDegreesUnit},
                                   {360, 288, 1.2, -70, -0.1, kArcminUnit}};
    for (const CameraModel& camera : cameras) {
        CalibrationRecord record = MakeCameraRecord(camera);
        for (int order = 1; order <= 3; ++order) {
            record.fit_order = order;
            const int n = TermCount(order);
            double normal[100] = {};
            NormalMatrix(MakeInverseProblem(record), true, normal);
            const SvdRun run = Decompose(normal, n);
            const Quality quality = Measure(run, n);
            const std::string which =
                std::to_string(camera.arcmin_per_pixel) + " arcmin/px, order " + std::to_string(order);
            EXPECT_LT(quality.orthogonality, 1e-13) << "JacobiSvd V orthogonality, " << which;
            EXPECT_LT(quality.reconstruction, 1e-13) << "JacobiSvd U = A V, " << which;
            EXPECT_TRUE(quality.descending) << "JacobiSvd S descending at convergence, " << which;
            EXPECT_EQ(run.printed, "") << "JacobiSvd sweep limit, " << which;
            for (int k = 0; k < n; ++k) {
                double norm = 0;
                for (int i = 0; i < n; ++i) norm += run.u[i * 10 + k] * run.u[i * 10 + k];
                EXPECT_NEAR(run.s[k], norm, 1e-12 * run.s[0]) << "JacobiSvd S[" << k << "], " << which;
            }
        }
    }
}

// Rank 2, with the two live columns left at an inner product of 1.5e-16 of
// their norm: just above the tolerance, below what rounding can improve.
TEST(JacobiSvd, WarnsWhenTheSweepLimitIsReached) {
    const SvdRun run = DecomposeRows({{0, 0, 0}, {-3, 1, 1}, {-1, -1, -3}});
    EXPECT_EQ(run.printed, "Warning: Reached maximum number of sweeps (30) in SVD routine...\n")
        << "JacobiSvd sweep-limit warning";
    const Quality quality = Measure(run, 3);
    EXPECT_LT(quality.orthogonality, 1e-14) << "JacobiSvd V orthogonality at the sweep limit";
    EXPECT_LT(quality.reconstruction, 1e-14) << "JacobiSvd U = A V at the sweep limit";
    EXPECT_NEAR(run.s[0], 12, 1e-13) << "JacobiSvd S[0] at the sweep limit";
    EXPECT_NEAR(run.s[1], 10, 1e-13) << "JacobiSvd S[1] at the sweep limit";
    EXPECT_LT(run.s[2], 1e-28) << "JacobiSvd S[2] at the sweep limit";
}

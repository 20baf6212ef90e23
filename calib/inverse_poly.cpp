#include "calib/inverse_poly.h"

#include <cstdio>
#include <cstring>

#include "calib/jacobi_svd.h"
#include "calib/normal_equations.h"
#include "calib/plate_poly.h"
#include "calib/process_end.h"

namespace {

// The pixel grid: 51 positions each way, from 0 to twice the centre, in steps
// of one 25th of the centre coordinate, so index 25 falls on the centre.
constexpr int kGridSide = 51;
constexpr int kGridStepsPerCentre = 25;
constexpr int kMatrixSize = kMaxTerms * kSvdRowLength;

// W doubles handled by one vector instruction: two with SSE2 (every x86-64
// processor), four with AVX2. The arithmetic is element by element and IEEE
// in each lane, with no fused multiply-add, so a lane rounds exactly as the
// same scalar operation would, whatever the width.
template <int W>
struct VectorOf {
    typedef double Type __attribute__((vector_size(W * sizeof(double))));
};

// Scratch storage of one fit, sized for order 3 whatever the order in use.
struct InverseFitScratch {
    double grid_sums[kMaxTerms][kMaxTerms];  // lower triangle of the normal matrix, row j holds columns 0..j
    double sum_dx[kMaxTerms];                // right-hand sides before scaling
    double sum_dy[kMaxTerms];
    double normal[kMatrixSize];  // equilibrated normal matrix
    double scale[kMaxTerms];     // power-of-two column scales
};

// Running sums of a fit with N terms, held W adjacent columns to a vector:
// lower[j][h] holds normal-matrix columns W*h to W*h + W - 1 of row j (lanes
// past column j are spare and never read), dx[h] and dy[h] the right-hand
// sides of those terms.
template <int N, int W>
struct GridSums {
    typedef typename VectorOf<W>::Type Vector;
    static constexpr int kVectors = (N + W - 1) / W;
    Vector lower[N][kVectors];
    Vector dx[kVectors];
    Vector dy[kVectors];
};

// Adds one grid point to the sums: normal entry (j, k), k <= j, gets
// T[k]*T[j], the right-hand sides T[k]*dx and T[k]*dy, where T are the N
// terms of the point's standard coordinates (the products commute exactly).
// The loops have fixed lengths and are unrolled, so the terms stay in
// registers and the sums of W columns advance in one instruction. Always
// inlined, so that it takes the instruction set of the function it is in.
template <int N, int W>
__attribute__((always_inline)) inline void AddGridPoint(double xi, double eta, double dx, double dy,
                                                        GridSums<N, W>& sums) {
    typedef typename GridSums<N, W>::Vector Vector;
    constexpr int kVectors = GridSums<N, W>::kVectors;
    double t[W * kVectors] = {};
    t[0] = 1.0;
    t[1] = xi;
    t[2] = eta;
    if (N >= 6) {
        t[3] = xi * xi;
        t[4] = xi * eta;
        t[5] = eta * eta;
    }
    if (N >= 10) {
        t[6] = (xi * xi) * xi;
        t[7] = (xi * xi) * eta;
        t[8] = (xi * eta) * eta;
        t[9] = (eta * eta) * eta;
    }
    // The terms W at a time, built from registers (a vector loaded from the
    // scalars just stored would wait for them); a scalar operand of a vector
    // operation stands for W copies of itself. (GCC 12 takes the vectors set
    // in the unrolled loop below for unset ones: a known false alarm.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
    Vector columns[kVectors];
#pragma GCC unroll 8
    for (int h = 0; h < kVectors; ++h) {
        if constexpr (W == 2) {
            columns[h] = Vector{t[2 * h], t[2 * h + 1]};
        } else {
            columns[h] = Vector{t[4 * h], t[4 * h + 1], t[4 * h + 2], t[4 * h + 3]};
        }
    }

#pragma GCC unroll 16
    for (int j = 0; j < N; ++j) {
#pragma GCC unroll 8
        for (int h = 0; h < kVectors; ++h) {
            if (W * h <= j) sums.lower[j][h] += columns[h] * t[j];
        }
    }
#pragma GCC unroll 8
    for (int h = 0; h < kVectors; ++h) {
        sums.dx[h] += columns[h] * dx;
        sums.dy[h] += columns[h] * dy;
    }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
}

// Samples the forward polynomial over the grid (x index i outer, y index j
// inner, point p = 51*i + j) and accumulates, in one pass, the lower triangle
// of the normal matrix N[j][k] = sum of T[k][p]*T[j][p] and the right-hand
// sides sum of T[k][p]*dx[p] and T[k][p]*dy[p]. Every sum starts at 0 and
// takes the points in order, exactly as its own dot product over the grid
// would; keeping the sums side by side lets them advance together instead of
// each waiting on its previous addition, and no term matrix is stored.
// Pixel positions and offsets are those of Polyxy2Standard and the reference
// grid: x = (i*x_center)/25, y = (j*y_center)/25. Always inlined, like
// AddGridPoint, into the function of the width's instruction set.
template <int kOrder, int W>
__attribute__((always_inline)) inline void AccumulateGrid(const CalibrationRecord& record,
                                                          InverseFitScratch& scratch) {
    constexpr int N = TermCount(kOrder);
    GridSums<N, W> sums{};
    double grid_dy[kGridSide + 1];  // the last one is the spare point of each column
    for (int j = 0; j < kGridSide + 1; ++j) {
        grid_dy[j] = record.y_center - (j * record.y_center) / kGridStepsPerCentre;
    }
    for (int i = 0; i < kGridSide; ++i) {
        const double dx = (i * record.x_center) / kGridStepsPerCentre - record.x_center;
        // Evaluate the column first, so the evaluations do not wait on the
        // sums. The arrays hold one point past the grid's edge (an even
        // count), which lets the compiler evaluate several points per
        // instruction; that point is never added to the sums.
        double xi[kGridSide + 1];
        double eta[kGridSide + 1];
        for (int j = 0; j < kGridSide + 1; ++j) {
            EvaluatePlatePoly(dx, grid_dy[j], kOrder, record.xcoef, record.ycoef, xi[j], eta[j]);
        }
        for (int j = 0; j < kGridSide; ++j) AddGridPoint<N, W>(xi[j], eta[j], dx, grid_dy[j], sums);
    }

    for (int j = 0; j < N; ++j) {
        for (int k = 0; k <= j; ++k) scratch.grid_sums[j][k] = sums.lower[j][k / W][k % W];
    }
    for (int k = 0; k < N; ++k) {
        scratch.sum_dx[k] = sums.dx[k / W][k % W];
        scratch.sum_dy[k] = sums.dy[k / W][k % W];
    }
}

// The grid sums two at a time, with the instructions of every x86-64 processor.
void AccumulateGridInPairs(const CalibrationRecord& record, InverseFitScratch& scratch) {
    if (record.fit_order == 1) AccumulateGrid<1, 2>(record, scratch);
    if (record.fit_order == 2) AccumulateGrid<2, 2>(record, scratch);
    if (record.fit_order == 3) AccumulateGrid<3, 2>(record, scratch);
}

// The grid sums four at a time with AVX2, where the processor has it. Not in
// Windows builds: there the compiler does not align the stack for the wider
// vectors it may keep there.
#if defined(__x86_64__) && !defined(_WIN32)
#define NORV_GRID_SUMS_IN_QUADS 1
__attribute__((target("avx2"))) void AccumulateGridInQuads(const CalibrationRecord& record,
                                                           InverseFitScratch& scratch) {
    if (record.fit_order == 1) AccumulateGrid<1, 4>(record, scratch);
    if (record.fit_order == 2) AccumulateGrid<2, 4>(record, scratch);
    if (record.fit_order == 3) AccumulateGrid<3, 4>(record, scratch);
}
#endif

// Builds the full n x n normal matrix from the accumulated lower triangle
// (the matrix is symmetric, so the mirror is exact).
void MirrorNormalMatrix(int n, InverseFitScratch& scratch) {
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) {
            scratch.normal[j * kSvdRowLength + k] =
                k <= j ? scratch.grid_sums[j][k] : scratch.grid_sums[k][j];
        }
    }
}

}  // namespace

bool GridSumsInQuadsAvailable() {
#ifdef NORV_GRID_SUMS_IN_QUADS
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
#else
    return false;
#endif
}

bool FitInversePolynomialWith(CalibrationRecord& record, GridSumsWidth width) {
    const int n = TermCount(record.fit_order);
    if (n == 0) return false;
    InverseFitScratch scratch;
#ifdef NORV_GRID_SUMS_IN_QUADS
    if (width == kGridSumsInQuads && GridSumsInQuadsAvailable()) {
        AccumulateGridInQuads(record, scratch);
    } else {
        AccumulateGridInPairs(record, scratch);
    }
#else
    (void)width;
    AccumulateGridInPairs(record, scratch);
#endif
    MirrorNormalMatrix(n, scratch);
    EquilibrateNormalMatrix(n, scratch.normal, scratch.scale);
    const bool sweep_limit_reached = SolveEquilibratedNormalEquations(
        n, scratch.normal, scratch.scale, scratch.sum_dx, scratch.sum_dy, record.inv_xcoef, record.inv_ycoef);
    record.inverse_ready = 1;
    return sweep_limit_reached;
}

bool FitInversePolynomial(CalibrationRecord& record) {
    // Four at a time pays from order 2 on; the three sums of order 1 are
    // formed faster two at a time (measured side by side: 6.5 against 9.8 µs
    // for order 1, 13.9 against 15.6 µs for order 2, 31 against 44 µs for
    // order 3).
    return FitInversePolynomialWith(record, record.fit_order == 1 ? kGridSumsInPairs : kGridSumsInQuads);
}

void Compute_Inverse_Poly(CalibrationRecord& record) {
    const int n = TermCount(record.fit_order);
    if (n == 0) {
        std::printf(" fitorder %li not implemented in Compute_Inverse_Poly\n",
                    static_cast<long>(record.fit_order));
        EndProcess(1);
    }
    if (FitInversePolynomial(record)) PrintSweepLimitWarning(n);
}

#include "calib/inverse_poly.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "calib/jacobi_svd.h"
#include "calib/plate_poly.h"
#include "calib/process_end.h"

namespace {

// The pixel grid: 51 positions each way, from 0 to twice the centre, in steps
// of one 25th of the centre coordinate, so index 25 falls on the centre.
constexpr int kGridSide = 51;
constexpr int kGridStepsPerCentre = 25;
constexpr int kGridPoints = kGridSide * kGridSide;
constexpr int kMatrixSize = kMaxTerms * kSvdRowLength;

// Scratch storage of one fit, sized for order 3 whatever the order in use.
struct InverseFitScratch {
    double target_dx[kGridPoints];         // plate x offset of each grid point, pixels
    double target_dy[kGridPoints];         // plate y offset of each grid point, pixels
    double terms[kMaxTerms][kGridPoints];  // term t of (xi, eta) at each grid point
    double normal[kMatrixSize];            // equilibrated normal matrix
    double u[kMatrixSize];                 // decomposition results
    double v[kMatrixSize];
    double s[kMaxTerms];
    double scale[kMaxTerms];  // power-of-two column scales
    double bx[kMaxTerms];     // scaled right-hand sides
    double by[kMaxTerms];
    double rotated_solution[kMaxTerms];  // solution along the right singular vectors
};

// Samples the forward polynomial over the grid (x index outer, point
// p = 51*i + j) and fills the targets and the first n term rows.
void SampleGrid(const CalibrationRecord& record, int n, InverseFitScratch& scratch) {
    for (int i = 0; i < kGridSide; ++i) {
        for (int j = 0; j < kGridSide; ++j) {
            const int p = kGridSide * i + j;
            const double x = (i * record.x_center) / kGridStepsPerCentre;
            const double y = (j * record.y_center) / kGridStepsPerCentre;
            scratch.target_dx[p] = x - record.x_center;
            scratch.target_dy[p] = record.y_center - y;

            double xi = 0.0;
            double eta = 0.0;
            Polyxy2Standard(x, y, record, xi, eta);

            double(*t)[kGridPoints] = scratch.terms;
            t[0][p] = 1.0;
            t[1][p] = xi;
            t[2][p] = eta;
            if (n >= 6) {
                t[3][p] = xi * xi;
                t[4][p] = xi * eta;
                t[5][p] = eta * eta;
            }
            if (n >= 10) {
                t[6][p] = (xi * xi) * xi;
                t[7][p] = (xi * xi) * eta;
                t[8][p] = (xi * eta) * eta;
                t[9][p] = (eta * eta) * eta;
            }
        }
    }
}

// Sum over the grid of term row k times values[p], in point order.
double SumOverGrid(const double* row, const double* values) {
    double sum = 0.0;
    for (int p = 0; p < kGridPoints; ++p) sum += row[p] * values[p];
    return sum;
}

// Builds the n x n normal matrix N[j][k] = sum of T[k][p] * T[j][p], then
// scales row and column k by a power of two that brings N[k][k] into
// [1/4, 1). The scaling is exact, and it keeps the decomposition's fixed
// rank tolerance from dropping columns whose terms are merely in a small or
// large unit (standard coordinates in arcminutes, cubic terms of wide fields).
void BuildScaledNormalMatrix(int n, InverseFitScratch& scratch) {
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) {
            scratch.normal[j * kSvdRowLength + k] = SumOverGrid(scratch.terms[k], scratch.terms[j]);
        }
    }
    for (int k = 0; k < n; ++k) {
        const double diagonal = scratch.normal[k * kSvdRowLength + k];
        scratch.scale[k] = 1.0;
        if (diagonal > 0.0) {
            int exponent = 0;
            std::frexp(std::sqrt(diagonal), &exponent);
            scratch.scale[k] = std::ldexp(1.0, -exponent);
        }
    }
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) {
            scratch.normal[j * kSvdRowLength + k] *= (scratch.scale[j] * scratch.scale[k]);
        }
    }
}

// Given the scaled right-hand side b of one offset, solves the scaled normal
// equations through the decomposition (components of zero singular value
// dropped), undoes the scaling and writes the n coefficients.
void SolveOneOffset(int n, const double* b, InverseFitScratch& scratch, double* coefficients) {
    double* c = scratch.rotated_solution;
    for (int k = 0; k < n; ++k) {
        double s = 0.0;
        for (int m = 0; m < n; ++m) s += scratch.u[m * kSvdRowLength + k] * b[m];
        c[k] = scratch.s[k] > 0.0 ? s / scratch.s[k] : 0.0;
    }
    for (int k = 0; k < n; ++k) {
        double sum = 0.0;
        for (int m = 0; m < n; ++m) sum += scratch.v[k * kSvdRowLength + m] * c[m];
        coefficients[k] = sum * scratch.scale[k];
    }
}

}  // namespace

// Inverse plate polynomial fit. Given a record with x_center, y_center
// (pixels), fit_order and the first n forward coefficients loaded (n = 3, 6,
// 10 for order 1, 2, 3), samples the forward polynomial on a 51 x 51 pixel
// grid spanning 0..2*x_center and 0..2*y_center, fits the plate offsets
// dx = x - x_center and dy = y_center - y (pixels) by least squares as
// polynomials of the same order in the standard coordinates (xi, eta), and
// writes them into entries 0..n-1 of inv_xcoef and inv_ycoef; entries n..9
// are neither read nor written. Sets inverse_ready to 1. Components of the
// solution along zero singular values are dropped, so a degenerate forward
// polynomial still completes. The decomposition may print its sweep-limit
// warning; the fit then goes on with its results.
// Ends the process with status 1 when fit_order is not 1, 2 or 3 (" fitorder
// %li not implemented in Compute_Inverse_Poly\n", before any allocation) or
// when its scratch storage cannot be allocated.
void Compute_Inverse_Poly(CalibrationRecord& record) {
    const int n = TermCount(record.fit_order);
    if (n == 0) {
        std::printf(" fitorder %li not implemented in Compute_Inverse_Poly\n",
                    static_cast<long>(record.fit_order));
        EndProcess(1);
    }

    InverseFitScratch* scratch = new (std::nothrow) InverseFitScratch;
    if (scratch == nullptr) {
        std::printf(" Cannot allocate scratch storage in Compute_Inverse_Poly \n");
        EndProcess(1);
    }

    SampleGrid(record, n, *scratch);
    BuildScaledNormalMatrix(n, *scratch);
    JacobiSvd(scratch->normal, scratch->u, scratch->s, scratch->v, n);

    for (int k = 0; k < n; ++k) {
        scratch->bx[k] = SumOverGrid(scratch->terms[k], scratch->target_dx) * scratch->scale[k];
        scratch->by[k] = SumOverGrid(scratch->terms[k], scratch->target_dy) * scratch->scale[k];
    }
    SolveOneOffset(n, scratch->bx, *scratch, record.inv_xcoef);
    SolveOneOffset(n, scratch->by, *scratch, record.inv_ycoef);
    record.inverse_ready = 1;

    delete scratch;
}

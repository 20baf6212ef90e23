#include "tests/calib/reference_inverse_poly.h"

#include <cmath>
#include <memory>

#include "calib/jacobi_svd.h"
#include "calib/plate_poly.h"

namespace {

constexpr int kGridSide = 51;
constexpr int kGridStepsPerCentre = 25;
constexpr int kGridPoints = kGridSide * kGridSide;
constexpr int kMatrixSize = kMaxTerms * kSvdRowLength;

struct ReferenceScratch {
    double target_dx[kGridPoints];
    double target_dy[kGridPoints];
    double terms[kMaxTerms][kGridPoints];
    double normal[kMatrixSize];
    double u[kMatrixSize];
    double v[kMatrixSize];
    double s[kMaxTerms];
    double scale[kMaxTerms];
    double bx[kMaxTerms];
    double by[kMaxTerms];
    double rotated_solution[kMaxTerms];
};

void SampleGrid(const CalibrationRecord& record, int n, ReferenceScratch& scratch) {
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

double SumOverGrid(const double* row, const double* values) {
    double sum = 0.0;
    for (int p = 0; p < kGridPoints; ++p) sum += row[p] * values[p];
    return sum;
}

void BuildScaledNormalMatrix(int n, ReferenceScratch& scratch) {
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

void SolveOneOffset(int n, const double* b, ReferenceScratch& scratch, double* coefficients) {
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

void ReferenceInversePoly(CalibrationRecord& record) {
    const int n = TermCount(record.fit_order);
    if (n == 0) return;
    auto scratch = std::make_unique<ReferenceScratch>();
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
}

void ReferenceNormalMatrix(const CalibrationRecord& record, double* normal) {
    const int n = TermCount(record.fit_order);
    auto scratch = std::make_unique<ReferenceScratch>();
    SampleGrid(record, n, *scratch);
    BuildScaledNormalMatrix(n, *scratch);
    for (int i = 0; i < kMatrixSize; ++i) normal[i] = scratch->normal[i];
}

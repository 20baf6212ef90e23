#include "tests/calib/reference_inverse_poly.h"

#include <cmath>
#include <memory>

#include "calib/jacobi_svd.h"
#include "calib/normal_equations.h"
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
    double scale[kMaxTerms];
    double sum_dx[kMaxTerms];
    double sum_dy[kMaxTerms];
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

// Every normal-matrix entry as its own dot product over the grid, then the
// shared equilibration.
void BuildScaledNormalMatrix(int n, ReferenceScratch& scratch) {
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) {
            scratch.normal[j * kSvdRowLength + k] = SumOverGrid(scratch.terms[k], scratch.terms[j]);
        }
    }
    EquilibrateNormalMatrix(n, scratch.normal, scratch.scale);
}

}  // namespace

void ReferenceInversePoly(CalibrationRecord& record) {
    const int n = TermCount(record.fit_order);
    if (n == 0) return;
    auto scratch = std::make_unique<ReferenceScratch>();
    SampleGrid(record, n, *scratch);
    BuildScaledNormalMatrix(n, *scratch);
    for (int k = 0; k < n; ++k) {
        scratch->sum_dx[k] = SumOverGrid(scratch->terms[k], scratch->target_dx);
        scratch->sum_dy[k] = SumOverGrid(scratch->terms[k], scratch->target_dy);
    }
    SolveEquilibratedNormalEquations(n, scratch->normal, scratch->scale, scratch->sum_dx, scratch->sum_dy,
                                     record.inv_xcoef, record.inv_ycoef);
    record.inverse_ready = 1;
}

void ReferenceNormalMatrix(const CalibrationRecord& record, double* normal) {
    const int n = TermCount(record.fit_order);
    auto scratch = std::make_unique<ReferenceScratch>();
    SampleGrid(record, n, *scratch);
    BuildScaledNormalMatrix(n, *scratch);
    for (int i = 0; i < kMatrixSize; ++i) normal[i] = scratch->normal[i];
}

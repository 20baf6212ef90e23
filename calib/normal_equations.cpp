#include "calib/normal_equations.h"

#include <cmath>

#include "calib/cal_record.h"
#include "calib/jacobi_svd.h"

namespace {

constexpr int kMatrixSize = kMaxTerms * kSvdRowLength;

// The decomposition of one normal matrix: U = N*V unnormalised, S the squared
// singular values, V the right singular vectors.
struct Decomposition {
    double u[kMatrixSize];
    double v[kMatrixSize];
    double s[kMaxTerms];
};

// Given the scaled right-hand side b of one fit, solves along the right
// singular vectors (c[k] = (U^T b)_k / S_k, 0 where S_k is 0), turns the
// solution back with V, undoes the scaling and writes the n coefficients.
void SolveOneFit(int n, const Decomposition& d, const double* b, const double* scale, double* coefficients) {
    double c[kMaxTerms];
    for (int k = 0; k < n; ++k) {
        double s = 0.0;
        for (int m = 0; m < n; ++m) s += d.u[m * kSvdRowLength + k] * b[m];
        c[k] = d.s[k] > 0.0 ? s / d.s[k] : 0.0;
    }
    for (int k = 0; k < n; ++k) {
        double sum = 0.0;
        for (int m = 0; m < n; ++m) sum += d.v[k * kSvdRowLength + m] * c[m];
        coefficients[k] = sum * scale[k];
    }
}

}  // namespace

void EquilibrateNormalMatrix(int n, double* normal, double* scale) {
    for (int k = 0; k < n; ++k) {
        const double diagonal = normal[k * kSvdRowLength + k];
        scale[k] = 1.0;
        if (diagonal > 0.0) {
            int exponent = 0;
            std::frexp(std::sqrt(diagonal), &exponent);
            scale[k] = std::ldexp(1.0, -exponent);
        }
    }
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) normal[j * kSvdRowLength + k] *= (scale[j] * scale[k]);
    }
}

bool SolveEquilibratedNormalEquations(int n, const double* normal, const double* scale, const double* sum_x,
                                      const double* sum_y, double* coef_x, double* coef_y) {
    Decomposition d;
    const bool sweep_limit_reached = JacobiSvdQuiet(normal, d.u, d.s, d.v, n);
    double bx[kMaxTerms];
    double by[kMaxTerms];
    for (int k = 0; k < n; ++k) {
        bx[k] = sum_x[k] * scale[k];
        by[k] = sum_y[k] * scale[k];
    }
    SolveOneFit(n, d, bx, scale, coef_x);
    SolveOneFit(n, d, by, scale, coef_y);
    return sweep_limit_reached;
}

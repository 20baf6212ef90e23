#include "tools/forward_fit.h"

#include <cmath>
#include <utility>

#include "calib/cal_record.h"

namespace {

constexpr int kTerms = 10;
constexpr int kGridSide = 21;
constexpr int kTermDegree[kTerms] = {0, 1, 1, 2, 2, 2, 3, 3, 3, 3};

// The ten terms at (u, v), in the fixed order 1, x, y, xx, xy, yy, xxx, xxy, xyy, yyy.
void TermValues(double u, double v, double terms[kTerms]) {
    terms[0] = 1.0;
    terms[1] = u;
    terms[2] = v;
    terms[3] = u * u;
    terms[4] = u * v;
    terms[5] = v * v;
    terms[6] = u * u * u;
    terms[7] = u * u * v;
    terms[8] = u * v * v;
    terms[9] = v * v * v;
}

// Solves the n x n system a * x = b in place by Gaussian elimination with
// partial pivoting; b receives x. The systems here are small and, in the
// normalised offsets used, well conditioned.
void SolveInPlace(int n, double a[kTerms][kTerms], double b[kTerms]) {
    for (int col = 0; col < n; ++col) {
        int pivot = col;
        for (int row = col + 1; row < n; ++row) {
            if (std::fabs(a[row][col]) > std::fabs(a[pivot][col])) pivot = row;
        }
        for (int k = 0; k < n; ++k) std::swap(a[col][k], a[pivot][k]);
        std::swap(b[col], b[pivot]);
        for (int row = col + 1; row < n; ++row) {
            const double factor = a[row][col] / a[col][col];
            for (int k = col; k < n; ++k) a[row][k] -= factor * a[col][k];
            b[row] -= factor * b[col];
        }
    }
    for (int row = n - 1; row >= 0; --row) {
        double sum = b[row];
        for (int k = row + 1; k < n; ++k) sum -= a[row][k] * b[k];
        b[row] = sum / a[row][row];
    }
}

}  // namespace

void FitForwardPolynomial(const SimulatedCamera& camera, const SimulatedPose& pose, int fit_order,
                          double xcoef[10], double ycoef[10]) {
    const int n = TermCount(fit_order);
    // Offsets are normalised by the half diagonal so the normal matrix stays
    // well conditioned; the coefficients are scaled back afterwards.
    const double unit_px =
        0.5 * std::hypot(static_cast<double>(camera.width_px), static_cast<double>(camera.height_px));

    double normal[kTerms][kTerms] = {};
    double rhs_xi[kTerms] = {};
    double rhs_eta[kTerms] = {};
    for (int i = 0; i < kGridSide; ++i) {
        for (int j = 0; j < kGridSide; ++j) {
            const double dx = (i / (kGridSide - 1.0) - 0.5) * camera.width_px;
            const double dy = (0.5 - j / (kGridSide - 1.0)) * camera.height_px;
            double xi = 0.0;
            double eta = 0.0;
            PlateOffsetToStandardDeg(camera, pose, dx, dy, xi, eta);
            double terms[kTerms];
            TermValues(dx / unit_px, dy / unit_px, terms);
            for (int r = 0; r < n; ++r) {
                for (int c = 0; c < n; ++c) normal[r][c] += terms[r] * terms[c];
                rhs_xi[r] += terms[r] * xi;
                rhs_eta[r] += terms[r] * eta;
            }
        }
    }

    double normal_copy[kTerms][kTerms];
    for (int r = 0; r < kTerms; ++r) {
        for (int c = 0; c < kTerms; ++c) normal_copy[r][c] = normal[r][c];
    }
    SolveInPlace(n, normal, rhs_xi);
    SolveInPlace(n, normal_copy, rhs_eta);

    for (int t = 0; t < kTerms; ++t) {
        const double scale = std::pow(unit_px, kTermDegree[t]);
        xcoef[t] = t < n ? rhs_xi[t] / scale : 0.0;
        ycoef[t] = t < n ? rhs_eta[t] / scale : 0.0;
    }
}

// Test helpers for the plate polynomial, the SVD and the inverse fit:
// realistic camera calibrations, an independent least-squares solver
// (Householder QR), and a way to see the messages of a routine that ends the
// process.
#ifndef TESTS_CALIB_FIT_TEST_SUPPORT_H
#define TESTS_CALIB_FIT_TEST_SUPPORT_H

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "calib/cal_record.h"
#include "calib/plate_poly.h"

// A camera of 2*x_center by 2*y_center pixels with a rectilinear lens of
// scale s (radians per pixel) and radial distortion: a pixel at off-axis
// distance rho lies at tan(theta) = s*rho*(1 + k*(s*rho)^2 + k/2*(s*rho)^4)
// from the axis, rotated by rotation_deg on the sky. Standard coordinates are
// in the unit given by unit_per_radian.
struct CameraModel {
    double x_center, y_center, arcmin_per_pixel, rotation_deg, radial_k, unit_per_radian;
};
constexpr double kDegreesUnit = 57.29577951;
constexpr double kArcminUnit = 60.0 * 57.29577951;

// The ten polynomial terms (1, u, v, uu, uv, vv, uuu, uuv, uvv, vvv).
inline void PolyTerms(double u, double v, double* t) {
    const double values[10] = {1, u, v, u * u, u * v, v * v, u * u * u, u * u * v, u * v * v, v * v * v};
    std::memcpy(t, values, sizeof values);
}

// Least-squares solution of rows x n system A a = b (A row-major) by
// Householder QR on column-normalised A.
inline std::vector<double> SolveByQr(std::vector<double> a, std::vector<double> b, int n) {
    const int rows = static_cast<int>(b.size());
    std::vector<double> norm(n, 0.0), x(n, 0.0);
    for (int k = 0; k < n; ++k) {
        for (int i = 0; i < rows; ++i) norm[k] += a[i * n + k] * a[i * n + k];
        norm[k] = norm[k] > 0 ? std::sqrt(norm[k]) : 1.0;
        for (int i = 0; i < rows; ++i) a[i * n + k] /= norm[k];
    }
    for (int k = 0; k < n; ++k) {
        double alpha = 0;
        for (int i = k; i < rows; ++i) alpha += a[i * n + k] * a[i * n + k];
        alpha = a[k * n + k] > 0 ? -std::sqrt(alpha) : std::sqrt(alpha);
        std::vector<double> w(rows, 0.0);
        for (int i = k; i < rows; ++i) w[i] = a[i * n + k];
        w[k] -= alpha;
        double ww = 0;
        for (int i = k; i < rows; ++i) ww += w[i] * w[i];
        if (ww == 0) continue;
        for (int j = k; j < n; ++j) {
            double dot = 0;
            for (int i = k; i < rows; ++i) dot += w[i] * a[i * n + j];
            for (int i = k; i < rows; ++i) a[i * n + j] -= 2 * dot / ww * w[i];
        }
        double dot = 0;
        for (int i = k; i < rows; ++i) dot += w[i] * b[i];
        for (int i = k; i < rows; ++i) b[i] -= 2 * dot / ww * w[i];
    }
    for (int k = n - 1; k >= 0; --k) {
        double sum = b[k];
        for (int j = k + 1; j < n; ++j) sum -= a[k * n + j] * x[j];
        x[k] = sum / a[k * n + k];
    }
    for (int k = 0; k < n; ++k) x[k] /= norm[k];
    return x;
}

// The inverse fit's 51 x 51 pixel grid (x index outer) as (x, y) pairs.
inline std::vector<double> PixelGrid(const CalibrationRecord& record) {
    std::vector<double> grid;
    for (int i = 0; i <= 50; ++i) {
        for (int j = 0; j <= 50; ++j) {
            grid.push_back((i * record.x_center) / 25);
            grid.push_back((j * record.y_center) / 25);
        }
    }
    return grid;
}

// A record of order 3 whose forward polynomial is the least-squares cubic
// of the camera's projection over its pixel grid.
inline CalibrationRecord MakeCameraRecord(const CameraModel& camera) {
    CalibrationRecord record{};
    record.x_center = camera.x_center;
    record.y_center = camera.y_center;
    record.fit_order = 3;
    const double scale = camera.arcmin_per_pixel / 60.0 / 57.29577951;
    const double c = std::cos(camera.rotation_deg / 57.29577951);
    const double s = std::sin(camera.rotation_deg / 57.29577951);
    const std::vector<double> grid = PixelGrid(record);
    std::vector<double> a, xi, eta;
    for (size_t p = 0; p < grid.size(); p += 2) {
        const double dx = grid[p] - record.x_center, dy = record.y_center - grid[p + 1];
        const double u = dx * c - dy * s, v = dx * s + dy * c, rho = std::hypot(u, v);
        const double r2 = scale * rho * scale * rho;
        const double radial = scale * (1 + camera.radial_k * r2 * (1 + r2 / 2)) * camera.unit_per_radian;
        double t[10];
        PolyTerms(dx, dy, t);
        a.insert(a.end(), t, t + 10);
        xi.push_back(u * radial);
        eta.push_back(v * radial);
    }
    const std::vector<double> xcoef = SolveByQr(a, xi, 10), ycoef = SolveByQr(a, eta, 10);
    std::memcpy(record.xcoef, xcoef.data(), sizeof record.xcoef);
    std::memcpy(record.ycoef, ycoef.data(), sizeof record.ycoef);
    return record;
}

// The inverse fit's problem for a record: the n terms of (xi, eta) at every
// grid point (row-major, 2601 x n) and the plate offsets to be fitted.
struct InverseProblem {
    int n;
    std::vector<double> terms, target_dx, target_dy;
};
inline InverseProblem MakeInverseProblem(const CalibrationRecord& record) {
    InverseProblem problem{TermCount(record.fit_order), {}, {}, {}};
    const std::vector<double> grid = PixelGrid(record);
    for (size_t p = 0; p < grid.size(); p += 2) {
        double xi = 0, eta = 0, t[10];
        Polyxy2Standard(grid[p], grid[p + 1], record, xi, eta);
        PolyTerms(xi, eta, t);
        problem.terms.insert(problem.terms.end(), t, t + problem.n);
        problem.target_dx.push_back(grid[p] - record.x_center);
        problem.target_dy.push_back(record.y_center - grid[p + 1]);
    }
    return problem;
}

// The problem's n x n normal matrix (rows of 10), optionally with row and
// column k scaled by the power of two that brings the diagonal into [1/4, 1).
inline void NormalMatrix(const InverseProblem& problem, bool equilibrate, double* normal) {
    const int n = problem.n;
    const size_t points = problem.target_dx.size();
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) {
            double sum = 0;
            for (size_t p = 0; p < points; ++p) sum += problem.terms[p * n + k] * problem.terms[p * n + j];
            normal[j * 10 + k] = sum;
        }
    }
    double scale[10];
    for (int k = 0; k < n; ++k) {
        int exponent = 0;
        std::frexp(std::sqrt(normal[k * 10 + k]), &exponent);
        scale[k] = equilibrate ? std::ldexp(1.0, -exponent) : 1.0;
    }
    for (int j = 0; j < n; ++j) {
        for (int k = 0; k < n; ++k) normal[j * 10 + k] *= scale[j] * scale[k];
    }
}

// Largest difference, in pixels over the grid, between the offsets that two
// sets of inverse coefficients predict.
inline double MaxPixelDifference(const InverseProblem& problem, const double* inv_x, const double* inv_y,
                                 const double* ref_x, const double* ref_y) {
    double worst = 0;
    for (size_t p = 0; p < problem.target_dx.size(); ++p) {
        double dx = 0, dy = 0;
        for (int t = 0; t < problem.n; ++t) {
            const double term = problem.terms[p * problem.n + t];
            dx += (inv_x[t] - ref_x[t]) * term;
            dy += (inv_y[t] - ref_y[t]) * term;
        }
        worst = std::fmax(worst, std::fmax(std::fabs(dx), std::fabs(dy)));
    }
    return worst;
}

// For death tests: sends standard output (where the messages go) to standard
// error, which the death test matches, and gives the process an empty
// standard input so that it can never wait on a terminal.
inline void MessagesToStderr() {
    std::fflush(stdout);
    dup2(2, 1);
    if (std::freopen("/dev/null", "r", stdin) == nullptr) std::abort();
}

#endif  // TESTS_CALIB_FIT_TEST_SUPPORT_H

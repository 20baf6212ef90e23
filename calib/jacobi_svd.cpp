#include "calib/jacobi_svd.h"

#include <cmath>
#include <cstdio>

namespace {

// Relative precision the rotations aim for, and the orthogonality tolerance
// derived from it (0.1 * eps in double arithmetic, just above 1e-16); see the
// notes in jacobi_svd.h.
constexpr double kEps = 1e-15;
constexpr double kTol = 0.1 * kEps;
constexpr double kTolSquared = kTol * kTol;

// Sweeps allowed before giving up: 30 for every order below 120.
int SweepLimit(int n) {
    return n < 120 ? 30 : n / 4;
}

double& Element(double* matrix, int row, int column) {
    return matrix[row * kSvdRowLength + column];
}

// Applies the plane rotation (c0, s0) to columns j and k of the first n rows
// of matrix: column j becomes x*c0 + y*s0 and column k becomes y*c0 - x*s0.
void RotateColumns(double* matrix, int n, int j, int k, double c0, double s0) {
    for (int i = 0; i < n; ++i) {
        const double x = Element(matrix, i, j);
        const double y = Element(matrix, i, k);
        Element(matrix, i, j) = x * c0 + y * s0;
        Element(matrix, i, k) = y * c0 - x * s0;
    }
}

// Given the working matrix U, the rotations so far in V and a column pair
// j < k, measures the pair, stores both squared norms in S (before any
// rotation of the pair) and, unless the pair is already orthogonal with the
// larger norm first, rotates columns j and k of U and V so that they are
// orthogonal with the larger norm in column j. e2 is the squared-norm floor
// below which a column counts as zero. Returns true when it rotated.
bool OrthogonalisePair(double* U, double* S, double* V, int n, int j, int k, double e2) {
    double p = 0.0;  // inner product of the two columns
    double q = 0.0;  // squared norm of column j
    double r = 0.0;  // squared norm of column k
    for (int i = 0; i < n; ++i) {
        const double uj = Element(U, i, j);
        const double uk = Element(U, i, k);
        p += uj * uk;
        q += uj * uj;
        r += uk * uk;
    }
    S[j] = q;
    S[k] = r;

    double c0 = 0.0;
    double s0 = 0.0;
    if (q >= r) {
        // Column j already the larger: skip when it is negligible or when the
        // pair is orthogonal to working precision.
        if (q <= e2 * S[0] || std::fabs(p) <= kTol * q) return false;
        const double p_scaled = p / q;
        const double r_scaled = 1.0 - r / q;
        const double vt = std::sqrt(4.0 * p_scaled * p_scaled + r_scaled * r_scaled);
        c0 = std::sqrt(0.5 * (1.0 + r_scaled / vt));
        s0 = p_scaled / (vt * c0);
    } else {
        // Column k is the larger: always rotate, which moves it to column j.
        const double p_scaled = p / r;
        const double q_scaled = q / r - 1.0;
        const double vt = std::sqrt(4.0 * p_scaled * p_scaled + q_scaled * q_scaled);
        s0 = std::sqrt(0.5 * (1.0 - q_scaled / vt));
        if (p_scaled < 0.0) s0 = -s0;
        c0 = p_scaled / (vt * s0);
    }
    RotateColumns(U, n, j, k, c0, s0);
    RotateColumns(V, n, j, k, c0, s0);
    return true;
}

}  // namespace

bool JacobiSvdQuiet(const double* A, double* U, double* S, double* V, int n) {
    const double e2 = ((n * 10) * kEps) * kEps;
    const int sweep_limit = SweepLimit(n);

    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) Element(U, i, j) = A[i * kSvdRowLength + j];
    }
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) Element(V, i, j) = 0.0;
        Element(V, i, i) = 1.0;
    }
    // Nothing to decompose; a negative order is treated the same way rather
    // than running sweeps over no columns until the limit.
    if (n <= 0) return false;

    int sweep_count = 0;
    int rank = n;
    for (;;) {
        if (sweep_count > sweep_limit) break;
        ++sweep_count;

        int rotation_count = rank * (rank - 1) / 2;
        for (int j = 0; j < rank - 1; ++j) {
            for (int k = j + 1; k < rank; ++k) {
                if (!OrthogonalisePair(U, S, V, n, j, k, e2)) --rotation_count;
            }
        }
        while (rank > 2 && S[rank - 1] <= S[0] * kTol + kTolSquared) --rank;
        if (rotation_count == 0) break;
    }

    // A single column has no pair to measure it; give S its squared norm so
    // that the caller never reads an unset value.
    if (n == 1) S[0] = Element(U, 0, 0) * Element(U, 0, 0);

    return sweep_count > sweep_limit;
}

void PrintSweepLimitWarning(int n) {
    std::printf("Warning: Reached maximum number of sweeps (%d) in SVD routine...\n", SweepLimit(n));
}

void JacobiSvd(const double* A, double* U, double* S, double* V, int n) {
    if (JacobiSvdQuiet(A, U, S, V, n)) PrintSweepLimitWarning(n);
}

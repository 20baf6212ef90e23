// JacobiSvd: one-sided Jacobi singular value decomposition of a small matrix.
#ifndef CALIB_JACOBI_SVD_H
#define CALIB_JACOBI_SVD_H

// Row length of every matrix handed to JacobiSvd: element (i, j) is at i*10 + j.
constexpr int kSvdRowLength = 10;

// Given the n x n matrix A (n from 0 to 10, leading block of 10-wide rows),
// returns U = A*V (unnormalised: column k is the k-th left singular vector
// times its singular value), S[k] = squared norm of column k of U (the squared
// singular values), and the orthogonal V whose columns are the right singular
// vectors. A is not changed; only the leading n x n blocks are written.
// Never ends the process; prints a warning on standard output when the sweep
// limit is reached.
void JacobiSvd(const double* A, double* U, double* S, double* V, int n);

#endif  // CALIB_JACOBI_SVD_H

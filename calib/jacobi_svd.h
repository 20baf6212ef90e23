// JacobiSvd: one-sided Jacobi singular value decomposition of a small matrix.
#ifndef CALIB_JACOBI_SVD_H
#define CALIB_JACOBI_SVD_H

// Row length of every matrix handed to JacobiSvd: element (i, j) is at i*10 + j.
constexpr int kSvdRowLength = 10;

// JacobiSvd
// Given the n x n matrix A (n from 0 to 10; the leading block of rows of
// kSvdRowLength doubles is read, A is not changed), rotates pairs of columns
// of a working copy, sweep after sweep, until every pair is orthogonal, and
// returns:
// - U = A*V, unnormalised: column k is the k-th left singular vector times
//   its singular value (units of A);
// - S[k], the squared norm of column k of U as last measured: the squared
//   singular values (units of A squared; no square roots are taken);
// - V, the product of the rotations (orthogonal): its columns are the right
//   singular vectors.
// Only the leading n x n blocks of U and V and the first n entries of S are
// written; with n = 0 (or below) nothing is written. No allocation. Never
// ends the process; when a sweep beyond the sweep limit was begun it prints
// "Warning: Reached maximum number of sweeps (%d) in SVD routine...\n" on
// standard output and returns the results as they stand.
//
// Notes
// - The method is Hestenes' one-sided Jacobi method in the form J. C. Nash
//   gives it (Compact Numerical Methods for Computers, 2nd ed., 1990,
//   algorithm 1), and the thresholds follow that formulation: eps = 1e-15 is
//   the relative precision aimed at; tol = 0.1*eps is the orthogonality test
//   (a pair with |p| <= tol*q is skipped); e2 = 10*n*eps*eps is the
//   squared-norm floor below which a column counts as zero beside the first.
//   The sweep limit is 30 for every n below 120 (n/4 above).
// - After each sweep the estimated rank r falls while
//   S[r-1] <= S[0]*tol + tol*tol: columns that small are no longer visited.
//   The rank never falls below 2 (Nash's floor), so the first two columns
//   are always measured again.
// - When the loop ends because a sweep rotated nothing, S holds the final
//   squared norms in decreasing order over the active columns; at the sweep
//   limit it holds the values measured during the last sweep.
// - A single column (n = 1) has no pair to measure it; S[0] is then set to
//   its squared norm, so the caller never reads an unset value.
void JacobiSvd(const double* A, double* U, double* S, double* V, int n);

// JacobiSvdQuiet
// JacobiSvd without its output: the same U, S and V, and nothing printed.
// Returns true when a sweep beyond the sweep limit was begun, the case in
// which JacobiSvd prints its warning. For callers that must print it later,
// in order (the run's workers). Never ends the process.
bool JacobiSvdQuiet(const double* A, double* U, double* S, double* V, int n);

// PrintSweepLimitWarning
// Given the order n of a decomposition that reached its sweep limit, prints
// JacobiSvd's warning with the limit for that order. Never ends the process.
void PrintSweepLimitWarning(int n);

#endif  // CALIB_JACOBI_SVD_H

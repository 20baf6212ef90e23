// Normal equations of the inverse plate-polynomial fit: the power-of-two
// equilibration of the normal matrix, and the solve of two fits that share it
// through the one-sided Jacobi SVD.
#ifndef CALIB_NORMAL_EQUATIONS_H
#define CALIB_NORMAL_EQUATIONS_H

// EquilibrateNormalMatrix
// Given the n x n symmetric normal matrix (n from 1 to 10, rows of
// kSvdRowLength doubles), scales row and column k by a power of two scale[k]
// that brings the diagonal entry into [1/4, 1) (scale 1 where the diagonal is
// not positive). The scaling is exact, and it keeps the decomposition's fixed
// rank tolerance from dropping columns whose terms are merely in a small or
// large unit (standard coordinates in arcminutes, cubic terms of wide fields).
// Never ends the process.
void EquilibrateNormalMatrix(int n, double* normal, double* scale);

// SolveEquilibratedNormalEquations
// Given the equilibrated n x n normal matrix and its scales, and the unscaled
// right-hand sides of two fits (sums of term times target over the grid),
// decomposes the matrix once and writes the n least-squares coefficients of
// each fit, in the unit of the targets per unit of the terms. Components
// along zero singular values are dropped. Returns true when the
// decomposition reached its sweep limit (it prints nothing; the caller warns).
// Never ends the process.
bool SolveEquilibratedNormalEquations(int n, const double* normal, const double* scale, const double* sum_x,
                                      const double* sum_y, double* coef_x, double* coef_y);

#endif  // CALIB_NORMAL_EQUATIONS_H

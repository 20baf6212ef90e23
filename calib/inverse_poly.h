// Compute_Inverse_Poly: least-squares fit of the inverse plate polynomial.
#ifndef CALIB_INVERSE_POLY_H
#define CALIB_INVERSE_POLY_H

#include "calib/cal_record.h"

// Compute_Inverse_Poly
// Given a record with x_center, y_center (pixels), fit_order and the first n
// forward coefficients loaded (n = TermCount(fit_order): 3, 6 or 10 for
// order 1, 2, 3), samples the forward polynomial (Polyxy2Standard) on a
// 51 x 51 pixel grid spanning 0..2*x_center and 0..2*y_center (x index outer,
// point p = 51*i + j, x = (i*x_center)/25, y = (j*y_center)/25), fits the
// plate offsets dx = x - x_center and dy = y_center - y (pixels) by least
// squares as polynomials of the same order in the standard coordinates
// (xi, eta), and writes them into entries 0..n-1 of inv_xcoef and inv_ycoef
// (pixels per standard unit to the term's power). Entries n..9 are neither
// read nor written. Sets inverse_ready to 1.
//
// Ends the process with status 1 when fit_order is not 1, 2 or 3 (prints
// " fitorder %li not implemented in Compute_Inverse_Poly\n" first). The
// decomposition may print its sweep-limit warning; the fit then goes on with
// its results. The scratch storage (about 2 KB) is on the stack.
//
// Notes
// - Every grid sum N[j][k] = sum of T[k][p]*T[j][p] and every right-hand side
//   sum of T[k][p]*dx[p] (or dy[p]) starts at 0 and takes the points in point
//   order, so the sums are the same bit for bit as plain dot products over
//   the grid (tests/calib/reference_inverse_poly holds those plain loops).
// - The normal matrix is equilibrated before the decomposition (see
//   calib/normal_equations.h): each row and column k is scaled by the power
//   of two that brings N[k][k] into [1/4, 1). The decomposition's rank
//   tolerance is relative to the largest column, so without the scaling the
//   cubic terms of a wide field, or every term of standard coordinates in
//   arcminutes, fell below it and were dropped: errors of thousands of
//   pixels. Powers of two scale exactly, so only that decision changes.
// - Components of the solution along zero singular values are dropped, so a
//   degenerate forward polynomial (0 everywhere) still completes, with the
//   mean targets in the constant terms.
void Compute_Inverse_Poly(CalibrationRecord& record);

// FitInversePolynomial
// Compute_Inverse_Poly without its output: the same fit into the same fields
// for a record whose fit_order is 1, 2 or 3, and nothing printed. Returns
// true when the decomposition reached its sweep limit, the case in which
// Compute_Inverse_Poly prints the warning (PrintSweepLimitWarning with
// TermCount(fit_order)). Leaves the record as it is and returns false for
// another order. Never ends the process; safe on any thread for records of
// its own.
bool FitInversePolynomial(CalibrationRecord& record);

// How many grid sums advance in one instruction: two (SSE2, every x86-64
// processor) or four (AVX2). Both give every fitted value bit for bit.
enum GridSumsWidth { kGridSumsInPairs, kGridSumsInQuads };

// GridSumsInQuadsAvailable
// Returns whether this processor and build can form the sums four at a time.
bool GridSumsInQuadsAvailable();

// FitInversePolynomialWith
// FitInversePolynomial with the grid sums formed at the given width (four
// only where available; two otherwise). FitInversePolynomial takes the widest
// available. Never ends the process.
bool FitInversePolynomialWith(CalibrationRecord& record, GridSumsWidth width);

#endif  // CALIB_INVERSE_POLY_H

// The inverse plate-polynomial fit written the straightforward way: the grid
// sampled into a full term matrix, then every normal-matrix entry and every
// right-hand side as its own dot product over the 2601 points. Kept as the
// reference that the single-pass fit in calib/ must match bit for bit.
#ifndef TESTS_CALIB_REFERENCE_INVERSE_POLY_H
#define TESTS_CALIB_REFERENCE_INVERSE_POLY_H

#include "calib/cal_record.h"

// Given a record loaded as for Compute_Inverse_Poly (fit_order 1, 2 or 3),
// fits the inverse polynomial exactly as Compute_Inverse_Poly must, writing
// entries 0..n-1 of inv_xcoef and inv_ycoef and setting inverse_ready.
void ReferenceInversePoly(CalibrationRecord& record);

// Given such a record, returns in normal (10-wide rows) the n x n matrix that
// the fit hands to JacobiSvd, built the straightforward way.
void ReferenceNormalMatrix(const CalibrationRecord& record, double* normal);

#endif  // TESTS_CALIB_REFERENCE_INVERSE_POLY_H

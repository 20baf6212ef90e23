// Compute_Inverse_Poly: least-squares fit of the inverse plate polynomial.
#ifndef CALIB_INVERSE_POLY_H
#define CALIB_INVERSE_POLY_H

#include "calib/cal_record.h"

// Given a record with x_center, y_center, fit_order and the forward
// coefficients loaded, fits the polynomial of the same order in (xi, eta)
// that gives back the plate offsets (pixels) over a 51 x 51 pixel grid, and
// stores it in the first n entries of inv_xcoef / inv_ycoef; sets
// inverse_ready to 1. Entries n..9 are left untouched.
// Ends the process with status 1 when fit_order is not 1, 2 or 3.
void Compute_Inverse_Poly(CalibrationRecord& record);

#endif  // CALIB_INVERSE_POLY_H

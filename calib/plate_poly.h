// Polyxy2Standard: the forward plate polynomial of one calibration.
#ifndef CALIB_PLATE_POLY_H
#define CALIB_PLATE_POLY_H

#include "calib/cal_record.h"

// Given a pixel position (x, y) in pixels and a calibration record, returns the
// standard coordinates (xi, eta) in the unit of the record's coefficients,
// evaluated in the plate offsets dx = x - x_center, dy = y_center - y.
// Ends the process with status 1 (after the evaluation) when fit_order is not
// 1, 2 or 3.
void Polyxy2Standard(double x, double y, const CalibrationRecord& record, double& xi, double& eta);

#endif  // CALIB_PLATE_POLY_H

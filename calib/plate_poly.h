// Polyxy2Standard: the forward plate polynomial of one calibration.
#ifndef CALIB_PLATE_POLY_H
#define CALIB_PLATE_POLY_H

#include "calib/cal_record.h"

// Polyxy2Standard
// Given a pixel position (x, y) in pixels and a record whose x_center,
// y_center, fit_order, xcoef and ycoef are loaded, writes the standard
// coordinates (xi, eta), in the unit the coefficients produce, into the two
// outputs. The terms are taken in the plate offsets dx = x - x_center and
// dy = y_center - y (dy grows as the pixel y falls), and the arithmetic is
// EvaluatePlatePoly's. The record is only read.
// Ends the process with status 1 when fit_order is not 1, 2 or 3, after the
// evaluation: an order above 3 has all ten terms evaluated, an order below 1
// leaves both outputs at 0; either then prints " fitorder %li not implemented
// in Polyxy2Standard\n".
void Polyxy2Standard(double x, double y, const CalibrationRecord& record, double& xi, double& eta);

// EvaluatePlatePoly
// The evaluation inside Polyxy2Standard, without the order check. Given the
// plate offsets dx, dy (pixels), an order and the ten coefficients of xi and
// of eta, returns xi and eta: the linear group (terms 1, x, y), plus the
// quadratic group from order 2, plus the cubic group from order 3, each group
// summed on its own in the order written and then added to the output; every
// product is formed left to right, coefficient first. An order below 1 gives
// 0 for both. It is inline so that the inverse fit can evaluate its whole
// grid without a call per point; Polyxy2Standard uses it too, so there is one
// definition of the arithmetic. Never ends the process.
inline void EvaluatePlatePoly(double dx, double dy, int fit_order, const double* cx, const double* cy,
                              double& xi, double& eta) {
    xi = 0.0;
    eta = 0.0;
    if (fit_order >= 1) {
        xi = (cx[1] * dx + cx[0]) + cx[2] * dy;
        eta = (cy[1] * dx + cy[0]) + cy[2] * dy;
    }
    if (fit_order >= 2) {
        const double xi_quadratic = (cx[4] * dx * dy + cx[3] * dx * dx) + cx[5] * dy * dy;
        const double eta_quadratic = (cy[4] * dx * dy + cy[3] * dx * dx) + cy[5] * dy * dy;
        xi += xi_quadratic;
        eta += eta_quadratic;
    }
    if (fit_order >= 3) {
        const double xi_cubic =
            ((cx[7] * dx * dx * dy + cx[6] * dx * dx * dx) + cx[8] * dx * dy * dy) + cx[9] * dy * dy * dy;
        const double eta_cubic =
            ((cy[7] * dx * dx * dy + cy[6] * dx * dx * dx) + cy[8] * dx * dy * dy) + cy[9] * dy * dy * dy;
        xi += xi_cubic;
        eta += eta_cubic;
    }
}

#endif  // CALIB_PLATE_POLY_H

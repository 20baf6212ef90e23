#include "calib/plate_poly.h"

#include <cstdio>

#include "calib/process_end.h"

// Forward plate polynomial. Given a pixel position (x, y) in pixels and a
// record whose x_center, y_center, fit_order, xcoef and ycoef are loaded,
// writes the standard coordinates (xi, eta), in the unit the coefficients
// produce, into the two outputs. The terms are taken in the plate offsets
// dx = x - x_center and dy = y_center - y (dy grows as the pixel y falls).
// Each term group is summed on its own and then added to the output, so the
// result does not depend on how the groups of another order were rounded.
// The order is tested only after the evaluation: an order above 3 has all ten
// terms evaluated, an order below 1 leaves both outputs at 0; either then
// prints " fitorder %li not implemented in Polyxy2Standard\n" and ends the
// process with status 1.
void Polyxy2Standard(double x, double y, const CalibrationRecord& record, double& xi, double& eta) {
    const double dx = x - record.x_center;
    const double dy = record.y_center - y;
    const double* cx = record.xcoef;
    const double* cy = record.ycoef;

    xi = 0.0;
    eta = 0.0;

    if (record.fit_order >= 1) {
        xi = (cx[1] * dx + cx[0]) + cx[2] * dy;
        eta = (cy[1] * dx + cy[0]) + cy[2] * dy;
    }
    if (record.fit_order >= 2) {
        const double xi_quadratic = (cx[4] * dx * dy + cx[3] * dx * dx) + cx[5] * dy * dy;
        const double eta_quadratic = (cy[4] * dx * dy + cy[3] * dx * dx) + cy[5] * dy * dy;
        xi += xi_quadratic;
        eta += eta_quadratic;
    }
    if (record.fit_order >= 3) {
        const double xi_cubic =
            ((cx[7] * dx * dx * dy + cx[6] * dx * dx * dx) + cx[8] * dx * dy * dy) + cx[9] * dy * dy * dy;
        const double eta_cubic =
            ((cy[7] * dx * dx * dy + cy[6] * dx * dx * dx) + cy[8] * dx * dy * dy) + cy[9] * dy * dy * dy;
        xi += xi_cubic;
        eta += eta_cubic;
    }

    if (record.fit_order > 3 || record.fit_order < 1) {
        std::printf(" fitorder %li not implemented in Polyxy2Standard\n",
                    static_cast<long>(record.fit_order));
        EndProcess(1);
    }
}

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
    EvaluatePlatePoly(dx, dy, record.fit_order, record.xcoef, record.ycoef, xi, eta);

    if (record.fit_order > 3 || record.fit_order < 1) {
        std::printf(" fitorder %li not implemented in Polyxy2Standard\n",
                    static_cast<long>(record.fit_order));
        EndProcess(1);
    }
}

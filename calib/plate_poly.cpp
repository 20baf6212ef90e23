#include "calib/plate_poly.h"

#include <cstdio>

#include "calib/process_end.h"

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

// Least-squares fit of a forward plate polynomial to a simulated camera.
#ifndef TOOLS_FORWARD_FIT_H
#define TOOLS_FORWARD_FIT_H

#include "tools/camera_model.h"

// Given a camera, its pose and a fit order (1, 2 or 3), fits xi and eta
// (degrees) as polynomials in the plate offsets dx, dy (pixels, from the image
// centre) over the terms 1, x, y, xx, xy, yy, xxx, xxy, xyy, yyy, sampling the
// camera on a 21 x 21 grid over the image. Writes the first 3, 6 or 10
// entries of xcoef and ycoef and sets the rest to 0.
void FitForwardPolynomial(const SimulatedCamera& camera, const SimulatedPose& pose, int fit_order,
                          double xcoef[10], double ycoef[10]);

#endif  // TOOLS_FORWARD_FIT_H

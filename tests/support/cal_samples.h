// Calibrations for the tests, each described in a few lines of values and
// written as CAL text by the generator's writer (tools/cal_text.h).
#ifndef TESTS_SUPPORT_CAL_SAMPLES_H
#define TESTS_SUPPORT_CAL_SAMPLES_H

#include <array>
#include <initializer_list>

#include "tools/calibration_sample.h"

// One star row's twelve values in file column order: RA, Dec (deg), x, y
// (pixels), visual magnitude, colour index, xi, eta (deg), log10 intensity,
// log10 peak, log10 flux, residual (arcmin).
using StarColumns = std::array<double, 12>;

// Given the twelve values of a star row, returns the star they describe.
StarEntry StarOfColumns(const StarColumns& columns);

// Given a camera number, returns a calibration of that camera at
// 2013-12-14 03:15:02.250 UT: a plausible site and 720 x 576 camera, pointing,
// fits and coefficients 0 at order 1, no stars.
CalibrationSample BaseSample(int camera_number);

// Sets the values the FitCoefs table prints before the coefficients: RA,
// Dec, azimuth and elevation of the centre (deg), plate scale (arcmin/pixel)
// and camera tilt (deg).
void SetPointing(CalibrationSample& sample, const std::array<double, 6>& pointing);

// Sets the values the FitStars table prints before the star: residual mean
// and sigma (arcmin), magnitude-fit slope and intercept, flux-fit slope and
// intercept.
void SetFits(CalibrationSample& sample, const std::array<double, 6>& fits);

// Sets the fit order and the first coefficients of x and y; the others are 0.
void SetPolynomial(CalibrationSample& sample, int fit_order, std::initializer_list<double> xcoef,
                   std::initializer_list<double> ycoef);

#endif  // TESTS_SUPPORT_CAL_SAMPLES_H

// Pointing findings of one camera: outliers, moves and slow drift.
#ifndef HEALTH_FINDINGS_POINTING_FINDINGS_H
#define HEALTH_FINDINGS_POINTING_FINDINGS_H

#include "health/findings/camera_analysis.h"

// Given a camera with its offsets derived, sets its pointing scatter and adds
// its findings:
// - pointing_outlier: one calibration farther than max(5 sigma, 1 pixel) from
//   its neighbours while they agree (sigma: night-to-night scatter per axis);
// - moved: a persistent step of the two-dimensional offset of at least
//   max(3 sigma, 1 pixel), outliers left out, dated at the first calibration
//   at the new pointing and covering the calibrations until the next move;
// - pointing_drift: between moves, a steady trend over 60 days or more that
//   adds up to max(3 sigma, 1 pixel), with its rate in arcmin per month.
void FindPointingFindings(CameraAnalysis& camera);

#endif  // HEALTH_FINDINGS_POINTING_FINDINGS_H

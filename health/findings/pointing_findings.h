// Stage 4, pointing: outliers, moves and slow drift of one camera.
#ifndef HEALTH_FINDINGS_POINTING_FINDINGS_H
#define HEALTH_FINDINGS_POINTING_FINDINGS_H

#include <vector>

#include "health/findings/camera_analysis.h"

struct PointingFindings {
    double sigma_arcmin = 0.0;      // night-to-night scatter per axis
    std::vector<Finding> findings;  // outliers, then moves, then drifts
};

// Given a camera's quantities, returns its pointing scatter and findings
// (sigma: the night-to-night scatter per axis, at least
// kMinPointingSigmaArcmin):
// - pointing_outlier: one calibration farther than max(kOutlierSigmas sigma,
//   1 pixel) from its neighbours while they agree;
// - moved: a persistent step of the two-dimensional offset of at least
//   max(kStepSigmas sigma, 1 pixel), outliers left out, dated at the first
//   calibration at the new pointing and covering the calibrations until the
//   next move;
// - pointing_drift: between moves, a steady trend over kMinDriftDays or more
//   that adds up to max(kStepSigmas sigma, 1 pixel), with its rate in arcmin
//   per month.
// Never ends the process.
PointingFindings FindPointingFindings(const CameraQuantities& camera);

#endif  // HEALTH_FINDINGS_POINTING_FINDINGS_H

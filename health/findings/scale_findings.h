// Stage 4, plate scale: refocus and lens changes of one camera.
#ifndef HEALTH_FINDINGS_SCALE_FINDINGS_H
#define HEALTH_FINDINGS_SCALE_FINDINGS_H

#include <vector>

#include "health/findings/camera_analysis.h"

// Given a camera's quantities and its pointing findings, returns a
// scale_change finding for every persistent relative step of the plate scale
// of at least max(kStepSigmas sigma, kMinScaleStepPercent) (refocus, lens
// change), with single-calibration excursions left out; size in percent,
// dated at the first calibration after the step, covering the calibrations
// until the next one; its text says whether the pointing moved at the same
// time. Never ends the process.
std::vector<Finding> FindScaleChanges(const CameraQuantities& camera, const std::vector<Finding>& pointing);

#endif  // HEALTH_FINDINGS_SCALE_FINDINGS_H

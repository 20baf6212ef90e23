// Plate-scale findings of one camera.
#ifndef HEALTH_FINDINGS_SCALE_FINDINGS_H
#define HEALTH_FINDINGS_SCALE_FINDINGS_H

#include "health/findings/camera_analysis.h"

// Given a camera with its quantities derived, adds a scale_change finding for
// every persistent relative step of the plate scale of at least
// max(3 sigma, 0.5 %) (refocus, lens change), with single-calibration
// excursions left out; size in percent, dated at the first calibration after
// the step, covering the calibrations until the next one.
void FindScaleChanges(CameraAnalysis& camera);

#endif  // HEALTH_FINDINGS_SCALE_FINDINGS_H

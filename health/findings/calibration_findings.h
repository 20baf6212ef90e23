// Findings on single calibrations: fits that should not be used.
#ifndef HEALTH_FINDINGS_CALIBRATION_FINDINGS_H
#define HEALTH_FINDINGS_CALIBRATION_FINDINGS_H

#include "health/findings/camera_analysis.h"

// Given a camera with its quantities and zero-point deficit, adds:
// - poor_fit: O-C sigma at least twice its rolling median and more than six
//   rolling spreads above it, or a plate aspect ratio or skew off its
//   neighbours' by far more than the camera's normal (a distorted fit);
// - few_stars: fewer than 30 % of the stars the camera's rolling median
//   count predicts once the night's zero point below the clear-night
//   envelope is allowed for, weather included (fainter nights lose faint
//   stars: 10^(-0.5 deficit) of them remain), and every calibration without
//   any star row.
void FindFitFindings(CameraAnalysis& camera);

#endif  // HEALTH_FINDINGS_CALIBRATION_FINDINGS_H

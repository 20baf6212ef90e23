// Stage 4, single calibrations: fits that should not be used.
#ifndef HEALTH_FINDINGS_CALIBRATION_FINDINGS_H
#define HEALTH_FINDINGS_CALIBRATION_FINDINGS_H

#include <vector>

#include "health/findings/camera_analysis.h"

// Given a camera's quantities and its zero-point baseline (stage 3; empty:
// clear nights assumed), returns in calibration order:
// - poor_fit: O-C sigma at least kPoorFitRatio times its rolling median and
//   more than kPoorFitSpreads rolling spreads above it, or a plate aspect
//   ratio or skew off its neighbours' by far more than the camera's normal
//   (a distorted fit);
// - few_stars: fewer than kFewStarsFraction of the stars the camera's
//   rolling median count predicts once the night's zero point below the
//   clear-night envelope is allowed for, weather included (fainter nights
//   lose faint stars: 10^(-kStarsPerMagnitudeDex deficit) of them remain),
//   and every calibration without any star row (none when the camera's
//   FitStars table gives no star at all: that table's own finding says so).
// Never ends the process.
std::vector<Finding> FindCalibrationFindings(const CameraQuantities& camera,
                                             const ZeroPointBaseline& zero_point);

#endif  // HEALTH_FINDINGS_CALIBRATION_FINDINGS_H

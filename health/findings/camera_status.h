// Stage 5: a camera's status for the operator, and the calibration to use.
#ifndef HEALTH_FINDINGS_CAMERA_STATUS_H
#define HEALTH_FINDINGS_CAMERA_STATUS_H

#include <string_view>
#include <vector>

#include "health/findings/camera_analysis.h"

// Given findings, returns them sorted by their first calibration, then by
// kind (findings equal in both keep their order).
std::vector<Finding> InTimeOrder(std::vector<Finding> findings);

// Given a camera's quantities, its findings in time order and the settings,
// returns:
// - open: per finding, whether it still describes the camera's present
//   state;
// - last_good: the newest calibration of the current pointing epoch usable
//   for astrometry (LastGoodCalibration: no pointing outlier, poor fit or
//   few stars);
// - status ACTION when the camera is stale, its clock is ahead, it moved or
//   changed scale within the last recent_days, or when its newest
//   calibration is a pointing outlier, a poor fit, or inside a zero-point
//   drop that has not recovered; else UNKNOWN when a table of it gives
//   nothing; else WATCH when any other finding ends within the last
//   recent_days (a drift: still going on); OK otherwise;
// - reasons: one short text per open finding;
// - baseline_note while its calibrations span less than one baseline
//   window.
// Never ends the process.
CameraAssessment AssessCamera(const CameraQuantities& camera, const std::vector<Finding>& findings,
                              const HealthSettings& settings);

std::string_view StatusName(CameraStatus status);

#endif  // HEALTH_FINDINGS_CAMERA_STATUS_H

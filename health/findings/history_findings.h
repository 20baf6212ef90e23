// Stage 4, history: findings about a camera's record rather than its
// calibrations' values.
#ifndef HEALTH_FINDINGS_HISTORY_FINDINGS_H
#define HEALTH_FINDINGS_HISTORY_FINDINGS_H

#include <cstdint>
#include <vector>

#include "health/findings/camera_analysis.h"

// Given a camera's quantities, the newest calibration time of the whole
// folder (ms since 1970) and the stale-after setting in days, returns a
// duplicate finding for every calibration time that more than one of its
// rows carries, then a stale finding when its newest calibration is more than
// stale_after_days older than the folder's newest (no wall clock, so the
// same tables always give the same report). Never ends the process.
std::vector<Finding> FindHistoryFindings(const CameraQuantities& camera, std::int64_t newest_in_folder_ms,
                                         double stale_after_days);

#endif  // HEALTH_FINDINGS_HISTORY_FINDINGS_H

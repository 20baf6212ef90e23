// Stage 4, history: findings about a camera's record rather than its
// calibrations' values.
#ifndef HEALTH_FINDINGS_HISTORY_FINDINGS_H
#define HEALTH_FINDINGS_HISTORY_FINDINGS_H

#include <cstdint>
#include <vector>

#include "health/findings/camera_analysis.h"

// Given a camera's quantities, the network's present (its newest
// calibration, ms since 1970; FindNetworkPresent), whether this camera's
// clock is ahead of it, and the stale-after setting in days, returns:
// - unreadable_table: per table that gives nothing (missing, unreadable, no
//   row, a clash of names), the reason; covering no calibration for the
//   FitCoefs table, every calibration for the FitStars table;
// - duplicate: every calibration time that more than one of its rows
//   carries;
// - clock: when its clock is ahead, the calibrations dated after the
//   present, size in days ahead;
// - stale: otherwise, when its newest calibration is more than
//   stale_after_days older than the present.
// Never ends the process.
std::vector<Finding> FindHistoryFindings(const CameraQuantities& camera, std::int64_t present_ms,
                                         bool clock_ahead, double stale_after_days);

#endif  // HEALTH_FINDINGS_HISTORY_FINDINGS_H

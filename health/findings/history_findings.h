// Findings about a camera's record rather than its calibrations' values.
#ifndef HEALTH_FINDINGS_HISTORY_FINDINGS_H
#define HEALTH_FINDINGS_HISTORY_FINDINGS_H

#include <cstdint>

#include "health/findings/camera_analysis.h"

// Given a camera, the newest calibration time of the whole folder (ms) and the
// settings, adds a duplicate finding for every calibration time that more
// than one of its rows carries, and a stale finding when its newest
// calibration is more than stale_after_days older than the folder's newest
// (no wall clock, so the same tables always give the same report).
void FindHistoryFindings(CameraAnalysis& camera, std::int64_t newest_in_folder_ms,
                         const HealthSettings& settings);

#endif  // HEALTH_FINDINGS_HISTORY_FINDINGS_H

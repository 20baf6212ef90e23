// The network's present: the newest calibration that one camera's clock
// cannot drag along. There is no wall clock, so the same tables always give
// the same report.
#ifndef HEALTH_FINDINGS_NETWORK_CLOCK_H
#define HEALTH_FINDINGS_NETWORK_CLOCK_H

#include <cstdint>
#include <vector>

#include "health/findings/camera_analysis.h"

struct NetworkPresent {
    std::int64_t newest_ms = 0;     // newest calibration of the cameras whose clocks agree
    std::vector<bool> clock_ahead;  // per camera: its newest calibration is far ahead of the others'
};

// Given the cameras with their quantities, returns the network's present.
// Among the cameras with calibrations, the newest kMinAgreeingCameras whose
// newest calibrations lie within kPresentAgreementDays of one another agree
// on the present; each camera newer than them by more than
// kMaxClockLeadDays (and newer than any camera that is not) has its clock
// ahead. When no cameras agree, none is judged. The present is the newest
// calibration of the cameras whose clocks are not ahead. Never ends the
// process.
NetworkPresent FindNetworkPresent(const std::vector<CameraAnalysis>& cameras);

#endif  // HEALTH_FINDINGS_NETWORK_CLOCK_H

// Which calibration of a camera to use, and when: a camera's history splits
// into pointing epochs at its moves and scale changes; within an epoch a
// calibration is usable for astrometry when no pointing_outlier, poor_fit or
// few_stars finding is against it, and for photometry when, in addition, it
// has stars and lies outside every zero-point drop.
#ifndef HEALTH_FINDINGS_CALIBRATION_USE_H
#define HEALTH_FINDINGS_CALIBRATION_USE_H

#include <cstdint>
#include <vector>

#include "health/findings/camera_analysis.h"

struct CalibrationUse {
    std::vector<int>
        epoch_start;  // index of each epoch's first calibration, ascending (none without calibrations)
    std::vector<bool> astrometry;  // per calibration
    std::vector<bool> photometry;  // per calibration
};

// Given a camera's quantities and its findings, returns its epochs and what
// each calibration is usable for. Never ends the process.
CalibrationUse JudgeCalibrationUse(const CameraQuantities& camera, const std::vector<Finding>& findings);

// Given what each calibration is usable for, returns the newest calibration
// usable for astrometry in the camera's current (last) epoch, or -1.
int LastGoodCalibration(const CalibrationUse& use);

// A stretch of time and the calibration to use in it.
struct UseInterval {
    std::int64_t from_ms = 0;  // ms since 1970 UT, inclusive
    std::int64_t to_ms = 0;    // exclusive, but for the camera's last interval, which includes it
    int calibration = -1;      // the nearest calibration usable for astrometry; -1 when its epoch has none
    int epoch = 0;             // index into epoch_start
};

// Given a camera's quantities and what each calibration is usable for,
// returns intervals that tile the camera's span (its first calibration to
// its last) in time order: within each epoch, for every moment the nearest
// calibration usable for astrometry (edges halfway between neighbouring
// usable calibrations, the earlier one taking an odd millisecond), cut at
// the epochs' first calibrations; an epoch without a usable calibration is
// one interval naming none. Never ends the process.
std::vector<UseInterval> UseIntervals(const CameraQuantities& camera, const CalibrationUse& use);

#endif  // HEALTH_FINDINGS_CALIBRATION_USE_H

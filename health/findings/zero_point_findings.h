// Stages 2 and 3 for the zero point: its clear-night envelopes, and the
// drops of sensitivity that last weeks (dew, dirt, ageing, gain) against
// them.
#ifndef HEALTH_FINDINGS_ZERO_POINT_FINDINGS_H
#define HEALTH_FINDINGS_ZERO_POINT_FINDINGS_H

#include <vector>

#include "health/findings/camera_analysis.h"

// Given a camera's quantities and the baseline window in days, returns the
// zero point's clear-night envelopes (the kEnvelopeFraction percentile): over
// kLongEnvelopeDays, and over the window. Never ends the process.
ZeroPointEnvelopes ZeroPointEnvelopesOf(const CameraQuantities& camera, double window_days);

// The zero-point stage's result.
struct ZeroPointDrops {
    ZeroPointBaseline baseline;
    std::vector<Finding> drops;  // zero_point_drop findings, in time order
};

// Given a camera's quantities and envelopes, the dimming its site-mates saw
// per calibration (empty: none) and the baseline window in days, returns:
// - the baseline: the clear-night envelope (the kEnvelopeFraction
//   percentile over the window, with the drops found on a first pass over
//   kLongEnvelopeDays left out) of the zero point with the site's shared
//   weather (dips of kDipMag or more, up to the camera's own deficit below
//   its long envelope) taken out, and the deficit below it;
// - a zero_point_drop finding for every stretch in which the running median
//   of three deficits stays at or above max(kMinDropMag, kDropSigmas sigma)
//   for kMinDropAboveDays and kMinDropCalibrations or more, and which lasts
//   kMinDropDays or more from the first calibration affected by a step or
//   linear ramp fitted to the deficits around it (FitDropOnset), unless its
//   deficits jump from night to night as weather does (kMaxDropRoughness).
//   Its start is the first calibration whose fitted loss reaches that
//   threshold (or half the depth), its end the last calibration before the
//   level comes back; size in magnitudes.
// Never ends the process.
ZeroPointDrops FindZeroPointDrops(const CameraQuantities& camera, const ZeroPointEnvelopes& envelopes,
                                  const std::vector<double>& weather_mag, double window_days);

// Given drops and the number of calibrations, returns per calibration the
// depth of the drop it lies in (0 outside any), mag.
std::vector<double> DropDepthByCalibration(const std::vector<Finding>& drops, std::size_t calibrations);

#endif  // HEALTH_FINDINGS_ZERO_POINT_FINDINGS_H

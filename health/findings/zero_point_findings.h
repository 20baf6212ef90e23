// Zero-point findings of one camera: sensitivity lost for weeks (dew, dirt,
// ageing, gain) against its own clear-night level.
#ifndef HEALTH_FINDINGS_ZERO_POINT_FINDINGS_H
#define HEALTH_FINDINGS_ZERO_POINT_FINDINGS_H

#include "health/findings/camera_analysis.h"

// Given a camera with its zero points and site weather, fills the zero-point
// baseline (the clear-night envelope: the 90th percentile over the window,
// with the drops found on a first pass over a 90-day window left out), the
// deficit below it with the site's shared weather (dips of 0.15 mag or more)
// taken out, and adds a zero_point_drop finding for every stretch in which
// the running median of three deficits stays at or above max(0.3 mag,
// 4 sigma) for 10 days and 5 calibrations or more, unless its deficits jump
// from night to night as weather does. Its start is the first calibration
// affected by a step or linear ramp fitted to the deficits around it
// (FitDropOnset), its end the last calibration before the level comes back;
// size in magnitudes.
void FindZeroPointDrops(CameraAnalysis& camera, double window_days);

#endif  // HEALTH_FINDINGS_ZERO_POINT_FINDINGS_H

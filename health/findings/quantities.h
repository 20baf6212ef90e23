// Stage 1: the per-calibration quantities of one camera and their rolling
// baselines.
#ifndef HEALTH_FINDINGS_QUANTITIES_H
#define HEALTH_FINDINGS_QUANTITIES_H

#include "health/findings/camera_analysis.h"
#include "health/tables/camera_tables.h"

// Given a camera's tables (taken over) and the settings, returns its
// calibrations with every quantity derived: pointing offsets from the
// reference (the median pointing of its first window; azimuth wrapped at 360
// degrees, scaled by cos(elevation)), tilt, plate scale, aspect and skew
// from the polynomial's linear terms (their unit found by comparing with the
// table's scale column), O-C in arcmin and pixels, zero point, faint limit
// and star count, each but the zero point with its rolling median baseline
// over the window. Never ends the process.
CameraQuantities DeriveQuantities(CameraTables&& tables, const HealthSettings& settings);

#endif  // HEALTH_FINDINGS_QUANTITIES_H

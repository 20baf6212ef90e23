// The per-calibration quantities of one camera and their rolling baselines.
#ifndef HEALTH_FINDINGS_QUANTITIES_H
#define HEALTH_FINDINGS_QUANTITIES_H

#include "health/findings/camera_analysis.h"
#include "health/tables/camera_tables.h"

// Given a camera's tables (taken over) and the settings, returns its analysis
// with every quantity filled: pointing offsets from the reference (azimuth
// wrapped at 360 degrees, scaled by cos(elevation)), tilt, plate scale,
// aspect and skew from the polynomial's linear terms (their unit found by
// comparing with the table's scale column), O-C in arcmin and pixels, zero
// point, faint limit and star count. No findings yet; the zero-point baseline
// and deficit are left to the photometry.
CameraAnalysis DeriveQuantities(CameraTables&& tables, const HealthSettings& settings);

// Given a series and the times in days, fills its rolling median baseline
// over window_days and the z-scores; spreads below floor count as floor.
void FillMedianBaseline(QuantitySeries& series, const std::vector<double>& days, double window_days,
                        double floor);

// Given a value and its baseline, returns (value - centre) / max(spread, floor),
// NaN when any is missing.
double RobustZ(double value, double centre, double spread, double floor);

#endif  // HEALTH_FINDINGS_QUANTITIES_H

// One calibration as the tables give it: a FitCoefs row joined with the
// FitStars rows of the same calibration time.
#ifndef HEALTH_TABLES_CALIBRATION_H
#define HEALTH_TABLES_CALIBRATION_H

#include <cstdint>

#include "health/stats/no_value.h"

struct Calibration {
    std::int64_t time_ms = 0;  // UT, milliseconds since 1970-01-01
    long long coefs_line = 0;  // line of its FitCoefs row
    double azimuth_deg = 0.0;
    double elevation_deg = 0.0;
    double tilt_deg = 0.0;
    double table_arcmin_per_pixel = 0.0;  // the table's own scale column
    // Linear terms of the plate polynomial: xi = x1*dx + x2*dy + ...,
    // eta = y1*dx + y2*dy + ..., in standard-coordinate units per pixel.
    double x1 = 0.0;
    double x2 = 0.0;
    double y1 = 0.0;
    double y2 = 0.0;

    // From the FitStars rows; a calibration without stars has none of them.
    int star_count = 0;
    double oc_mean_arcmin = kNoValue;
    double oc_sigma_arcmin = kNoValue;
    double magfit_slope = kNoValue;
    double magfit_icept = kNoValue;
    double mean_mv = kNoValue;         // mean catalogue magnitude of its stars
    double mean_log_inten = kNoValue;  // mean log10 intensity of its stars
    double median_log_inten = kNoValue;
    double faint_limit_mag = kNoValue;  // 90th percentile of its stars' Mv
    // Which form of the magnitude fit its stars follow better: +1 for
    // Mv = icept - 2.5*slope*log10(I), -1 for Mv = icept + slope*log10(I).
    int magfit_form_vote = 0;
};

#endif  // HEALTH_TABLES_CALIBRATION_H

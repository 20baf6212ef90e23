// Everything the report knows about one camera: its calibrations, the
// quantities derived from them with their rolling baselines, and findings.
#ifndef HEALTH_FINDINGS_CAMERA_ANALYSIS_H
#define HEALTH_FINDINGS_CAMERA_ANALYSIS_H

#include <string>
#include <vector>

#include "health/tables/calibration.h"
#include "health/tables/camera_tables.h"
#include "health/findings/finding.h"

// One quantity per calibration, with its rolling baseline: centre (median, or
// for the zero point the clear-night envelope), spread (1.4826 MAD) and the
// robust z-score (value - centre) / spread.
struct QuantitySeries {
    std::vector<double> value;
    std::vector<double> centre;
    std::vector<double> spread;
    std::vector<double> z;
};

enum class CameraStatus { kOk, kWatch, kAction };

struct HealthSettings {
    double window_days = 30.0;      // rolling baselines
    double stale_after_days = 7.0;  // no calibration for longer than this
};

struct CameraAnalysis {
    int camera = 0;
    std::vector<Calibration> calibrations;  // ascending time
    std::vector<DuplicateRows> duplicates;
    std::vector<double> days;  // calibration times in days since 1970

    // Camera constants found from its own data.
    double reference_azimuth_deg = 0.0;  // median pointing of its first window
    double reference_elevation_deg = 0.0;
    double arcmin_per_standard_unit = 60.0;  // unit of the plate polynomial's standard coordinates
    double pixel_arcmin = 0.0;               // median plate scale: one pixel on the sky
    double pointing_sigma_arcmin = 0.0;      // night-to-night scatter per axis
    double pivot_log_inten = 0.0;            // median log10 intensity of its stars
    bool magfit_pogson = true;               // Mv = icept - 2.5 slope log10(I) (else icept + slope log10(I))
    double typical_hour_ut = 0.0;            // time of day it usually calibrates, hours
    int site_group = -1;                     // cameras whose photometric dips coincide share a group

    QuantitySeries offset_az;     // azimuth offset from the reference times cos(elevation), arcmin
    QuantitySeries offset_el;     // elevation offset, arcmin
    QuantitySeries offset;        // angular separation from the reference, arcmin
    QuantitySeries tilt;          // deg
    QuantitySeries scale;         // plate scale from the polynomial's linear terms, arcmin/pixel
    QuantitySeries scale_change;  // percent from the median scale
    QuantitySeries aspect;        // ratio of the x and y pixel scales
    QuantitySeries skew;          // deviation of the plate axes from perpendicular, deg
    QuantitySeries oc_mean;       // arcmin
    QuantitySeries oc_sigma;      // arcmin
    QuantitySeries zero_point;    // magnitude fit at the pivot log-intensity, mag
    QuantitySeries faint_limit;   // 90th percentile of the stars' Mv
    QuantitySeries star_count;
    std::vector<double> oc_mean_px;
    std::vector<double> oc_sigma_px;
    std::vector<double> weather_mag;   // dimming the site's other cameras saw that night
    std::vector<double> own_drop_mag;  // depth of its own zero-point drops found so far, per calibration
    std::vector<double> zero_point_long_envelope;  // 90-day clear-night envelope of the zero point
    std::vector<double> zero_point_site_envelope;  // 30-day one, against which site-mates compare dips
    std::vector<double> zero_point_deficit;        // below the clear-night envelope, weather taken out, mag
    double zero_point_threshold_mag = 0.3;         // deficit that counts as a drop

    std::vector<Finding> findings;
    CameraStatus status = CameraStatus::kOk;
    std::vector<std::string> reasons;
    int last_good = -1;  // index of the calibration to use, -1 when none qualifies
};

#endif  // HEALTH_FINDINGS_CAMERA_ANALYSIS_H

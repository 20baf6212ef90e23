// Everything the report knows about one camera, in the parts its stages add
// one after the other (BuildHealthReport runs them in this order):
//   1. quantities   DeriveQuantities       the tables' calibrations and the
//                                          quantities derived from them
//   2. envelopes    ZeroPointEnvelopesOf   the zero point's clear-night levels
//   3. weather,     EstimateSiteWeather,   the site's shared weather and the
//      zero_point   FindZeroPointDrops     zero-point baseline and drops, in
//                                          turns (a drop is not weather)
//   4. findings     Find...Findings        pointing, scale, single
//                                          calibrations, history
//   5. assessment   AssessCamera           status, reasons, last good
// A stage reads the parts before it and never changes them.
#ifndef HEALTH_FINDINGS_CAMERA_ANALYSIS_H
#define HEALTH_FINDINGS_CAMERA_ANALYSIS_H

#include <string>
#include <vector>

#include "health/findings/finding.h"
#include "health/findings/thresholds.h"
#include "health/tables/calibration.h"
#include "health/tables/camera_tables.h"

// One quantity per calibration, with its rolling baseline: centre (median),
// spread (1.4826 MAD) and the robust z-score (value - centre) / spread.
struct QuantitySeries {
    std::vector<double> value;
    std::vector<double> centre;
    std::vector<double> spread;
    std::vector<double> z;
};

// In order of severity: OK, WATCH, UNKNOWN (a table could not be read, so
// part of the camera is not judged), ACTION.
enum class CameraStatus { kOk, kWatch, kUnknown, kAction };

struct HealthSettings {
    double window_days = kDefaultWindowDays;           // rolling baselines
    double stale_after_days = kDefaultStaleAfterDays;  // no calibration for longer than this
    double recent_days = kDefaultRecentDays;           // findings this recent decide the status
};

// Stage 1: a camera's calibrations (ascending time) and what follows from
// them alone.
struct CameraQuantities {
    int camera = 0;
    std::vector<Calibration> calibrations;  // ascending time; none when the FitCoefs table gave no row
    std::vector<DuplicateRows> duplicates;
    std::vector<double> days;   // calibration times in days since 1970
    std::string coefs_problem;  // why the FitCoefs table gave nothing, else empty
    std::string stars_problem;  // why the FitStars table gave nothing, else empty

    // Camera constants found from its own data.
    double reference_azimuth_deg = 0.0;  // median pointing of its first window
    double reference_elevation_deg = 0.0;
    double arcmin_per_standard_unit = 60.0;  // unit of the plate polynomial's standard coordinates
    double pixel_arcmin = 0.0;               // median plate scale: one pixel on the sky
    double pivot_log_inten = 0.0;            // median log10 intensity of its stars
    bool magfit_pogson = true;               // Mv = icept - 2.5 slope log10(I) (else icept + slope log10(I))
    double typical_hour_ut = 0.0;            // time of day it usually calibrates, hours

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
    QuantitySeries faint_limit;   // 90th percentile of the stars' Mv
    QuantitySeries star_count;
    std::vector<double> oc_mean_px;
    std::vector<double> oc_sigma_px;
    // Magnitude fit at the pivot log-intensity, mag; its baseline is the
    // zero-point stage's (a clear-night envelope, not a median).
    std::vector<double> zero_point;
};

// Stage 2: the zero point's clear-night envelopes (upper percentiles).
struct ZeroPointEnvelopes {
    std::vector<double> long_envelope;  // over kLongEnvelopeDays: the clear level through long drops
    std::vector<double> site_envelope;  // over the baseline window: site-mates compare their dips to it
};

// Stage 3: the weather the camera's site-mates saw.
struct SiteWeather {
    int site_group = -1;              // cameras whose photometric dips coincide share a group
    std::vector<double> weather_mag;  // per calibration: dimming its site-mates saw that night
};

// Stage 3: the zero point's baseline with the site's weather taken out.
struct ZeroPointBaseline {
    std::vector<double> centre;          // clear-night envelope of the baseline window
    std::vector<double> spread;          // 1.4826 MAD of the window
    std::vector<double> z;               // robust z-score of the weather-corrected zero point
    std::vector<double> deficit;         // below the envelope, weather taken out, mag
    double threshold_mag = kMinDropMag;  // deficit that counts as a drop
};

// Stage 5: what the operator is told.
struct CameraAssessment {
    CameraStatus status = CameraStatus::kOk;
    std::vector<std::string> reasons;  // one short text per open finding
    std::vector<bool> open;            // per finding: still describes the camera's present state
    int last_good = -1;                // index of the calibration to use, -1 when none qualifies
    std::string baseline_note;         // "baseline not yet established (...)" while it is not
};

struct CameraAnalysis {
    CameraQuantities quantities;
    ZeroPointEnvelopes envelopes;
    SiteWeather weather;
    ZeroPointBaseline zero_point;
    double pointing_sigma_arcmin = 0.0;  // night-to-night scatter per axis (stage 4)
    std::vector<Finding> findings;       // stages 3 and 4, in time order
    CameraAssessment assessment;
};

#endif  // HEALTH_FINDINGS_CAMERA_ANALYSIS_H

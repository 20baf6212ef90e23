// One generated calibration: everything a CAL file holds.
#ifndef TOOLS_CALIBRATION_SAMPLE_H
#define TOOLS_CALIBRATION_SAMPLE_H

#include <cstdint>
#include <string>
#include <vector>

#include "calib/cal_record.h"
#include "tools/camera_model.h"
#include "tools/sky_geometry.h"
#include "tools/split_mix.h"

// The values one CAL file states.
struct CalibrationSample {
    int camera_number;
    CalendarInstant time;  // UT
    double longitude_deg;
    double latitude_deg;
    double height_km;
    double width_px;  // image size; whole pixels in generated files
    double height_px;
    double arcmin_per_pixel;
    double roll_deg;
    double cam_tilt_deg;
    double exposure_s;
    double ra_center_deg;
    double dec_center_deg;
    double azim_center_deg;
    double elev_center_deg;
    double x_center_px;
    double y_center_px;
    int fit_order;
    double xcoef[kMaxTerms];
    double ycoef[kMaxTerms];
    std::string camera_text;  // site block: the two text lines
    std::string lens_text;
    // Site block: focal length (mm), focal ratio, frame rate (Hz), gain (dB),
    // gamma, saturation level and noise floor (counts), limiting magnitude,
    // stars detected, stars matched.
    double site_values[10];
    double oc_mean_arcmin;
    double oc_sigma_arcmin;
    double magfit_slope;
    double magfit_icept;
    double fluxfit_slope;
    double fluxfit_icept;
    std::vector<StarEntry> stars;  // in row order; columns 3, 4 hold the pixel position
};

// Given a camera, the calibration instant (milliseconds since 1970-01-01 UT),
// the number of stars (0 to 1000) and a generator, returns one calibration:
// the drifted pose, the centre's RA/Dec at that time, the forward polynomial
// of the camera's order fitted to the pose, and stars spread over the image
// with magnitudes, intensities, fluxes and residuals whose statistics agree
// with the header values.
// Given a calibration, sets its residual mean and sigma (arcmin) to those of
// its stars' residuals (population sigma; 0 and 0 without stars).
void SetResidualStatistics(CalibrationSample& sample);

CalibrationSample MakeCalibrationSample(const SimulatedCamera& camera, std::int64_t unix_ms, int star_count,
                                        SplitMix64& rng);

#endif  // TOOLS_CALIBRATION_SAMPLE_H

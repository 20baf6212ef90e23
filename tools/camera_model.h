// A simulated meteor camera: image geometry, lens, site and fixed pointing,
// and the mapping from plate offsets to standard coordinates.
#ifndef TOOLS_CAMERA_MODEL_H
#define TOOLS_CAMERA_MODEL_H

#include "tools/split_mix.h"

struct SimulatedCamera {
    int camera_number;
    int width_px;
    int height_px;
    double arcmin_per_pixel;  // nominal plate scale
    double roll_deg;          // nominal rotation of the image about the optical axis
    double radial_k1;         // radial distortion: fractional stretch at the image corner
    double axis_dx_px;        // optical axis offset from the image centre, pixels
    double axis_dy_px;
    double azimuth_deg;  // nominal pointing, from north through east
    double elevation_deg;
    double cam_tilt_deg;
    double longitude_deg;  // site, east positive
    double latitude_deg;
    double height_km;
    double exposure_s;
    int fit_order;                 // order of the polynomial fitted to each calibration: 1, 2 or 3
    double position_sigma_arcmin;  // scatter of the measured star positions
    double magfit_icept;           // zero point of the magnitude fit
    double fluxfit_icept;          // zero point of the flux fit
    int focal_length_mm;
};

// One night's state of a camera: the nominal model after small drifts.
struct SimulatedPose {
    double arcmin_per_pixel;
    double roll_deg;
    double azimuth_deg;
    double elevation_deg;
};

// Given a generator and a camera number, returns a random but plausible camera:
// image 640x480, 1280x720 or 720x576, plate scale 2 to 5 arcmin/pixel (at most
// 40 degrees from the centre to a corner), pointing above 20 degrees elevation,
// mild radial distortion, a site between latitudes 25 and 60 (either sign).
SimulatedCamera MakeSimulatedCamera(SplitMix64& rng, int camera_number);

// Given a camera and a generator, returns its pose for one calibration: the
// nominal pointing, roll and scale with drifts of a few hundredths of a degree.
SimulatedPose DriftedPose(const SimulatedCamera& camera, SplitMix64& rng);

// Given a camera, its pose and plate offsets dx = x - x_center, dy = y_center - y
// (pixels), returns the standard coordinates (xi, eta) in degrees: an
// equidistant lens with radial distortion, rotated by the roll, projected
// onto the tangent plane.
void PlateOffsetToStandardDeg(const SimulatedCamera& camera, const SimulatedPose& pose, double dx_px,
                              double dy_px, double& xi_deg, double& eta_deg);

#endif  // TOOLS_CAMERA_MODEL_H

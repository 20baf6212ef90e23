// One calibration of a network camera under given conditions: where it
// points, its plate scale, its photometric zero point and sensitivity loss,
// and how well its stars were measured.
#ifndef TOOLS_NETWORK_SAMPLE_H
#define TOOLS_NETWORK_SAMPLE_H

#include <cstdint>

#include "tools/calibration_sample.h"
#include "tools/camera_model.h"
#include "tools/split_mix.h"

// Faintest catalogue magnitude of the generated stars.
constexpr double kCatalogueLimitMag = 5.8;

struct NightConditions {
    SimulatedPose pose;           // exact pointing, roll and plate scale of this calibration
    double pivot_log_inten;       // log10 intensity at which zero_point_mag is taken
    double zero_point_mag;        // magnitude of a star that gives pivot_log_inten
    double sensitivity_loss_mag;  // how much fainter the sky is than on a clear night (>= 0)
    double centroid_noise_px;     // scatter of the measured star positions
    int star_count;               // stars a clear night would give (before the loss)
};

// Given a camera, the calibration instant (ms since 1970 UT), the conditions
// and a generator, returns a calibration drawn by MakeCalibrationSample with
// the conditions imposed: its pose is night.pose exactly (MakeCalibrationSample
// draws the night's drift first, through DriftedPose, from the generator it
// is given; a copy of the generator shows that drift and the camera's nominal
// pose is offset against it); the magnitude fit passes through
// (pivot_log_inten, zero_point_mag) with the drawn slope, the star
// intensities following it; stars fainter than the catalogue limit minus the
// loss are dropped, and the residual statistics recomputed.
CalibrationSample MakeNetworkSample(const SimulatedCamera& camera, std::int64_t unix_ms,
                                    const NightConditions& night, SplitMix64& rng);

#endif  // TOOLS_NETWORK_SAMPLE_H

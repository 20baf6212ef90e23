#include "tools/network_sample.h"

#include <algorithm>
#include <cmath>

CalibrationSample MakeNetworkSample(const SimulatedCamera& camera, std::int64_t unix_ms,
                                    const NightConditions& night, SplitMix64& rng) {
    SplitMix64 probe = rng;
    const SimulatedPose drift = DriftedPose(camera, probe);
    SimulatedCamera aimed = camera;
    aimed.azimuth_deg = night.pose.azimuth_deg - (drift.azimuth_deg - camera.azimuth_deg);
    aimed.elevation_deg = night.pose.elevation_deg - (drift.elevation_deg - camera.elevation_deg);
    aimed.roll_deg = night.pose.roll_deg - (drift.roll_deg - camera.roll_deg);
    aimed.arcmin_per_pixel = night.pose.arcmin_per_pixel * camera.arcmin_per_pixel / drift.arcmin_per_pixel;
    aimed.position_sigma_arcmin = night.centroid_noise_px * night.pose.arcmin_per_pixel;

    CalibrationSample sample = MakeCalibrationSample(aimed, unix_ms, night.star_count, rng);

    // The fit line through the pivot point with the drawn slope; every star
    // moves along with it, keeping its own scatter about the line.
    const double icept = night.zero_point_mag + 2.5 * sample.magfit_slope * night.pivot_log_inten;
    const double inten_shift = (icept - sample.magfit_icept) / (2.5 * sample.magfit_slope);
    const double flux_icept = sample.fluxfit_icept - night.sensitivity_loss_mag;
    const double flux_shift = (flux_icept - sample.fluxfit_icept) / (2.5 * sample.fluxfit_slope);
    sample.magfit_icept = icept;
    sample.fluxfit_icept = flux_icept;
    for (StarEntry& star : sample.stars) {
        star.log10_inten += inten_shift;
        star.col_10 += inten_shift;
        star.log10_flux += flux_shift;
    }
    const double faintest = kCatalogueLimitMag - std::max(0.0, night.sensitivity_loss_mag);
    sample.stars.erase(std::remove_if(sample.stars.begin(), sample.stars.end(),
                                      [faintest](const StarEntry& star) { return star.mv > faintest; }),
                       sample.stars.end());
    SetResidualStatistics(sample);
    return sample;
}

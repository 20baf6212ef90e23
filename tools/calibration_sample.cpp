#include "tools/calibration_sample.h"

#include <cmath>
#include <string>

#include "tools/forward_fit.h"

namespace {

constexpr double kBrightestMagnitude = -1.5;
constexpr double kFaintestMagnitude = 5.8;

// Star counts grow roughly by a factor of ten per two magnitudes (0.5 dex per
// magnitude), so magnitudes are drawn from that cumulative law.
double DrawMagnitude(SplitMix64& rng) {
    const double floor = std::pow(10.0, -0.5 * (kFaintestMagnitude - kBrightestMagnitude));
    const double u = floor + (1.0 - floor) * NextUnit(rng);
    return kFaintestMagnitude + 2.0 * std::log10(u);
}

// One star somewhere on the image, with its sky position taken from the
// camera model and its measurements scattered around the fits.
StarEntry MakeStar(const SimulatedCamera& camera, const SimulatedPose& pose, const CalibrationSample& sample,
                   SplitMix64& rng) {
    StarEntry star{};
    const double x_px = UniformIn(rng, 0.0, sample.width_px);
    const double y_px = UniformIn(rng, 0.0, sample.height_px);
    double xi = 0.0;
    double eta = 0.0;
    PlateOffsetToStandardDeg(camera, pose, x_px - sample.x_center_px, sample.y_center_px - y_px, xi, eta);
    StandardToEquatorial(xi, eta, sample.ra_center_deg, sample.dec_center_deg, star.ra_deg, star.dec_deg);

    star.col_3 = x_px;
    star.col_4 = y_px;
    star.mv = DrawMagnitude(rng);
    star.col_6 = UniformIn(rng, -0.3, 1.8);  // colour index
    star.col_7 = xi;
    star.col_8 = eta;
    star.log10_inten =
        (sample.magfit_icept - star.mv) / (2.5 * sample.magfit_slope) + 0.04 * NextGaussian(rng);
    star.col_10 = star.log10_inten - UniformIn(rng, 0.6, 1.2);  // peak pixel
    star.log10_flux =
        (sample.fluxfit_icept - star.mv) / (2.5 * sample.fluxfit_slope) + 0.03 * NextGaussian(rng);
    // Radial residual: the length of a two-dimensional normal error.
    star.oc_arcmin = camera.position_sigma_arcmin * std::sqrt(-2.0 * std::log(1.0 - NextUnit(rng)));
    return star;
}

// The camera and lens texts and the ten numbers of the site block.
void SetSiteBlock(const SimulatedCamera& camera, CalibrationSample& sample) {
    sample.camera_text =
        "Low-light video camera, " + std::to_string(camera.width_px) + "x" + std::to_string(camera.height_px);
    sample.lens_text = std::to_string(camera.focal_length_mm) + " mm f/1.2";
    const double stars = static_cast<double>(sample.stars.size());
    const double values[10] = {static_cast<double>(camera.focal_length_mm),
                               1.2,
                               1.0 / camera.exposure_s,
                               12.0,
                               1.0,
                               255.0,
                               2.5 + 0.001 * camera.camera_number,
                               5.8,
                               stars + 7.0,
                               stars};
    for (int i = 0; i < 10; ++i) sample.site_values[i] = values[i];
}

}  // namespace

void SetResidualStatistics(CalibrationSample& sample) {
    const double count = static_cast<double>(sample.stars.size());
    if (sample.stars.empty()) {
        sample.oc_mean_arcmin = 0.0;
        sample.oc_sigma_arcmin = 0.0;
        return;
    }
    double sum = 0.0;
    for (const StarEntry& star : sample.stars) sum += star.oc_arcmin;
    const double mean = sum / count;
    double squares = 0.0;
    for (const StarEntry& star : sample.stars) squares += (star.oc_arcmin - mean) * (star.oc_arcmin - mean);
    sample.oc_mean_arcmin = mean;
    sample.oc_sigma_arcmin = std::sqrt(squares / count);
}

CalibrationSample MakeCalibrationSample(const SimulatedCamera& camera, std::int64_t unix_ms, int star_count,
                                        SplitMix64& rng) {
    CalibrationSample sample{};
    const SimulatedPose pose = DriftedPose(camera, rng);
    sample.camera_number = camera.camera_number;
    sample.time = InstantFromUnixMilliseconds(unix_ms);
    sample.longitude_deg = camera.longitude_deg;
    sample.latitude_deg = camera.latitude_deg;
    sample.height_km = camera.height_km;
    sample.width_px = camera.width_px;
    sample.height_px = camera.height_px;
    sample.arcmin_per_pixel = pose.arcmin_per_pixel;
    sample.roll_deg = pose.roll_deg;
    sample.cam_tilt_deg = camera.cam_tilt_deg + 0.01 * NextGaussian(rng);
    sample.exposure_s = camera.exposure_s;
    sample.azim_center_deg = pose.azimuth_deg;
    sample.elev_center_deg = pose.elevation_deg;
    const double sidereal_deg =
        LocalSiderealTimeDeg(JulianDateFromUnixMilliseconds(unix_ms), camera.longitude_deg);
    HorizontalToEquatorial(pose.azimuth_deg, pose.elevation_deg, camera.latitude_deg, sidereal_deg,
                           sample.ra_center_deg, sample.dec_center_deg);
    sample.x_center_px = 0.5 * camera.width_px;
    sample.y_center_px = 0.5 * camera.height_px;
    sample.fit_order = camera.fit_order;
    FitForwardPolynomial(camera, pose, camera.fit_order, sample.xcoef, sample.ycoef);

    sample.magfit_slope = 1.0 + 0.03 * NextGaussian(rng);
    sample.magfit_icept = camera.magfit_icept + 0.1 * NextGaussian(rng);
    sample.fluxfit_slope = 1.0 + 0.03 * NextGaussian(rng);
    sample.fluxfit_icept = camera.fluxfit_icept + 0.1 * NextGaussian(rng);

    sample.stars.reserve(static_cast<std::size_t>(star_count));
    for (int s = 0; s < star_count; ++s) sample.stars.push_back(MakeStar(camera, pose, sample, rng));
    SetResidualStatistics(sample);
    SetSiteBlock(camera, sample);
    return sample;
}

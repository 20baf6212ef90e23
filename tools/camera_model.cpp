#include "tools/camera_model.h"

#include <algorithm>
#include <cmath>

#include "tools/sky_geometry.h"

namespace {

constexpr double kMaxCornerAngleDeg = 40.0;
constexpr double kMinArcminPerPixel = 2.0;
constexpr double kMaxArcminPerPixel = 5.0;

struct ImageSize {
    int width_px;
    int height_px;
};
constexpr ImageSize kImageSizes[] = {{640, 480}, {1280, 720}, {720, 576}};

double HalfDiagonalPx(const SimulatedCamera& camera) {
    return 0.5 * std::hypot(static_cast<double>(camera.width_px), static_cast<double>(camera.height_px));
}

}  // namespace

SimulatedCamera MakeSimulatedCamera(SplitMix64& rng, int camera_number) {
    SimulatedCamera camera{};
    camera.camera_number = camera_number;
    const ImageSize size = kImageSizes[UniformInt(rng, 0, 2)];
    camera.width_px = size.width_px;
    camera.height_px = size.height_px;

    const double widest_scale = kMaxCornerAngleDeg * 60.0 / HalfDiagonalPx(camera);
    camera.arcmin_per_pixel = UniformIn(
        rng, kMinArcminPerPixel, std::max(kMinArcminPerPixel, std::min(kMaxArcminPerPixel, widest_scale)));
    camera.roll_deg = UniformIn(rng, -180.0, 180.0);
    camera.radial_k1 = UniformIn(rng, -0.04, 0.02);
    camera.axis_dx_px = 4.0 * NextGaussian(rng);
    camera.axis_dy_px = 4.0 * NextGaussian(rng);
    camera.azimuth_deg = UniformIn(rng, 0.0, 360.0);
    camera.elevation_deg = UniformIn(rng, 20.0, 85.0);
    camera.cam_tilt_deg = UniformIn(rng, -5.0, 5.0);

    const double latitude_abs = UniformIn(rng, 25.0, 60.0);
    camera.latitude_deg = NextUnit(rng) < 0.8 ? latitude_abs : -latitude_abs;
    camera.longitude_deg = UniformIn(rng, -180.0, 180.0);
    camera.height_km = UniformIn(rng, 0.0, 2.5);
    camera.exposure_s = NextUnit(rng) < 0.5 ? 0.04 : 1.0 / 29.97;

    const double order_draw = NextUnit(rng);
    camera.fit_order = order_draw < 0.15 ? 1 : order_draw < 0.35 ? 2 : 3;
    camera.position_sigma_arcmin = camera.arcmin_per_pixel * UniformIn(rng, 0.15, 0.4);
    camera.magfit_icept = UniformIn(rng, 15.5, 18.5);
    camera.fluxfit_icept = UniformIn(rng, 9.0, 11.0);
    camera.focal_length_mm = UniformInt(rng, 3, 12);
    return camera;
}

SimulatedPose DriftedPose(const SimulatedCamera& camera, SplitMix64& rng) {
    SimulatedPose pose{};
    pose.arcmin_per_pixel = camera.arcmin_per_pixel * (1.0 + 0.0005 * NextGaussian(rng));
    pose.roll_deg = camera.roll_deg + 0.03 * NextGaussian(rng);
    pose.azimuth_deg = camera.azimuth_deg + 0.05 * NextGaussian(rng);
    pose.elevation_deg = camera.elevation_deg + 0.03 * NextGaussian(rng);
    return pose;
}

void PlateOffsetToStandardDeg(const SimulatedCamera& camera, const SimulatedPose& pose, double dx_px,
                              double dy_px, double& xi_deg, double& eta_deg) {
    const double ax = dx_px - camera.axis_dx_px;
    const double ay = dy_px - camera.axis_dy_px;
    const double radius_px = std::hypot(ax, ay);
    if (radius_px == 0.0) {
        xi_deg = 0.0;
        eta_deg = 0.0;
        return;
    }
    const double corner_fraction = radius_px / HalfDiagonalPx(camera);
    const double distorted_px = radius_px * (1.0 + camera.radial_k1 * corner_fraction * corner_fraction);
    const double off_axis_rad = distorted_px * pose.arcmin_per_pixel / 60.0 * kRadiansPerDegree;
    const double plane_radius_deg = std::tan(off_axis_rad) / kRadiansPerDegree;

    const double roll = pose.roll_deg * kRadiansPerDegree;
    const double ux = (std::cos(roll) * ax - std::sin(roll) * ay) / radius_px;
    const double uy = (std::sin(roll) * ax + std::cos(roll) * ay) / radius_px;
    xi_deg = plane_radius_deg * ux;
    eta_deg = plane_radius_deg * uy;
}

#include "health/findings/quantities.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "common/angles.h"
#include "common/civil_time.h"
#include "health/stats/robust_stats.h"
#include "health/stats/rolling_baseline.h"

namespace {

// Units the standard coordinates may come in, in arcmin: arcsec, arcmin,
// degree, radian.
constexpr double kStandardUnitsArcmin[] = {1.0 / 60.0, 1.0, 60.0, 10800.0 / kPi};

double SquareRootAbsDet(const Calibration& c) {
    return std::sqrt(std::fabs(c.x1 * c.y2 - c.x2 * c.y1));
}

// The unit whose ratio to the table's scale column is nearest to the
// polynomial's own scale, judged on the median ratio; degrees when the
// column gives nothing to compare with.
double StandardUnitArcmin(const std::vector<Calibration>& calibrations) {
    std::vector<double> ratios;
    for (const Calibration& c : calibrations) {
        const double scale = SquareRootAbsDet(c);
        if (scale > 0 && c.table_arcmin_per_pixel > 0) ratios.push_back(c.table_arcmin_per_pixel / scale);
    }
    const double ratio = Median(ratios);
    if (!(ratio > 0)) return kArcminPerDegree;
    double best = kArcminPerDegree;
    for (double unit : kStandardUnitsArcmin) {
        if (std::fabs(std::log(ratio / unit)) < std::fabs(std::log(ratio / best))) best = unit;
    }
    return best;
}

// Median pointing of the camera's first window (at least
// kMinReferenceCalibrations calibrations), with azimuths taken relative to
// the first so that the median does not straddle 0/360.
void SetReference(CameraQuantities& camera, double window_days) {
    const std::vector<Calibration>& cal = camera.calibrations;
    std::vector<double> az;
    std::vector<double> el;
    const double start = camera.days.front();
    for (std::size_t i = 0; i < cal.size(); ++i) {
        if (camera.days[i] - start > window_days && az.size() >= kMinReferenceCalibrations) break;
        az.push_back(WrapDegrees180(cal[i].azimuth_deg - cal[0].azimuth_deg));
        el.push_back(cal[i].elevation_deg);
    }
    camera.reference_azimuth_deg = std::fmod(cal[0].azimuth_deg + Median(az) + 360.0, 360.0);
    camera.reference_elevation_deg = Median(el);
}

// Mean time of day of the calibrations, as a circular mean, in hours UT.
double TypicalHour(const std::vector<double>& days) {
    double sx = 0.0, sy = 0.0;
    for (double d : days) {
        const double angle = (d - std::floor(d)) * 2.0 * kPi;
        sx += std::cos(angle);
        sy += std::sin(angle);
    }
    double hour = std::atan2(sy, sx) / (2.0 * kPi) * 24.0;
    return hour < 0 ? hour + 24.0 : hour;
}

// Offsets of every calibration from the reference pointing, arcmin on the sky.
void FillPointing(CameraQuantities& camera) {
    const double cos_el = std::cos(camera.reference_elevation_deg * kRadiansPerDegree);
    for (std::size_t i = 0; i < camera.calibrations.size(); ++i) {
        const Calibration& c = camera.calibrations[i];
        camera.offset_az.value[i] =
            WrapDegrees180(c.azimuth_deg - camera.reference_azimuth_deg) * cos_el * kArcminPerDegree;
        camera.offset_el.value[i] = (c.elevation_deg - camera.reference_elevation_deg) * kArcminPerDegree;
        camera.offset.value[i] = SeparationDeg(camera.reference_azimuth_deg, camera.reference_elevation_deg,
                                               c.azimuth_deg, c.elevation_deg) *
                                 kArcminPerDegree;
        camera.tilt.value[i] = c.tilt_deg;
    }
}

// Plate scale, aspect and skew from the polynomial's linear terms, and the
// residuals and star figures the tables give.
void FillPlate(CameraQuantities& camera) {
    for (std::size_t i = 0; i < camera.calibrations.size(); ++i) {
        const Calibration& c = camera.calibrations[i];
        const double scale = SquareRootAbsDet(c) * camera.arcmin_per_standard_unit;
        if (scale > 0) camera.scale.value[i] = scale;
        const double x_axis = std::hypot(c.x1, c.y1);
        const double y_axis = std::hypot(c.x2, c.y2);
        if (x_axis > 0 && y_axis > 0) {
            camera.aspect.value[i] = x_axis / y_axis;
            const double cosine = std::clamp((c.x1 * c.x2 + c.y1 * c.y2) / (x_axis * y_axis), -1.0, 1.0);
            camera.skew.value[i] = std::asin(cosine) / kRadiansPerDegree;
        }
        camera.oc_mean.value[i] = c.oc_mean_arcmin;
        camera.oc_sigma.value[i] = c.oc_sigma_arcmin;
        camera.faint_limit.value[i] = c.faint_limit_mag;
        camera.star_count.value[i] = c.star_count;
    }
}

// The camera's median plate scale (from the scale column when the
// polynomial gives none), the change from it, and the residuals in pixels.
void FillScaleChange(CameraQuantities& camera) {
    const std::vector<Calibration>& cal = camera.calibrations;
    camera.pixel_arcmin = Median(camera.scale.value);
    if (!(camera.pixel_arcmin > 0)) {
        std::vector<double> column;
        for (const Calibration& c : cal) column.push_back(c.table_arcmin_per_pixel);
        camera.pixel_arcmin = Median(column);
    }
    for (std::size_t i = 0; i < cal.size(); ++i) {
        camera.scale_change.value[i] = (camera.scale.value[i] / camera.pixel_arcmin - 1.0) * 100.0;
        const double pixel =
            std::isfinite(camera.scale.value[i]) ? camera.scale.value[i] : camera.pixel_arcmin;
        camera.oc_mean_px[i] = cal[i].oc_mean_arcmin / pixel;
        camera.oc_sigma_px[i] = cal[i].oc_sigma_arcmin / pixel;
    }
}

// Zero point: the magnitude fit taken at the camera's median log-intensity,
// along the fit line through its stars' centroid (the table prints the
// intercept to two decimals; the centroid keeps the line's position exact).
// The fit's form is the one most calibrations' stars follow, else the one
// the sign of the median slope says.
void FillZeroPoint(CameraQuantities& camera) {
    const std::vector<Calibration>& cal = camera.calibrations;
    int votes = 0;
    std::vector<double> log_medians;
    for (const Calibration& c : cal) {
        votes += c.magfit_form_vote;
        log_medians.push_back(c.median_log_inten);
    }
    if (votes == 0) {
        std::vector<double> slopes;
        for (const Calibration& c : cal) slopes.push_back(c.magfit_slope);
        votes = Median(slopes) < 0 ? -1 : 1;
    }
    camera.magfit_pogson = votes > 0;
    camera.pivot_log_inten = Median(log_medians);
    for (std::size_t i = 0; i < cal.size(); ++i) {
        const Calibration& c = cal[i];
        const double magnitude_per_log = camera.magfit_pogson ? -2.5 * c.magfit_slope : c.magfit_slope;
        if (std::isfinite(c.mean_mv) && std::isfinite(c.mean_log_inten)) {
            camera.zero_point[i] =
                c.mean_mv + magnitude_per_log * (camera.pivot_log_inten - c.mean_log_inten);
        } else if (std::isfinite(c.magfit_icept) && std::isfinite(camera.pivot_log_inten)) {
            camera.zero_point[i] = c.magfit_icept + magnitude_per_log * camera.pivot_log_inten;
        }
    }
}

// Given a series and the times in days, fills its rolling median baseline
// over the window and the z-scores; spreads below floor count as floor.
void FillMedianBaseline(QuantitySeries& series, const std::vector<double>& days, double window_days,
                        double floor) {
    RollingBaseline baseline = RollingRobust(days, series.value, {window_days, kMinBaselinePoints}, 0.5);
    series.centre = std::move(baseline.centre);
    series.spread = std::move(baseline.spread);
    series.z.assign(series.value.size(), kNoValue);
    for (std::size_t i = 0; i < series.value.size(); ++i) {
        series.z[i] = RobustZ(series.value[i], series.centre[i], series.spread[i], floor);
    }
}

void FillBaselines(CameraQuantities& camera, double window) {
    // Each series with the smallest spread its z-scores divide by.
    const std::pair<QuantitySeries*, double> series[] = {
        {&camera.offset_az, kZFloorPointingArcmin},  {&camera.offset_el, kZFloorPointingArcmin},
        {&camera.offset, kZFloorPointingArcmin},     {&camera.tilt, kZFloorTiltDeg},
        {&camera.scale, kZFloorScaleArcminPerPixel}, {&camera.scale_change, kZFloorScaleChangePercent},
        {&camera.aspect, kZFloorAspectRatio},        {&camera.skew, kZFloorSkewDeg},
        {&camera.oc_mean, kZFloorResidualArcmin},    {&camera.oc_sigma, kZFloorResidualArcmin},
        {&camera.faint_limit, kZFloorFaintLimitMag}, {&camera.star_count, kZFloorStarCount},
    };
    for (const auto& [values, floor] : series) FillMedianBaseline(*values, camera.days, window, floor);
}

}  // namespace

CameraQuantities DeriveQuantities(CameraTables&& tables, const HealthSettings& settings) {
    CameraQuantities camera;
    camera.camera = tables.camera;
    camera.calibrations = std::move(tables.calibrations);
    camera.duplicates = std::move(tables.duplicates);
    camera.coefs_problem = std::move(tables.coefs_problem);
    camera.stars_problem = std::move(tables.stars_problem);
    const std::size_t n = camera.calibrations.size();
    for (const Calibration& c : camera.calibrations) camera.days.push_back(DaysFromMilliseconds(c.time_ms));
    if (n == 0) return camera;
    camera.typical_hour_ut = TypicalHour(camera.days);
    SetReference(camera, settings.window_days);
    camera.arcmin_per_standard_unit = StandardUnitArcmin(camera.calibrations);
    for (QuantitySeries* s : {&camera.offset_az, &camera.offset_el, &camera.offset, &camera.tilt,
                              &camera.scale, &camera.scale_change, &camera.aspect, &camera.skew,
                              &camera.oc_mean, &camera.oc_sigma, &camera.faint_limit, &camera.star_count}) {
        s->value.assign(n, kNoValue);
    }
    camera.oc_mean_px.assign(n, kNoValue);
    camera.oc_sigma_px.assign(n, kNoValue);
    camera.zero_point.assign(n, kNoValue);
    FillPointing(camera);
    FillPlate(camera);
    FillScaleChange(camera);
    FillZeroPoint(camera);
    FillBaselines(camera, settings.window_days);
    return camera;
}

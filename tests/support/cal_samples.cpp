#include "tests/support/cal_samples.h"

#include <algorithm>

StarEntry StarOfColumns(const StarColumns& c) {
    StarEntry star{};
    double* const fields[12] = {&star.ra_deg,      &star.dec_deg, &star.col_3,      &star.col_4,
                                &star.mv,          &star.col_6,   &star.col_7,      &star.col_8,
                                &star.log10_inten, &star.col_10,  &star.log10_flux, &star.oc_arcmin};
    for (std::size_t i = 0; i < c.size(); ++i) *fields[i] = c[i];
    return star;
}

CalibrationSample BaseSample(int camera_number) {
    CalibrationSample sample{};
    sample.camera_number = camera_number;
    sample.time = {2013, 12, 14, 3, 15, 2, 250};
    sample.longitude_deg = -77.0123;
    sample.latitude_deg = 39.1234;
    sample.height_km = 0.153;
    sample.width_px = 720;
    sample.height_px = 576;
    sample.roll_deg = 1.25;
    sample.exposure_s = 0.04;
    sample.x_center_px = 360;
    sample.y_center_px = 288;
    sample.fit_order = 1;
    sample.camera_text = "test camera, 12 mm lens";
    sample.lens_text = "f/1.2";
    const double site_values[10] = {12.0, 1.2, 25.0, 12.0, 1.0, 255.0, 2.5, 5.8, 0.0, 0.0};
    std::copy(std::begin(site_values), std::end(site_values), sample.site_values);
    return sample;
}

namespace {

using SampleField = double CalibrationSample::*;

// The values the FitCoefs table prints before the coefficients, and those the
// FitStars table prints before the star.
constexpr SampleField kPrintedFields[2][6] = {
    {&CalibrationSample::ra_center_deg, &CalibrationSample::dec_center_deg,
     &CalibrationSample::azim_center_deg, &CalibrationSample::elev_center_deg,
     &CalibrationSample::arcmin_per_pixel, &CalibrationSample::cam_tilt_deg},
    {&CalibrationSample::oc_mean_arcmin, &CalibrationSample::oc_sigma_arcmin,
     &CalibrationSample::magfit_slope, &CalibrationSample::magfit_icept, &CalibrationSample::fluxfit_slope,
     &CalibrationSample::fluxfit_icept}};

void SetFields(CalibrationSample& sample, const SampleField (&fields)[6],
               const std::array<double, 6>& values) {
    for (std::size_t i = 0; i < values.size(); ++i) sample.*fields[i] = values[i];
}

}  // namespace

void SetPointing(CalibrationSample& sample, const std::array<double, 6>& pointing) {
    SetFields(sample, kPrintedFields[0], pointing);
}

void SetFits(CalibrationSample& sample, const std::array<double, 6>& fits) {
    SetFields(sample, kPrintedFields[1], fits);
}

void SetPolynomial(CalibrationSample& sample, int fit_order, std::initializer_list<double> xcoef,
                   std::initializer_list<double> ycoef) {
    sample.fit_order = fit_order;
    std::fill(std::begin(sample.xcoef), std::end(sample.xcoef), 0.0);
    std::fill(std::begin(sample.ycoef), std::end(sample.ycoef), 0.0);
    std::copy_n(xcoef.begin(), std::min<std::size_t>(xcoef.size(), kMaxTerms), sample.xcoef);
    std::copy_n(ycoef.begin(), std::min<std::size_t>(ycoef.size(), kMaxTerms), sample.ycoef);
}

#include "tools/cal_text.h"

#include <cstdarg>
#include <cstdio>

namespace {

constexpr const char* kTermNames[kMaxTerms] = {"1", "x", "y", "xx", "xy", "yy", "xxx", "xxy", "xyy", "yyy"};

// Appends one printf-formatted piece of text. Every piece the writer makes is
// a single line well below the buffer size.
#if defined(__GNUC__)
__attribute__((format(printf, 2, 3)))
#endif
void AppendFormatted(std::string& text, const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length > 0)
        text.append(line, static_cast<std::size_t>(length) < sizeof line ? length : sizeof line - 1);
}

void AppendHeader(const CalibrationSample& s, std::string& text) {
    const CalendarInstant& t = s.time;
    AppendFormatted(text, "Camera number                 = %d\n", s.camera_number);
    AppendFormatted(text, "Calibration date (MM/DD/YYYY) = %02d/%02d/%04d\n", t.month, t.day, t.year);
    AppendFormatted(text, "Calibration time (UT)         = %02d:%02d:%02d.%03d\n", t.hour, t.minute, t.second,
                    t.millisecond);
    AppendFormatted(text, "Site longitude (deg, east)    = %.6f\n", s.longitude_deg);
    AppendFormatted(text, "Site latitude (deg, north)    = %.6f\n", s.latitude_deg);
    AppendFormatted(text, "Site height (km)              = %.4f\n", s.height_km);
    AppendFormatted(text, "Image size (W x H, pixels)    = %d x %d\n", s.width_px, s.height_px);
    AppendFormatted(text, "Plate scale (arcmin/pixel)    = %.6f\n", s.arcmin_per_pixel);
    AppendFormatted(text, "Image roll (deg)              = %.5f\n", s.roll_deg);
    AppendFormatted(text, "Camera tilt (deg)             = %.5f\n", s.cam_tilt_deg);
    AppendFormatted(text, "Exposure (s)                  = %.6f\n", s.exposure_s);
    AppendFormatted(text, "Centre right ascension (deg)  = %.6f\n", s.ra_center_deg);
    AppendFormatted(text, "Centre declination (deg)      = %.6f\n", s.dec_center_deg);
    AppendFormatted(text, "Centre azimuth (deg)          = %.6f\n", s.azim_center_deg);
    AppendFormatted(text, "Centre elevation (deg)        = %.6f\n", s.elev_center_deg);
    AppendFormatted(text, "Plate centre x (pixels)       = %.3f\n", s.x_center_px);
    AppendFormatted(text, "Plate centre y (pixels)       = %.3f\n", s.y_center_px);
    AppendFormatted(text, "Plate polynomial order        = %d\n", s.fit_order);
}

void AppendSiteBlock(const CalibrationSample& s, std::string& text) {
    AppendFormatted(text, "Camera                        = Low-light video camera, %dx%d\n", s.width_px,
                    s.height_px);
    AppendFormatted(text, "Lens                          = %d mm f/1.2\n", s.focal_length_mm);
    AppendFormatted(text, "Focal length (mm)             = %.3f\n", static_cast<double>(s.focal_length_mm));
    AppendFormatted(text, "Focal ratio                   = %.3f\n", 1.2);
    AppendFormatted(text, "Frame rate (Hz)               = %.3f\n", 1.0 / s.exposure_s);
    AppendFormatted(text, "Gain (dB)                     = %.3f\n", 12.0);
    AppendFormatted(text, "Gamma                         = %.3f\n", 1.0);
    AppendFormatted(text, "Saturation level (counts)     = %.1f\n", 255.0);
    AppendFormatted(text, "Noise floor (counts)          = %.3f\n", 2.5 + 0.001 * s.camera_number);
    AppendFormatted(text, "Limiting magnitude            = %.3f\n", 5.8);
    AppendFormatted(text, "Stars detected                = %d\n", static_cast<int>(s.stars.size()) + 7);
    AppendFormatted(text, "Stars matched                 = %d\n", static_cast<int>(s.stars.size()));
}

void AppendCoefficientTable(const CalibrationSample& s, std::string& text) {
    text += "Forward plate polynomial: standard coordinates (deg) from plate offsets (pixels)\n";
    text += "  offsets: dx is x minus the x centre, dy is the y centre minus y\n";
    text += "  terms in dx and dy, one line each, x coefficient then y coefficient\n";
    text += " Term        Xi coefficient            Eta coefficient\n";
    text += " ----   ------------------------   ------------------------\n";
    const int terms = TermCount(s.fit_order);
    for (int t = 0; t < terms; ++t) {
        AppendFormatted(text, " %-4s   %24.15e   %24.15e\n", kTermNames[t], s.xcoef[t], s.ycoef[t]);
    }
}

// The lines between the coefficients and the star table. The residual line
// reads "label = mean +- sigma arcmin"; the flux intercept carries a unit after
// its value, which makes the star-table headings that follow exactly three lines.
void AppendFits(const CalibrationSample& s, std::string& text) {
    text += "\nAstrometric residuals of the matched stars\n";
    AppendFormatted(text, "Mean O-C and sigma            = %.4f +- %.4f arcmin\n\n", s.oc_mean_arcmin,
                    s.oc_sigma_arcmin);
    text += "Photometric fits\n";
    AppendFormatted(text, "Magnitude fit slope           = %.5f\n", s.magfit_slope);
    AppendFormatted(text, "Magnitude fit intercept       = %.5f\n", s.magfit_icept);
    text += "Flux fit: log10 flux against catalogue magnitude\n";
    AppendFormatted(text, "Flux fit slope                = %.5f\n", s.fluxfit_slope);
    AppendFormatted(text, "Flux fit intercept            = %.5f  log10 flux\n", s.fluxfit_icept);
}

void AppendStarTable(const CalibrationSample& s, std::string& text) {
    text += "Matched catalogue stars\n";
    text +=
        "  Row     RA deg    Dec deg    x pix    y pix     Mv    B-V     Xi deg    Eta deg"
        "   LogInt  LogPeak  LogFlux  O-C min\n";
    text +=
        " ----  --------- ---------- -------- -------- ------ ------ ---------- ----------"
        " -------- -------- -------- --------\n";
    int row = 1;
    for (const StarEntry& st : s.stars) {
        AppendFormatted(text,
                        "%5d %10.5f %10.5f %8.2f %8.2f %6.2f %6.2f %10.5f %10.5f %8.3f %8.3f %8.3f %8.3f\n",
                        row, st.ra_deg, st.dec_deg, st.col_3, st.col_4, st.mv, st.col_6, st.col_7, st.col_8,
                        st.log10_inten, st.col_10, st.log10_flux, st.oc_arcmin);
        ++row;
    }
}

}  // namespace

void AppendCalText(const CalibrationSample& sample, std::string& text) {
    AppendHeader(sample, text);
    AppendSiteBlock(sample, text);
    AppendCoefficientTable(sample, text);
    AppendFits(sample, text);
    AppendStarTable(sample, text);
}

std::string CalFileName(const CalibrationSample& sample) {
    const CalendarInstant& t = sample.time;
    char name[64];
    std::snprintf(name, sizeof name, "CAL%03d_%04d%02d%02d_%02d%02d%02d_%03d.txt", sample.camera_number,
                  t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
    return name;
}

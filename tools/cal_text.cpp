#include "tools/cal_text.h"

#include <cstdarg>
#include <cstdio>
#include <string_view>

namespace {

constexpr const char* kTermNames[kMaxTerms] = {"1", "x", "y", "xx", "xy", "yy", "xxx", "xxy", "xyy", "yyy"};
constexpr const char* kRoundTripFormat = "%.17g";

// Returns one printf-formatted piece of text. Every piece the writer makes is
// a single line well below the buffer size.
#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
Formatted(const char* format, ...) {
    char line[512];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (length <= 0) return std::string();
    return std::string(line, static_cast<std::size_t>(length) < sizeof line ? length : sizeof line - 1);
}

// Writes the lines of one CAL text with the options' labels, units and
// number forms; every line ends with a line feed here, changed at the end.
class CalTextWriter {
  public:
    CalTextWriter(std::string& text, const CalTextOptions& options) : text_(text), options_(options) {}

    // A real number in the generator's format, or in the round-trip form.
    std::string Real(const char* format, double value) const {
        return Formatted(options_.round_trip_numbers ? kRoundTripFormat : format, value);
    }

    // "label = value", the unit after the value when the next line's label follows it.
    void Labelled(std::string_view aligned_label, const std::string& value, bool unit_follows = true) {
        if (options_.bare_labels) {
            std::string_view words = aligned_label.substr(0, aligned_label.find(" ("));
            words = words.substr(0, words.find_last_not_of(' ') + 1);
            text_.append(words).append(" = ");
        } else {
            text_.append(aligned_label).append("= ");
        }
        text_ += value;
        if (unit_follows) text_ += options_.unit_after_values;
        text_ += '\n';
    }

    void Line(std::string_view line) { text_.append(line).append("\n"); }
    std::string& Text() { return text_; }

  private:
    std::string& text_;
    const CalTextOptions& options_;
};

// The eighteen header lines: camera, date, time, site, image size, plate
// scale, roll, tilt, exposure, centre pointing, plate centre, fit order.
void AppendHeader(const CalibrationSample& s, CalTextWriter& w) {
    const CalendarInstant& t = s.time;
    w.Labelled("Camera number                 ", std::to_string(s.camera_number));
    w.Labelled("Calibration date (MM/DD/YYYY) ", Formatted("%02d/%02d/%04d", t.month, t.day, t.year));
    w.Labelled("Calibration time (UT)         ",
               Formatted("%02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.millisecond));
    w.Labelled("Site longitude (deg, east)    ", w.Real("%.6f", s.longitude_deg));
    w.Labelled("Site latitude (deg, north)    ", w.Real("%.6f", s.latitude_deg));
    w.Labelled("Site height (km)              ", w.Real("%.4f", s.height_km));
    w.Labelled("Image size (W x H, pixels)    ",
               w.Real("%.0f", s.width_px) + " x " + w.Real("%.0f", s.height_px));
    w.Labelled("Plate scale (arcmin/pixel)    ", w.Real("%.6f", s.arcmin_per_pixel));
    w.Labelled("Image roll (deg)              ", w.Real("%.5f", s.roll_deg));
    w.Labelled("Camera tilt (deg)             ", w.Real("%.5f", s.cam_tilt_deg));
    w.Labelled("Exposure (s)                  ", w.Real("%.6f", s.exposure_s));
    w.Labelled("Centre right ascension (deg)  ", w.Real("%.6f", s.ra_center_deg));
    w.Labelled("Centre declination (deg)      ", w.Real("%.6f", s.dec_center_deg));
    w.Labelled("Centre azimuth (deg)          ", w.Real("%.6f", s.azim_center_deg));
    w.Labelled("Centre elevation (deg)        ", w.Real("%.6f", s.elev_center_deg));
    w.Labelled("Plate centre x (pixels)       ", w.Real("%.3f", s.x_center_px));
    w.Labelled("Plate centre y (pixels)       ", w.Real("%.3f", s.y_center_px));
    w.Labelled("Plate polynomial order        ", std::to_string(s.fit_order));
}

// The two texts and ten numbers; the last number's line is followed by the
// coefficient table's headings, not by a label, so it carries no unit.
void AppendSiteBlock(const CalibrationSample& s, CalTextWriter& w) {
    static constexpr const char* kLabels[10] = {
        "Focal length (mm)             ", "Focal ratio                   ", "Frame rate (Hz)               ",
        "Gain (dB)                     ", "Gamma                         ", "Saturation level (counts)     ",
        "Noise floor (counts)          ", "Limiting magnitude            ", "Stars detected                ",
        "Stars matched                 "};
    static constexpr const char* kFormats[10] = {"%.3f", "%.3f", "%.3f", "%.3f", "%.3f",
                                                 "%.1f", "%.3f", "%.3f", "%.0f", "%.0f"};
    w.Labelled("Camera                        ", s.camera_text, false);
    w.Labelled("Lens                          ", s.lens_text, false);
    for (int i = 0; i < 10; ++i) w.Labelled(kLabels[i], w.Real(kFormats[i], s.site_values[i]), i < 9);
}

// Five heading lines, then one line per term of the fit order: the term's
// name, its x and its y coefficient.
void AppendCoefficientTable(const CalibrationSample& s, CalTextWriter& w) {
    w.Line("Forward plate polynomial: standard coordinates (deg) from plate offsets (pixels)");
    w.Line("  offsets: dx is x minus the x centre, dy is the y centre minus y");
    w.Line("  terms in dx and dy, one line each, x coefficient then y coefficient");
    w.Line(" Term        Xi coefficient            Eta coefficient");
    w.Line(" ----   ------------------------   ------------------------");
    const int terms = TermCount(s.fit_order);
    for (int t = 0; t < terms; ++t) {
        w.Line(Formatted(" %-4s   ", kTermNames[t]) + w.Real("%24.15e", s.xcoef[t]) + "   " +
               w.Real("%24.15e", s.ycoef[t]));
    }
}

// The lines between the coefficients and the star table. The residual line
// reads "label = mean +- sigma arcmin"; the flux intercept carries a unit after
// its value, which makes the star-table headings that follow exactly three lines.
void AppendFits(const CalibrationSample& s, CalTextWriter& w) {
    w.Line("\nAstrometric residuals of the matched stars");
    w.Labelled("Mean O-C and sigma            ",
               w.Real("%.4f", s.oc_mean_arcmin) + " +- " + w.Real("%.4f", s.oc_sigma_arcmin) + " arcmin\n",
               false);
    w.Line("Photometric fits");
    w.Labelled("Magnitude fit slope           ", w.Real("%.5f", s.magfit_slope));
    w.Labelled("Magnitude fit intercept       ", w.Real("%.5f", s.magfit_icept));
    w.Line("Flux fit: log10 flux against catalogue magnitude");
    w.Labelled("Flux fit slope                ", w.Real("%.5f", s.fluxfit_slope));
    w.Labelled("Flux fit intercept            ", w.Real("%.5f", s.fluxfit_icept) + "  log10 flux", false);
}

// One row per star: its number from 1, then its twelve values in file column order.
void AppendStarRows(const CalibrationSample& s, CalTextWriter& w) {
    static constexpr const char* kColumnFormats[12] = {"%10.5f", "%10.5f", "%8.2f",  "%8.2f",
                                                       "%6.2f",  "%6.2f",  "%10.5f", "%10.5f",
                                                       "%8.3f",  "%8.3f",  "%8.3f",  "%8.3f"};
    int row = 1;
    for (const StarEntry& st : s.stars) {
        const double columns[12] = {st.ra_deg,      st.dec_deg, st.col_3,      st.col_4,
                                    st.mv,          st.col_6,   st.col_7,      st.col_8,
                                    st.log10_inten, st.col_10,  st.log10_flux, st.oc_arcmin};
        std::string line = Formatted("%5d", row);
        for (int c = 0; c < 12; ++c) line += " " + w.Real(kColumnFormats[c], columns[c]);
        w.Line(line);
        ++row;
    }
}

// The star table's three heading lines and its rows, the sample's or those
// the options give.
void AppendStarTable(const CalibrationSample& s, const CalTextOptions& options, CalTextWriter& w) {
    w.Line("Matched catalogue stars");
    w.Line(
        "  Row     RA deg    Dec deg    x pix    y pix     Mv    B-V     Xi deg    Eta deg"
        "   LogInt  LogPeak  LogFlux  O-C min");
    w.Line(
        " ----  --------- ---------- -------- -------- ------ ------ ---------- ----------"
        " -------- -------- -------- --------");
    if (options.star_rows) {
        w.Text() += *options.star_rows;
    } else {
        AppendStarRows(s, w);
    }
}

// Turns every line feed from position first on into carriage return and line feed.
void UseCrLf(std::string& text, std::size_t first) {
    std::string converted;
    for (std::size_t i = first; i < text.size(); ++i) {
        if (text[i] == '\n') converted += '\r';
        converted += text[i];
    }
    text.replace(first, std::string::npos, converted);
}

}  // namespace

void AppendCalText(const CalibrationSample& sample, std::string& text, const CalTextOptions& options) {
    const std::size_t first = text.size();
    CalTextWriter writer(text, options);
    AppendHeader(sample, writer);
    AppendSiteBlock(sample, writer);
    AppendCoefficientTable(sample, writer);
    AppendFits(sample, writer);
    AppendStarTable(sample, options, writer);
    if (options.crlf) UseCrLf(text, first);
}

std::string CalText(const CalibrationSample& sample, const CalTextOptions& options) {
    std::string text;
    AppendCalText(sample, text, options);
    return text;
}

std::string CalFileName(const CalibrationSample& sample) {
    const CalendarInstant& t = sample.time;
    char name[64];
    std::snprintf(name, sizeof name, "CAL%03d_%04d%02d%02d_%02d%02d%02d_%03d.txt", sample.camera_number,
                  t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond);
    return name;
}

// Calibration records: the in-memory form of one CAL file.
//
// CalibrationRecord holds one calibration (time, site, pointing, forward plate
// polynomial and its fitted inverse, residuals, photometric fits, star table).
// SiteRecord holds the site position in radians and the site block of the file.
// StarEntry is one row of the star table.
//
// The records are plain structures of fixed-size fields; the field order is
// the memory order that stored dumps and other tools rely on, so do not
// reorder. Angles are in degrees unless the name ends in _rad; heights and
// radii in km; plate positions in pixels; residuals in arcminutes.
//
// Where each value comes from. The reader (calib/read_cal) takes the CAL file
// as a fixed sequence of "label = value" lines; labels are never compared, so
// a value is known by its position alone:
//
//   CAL line (in file order)       field(s)                         unit
//   1  an integer                  (not stored; the camera number)   -
//   2  NN/NN/NNNN                  date_first, date_second,          -
//                                  date_year (printed in that order)
//   3  hh:mm:ss.mmm                hour, minute, second, millisecond UT
//   4  longitude                   longitude_deg                     deg
//   5  latitude (geodetic)         latitude_deg                      deg
//   6  height                      height_km                         km
//   7  "a x b"                     pair_first, pair_second           -
//   8  plate scale                 arcmin_per_pixel                  arcmin/px
//   9  second pointing value       aux_angle_deg                     deg
//   10 camera tilt                 cam_tilt_deg                      deg
//   11 fourth pointing value       site_aux_value                    -
//   12..15 centre RA, Dec,         ra_center_deg, dec_center_deg,    deg
//          azimuth, elevation      azim_center_deg, elev_center_deg
//   16, 17 polynomial origin       x_center, y_center                px
//   18 fit order                   fit_order (1, 2 or 3)             -
//   19, 20 site texts              SiteRecord text_1, text_2         -
//   21..30 ten site numbers        SiteRecord values[0..9]           -
//   31..35 five heading lines      (skipped)
//   36..45 coefficient lines       xcoef[k], ycoef[k], one term each standard unit
//          "1 x y xx ... yyy"      (3, 6 or 10 lines by fit order)   per px^power
//   then   text, residual line     oc_mean_arcmin, oc_sigma_arcmin   arcmin
//          "mean +- sigma arcmin"
//   then   magnitude fit           magfit_slope, magfit_icept        -
//   then   flux fit                fluxfit_slope, fluxfit_icept      -
//   then   star rows: row number   stars[k] columns 1..12            see StarEntry
//          and twelve values
//
// Fields with neutral names hold values the file carries but the system
// never interprets: pair_first and pair_second (the generator writes the image
// size there, width x height in pixels), aux_angle_deg (the generator's image
// roll; only converted to aux_angle_rad), site_aux_value (copied into the
// SiteRecord), the star columns col_3 ... col_10, and spare_1 / spare_2 (set
// to 0 at every load; they keep the record's layout). None of them reaches a
// table.
//
// The inverse polynomial (inverse_ready, inv_xcoef, inv_ycoef) is fitted at
// every load for the calibration model's consumers, which need the mapping
// from standard coordinates back to pixels; the summary tables print only the
// forward coefficients.
#ifndef CALIB_CAL_RECORD_H
#define CALIB_CAL_RECORD_H

constexpr int kMaxStars = 1000;
constexpr int kMaxTerms = 10;
constexpr int kPathRoom = 256;
constexpr int kFileNameMaxChars = 30;
constexpr int kSiteTextRoom = 128;

// One star row. The field order differs from the file's column order:
// oc_arcmin (file column 12) sits between col_4 and mv.
struct StarEntry {
    double ra_deg;       // column 1, right ascension, deg
    double dec_deg;      // column 2, declination, deg
    double col_3;        // column 3, stored, not printed (the generator: pixel x)
    double col_4;        // column 4, stored, not printed (the generator: pixel y)
    double oc_arcmin;    // column 12, observed minus computed, arcmin
    double mv;           // column 5, visual magnitude
    double col_6;        // column 6, stored, not printed (the generator: colour index)
    double col_7;        // column 7, stored, not printed (the generator: xi, deg)
    double col_8;        // column 8, stored, not printed (the generator: eta, deg)
    double log10_inten;  // column 9, log10 of the measured intensity
    double col_10;       // column 10, stored, not printed (the generator: log10 peak)
    double log10_flux;   // column 11, log10 of the flux
};

struct SiteRecord {
    double lat_rad;
    double lon_rad;
    double height_km;
    double site_aux_value;
    char code_1[256];  // "XX" after every load
    char code_2[4];    // "XX" after every load
    char text_1[kSiteTextRoom];
    char text_2[kSiteTextRoom];
    double values[10];
};

struct CalibrationRecord {
    char path[kPathRoom];       // full path as opened, at most 255 characters
    char file_name[kPathRoom];  // from the last upper-case 'C' of path, at most 30 characters
    int date_year;
    int date_first;
    int date_second;
    int hour;
    int minute;
    int second;
    int millisecond;
    double longitude_deg;
    double latitude_deg;
    double height_km;
    double geocentric_radius_km;
    double pair_first;
    double pair_second;
    double arcmin_per_pixel;
    double aux_angle_deg;
    double cam_tilt_deg;
    double site_aux_value;
    double ra_center_deg;
    double dec_center_deg;
    double azim_center_deg;
    double elev_center_deg;
    double magfit_slope;
    double magfit_icept;
    double fluxfit_slope;
    double fluxfit_icept;
    double aux_angle_rad;
    double rad_per_pixel;
    double spare_1;
    double spare_2;
    double ra_center_rad;
    double dec_center_rad;
    double y_center;
    double x_center;
    double xcoef[kMaxTerms];
    double ycoef[kMaxTerms];
    int inverse_ready;
    double inv_xcoef[kMaxTerms];
    double inv_ycoef[kMaxTerms];
    double oc_mean_arcmin;
    double oc_sigma_arcmin;
    int fit_order;
    int star_count;
    StarEntry stars[kMaxStars];
};

// Degrees per radian, as the literal every conversion in the system divides by.
constexpr double kDegreesPerRadian = 57.29577951;

// Camera numbers are three digits in the file names; a listing holds at most
// this many distinct cameras, and the generator numbers its cameras 1 to it.
constexpr int kMaxCameras = 999;

// Number of TermBasis terms (1, x, y, xx, xy, yy, xxx, xxy, xyy, yyy) used by a
// polynomial of the given order: 3, 6 or 10 for orders 1, 2, 3; 0 otherwise.
constexpr int TermCount(int fit_order) {
    return fit_order == 1 ? 3 : fit_order == 2 ? 6 : fit_order == 3 ? 10 : 0;
}

// Number of coefficient lines the CAL reader takes for a file of the given
// order: the term count for orders 1 to 3, none below 1, and all ten for an
// order of 4 or more. That last case is deliberate, not a slip: the reader
// tests the order only after the coefficient lines, so a file of order 4 has
// its ten lines read before it is refused (the position of the text after the
// table then matches a file of order 3).
constexpr int CoefficientLinesRead(int fit_order) {
    return fit_order >= 3 ? kMaxTerms : TermCount(fit_order);
}

#endif  // CALIB_CAL_RECORD_H

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
    double ra_deg;       // column 1
    double dec_deg;      // column 2
    double col_3;        // column 3, stored, not printed
    double col_4;        // column 4, stored, not printed
    double oc_arcmin;    // column 12, observed minus computed, arcmin
    double mv;           // column 5, visual magnitude
    double col_6;        // column 6
    double col_7;        // column 7
    double col_8;        // column 8
    double log10_inten;  // column 9
    double col_10;       // column 10
    double log10_flux;   // column 11
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

// Number of TermBasis terms (1, x, y, xx, xy, yy, xxx, xxy, xyy, yyy) used by a
// polynomial of the given order: 3, 6 or 10 for orders 1, 2, 3; 0 otherwise.
constexpr int TermCount(int fit_order) {
    return fit_order == 1 ? 3 : fit_order == 2 ? 6 : fit_order == 3 ? 10 : 0;
}

#endif  // CALIB_CAL_RECORD_H

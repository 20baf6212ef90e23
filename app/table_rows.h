// Rows and header lines of the two summary tables.
#ifndef APP_TABLE_ROWS_H
#define APP_TABLE_ROWS_H

#include <string>
#include <string_view>

#include "calib/cal_record.h"

// The end of every line of the tables.
inline constexpr std::string_view kTableLineEnd = "\r\n";

// Header lines of the tables, without their line ends.
inline constexpr std::string_view kFitCoefsHeader[3] = {
    "  Calib     Cal Time     RA-Cen DEC-Cen AzimCen ElevCen  Arcmin CamTilt    Xcoef[0]       Xcoef[1]      "
    " Xcoef[2]       Xcoef[3]       Xcoef[4]       Xcoef[5]       Xcoef[6]       Xcoef[7]       Xcoef[8]     "
    "  Xcoef[9]       Ycoef[0]       Ycoef[1]       Ycoef[2]       Ycoef[3]       Ycoef[4]       Ycoef[5]    "
    "   Ycoef[6]       Ycoef[7]       Ycoef[8]       Ycoef[9]   ",
    "   Date        UT           deg     deg     deg     deg  /pixel     deg        1              x         "
    "     y             xx             xy             yy            xxx            xxy            xyy        "
    "    yyy              1              x              y             xx             xy             yy       "
    "     xxx            xxy            xyy            yyy      ",
    "---------- ------------ ------- ------- ------- ------- ------- ------- -------------- -------------- "
    "-------------- -------------- -------------- -------------- -------------- -------------- "
    "-------------- -------------- -------------- -------------- -------------- -------------- "
    "-------------- -------------- -------------- -------------- -------------- --------------",
};
inline constexpr std::string_view kFitStarsHeader[3] = {
    "  Calib      Cal Time       O-C     O-C  MagFit  Magfit FluxFit FluxFit    Star-RA  Star-Dec   Star   "
    "Log10   Log10     O-C",
    "   Date         UT         mean   sigma   Slope   Icept   Slope   Icept        deg       deg     Mv   "
    "Inten    Flux  ArcMin",
    "---------- ------------ ------- ------- ------- ------- ------- -------  --------- --------- ------ "
    "------- ------- -------",
};

// Given a loaded record, appends its FitCoefs row without line end to row.
void AppendFitCoefsRow(std::string& row, const CalibrationRecord& record);

// Given a loaded record, appends columns 1 to 8 of a FitStars row (date, time,
// residuals, magnitude and flux fits) to row: the part that every star row of
// the calibration shares, so a table writer can form it once per calibration.
void AppendFitStarsCalibrationColumns(std::string& row, const CalibrationRecord& record);

// Given a star, appends columns 9 to 14 of its FitStars row (the two blanks
// before column 9 included, no line end) to row.
void AppendFitStarsStarColumns(std::string& row, const StarEntry& star);

// AppendCalibrationRows
// Given a loaded record, replaces the texts with its rows, each ending in
// CR LF: the FitCoefs row, and one FitStars row per star in use. The record
// is not changed. Never ends the process.
void AppendCalibrationRows(const CalibrationRecord& record, std::string& fit_coefs_rows,
                           std::string& fit_stars_rows);

// Given a loaded record, returns its FitCoefs row without line end (371
// characters while every value fits its column). Coefficient columns beyond
// the record's term count read 0; the record is not changed.
std::string FitCoefsRow(const CalibrationRecord& record);

// Given a loaded record and one of its stars, returns that star's FitStars
// row without line end (123 characters while every value fits its column).
std::string FitStarsRow(const CalibrationRecord& record, const StarEntry& star);

#endif  // APP_TABLE_ROWS_H

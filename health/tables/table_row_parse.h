// The rows of the two summary tables, read back: values are blank-separated
// (a value wider than its column widens its row), dates MM/DD/YYYY, times
// HH:MM:SS.mmm UT.
#ifndef HEALTH_TABLES_TABLE_ROW_PARSE_H
#define HEALTH_TABLES_TABLE_ROW_PARSE_H

#include <cstdint>
#include <string_view>

// One FitCoefs row: date, time, six pointing and scale values, then ten x
// and ten y coefficients of the plate polynomial (terms 1, x, y, xx, ...).
struct CoefsRow {
    std::int64_t time_ms;
    double ra_deg;
    double dec_deg;
    double azimuth_deg;
    double elevation_deg;
    double arcmin_per_pixel;
    double tilt_deg;
    double xcoef[10];
    double ycoef[10];
};

// Given two FitCoefs rows, returns whether their values (all but the time)
// are equal. Never ends the process.
bool SameCoefsValues(const CoefsRow& a, const CoefsRow& b);

// Columns 1 to 8 of a FitStars row: what every star row of one calibration
// repeats.
struct StarsCalibrationColumns {
    std::int64_t time_ms;
    double oc_mean_arcmin;
    double oc_sigma_arcmin;
    double magfit_slope;
    double magfit_icept;
    double fluxfit_slope;
    double fluxfit_icept;
};

// Columns 9 to 14 of a FitStars row: one star.
struct StarColumns {
    double mv;
    double log10_inten;
};

// Given a line without its line end, fills row and returns nullptr, or returns
// a short text saying why the line is not a FitCoefs row (the row is then
// unspecified).
const char* ParseCoefsRow(std::string_view line, CoefsRow& row);

// Given a line, fills columns with its first eight values and sets rest_start
// to the offset just after them, returning nullptr; or returns why the line
// does not start like a FitStars row.
const char* ParseStarsCalibrationColumns(std::string_view line, StarsCalibrationColumns& columns,
                                         std::size_t& rest_start);

// Length of columns 9 to 14 of a FitStars row as the summary program writes
// them while every value fits: "  %9.5f %9.5f %6.2f %7.3f %7.3f %7.3f".
constexpr std::size_t kStarColumnsWritten = 52;

// Given the kStarColumnsWritten characters after column 8 of a FitStars
// row, returns whether they hold that layout exactly (each field
// right-aligned: blanks, an optional minus sign, digits, the point, the
// field's decimals), setting star when they do. Reads those characters
// only; ParseStarColumns accepts what this accepts, with the same values.
bool ReadStarColumnsAsWritten(const char* rest, StarColumns& star);

// Given the rest of a FitStars row after column 8, checks that it holds
// exactly six numbers and fills star with the magnitude and the
// log-intensity (columns 11 and 12, which must be finite decimal numbers of
// at most 1e30 in size), returning nullptr; or returns why not. The four columns the report does not
// use are checked by their characters only when they are plain fixed-point
// text (digits, point, sign), in full otherwise.
const char* ParseStarColumns(std::string_view rest, StarColumns& star);

// Given a line, returns true when it holds nothing but blanks.
bool IsBlankLine(std::string_view line);

// Given a line, returns true when its first non-blank character is not a
// digit: a header line (words or dashes) rather than a row.
bool LooksLikeHeaderLine(std::string_view line);

#endif  // HEALTH_TABLES_TABLE_ROW_PARSE_H

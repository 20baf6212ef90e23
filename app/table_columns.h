// Layout of the summary tables' columns: the one place their widths are set.
#ifndef APP_TABLE_COLUMNS_H
#define APP_TABLE_COLUMNS_H

// One number column: the blanks before it, its width and its precision
// (digits after the decimal point). A value is printed right-aligned in the
// width; a value too wide for it widens the row.
struct TableColumn {
    int gap;
    int width;
    int precision;
};

// Date and time, "MM/DD/YYYY hh:mm:ss.mmm": the digits of each zero-filled
// field (month, day, year, hour, minute, second, millisecond) and the
// character after each field but the last.
inline constexpr int kDateTimeDigits[7] = {2, 2, 4, 2, 2, 2, 3};
inline constexpr char kDateTimeSeparators[7] = "// ::.";

// FitCoefs: RA, Dec, azimuth and elevation of the centre (deg), plate scale
// (arcmin/pixel) and camera tilt (deg), fixed-point.
inline constexpr TableColumn kPointingColumn = {1, 7, 3};
// FitCoefs: each of the ten x and ten y coefficients, exponent form with a
// three-digit exponent.
inline constexpr TableColumn kCoefficientColumn = {1, 14, 6};

// FitStars: mean and sigma of the residuals (arcmin), fixed-point.
inline constexpr TableColumn kResidualColumn = {1, 7, 3};
// FitStars: slope and intercept of the magnitude fit, then of the flux fit.
inline constexpr TableColumn kPhotometricFitColumn = {1, 7, 2};
// FitStars: the star's RA, then its Dec (deg).
inline constexpr TableColumn kStarRaColumn = {2, 9, 5};
inline constexpr TableColumn kStarDecColumn = {1, 9, 5};
// FitStars: the star's visual magnitude.
inline constexpr TableColumn kStarMagnitudeColumn = {1, 6, 2};
// FitStars: log10 intensity, log10 flux and residual (arcmin) of the star.
inline constexpr TableColumn kStarValueColumn = {1, 7, 3};

#endif  // APP_TABLE_COLUMNS_H

#include "health/table_row_parse.h"

#include <optional>

#include "health/calendar_time.h"
#include "health/number_scan.h"

namespace {

constexpr int kCoefsValues = 26;  // after date and time
constexpr int kStarsCalibrationValues = 6;
constexpr int kStarValues = 6;

const char* ParseTime(const char*& cursor, const char* end, std::int64_t& time_ms) {
    const std::string_view date = NextToken(cursor, end);
    const std::string_view time = NextToken(cursor, end);
    if (date.empty() || time.empty()) return "too few values";
    const std::optional<std::int64_t> parsed = ParseTableTime(date, time);
    if (!parsed) return "not a date MM/DD/YYYY and a time HH:MM:SS.mmm";
    time_ms = *parsed;
    return nullptr;
}

// Reads count numbers into values (nullptr skips the conversion but still
// checks each number).
const char* ParseNumbers(const char*& cursor, const char* end, int count, double* const* values) {
    for (int k = 0; k < count; ++k) {
        const std::string_view token = NextToken(cursor, end);
        if (token.empty()) return "too few values";
        const bool ok = values[k] != nullptr ? ParseFiniteNumber(token, *values[k]) : IsFiniteNumber(token);
        if (!ok) return "a value is not a finite number";
    }
    return nullptr;
}

const char* ExpectLineEnd(const char* cursor, const char* end) {
    return NextToken(cursor, end).empty() ? nullptr : "too many values";
}

}  // namespace

const char* ParseCoefsRow(std::string_view line, CoefsRow& row) {
    const char* cursor = line.data();
    const char* const end = line.data() + line.size();
    if (const char* error = ParseTime(cursor, end, row.time_ms)) return error;
    double* targets[kCoefsValues] = {&row.ra_deg,        &row.dec_deg,          &row.azimuth_deg,
                                     &row.elevation_deg, &row.arcmin_per_pixel, &row.tilt_deg};
    for (int k = 0; k < 10; ++k) {
        targets[6 + k] = &row.xcoef[k];
        targets[16 + k] = &row.ycoef[k];
    }
    if (const char* error = ParseNumbers(cursor, end, kCoefsValues, targets)) return error;
    return ExpectLineEnd(cursor, end);
}

const char* ParseStarsCalibrationColumns(std::string_view line, StarsCalibrationColumns& columns,
                                         std::size_t& rest_start) {
    const char* cursor = line.data();
    const char* const end = line.data() + line.size();
    if (const char* error = ParseTime(cursor, end, columns.time_ms)) return error;
    double* const targets[kStarsCalibrationValues] = {&columns.oc_mean_arcmin, &columns.oc_sigma_arcmin,
                                                      &columns.magfit_slope,   &columns.magfit_icept,
                                                      &columns.fluxfit_slope,  &columns.fluxfit_icept};
    if (const char* error = ParseNumbers(cursor, end, kStarsCalibrationValues, targets)) return error;
    rest_start = static_cast<std::size_t>(cursor - line.data());
    return nullptr;
}

const char* ParseStarColumns(std::string_view rest, StarColumns& star) {
    const char* cursor = rest.data();
    const char* const end = rest.data() + rest.size();
    double* const targets[kStarValues] = {nullptr, nullptr, &star.mv, &star.log10_inten, nullptr, nullptr};
    if (const char* error = ParseNumbers(cursor, end, kStarValues, targets)) return error;
    return ExpectLineEnd(cursor, end);
}

bool IsBlankLine(std::string_view line) {
    for (char c : line) {
        if (c != ' ' && c != '\t') return false;
    }
    return true;
}

bool LooksLikeHeaderLine(std::string_view line) {
    for (char c : line) {
        if (c == ' ' || c == '\t') continue;
        return c < '0' || c > '9';
    }
    return false;
}

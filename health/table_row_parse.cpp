#include "health/table_row_parse.h"

#include <cstdint>
#include <optional>

#include "health/calendar_time.h"
#include "health/number_scan.h"

namespace {

constexpr int kCoefsValues = 26;  // after date and time
constexpr int kStarsCalibrationValues = 6;
constexpr int kStarValues = 6;
constexpr int kMagnitudeColumn = 2;  // of the six star values
constexpr int kLogIntensityColumn = 3;

// Characters of a plain fixed-point number: digits, point, signs.
constexpr struct NumberCharacters {
    bool table[256] = {};
    constexpr NumberCharacters() {
        for (char c : {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', '-', '+'}) {
            table[static_cast<unsigned char>(c)] = true;
        }
    }
    constexpr bool operator[](unsigned char c) const { return table[c]; }
} kNumberCharacter;

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
        while (cursor != end && (*cursor == ' ' || *cursor == '\t')) ++cursor;
        if (cursor == end) return "too few values";
        if (!ScanNumber(cursor, end, values[k])) return "a value is not a finite number";
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

namespace {

// The star columns as the summary program writes them while every value
// fits: "  %9.5f %9.5f %6.2f %7.3f %7.3f %7.3f".
struct FixedField {
    int start;
    int width;
    int decimals;
};
constexpr FixedField kStarFields[kStarValues] = {{2, 9, 5},  {12, 9, 5}, {22, 6, 2},
                                                 {29, 7, 3}, {37, 7, 3}, {45, 7, 3}};
constexpr std::size_t kStarColumnsLength = 52;

// Given a field of that layout (right-aligned, optional minus sign, digits,
// point, the field's decimals), returns whether it holds a number of that
// form, and its value when value is not nullptr.
bool ReadFixedField(const char* text, const FixedField& field, double* value) {
    const char* p = text + field.start;
    const char* const end = p + field.width;
    const char* const point = end - field.decimals - 1;
    while (p < point && *p == ' ') ++p;
    const bool negative = p < point && *p == '-';
    if (negative) ++p;
    if (p >= point || *point != '.') return false;
    std::uint64_t mantissa = 0;
    for (; p < end; ++p) {
        if (p == point) continue;
        if (*p < '0' || *p > '9') return false;
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    if (value != nullptr) {
        constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0, 10000.0, 100000.0};
        const double magnitude = static_cast<double>(mantissa) / kScale[field.decimals];
        *value = negative ? -magnitude : magnitude;
    }
    return true;
}

// The row's usual layout, read at fixed places; false when the row has any
// other (a widened value, another spacing), which the general road reads.
bool ReadStarColumnsAsWritten(std::string_view rest, StarColumns& star) {
    if (rest.size() != kStarColumnsLength || rest[0] != ' ' || rest[1] != ' ') return false;
    for (int k = 1; k < kStarValues; ++k) {
        if (rest[static_cast<std::size_t>(kStarFields[k].start - 1)] != ' ') return false;
    }
    for (int k = 0; k < kStarValues; ++k) {
        double* target = k == kMagnitudeColumn      ? &star.mv
                         : k == kLogIntensityColumn ? &star.log10_inten
                                                    : nullptr;
        if (!ReadFixedField(rest.data(), kStarFields[k], target)) return false;
    }
    return true;
}

}  // namespace

const char* ParseStarColumns(std::string_view rest, StarColumns& star) {
    if (ReadStarColumnsAsWritten(rest, star)) return nullptr;
    const char* cursor = rest.data();
    const char* const end = rest.data() + rest.size();
    for (int k = 0; k < kStarValues; ++k) {
        while (cursor != end && (*cursor == ' ' || *cursor == '\t')) ++cursor;
        if (cursor == end) return "too few values";
        if (k == kMagnitudeColumn || k == kLogIntensityColumn) {
            if (!ScanNumber(cursor, end, k == kMagnitudeColumn ? &star.mv : &star.log10_inten)) {
                return "a value is not a finite number";
            }
            continue;
        }
        // The columns the report does not use are checked by their
        // characters: digits, point and sign (anything else, such as an
        // exponent or text, is checked in full).
        const char* p = cursor;
        bool digit = false;
        while (p != end && kNumberCharacter[static_cast<unsigned char>(*p)]) {
            if (*p >= '0') digit = true;
            ++p;
        }
        if (digit && (p == end || *p == ' ' || *p == '\t')) {
            cursor = p;
        } else if (!ScanNumber(cursor, end, nullptr)) {
            return "a value is not a finite number";
        }
    }
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

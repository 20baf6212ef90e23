#include "health/tables/table_row_parse.h"

#include <cmath>
#include <cstdint>
#include <optional>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "health/tables/number_scan.h"
#include "health/tables/table_time.h"

namespace {

constexpr int kCoefsValues = 26;  // after date and time
constexpr int kStarsCalibrationValues = 6;
constexpr int kStarValues = 6;
constexpr int kMagnitudeColumn = 2;  // of the six star values
// Largest magnitude or log-intensity a star row may carry: far beyond any
// real star, and within the float range its percentiles are taken in.
constexpr double kMaxStarValue = 1e30;
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
// fits: "  %9.5f %9.5f %6.2f %7.3f %7.3f %7.3f", one bit per character.
constexpr std::uint64_t Bits(int first, int last) {
    std::uint64_t bits = 0;
    for (int i = first; i <= last; ++i) bits |= std::uint64_t{1} << i;
    return bits;
}
constexpr std::uint64_t kSeparators =
    Bits(0, 1) | Bits(11, 11) | Bits(21, 21) | Bits(28, 28) | Bits(36, 36) | Bits(44, 44);
constexpr std::uint64_t kPoints =
    Bits(5, 5) | Bits(15, 15) | Bits(25, 25) | Bits(32, 32) | Bits(40, 40) | Bits(48, 48);
constexpr std::uint64_t kDecimals =
    Bits(6, 10) | Bits(16, 20) | Bits(26, 27) | Bits(33, 35) | Bits(41, 43) | Bits(49, 51);
constexpr std::uint64_t kIntegerParts =
    Bits(2, 4) | Bits(12, 14) | Bits(22, 24) | Bits(29, 31) | Bits(37, 39) | Bits(45, 47);
constexpr std::uint64_t kIntegerStarts =
    Bits(2, 2) | Bits(12, 12) | Bits(22, 22) | Bits(29, 29) | Bits(37, 37) | Bits(45, 45);
constexpr std::uint64_t kBeforePoints = kPoints >> 1;
static_assert((kSeparators | kPoints | kDecimals | kIntegerParts) == Bits(0, 51),
              "every character has a role");
constexpr int kMagnitudeAt = 22;     // its integer part: 3 characters, then 2 decimals
constexpr int kLogIntensityAt = 29;  // 3 characters, then 3 decimals

// Which of the 52 characters are digits, blanks, minus signs and points.
struct CharacterClasses {
    std::uint64_t digit = 0;
    std::uint64_t blank = 0;
    std::uint64_t minus = 0;
    std::uint64_t point = 0;
};

#if defined(__SSE2__)
// Sixteen characters at a time (SSE2 is part of every x86-64 processor).
std::uint64_t Matches(__m128i text, char c) {
    return static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(text, _mm_set1_epi8(c))));
}

std::uint64_t Digits(__m128i text) {
    const __m128i offset = _mm_sub_epi8(text, _mm_set1_epi8('0'));
    return static_cast<std::uint32_t>(
        _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_min_epu8(offset, _mm_set1_epi8(9)), offset)));
}

CharacterClasses Classify(const char* text) {
    // Four loads at 0, 16, 32 and 36 cover the 52 characters; the last two
    // overlap and agree on the characters they share.
    CharacterClasses classes;
    constexpr int kAt[4] = {0, 16, 32, 36};
    for (int k = 0; k < 4; ++k) {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + kAt[k]));
        classes.digit |= Digits(chunk) << kAt[k];
        classes.blank |= Matches(chunk, ' ') << kAt[k];
        classes.minus |= Matches(chunk, '-') << kAt[k];
        classes.point |= Matches(chunk, '.') << kAt[k];
    }
    return classes;
}
#else
CharacterClasses Classify(const char* text) {
    CharacterClasses classes;
    for (int i = 0; i < static_cast<int>(kStarColumnsWritten); ++i) {
        const char c = text[i];
        const std::uint64_t bit = std::uint64_t{1} << i;
        if (c >= '0' && c <= '9') classes.digit |= bit;
        if (c == ' ') classes.blank |= bit;
        if (c == '-') classes.minus |= bit;
        if (c == '.') classes.point |= bit;
    }
    return classes;
}
#endif

// The value of a field of that layout known to hold one: its integer part
// of three characters at `at`, the point, then its decimals. Blanks and the
// minus sign (both below '0') count as no digit.
inline double FieldValue(const char* rest, const CharacterClasses& c, int at, int decimals) {
    constexpr double kScale[] = {1.0, 10.0, 100.0, 1000.0};
    const auto digit = [&](int i) {
        const unsigned value = static_cast<unsigned char>(rest[i]) - static_cast<unsigned>('0');
        return static_cast<std::uint64_t>(value < 10 ? value : 0);
    };
    std::uint64_t mantissa = (digit(at) * 10 + digit(at + 1)) * 10 + digit(at + 2);
    for (int k = 1; k <= decimals; ++k) mantissa = mantissa * 10 + digit(at + 3 + k);
    const double magnitude = static_cast<double>(mantissa) / kScale[decimals];
    return ((c.minus >> at) & 7) != 0 ? -magnitude : magnitude;
}

}  // namespace

bool ReadStarColumnsAsWritten(const char* rest, StarColumns& star) {
    const CharacterClasses c = Classify(rest);
    // Separators are blanks, the points stand where the format puts them
    // and nowhere else, decimals are digits; an integer part holds digits,
    // blanks and minus signs, ends in a digit, and has blanks and a minus
    // sign only at its start or after a blank: blanks, an optional minus
    // sign, then digits up to the point.
    const std::uint64_t integer_blanks_and_minus = (c.blank | c.minus) & kIntegerParts;
    const bool as_written =
        (c.blank & kSeparators) == kSeparators && c.point == kPoints && (c.digit & kDecimals) == kDecimals &&
        (kIntegerParts & ~(c.digit | c.blank | c.minus)) == 0 && (c.digit & kBeforePoints) == kBeforePoints &&
        (integer_blanks_and_minus & ~kIntegerStarts & ~(c.blank << 1)) == 0;
    if (!as_written) return false;
    star.mv = FieldValue(rest, c, kMagnitudeAt, 2);
    star.log10_inten = FieldValue(rest, c, kLogIntensityAt, 3);
    return true;
}

const char* ParseStarColumns(std::string_view rest, StarColumns& star) {
    if (rest.size() == kStarColumnsWritten && ReadStarColumnsAsWritten(rest.data(), star)) return nullptr;
    const char* cursor = rest.data();
    const char* const end = rest.data() + rest.size();
    for (int k = 0; k < kStarValues; ++k) {
        while (cursor != end && (*cursor == ' ' || *cursor == '\t')) ++cursor;
        if (cursor == end) return "too few values";
        if (k == kMagnitudeColumn || k == kLogIntensityColumn) {
            double& value = k == kMagnitudeColumn ? star.mv : star.log10_inten;
            if (!ScanNumber(cursor, end, &value)) return "a value is not a finite number";
            // The stars' values are kept as floats for their percentiles.
            if (!(std::fabs(value) <= kMaxStarValue)) return "a magnitude or intensity out of range";
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

bool SameCoefsValues(const CoefsRow& a, const CoefsRow& b) {
    bool same = a.ra_deg == b.ra_deg && a.dec_deg == b.dec_deg && a.azimuth_deg == b.azimuth_deg &&
                a.elevation_deg == b.elevation_deg && a.arcmin_per_pixel == b.arcmin_per_pixel &&
                a.tilt_deg == b.tilt_deg;
    for (int term = 0; term < 10; ++term)
        same = same && a.xcoef[term] == b.xcoef[term] && a.ycoef[term] == b.ycoef[term];
    return same;
}

#include "health/number_scan.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace {

constexpr int kMaxExactDigits = 15;  // an integer of this many digits is an exact double
constexpr int kMaxExactPower = 22;   // 10^22 is the largest power of ten a double holds exactly
constexpr int kMaxExponentDigits = 4;
constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

std::string_view NextToken(const char*& cursor, const char* end) {
    while (cursor != end && (*cursor == ' ' || *cursor == '\t')) ++cursor;
    const char* start = cursor;
    while (cursor != end && *cursor != ' ' && *cursor != '\t') ++cursor;
    return std::string_view(start, static_cast<std::size_t>(cursor - start));
}

bool ParseFiniteNumber(std::string_view token, double& value) {
    const char* begin = token.data();
    const char* end = token.data() + token.size();
    if (begin != end && *begin == '+') ++begin;  // from_chars takes no plus sign
    if (begin == end || (*begin != '-' && *begin != '.' && !IsDigit(*begin))) return false;
    double parsed = 0.0;
    const std::from_chars_result result = std::from_chars(begin, end, parsed);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

bool IsFiniteNumber(std::string_view token) {
    double ignored = 0.0;
    return ParseFiniteNumber(token, ignored);
}

bool ScanNumber(const char*& cursor, const char* end, double* value) {
    while (cursor != end && (*cursor == ' ' || *cursor == '\t')) ++cursor;
    const char* p = cursor;
    bool negative = false;
    if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
    std::uint64_t mantissa = 0;
    int digits = 0;
    int fraction_digits = 0;
    while (p != end && IsDigit(*p)) {
        mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p++ - '0');
        ++digits;
    }
    if (p != end && *p == '.') {
        ++p;
        while (p != end && IsDigit(*p)) {
            mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p++ - '0');
            ++digits;
            ++fraction_digits;
        }
    }
    // An exponent of up to four digits ("-2.571887e-003", as the tables
    // write polynomial coefficients).
    int exponent = 0;
    if (p != end && (*p == 'e' || *p == 'E') && digits > 0) {
        const char* q = p + 1;
        bool exponent_negative = false;
        if (q != end && (*q == '-' || *q == '+')) exponent_negative = *q++ == '-';
        int exponent_digits = 0;
        while (q != end && IsDigit(*q) && exponent_digits < kMaxExponentDigits + 1) {
            exponent = exponent * 10 + (*q++ - '0');
            ++exponent_digits;
        }
        if (exponent_digits == 0 || exponent_digits > kMaxExponentDigits) {
            exponent = kMaxExactPower + 1;  // the general road decides
        } else {
            p = q;
            if (exponent_negative) exponent = -exponent;
        }
    }
    const int power = exponent - fraction_digits;
    if ((p == end || *p == ' ' || *p == '\t') && digits > 0 && digits <= kMaxExactDigits &&
        power >= -kMaxExactPower && power <= kMaxExactPower) {
        cursor = p;
        if (value != nullptr) {
            // An integer of at most 15 digits and a power of ten up to 10^22
            // are exact doubles, so one multiplication or division rounds
            // once: the correctly rounded value.
            const double magnitude = power >= 0 ? static_cast<double>(mantissa) * kPowersOfTen[power]
                                                : static_cast<double>(mantissa) / kPowersOfTen[-power];
            *value = negative ? -magnitude : magnitude;
        }
        return true;
    }
    // Exponents, long digit strings, text: the whole token, the general way.
    const std::string_view token = NextToken(cursor, end);
    if (token.empty()) return false;
    if (value != nullptr) return ParseFiniteNumber(token, *value);
    return IsFiniteNumber(token);
}

#include "health/tables/number_scan.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

#include "common/exact_decimal.h"

namespace {

// At most this many digits, so that the digits' integer cannot wrap.
constexpr int kMaxExactDigits = 15;
constexpr int kMaxExponentDigits = 4;

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
    // from_chars takes no plus sign; after one, only the number's digits or
    // point may follow ("+-1" has two signs and is no number).
    bool plus = false;
    if (begin != end && *begin == '+') {
        plus = true;
        ++begin;
    }
    if (begin == end || ((plus || *begin != '-') && *begin != '.' && !IsDigit(*begin))) return false;
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
            exponent = static_cast<int>(kMaxExactPowerOfTen) + 1;  // the general road decides
        } else {
            p = q;
            if (exponent_negative) exponent = -exponent;
        }
    }
    double magnitude = 0.0;
    if ((p == end || *p == ' ' || *p == '\t') && digits > 0 && digits <= kMaxExactDigits &&
        ExactDecimalValue(mantissa, exponent - fraction_digits, magnitude)) {
        cursor = p;
        if (value != nullptr) *value = negative ? -magnitude : magnitude;
        return true;
    }
    // Exponents, long digit strings, text: the whole token, the general way.
    const std::string_view token = NextToken(cursor, end);
    if (token.empty()) return false;
    if (value != nullptr) return ParseFiniteNumber(token, *value);
    return IsFiniteNumber(token);
}

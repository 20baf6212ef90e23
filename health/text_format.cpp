#include "health/text_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

std::string Fixed(double value, int decimals) {
    if (!std::isfinite(value)) return "";
    char buffer[64];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "";
    std::string text(buffer, result.ptr);
    if (text.size() > 1 && text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos)
        text.erase(0, 1);
    return text;
}

namespace {

__extension__ typedef unsigned __int128 Unsigned128;

// Decimals the exact road takes; the largest magnitude it takes, so that
// the scaled value stays below 2^63.
constexpr int kMaxExactDecimals = 9;
constexpr double kMaxExactMagnitude = 1e9;

// Given a finite value below kMaxExactMagnitude in magnitude and a number of
// decimals up to kMaxExactDecimals, returns |value| * 10^decimals rounded to
// the nearest integer, ties to even: exactly what printing the value's
// exact binary expansion to that many decimals rounds to.
std::uint64_t ScaledMagnitude(double value, int decimals) {
    // The value as an integer times a power of two, from its bits.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t fraction_bits = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa = biased == 0 ? fraction_bits : fraction_bits | (std::uint64_t{1} << 52);
    const int shift = biased == 0 ? 1074 : 1075 - biased;  // |value| = mantissa / 2^shift
    std::uint64_t power = 1;
    for (int k = 0; k < decimals; ++k) power *= 10;
    const Unsigned128 product = static_cast<Unsigned128>(mantissa) * power;  // below 2^83
    if (shift <= 0) return static_cast<std::uint64_t>(product << -shift);
    if (shift >= 100) return 0;  // below a half of the last decimal
    const std::uint64_t quotient = static_cast<std::uint64_t>(product >> shift);
    const Unsigned128 remainder = product - (static_cast<Unsigned128>(quotient) << shift);
    const Unsigned128 half = static_cast<Unsigned128>(1) << (shift - 1);
    return remainder > half || (remainder == half && (quotient & 1) != 0) ? quotient + 1 : quotient;
}

}  // namespace

char* WriteFixed(char* out, double value, int decimals, bool trim) {
    if (!std::isfinite(value)) return out;
    char buffer[kFixedRoom];
    const char* begin = buffer;
    const char* end = buffer;
    if (decimals >= 0 && decimals <= kMaxExactDecimals && std::fabs(value) < kMaxExactMagnitude) {
        // Digits of the scaled magnitude, written backwards, the point
        // `decimals` places from the right, at least one digit before it.
        std::uint64_t scaled = ScaledMagnitude(value, decimals);
        const bool negative = value < 0 && scaled != 0;  // a value rounded to zero has no sign
        char* p = buffer + sizeof buffer;
        char* const last = p;
        for (int k = 0; k < decimals; ++k) {
            *--p = static_cast<char>('0' + scaled % 10);
            scaled /= 10;
        }
        if (decimals > 0) *--p = '.';
        do {
            *--p = static_cast<char>('0' + scaled % 10);
            scaled /= 10;
        } while (scaled != 0);
        if (negative) *--p = '-';
        begin = p;
        end = last;
    } else {
        const std::to_chars_result result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        if (result.ec != std::errc()) return out;
        end = result.ptr;
        // "-0", "-0.00": a value rounded to zero has no sign.
        if (*begin == '-') {
            bool zero = true;
            for (const char* p = begin + 1; p != end; ++p) zero = zero && (*p == '0' || *p == '.');
            if (zero) ++begin;
        }
    }
    if (trim && decimals > 0) {
        while (end[-1] == '0') --end;
        if (end[-1] == '.') --end;
    }
    std::memcpy(out, begin, static_cast<std::size_t>(end - begin));
    return out + (end - begin);
}

void AppendFixed(std::string& text, double value, int decimals, bool trim) {
    char buffer[kFixedRoom];
    text.append(buffer, WriteFixed(buffer, value, decimals, trim));
}

std::string Signed(double value, int decimals) {
    std::string text = Fixed(value, decimals);
    if (!text.empty() && text[0] != '-') text.insert(text.begin(), '+');
    return text;
}

void AppendShortest(std::string& text, double value) {
    if (!std::isfinite(value)) return;
    char buffer[64];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (result.ec == std::errc()) text.append(buffer, result.ptr);
}

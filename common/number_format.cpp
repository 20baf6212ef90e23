// Number conversions for the tables. Fixed-point values of the sizes tables
// hold are rounded here with exact integer arithmetic; others, and the
// exponent form, come from std::to_chars with a precision. Both round exactly
// as printf does in the C locale (correctly, ties to even) at a fraction of
// its cost; the C library writes two exponent digits where the tables want
// three, so the exponent is widened here.
#include "common/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

constexpr int kExponentMinDigits = 3;
// Room for any finite double in fixed form with the precisions the tables
// use: sign, 309 integer digits, point, fraction digits (the room
// FormatFixedBefore is given too).
constexpr int kNumberRoom = kFixedRoom;

// Widest column padded in one piece; wider ones are padded in two appends.
constexpr std::size_t kOnePieceWidth = 64;

void AppendPadded(std::string& text, const char* number, std::size_t length, int width, int leading_blanks) {
    const std::size_t padding =
        static_cast<std::size_t>(leading_blanks) +
        (static_cast<int>(length) < width ? static_cast<std::size_t>(width) - length : 0);
    if (padding > 0 && length + padding <= kOnePieceWidth) {
        char padded[kOnePieceWidth];
        std::memset(padded, ' ', padding);
        std::memcpy(padded + padding, number, length);
        text.append(padded, padding + length);
        return;
    }
    if (padding > 0) text.append(padding, ' ');
    text.append(number, length);
}

// The C library's text of a value the fast path does not handle (not finite,
// or a precision too large for the buffer), right-aligned in width.
void AppendFromLibrary(std::string& text, const char* format, double value, int width, int precision,
                       int leading_blanks) {
    text.append(static_cast<std::size_t>(leading_blanks), ' ');
    const int length = std::snprintf(nullptr, 0, format, width, precision, value);
    if (length <= 0) return;
    const std::size_t start = text.size();
    text.resize(start + static_cast<std::size_t>(length) + 1);
    std::snprintf(&text[start], static_cast<std::size_t>(length) + 1, format, width, precision, value);
    text.resize(start + static_cast<std::size_t>(length));
}

// Unsigned 128-bit integers (a GCC and clang extension; the extension keyword
// keeps the pedantic build quiet about it).
__extension__ typedef unsigned __int128 Wide;

constexpr int kExactMaxPrecision = 9;
constexpr std::uint64_t kPowersOfTen[kExactMaxPrecision + 1] = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
// Beyond 2^kExactMaxBinaryExponent the value goes to to_chars; below it the
// scaled mantissa, shifted, stays within 128 bits.
constexpr int kExactMaxBinaryExponent = 40;

// The decimal digits of n, at least count of them (leading zeros), written
// backwards so that they end just before end; returns where they start.
char* WriteDigitsBackwards(std::uint64_t n, int count, char* end) {
    static constexpr char kPairs[] =
        "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
        "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
        "8081828384858687888990919293949596979899";
    char* p = end;
    while (n >= 100) {
        const std::uint64_t pair = n % 100;
        n /= 100;
        *--p = kPairs[2 * pair + 1];
        *--p = kPairs[2 * pair];
    }
    if (n >= 10) {
        *--p = kPairs[2 * n + 1];
        *--p = kPairs[2 * n];
    } else {
        *--p = static_cast<char>('0' + n);
    }
    while (end - p < count) *--p = '0';
    return p;
}

}  // namespace

// The value is an integer mantissa M times 2^E exactly; M * 10^p * 2^E is
// formed exactly in 128 bits and rounded to an integer half to even, which is
// what printf does with the exact binary value. Null beyond a magnitude of
// 2^(53 + kExactMaxBinaryExponent), a precision of kExactMaxPrecision or
// padding of kOnePieceWidth.
char* FormatFixedBefore(char* end, double value, int width, int precision, int leading_blanks) {
    if (!std::isfinite(value) || precision < 0 || precision > kExactMaxPrecision) return nullptr;
    constexpr int kMostPadding = static_cast<int>(kOnePieceWidth);
    if (width > kMostPadding || leading_blanks < 0 || leading_blanks > kMostPadding) return nullptr;
    // |value| = mantissa * 2^binary_exponent, from the value's bits.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased_exponent = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t stored_fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa =
        biased_exponent == 0 ? stored_fraction : stored_fraction | (std::uint64_t{1} << 52);
    const int binary_exponent = (biased_exponent == 0 ? 1 : biased_exponent) - 1075;
    if (binary_exponent > kExactMaxBinaryExponent) return nullptr;
    const Wide scaled = static_cast<Wide>(mantissa) * kPowersOfTen[precision];
    Wide rounded = 0;
    if (binary_exponent >= 0) {
        rounded = scaled << binary_exponent;
    } else if (binary_exponent > -128) {
        const int shift = -binary_exponent;
        rounded = scaled >> shift;
        const Wide remainder = scaled - (rounded << shift);
        const Wide half = static_cast<Wide>(1) << (shift - 1);
        if (remainder > half || (remainder == half && (rounded & 1) != 0)) ++rounded;
    }  // else: below 2^-127 after scaling, far less than a half: rounds to 0

    char* p = end;
    // The fraction's digits, then the point, then the integer part (at least
    // one digit), in 64-bit pieces of up to nineteen digits.
    const std::uint64_t kNineteenDigits = 10000000000000000000ULL;
    std::uint64_t fraction = 0;
    Wide integer = 0;
    if ((rounded >> 64) == 0) {  // the common case, without 128-bit divisions
        const std::uint64_t narrow = static_cast<std::uint64_t>(rounded);
        fraction = narrow % kPowersOfTen[precision];
        integer = narrow / kPowersOfTen[precision];
    } else {
        fraction = static_cast<std::uint64_t>(rounded % kPowersOfTen[precision]);
        integer = rounded / kPowersOfTen[precision];
    }
    if (precision > 0) {
        p = WriteDigitsBackwards(fraction, precision, p);
        *--p = '.';
    }
    while (integer >= kNineteenDigits) {
        p = WriteDigitsBackwards(static_cast<std::uint64_t>(integer % kNineteenDigits), 19, p);
        integer /= kNineteenDigits;
    }
    p = WriteDigitsBackwards(static_cast<std::uint64_t>(integer), 1, p);
    if (std::signbit(value)) *--p = '-';
    const int length = static_cast<int>(end - p);
    const int padding = (length < width ? width - length : 0) + leading_blanks;
    for (int i = 0; i < padding; ++i) *--p = ' ';
    return p;
}

void AppendExponent3(std::string& text, double value, int width, int precision, int leading_blanks) {
    char buffer[kNumberRoom];
    const std::to_chars_result result =
        std::isfinite(value) && precision >= 0 && precision < kNumberRoom - 16
            ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision)
            : std::to_chars_result{buffer, std::errc::value_too_large};
    if (result.ec != std::errc()) {
        AppendFromLibrary(text, "%*.*e", value, width, precision, leading_blanks);
        return;
    }
    // buffer holds mantissa, "e", the exponent's sign and two or three digits.
    char* const exponent_digits = static_cast<char*>(std::memchr(buffer, 'e', result.ptr - buffer)) + 2;
    std::size_t length = static_cast<std::size_t>(result.ptr - buffer);
    const int digit_count = static_cast<int>(result.ptr - exponent_digits);
    if (digit_count < kExponentMinDigits) {
        const int missing = kExponentMinDigits - digit_count;
        std::memmove(exponent_digits + missing, exponent_digits, static_cast<std::size_t>(digit_count));
        std::memset(exponent_digits, '0', static_cast<std::size_t>(missing));
        length += static_cast<std::size_t>(missing);
    }
    AppendPadded(text, buffer, length, width, leading_blanks);
}

void AppendFixed(std::string& text, double value, int width, int precision, int leading_blanks) {
    char buffer[kNumberRoom];
    const char* const exact =
        FormatFixedBefore(buffer + sizeof buffer, value, width, precision, leading_blanks);
    if (exact != nullptr) {
        text.append(exact, static_cast<std::size_t>(buffer + sizeof buffer - exact));
        return;
    }
    const std::to_chars_result result =
        std::isfinite(value) && precision >= 0 && precision < 64
            ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision)
            : std::to_chars_result{buffer, std::errc::value_too_large};
    if (result.ec != std::errc()) {
        AppendFromLibrary(text, "%*.*f", value, width, precision, leading_blanks);
        return;
    }
    AppendPadded(text, buffer, static_cast<std::size_t>(result.ptr - buffer), width, leading_blanks);
}

void AppendZeroFilled(std::string& text, int value, int digits) {
    char buffer[16];
    const std::to_chars_result result = std::to_chars(buffer, buffer + sizeof buffer, value);
    const char* magnitude = buffer;
    if (value < 0) {
        text += '-';
        ++magnitude;
    }
    const int length = static_cast<int>(result.ptr - buffer);
    if (length < digits) text.append(static_cast<std::size_t>(digits - length), '0');
    text.append(magnitude, static_cast<std::size_t>(result.ptr - magnitude));
}

// Number conversions for the tables. Fixed-point values of the sizes tables
// hold are rounded here with exact integer arithmetic; others, and the
// exponent form, come from std::to_chars with a precision. Both round exactly
// as printf does in the C locale (correctly, ties to even) at a fraction of
// its cost; the C library writes two exponent digits where the tables want
// three, so the exponent is widened here.
#include "app/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

constexpr int kExponentMinDigits = 3;
// Room for any finite double in fixed form with the precisions the tables
// use: sign, 309 integer digits, point, fraction digits.
constexpr int kNumberRoom = 400;

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

// Writes the decimal digits of n (at least one) at the end of room and
// returns where they start.
char* WriteDigitsBackwards(Wide n, char* end) {
    char* p = end;
    if ((n >> 64) == 0) {  // the common case, in cheaper 64-bit divisions
        std::uint64_t narrow = static_cast<std::uint64_t>(n);
        do {
            *--p = static_cast<char>('0' + narrow % 10);
            narrow /= 10;
        } while (narrow != 0);
        return p;
    }
    do {
        const Wide quotient = n / 10;
        *--p = static_cast<char>('0' + static_cast<int>(n - quotient * 10));
        n = quotient;
    } while (n != 0);
    return p;
}

// The value as "%.*f" gives it, written into buffer (room of kNumberRoom),
// for a finite value below 2^(53 + kExactMaxBinaryExponent) in magnitude and
// a precision of at most 9; returns the length, or 0 when the value is not
// such. The value is an integer mantissa M times 2^E exactly; M * 10^p * 2^E
// is formed exactly in 128 bits and rounded to an integer half to even, which
// is what printf does with the exact binary value.
std::size_t FormatFixedExactly(double value, int precision, char* buffer) {
    if (!std::isfinite(value) || precision < 0 || precision > kExactMaxPrecision) return 0;
    // |value| = mantissa * 2^binary_exponent, from the value's bits.
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const int biased_exponent = static_cast<int>((bits >> 52) & 0x7ff);
    const std::uint64_t stored_fraction = bits & ((std::uint64_t{1} << 52) - 1);
    const std::uint64_t mantissa =
        biased_exponent == 0 ? stored_fraction : stored_fraction | (std::uint64_t{1} << 52);
    const int binary_exponent = (biased_exponent == 0 ? 1 : biased_exponent) - 1075;
    if (binary_exponent > kExactMaxBinaryExponent) return 0;
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

    char digits[48];
    char* const digits_end = digits + sizeof digits;
    char* first = WriteDigitsBackwards(rounded, digits_end);
    // At least one digit before the point.
    while (digits_end - first < precision + 1) *--first = '0';
    std::size_t length = 0;
    if (std::signbit(value)) buffer[length++] = '-';
    const std::size_t integer_digits = static_cast<std::size_t>(digits_end - first - precision);
    std::memcpy(buffer + length, first, integer_digits);
    length += integer_digits;
    if (precision > 0) {
        buffer[length++] = '.';
        std::memcpy(buffer + length, first + integer_digits, static_cast<std::size_t>(precision));
        length += static_cast<std::size_t>(precision);
    }
    return length;
}

}  // namespace

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
    const std::size_t exact_length = FormatFixedExactly(value, precision, buffer);
    if (exact_length > 0) {
        AppendPadded(text, buffer, exact_length, width, leading_blanks);
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

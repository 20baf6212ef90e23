// Number conversions for the tables. The digits come from std::to_chars with
// a precision, which rounds exactly as printf does in the C locale (correctly,
// ties to even) at a fraction of its cost; the C library writes two exponent
// digits where the tables want three, so the exponent is widened here.
#include "app/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

namespace {

constexpr int kExponentMinDigits = 3;
// Room for any finite double in fixed form with the precisions the tables
// use: sign, 309 integer digits, point, fraction digits.
constexpr int kNumberRoom = 400;

void AppendPadded(std::string& text, const char* number, std::size_t length, int width) {
    if (static_cast<int>(length) < width) text.append(static_cast<std::size_t>(width) - length, ' ');
    text.append(number, length);
}

// The C library's text of a value the fast path does not handle (not finite,
// or a precision too large for the buffer), right-aligned in width.
void AppendFromLibrary(std::string& text, const char* format, double value, int width, int precision) {
    const int length = std::snprintf(nullptr, 0, format, width, precision, value);
    if (length <= 0) return;
    const std::size_t start = text.size();
    text.resize(start + static_cast<std::size_t>(length) + 1);
    std::snprintf(&text[start], static_cast<std::size_t>(length) + 1, format, width, precision, value);
    text.resize(start + static_cast<std::size_t>(length));
}

}  // namespace

void AppendExponent3(std::string& text, double value, int width, int precision) {
    char buffer[kNumberRoom];
    const std::to_chars_result result =
        std::isfinite(value) && precision >= 0 && precision < kNumberRoom - 16
            ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, precision)
            : std::to_chars_result{buffer, std::errc::value_too_large};
    if (result.ec != std::errc()) {
        AppendFromLibrary(text, "%*.*e", value, width, precision);
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
    AppendPadded(text, buffer, length, width);
}

void AppendFixed(std::string& text, double value, int width, int precision) {
    char buffer[kNumberRoom];
    const std::to_chars_result result =
        std::isfinite(value) && precision >= 0 && precision < 64
            ? std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, precision)
            : std::to_chars_result{buffer, std::errc::value_too_large};
    if (result.ec != std::errc()) {
        AppendFromLibrary(text, "%*.*f", value, width, precision);
        return;
    }
    AppendPadded(text, buffer, static_cast<std::size_t>(result.ptr - buffer), width);
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

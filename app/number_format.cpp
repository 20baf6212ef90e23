// Number conversions for the tables. The C library writes two exponent digits
// where the tables want three, so the exponent is rewritten here; the digits
// themselves and their rounding stay the library's.
#include "app/number_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int kExponentMinDigits = 3;

void AppendPadded(std::string& text, const std::string& number, int width) {
    if (static_cast<int>(number.size()) < width) text.append(width - number.size(), ' ');
    text += number;
}

}  // namespace

void AppendExponent3(std::string& text, double value, int width, int precision) {
    char buffer[512];
    if (!std::isfinite(value)) {
        std::snprintf(buffer, sizeof buffer, "%*.*e", width, precision, value);
        text += buffer;
        return;
    }
    // A finite double with a sane precision fits: sign, digit, point,
    // precision digits, "e", sign and at most three exponent digits.
    std::snprintf(buffer, sizeof buffer, "%.*e", precision, value);
    const char* exponent_digits = std::strchr(buffer, 'e') + 2;
    // The mantissa, "e" and the exponent's sign, then the digits filled to three.
    std::string number(static_cast<const char*>(buffer), exponent_digits);
    const int digit_count = static_cast<int>(std::strlen(exponent_digits));
    if (digit_count < kExponentMinDigits) number.append(kExponentMinDigits - digit_count, '0');
    number += exponent_digits;
    AppendPadded(text, number, width);
}

void AppendFixed(std::string& text, double value, int width, int precision) {
    const int length = std::snprintf(nullptr, 0, "%*.*f", width, precision, value);
    std::string number(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(number.data(), number.size(), "%*.*f", width, precision, value);
    number.resize(static_cast<size_t>(length));
    text += number;
}

void AppendZeroFilled(std::string& text, int value, int digits) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%0*d", digits, value);
    text += buffer;
}

#include "health/text_format.h"

#include <charconv>
#include <cmath>
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

void AppendFixed(std::string& text, double value, int decimals, bool trim) {
    if (!std::isfinite(value)) return;
    char buffer[64];
    const std::to_chars_result result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return;
    const char* end = result.ptr;
    if (trim && decimals > 0) {
        while (end[-1] == '0') --end;
        if (end[-1] == '.') --end;
    }
    const char* begin = buffer;
    // "-0", "-0.00": a value rounded to zero has no sign.
    if (*begin == '-') {
        bool zero = true;
        for (const char* p = begin + 1; p != end; ++p) zero = zero && (*p == '0' || *p == '.');
        if (zero) ++begin;
    }
    text.append(begin, end);
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

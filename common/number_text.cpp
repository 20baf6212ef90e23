#include "common/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <system_error>

#include "common/number_format.h"

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

char* WriteFixed(char* out, double value, int decimals, bool trim) {
    if (!std::isfinite(value)) return out;
    // The tables' exact fixed-point digits where they apply (the common
    // case), the library's otherwise; both round the exact binary value.
    char exact[kFixedRoom];
    char buffer[kWriteFixedRoom];
    const char* begin = FormatFixedBefore(exact + sizeof exact, value, 0, decimals, 0);
    const char* end = exact + sizeof exact;
    if (begin == nullptr) {
        const std::to_chars_result result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
        if (result.ec != std::errc()) return out;
        begin = buffer;
        end = result.ptr;
    }
    // "-0", "-0.00": a value rounded to zero has no sign.
    if (*begin == '-') {
        bool zero = true;
        for (const char* p = begin + 1; p != end; ++p) zero = zero && (*p == '0' || *p == '.');
        if (zero) ++begin;
    }
    if (trim && decimals > 0) {
        while (end[-1] == '0') --end;
        if (end[-1] == '.') --end;
    }
    std::memcpy(out, begin, static_cast<std::size_t>(end - begin));
    return out + (end - begin);
}

void AppendFixed(std::string& text, double value, int decimals, bool trim) {
    char buffer[kWriteFixedRoom];
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

#include "calib/cal_scanner.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

ScanTarget SkipTarget() {
    return ScanTarget{};
}

ScanTarget IntTarget(int& value) {
    ScanTarget target;
    target.int_value = &value;
    return target;
}

ScanTarget WideTarget(long long& value) {
    ScanTarget target;
    target.wide_value = &value;
    return target;
}

ScanTarget RealTarget(double& value) {
    ScanTarget target;
    target.real_value = &value;
    return target;
}

ScanTarget TextTarget(char* text, std::size_t room) {
    ScanTarget target;
    target.text = text;
    target.text_room = room;
    return target;
}

namespace {

constexpr std::size_t kNoWidth = SIZE_MAX;
// Exponents are counted up to this size; any number whose exponent reaches it
// is far outside the double range either way.
constexpr long long kExponentCap = 1000000000LL;

// Returns true and the next character when there is one; at the end of the
// text returns false and notes that the end has been seen.
bool Peek(CalScanner& scanner, char& c) {
    if (scanner.pos >= scanner.text.size()) {
        scanner.end_seen = true;
        return false;
    }
    c = scanner.text[scanner.pos];
    return true;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

void SkipBlanks(CalScanner& scanner) {
    char c;
    while (Peek(scanner, c) && IsBlank(c)) ++scanner.pos;
}

// Takes one or more characters up to, not including, stop. Stores at most
// room - 1 of them into the target's text when it has one.
bool ScanUpTo(CalScanner& scanner, char stop, const ScanTarget& target) {
    const std::size_t start = scanner.pos;
    const std::size_t found = scanner.text.find(stop, start);
    if (found == std::string_view::npos) {
        scanner.pos = scanner.text.size();
        scanner.end_seen = true;
    } else {
        scanner.pos = found;
    }
    const std::size_t length = scanner.pos - start;
    if (length == 0) return false;
    if (target.text != nullptr && target.text_room > 0) {
        const std::size_t kept = length < target.text_room - 1 ? length : target.text_room - 1;
        std::memcpy(target.text, scanner.text.data() + start, kept);
        target.text[kept] = '\0';
    }
    return true;
}

// Skips white space, then takes an optionally signed decimal integer of at
// most width characters, sign included. The value saturates at the long long
// range.
bool ScanInteger(CalScanner& scanner, std::size_t width, long long& value) {
    SkipBlanks(scanner);
    const std::size_t start = scanner.pos;
    std::size_t used = 0;
    bool negative = false;
    char c;
    if (used < width && Peek(scanner, c) && (c == '+' || c == '-')) {
        negative = c == '-';
        ++scanner.pos;
        ++used;
    }
    long long magnitude = 0;
    std::size_t digits = 0;
    while (used < width && Peek(scanner, c) && IsDigit(c)) {
        const int digit = c - '0';
        if (magnitude > (LLONG_MAX - digit) / 10) {
            magnitude = LLONG_MAX;
        } else {
            magnitude = magnitude * 10 + digit;
        }
        ++scanner.pos;
        ++used;
        ++digits;
    }
    if (digits == 0) {
        scanner.pos = start;
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

void StoreInteger(const ScanTarget& target, long long value) {
    if (target.wide_value != nullptr) *target.wide_value = value;
    if (target.int_value != nullptr) {
        if (value > INT_MAX) value = INT_MAX;
        if (value < INT_MIN) value = INT_MIN;
        *target.int_value = static_cast<int>(value);
    }
}

// Counts the digits at the cursor and moves past them.
std::size_t PassDigits(CalScanner& scanner) {
    std::size_t count = 0;
    char c;
    while (Peek(scanner, c) && IsDigit(c)) {
        ++scanner.pos;
        ++count;
    }
    return count;
}

// Given an unsigned mantissa such as "0012.5" or ".0003" and the exponent that
// follows it, returns m with 10^(m-1) <= value < 10^m: positive for values of
// 1 and above. Only used to tell overflow from underflow.
long long LeadingDigitExponent(std::string_view mantissa, long long exponent) {
    const std::size_t point = mantissa.find('.');
    const std::size_t integer_end = point == std::string_view::npos ? mantissa.size() : point;
    const std::size_t first_nonzero = mantissa.find_first_not_of("0.");
    if (first_nonzero == std::string_view::npos) return LLONG_MIN / 2;
    if (first_nonzero < integer_end) return exponent + static_cast<long long>(integer_end - first_nonzero);
    return exponent - static_cast<long long>(first_nonzero - integer_end - 1);
}

// Moves past an exponent ("e", "E", optional sign, one or more digits) and
// returns its value, capped in magnitude. Without digits after the marker
// nothing is taken and the exponent is 0.
long long PassExponent(CalScanner& scanner) {
    const std::size_t marker = scanner.pos;
    char c;
    if (!Peek(scanner, c) || (c != 'e' && c != 'E')) return 0;
    ++scanner.pos;
    bool negative = false;
    if (Peek(scanner, c) && (c == '+' || c == '-')) {
        negative = c == '-';
        ++scanner.pos;
    }
    long long exponent = 0;
    std::size_t digits = 0;
    while (Peek(scanner, c) && IsDigit(c)) {
        if (exponent < kExponentCap) exponent = exponent * 10 + (c - '0');
        ++scanner.pos;
        ++digits;
    }
    if (digits == 0) {
        scanner.pos = marker;
        return 0;
    }
    return negative ? -exponent : exponent;
}

// Skips white space, then takes an optionally signed decimal number with
// optional fraction and exponent.
bool ScanReal(CalScanner& scanner, double& value) {
    SkipBlanks(scanner);
    const std::size_t start = scanner.pos;
    bool negative = false;
    char c;
    if (Peek(scanner, c) && (c == '+' || c == '-')) {
        negative = c == '-';
        ++scanner.pos;
    }
    const std::size_t mantissa_start = scanner.pos;
    std::size_t digits = PassDigits(scanner);
    if (Peek(scanner, c) && c == '.') {
        ++scanner.pos;
        digits += PassDigits(scanner);
    }
    if (digits == 0) {
        scanner.pos = start;
        return false;
    }
    const std::size_t mantissa_end = scanner.pos;
    const long long exponent = PassExponent(scanner);

    const char* first = scanner.text.data() + mantissa_start;
    const char* last = scanner.text.data() + scanner.pos;
    double magnitude = 0.0;
    const std::from_chars_result result = std::from_chars(first, last, magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view mantissa(first, mantissa_end - mantissa_start);
        magnitude =
            LeadingDigitExponent(mantissa, exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

// Applies one conversion directive (the text after '%') and returns how many
// characters of the format it used, or 0 when the directive failed.
std::size_t ApplyConversion(CalScanner& scanner, std::string_view conversion, const ScanTarget& target) {
    if (conversion.substr(0, 4) == "[^=]") return ScanUpTo(scanner, '=', target) ? 4 : 0;
    if (conversion.substr(0, 4) == "[^\n]") return ScanUpTo(scanner, '\n', target) ? 4 : 0;
    if (conversion.substr(0, 2) == "lf" || conversion.substr(0, 2) == "le") {
        double value = 0.0;
        if (!ScanReal(scanner, value)) return 0;
        if (target.real_value != nullptr) *target.real_value = value;
        return 2;
    }
    std::size_t width = kNoWidth;
    std::size_t used = 0;
    if (!conversion.empty() && IsDigit(conversion[0])) {
        width = static_cast<std::size_t>(conversion[0] - '0');
        used = 1;
    }
    if (conversion.substr(used, 1) != "d") return 0;
    long long value = 0;
    if (!ScanInteger(scanner, width, value)) return 0;
    StoreInteger(target, value);
    return used + 1;
}

}  // namespace

int ScanFormat(CalScanner& scanner, std::string_view format, std::initializer_list<ScanTarget> targets) {
    const ScanTarget* next_target = targets.begin();
    const ScanTarget no_target;
    int stored = 0;
    std::size_t f = 0;
    while (f < format.size()) {
        const char directive = format[f];
        if (IsBlank(directive)) {
            SkipBlanks(scanner);
            ++f;
            continue;
        }
        if (directive != '%') {
            char c;
            if (!Peek(scanner, c) || c != directive) return stored;
            ++scanner.pos;
            ++f;
            continue;
        }
        const ScanTarget& target = next_target != targets.end() ? *next_target++ : no_target;
        const std::size_t used = ApplyConversion(scanner, format.substr(f + 1), target);
        if (used == 0) return stored;
        if (target.int_value != nullptr || target.wide_value != nullptr || target.real_value != nullptr ||
            target.text != nullptr) {
            ++stored;
        }
        f += 1 + used;
    }
    return stored;
}

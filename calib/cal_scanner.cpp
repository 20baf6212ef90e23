#include "calib/cal_scanner.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <system_error>

#include "common/exact_decimal.h"

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

// Returns true and the next character when there is one, moving the window
// on when the cursor has reached its end; at the end of the text returns
// false and notes that the end has been seen.
bool Peek(CalScanner& scanner, char& c) {
    CalWindow& window = *scanner.window;
    if (scanner.pos - window.origin >= window.size && !AdvanceCalWindow(window)) {
        scanner.end_seen = true;
        return false;
    }
    c = window.data[scanner.pos - window.origin];
    return true;
}

// White space as the formatted reads know it: blank, tab, line feed,
// vertical tab, form feed, carriage return. One bit per character code
// below 64, so that the test is a shift and a mask.
constexpr std::uint64_t kBlankBits = (std::uint64_t{1} << ' ') | (std::uint64_t{1} << '\t') |
                                     (std::uint64_t{1} << '\n') | (std::uint64_t{1} << '\v') |
                                     (std::uint64_t{1} << '\f') | (std::uint64_t{1} << '\r');

bool IsBlank(char c) {
    const unsigned char code = static_cast<unsigned char>(c);
    return code < 64 && ((kBlankBits >> code) & 1) != 0;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Returns the first character from p on that is not white space (or end).
// Runs of blanks, the white space of columns, are passed eight at a time.
const char* PassBlanks(const char* p, const char* end) {
    for (;;) {
        while (end - p >= 8) {
            std::uint64_t word = 0;
            std::memcpy(&word, p, sizeof word);
            const std::uint64_t not_blank = word ^ 0x2020202020202020ULL;  // zero bytes where blanks are
            if (not_blank != 0) {
                p += __builtin_ctzll(not_blank) / 8;
                break;
            }
            p += 8;
        }
        if (p == end || !IsBlank(*p)) return p;
        ++p;
    }
}

void SkipBlanks(CalScanner& scanner) {
    char c;
    while (Peek(scanner, c)) {
        const CalWindow& window = *scanner.window;
        const char* const begin = window.data + (scanner.pos - window.origin);
        const char* const end = window.data + window.size;
        const char* p = PassBlanks(begin, end);
        scanner.pos += static_cast<std::size_t>(p - begin);
        if (p != end) return;
    }
}

// Takes one or more characters up to, not including, stop, window by window.
// Stores at most room - 1 of them into the target's text when it has one,
// and tells in stored_bytes how many bytes that took, terminator included.
bool ScanUpTo(CalScanner& scanner, char stop, const ScanTarget& target, std::size_t& stored_bytes) {
    const bool keeps_text = target.text != nullptr && target.text_room > 0;
    std::size_t length = 0;
    std::size_t kept = 0;
    char c;
    while (Peek(scanner, c)) {
        const CalWindow& window = *scanner.window;
        const char* const begin = window.data + (scanner.pos - window.origin);
        const std::size_t available = window.size - (scanner.pos - window.origin);
        const void* const found = std::memchr(begin, stop, available);
        const std::size_t taken =
            found == nullptr ? available : static_cast<std::size_t>(static_cast<const char*>(found) - begin);
        if (keeps_text && kept < target.text_room - 1) {
            const std::size_t copied = std::min(taken, target.text_room - 1 - kept);
            std::memcpy(target.text + kept, begin, copied);
            kept += copied;
        }
        scanner.pos += taken;
        length += taken;
        if (found != nullptr) break;
    }
    if (length == 0) return false;
    if (keeps_text) target.text[kept] = '\0';
    stored_bytes = keeps_text ? kept + 1 : 0;
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

// The mantissa of a number as it is read: its significant digits (the first
// kKeptDigits of them) and the power of ten that places them, value =
// 0.d1d2d3... * 10^exponent. A halfway point between two doubles has at most
// 767 significant digits, so keeping 780 and, when any later digit is not
// zero, one more digit 1 rounds every number exactly as its full text would,
// however long the text is.
constexpr std::size_t kKeptDigits = 780;

struct Mantissa {
    char digits[kKeptDigits + 1];
    std::size_t count = 0;
    long long exponent = 0;
    bool dropped_nonzero = false;
};

// Adds one digit of the integer part (integer_part) or of the fraction.
void AddDigit(Mantissa& mantissa, char digit, bool integer_part) {
    if (mantissa.count == 0 && !mantissa.dropped_nonzero && digit == '0') {
        if (!integer_part) --mantissa.exponent;
        return;
    }
    if (integer_part) ++mantissa.exponent;
    if (mantissa.count < kKeptDigits) {
        mantissa.digits[mantissa.count++] = digit;
    } else if (digit != '0') {
        mantissa.dropped_nonzero = true;
    }
}

// Counts the digits at the cursor, adds them to the mantissa and moves past them.
std::size_t PassDigits(CalScanner& scanner, Mantissa& mantissa, bool integer_part) {
    std::size_t count = 0;
    char c;
    while (Peek(scanner, c) && IsDigit(c)) {
        AddDigit(mantissa, c, integer_part);
        ++scanner.pos;
        ++count;
    }
    return count;
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

// Given a mantissa and the exponent written after it, returns the magnitude
// of the number: correctly rounded, an infinity beyond the double range, zero
// below it.
double MagnitudeOf(Mantissa& mantissa, long long written_exponent) {
    if (mantissa.count == 0) return 0.0;
    const long long exponent = mantissa.exponent + written_exponent;
    // 10^(exponent - 1) <= magnitude < 10^exponent.
    if (exponent > 400) return std::numeric_limits<double>::infinity();
    if (exponent < -400) return 0.0;
    std::size_t length = mantissa.count;
    if (mantissa.dropped_nonzero) mantissa.digits[length++] = '1';
    // The digits as an integer D, so that the number is D * 10^(exponent - length).
    char text[kKeptDigits + 32];
    std::memcpy(text, mantissa.digits, length);
    text[length] = 'e';
    const std::to_chars_result written =
        std::to_chars(text + length + 1, text + sizeof text, exponent - static_cast<long long>(length));
    double magnitude = 0.0;
    const std::from_chars_result result = std::from_chars(text, written.ptr, magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        return exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    return magnitude;
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

// The digits of a number of at most 19 significant digits as an integer, and
// how many of them follow the point: the number is digits * 10^-fraction_digits.
struct ShortDecimal {
    std::uint64_t digits = 0;
    int significant_digits = 0;
    long long fraction_digits = 0;
};
constexpr int kShortDecimalDigits = 19;

// Moves past the digits at p, adding them to decimal (counted as fraction
// digits when in_fraction).
const char* PassDigitsIn(const char* p, const char* end, ShortDecimal& decimal, bool in_fraction) {
    const char* const start = p;
    for (; p != end && IsDigit(*p); ++p) {
        if (decimal.significant_digits < kShortDecimalDigits) {
            decimal.digits = decimal.digits * 10 + static_cast<std::uint64_t>(*p - '0');
            if (decimal.digits != 0) ++decimal.significant_digits;
        } else {
            decimal.significant_digits = kShortDecimalDigits + 1;  // too many for the short way
        }
    }
    if (in_fraction) decimal.fraction_digits += p - start;
    return p;
}

// The digits of a number read eight characters at a time: the characters
// as one little-endian 64-bit word, first character lowest.
std::uint64_t LoadEight(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// How many of the eight characters of word, from the first, are digits.
int LeadingDigitCount(std::uint64_t word) {
    // A byte is a digit when its high nibble is 3 and adding 6 to it keeps
    // the high nibble (so the low nibble is at most 9).
    const std::uint64_t high_nibbles = word & 0xF0F0F0F0F0F0F0F0ULL;
    const std::uint64_t carried = (word + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL;
    const std::uint64_t not_digit =
        (high_nibbles ^ 0x3030303030303030ULL) | (carried ^ 0x3030303030303030ULL);
    if (not_digit == 0) return 8;
    return __builtin_ctzll(not_digit) / 8;
}

// The value of the first count (0 to 7) digits of word.
std::uint64_t DigitsValue(std::uint64_t word, int count) {
    if (count == 0) return 0;
    // The digits moved to the high bytes, the low ones zero: eight digits
    // with leading zeros, added up pairwise, then in fours, then whole.
    std::uint64_t digits = (word - 0x3030303030303030ULL) << (8 * (8 - count));
    digits = (digits * 10 + (digits >> 8)) & 0x00FF00FF00FF00FFULL;
    digits = (digits * 100 + (digits >> 16)) & 0x0000FFFF0000FFFFULL;
    return (digits * 10000 + (digits >> 32)) & 0xFFFFFFFFULL;
}

// The common number of a CAL file, at p: digits, optionally a point and
// more digits, seven or fewer each, and no exponent, with at least eighteen
// characters of window after p. Returns true with value set (the magnitude)
// and p past the number; false, moving nothing, for any other number, which
// the general reading takes. The value is the digits as an integer (below
// 10^14, exact) divided by an exact power of ten: one rounding, as the full
// conversion rounds.
bool ScanPlainDecimal(const char*& p, const char* end, double& value) {
    static constexpr double kPowersOfTen[8] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7};
    static constexpr std::uint64_t kIntegerPowers[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
    if (end - p < 18) return false;
    const std::uint64_t integer_word = LoadEight(p);
    const int integer_digits = LeadingDigitCount(integer_word);
    if (integer_digits == 8) return false;
    const char* q = p + integer_digits;
    int fraction_digits = 0;
    std::uint64_t fraction = 0;
    if (*q == '.') {
        const std::uint64_t fraction_word = LoadEight(q + 1);
        fraction_digits = LeadingDigitCount(fraction_word);
        if (fraction_digits == 8) return false;
        fraction = DigitsValue(fraction_word, fraction_digits);
        q += 1 + fraction_digits;
    }
    if (integer_digits + fraction_digits == 0 || *q == 'e' || *q == 'E') return false;
    const std::uint64_t digits =
        DigitsValue(integer_word, integer_digits) * kIntegerPowers[fraction_digits] + fraction;
    value = static_cast<double>(digits) / kPowersOfTen[fraction_digits];
    p = q;
    return true;
}

// Given the digits of a number and the exponent written after it, returns
// true with magnitude set when one correctly rounded operation gives it
// (ExactDecimalValue). Most numbers in a CAL file are such.
bool ExactlyRepresentable(const ShortDecimal& decimal, long long exponent, double& magnitude) {
    if (decimal.significant_digits > kShortDecimalDigits) return false;
    return ExactDecimalValue(decimal.digits, exponent - decimal.fraction_digits, magnitude);
}

// The number at the cursor read straight from the window's text, the common
// case. Returns false, moving nothing, when the window ends before the number
// may have ended (more of the file follows): the caller then reads it
// character by character. Otherwise returns true with matched telling
// whether a number was there, and, when it was, value set and the cursor
// past it.
bool ScanRealInWindow(CalScanner& scanner, bool& matched, double& value) {
    const CalWindow& window = *scanner.window;
    const char* const begin = window.data + (scanner.pos - window.origin);
    const char* const end = window.data + window.size;
    const char* p = begin;
    const bool negative = p != end && *p == '-';
    if (p != end && (*p == '+' || *p == '-')) ++p;
    if (ScanPlainDecimal(p, end, value)) {
        if (negative) value = -value;
        matched = true;
        scanner.pos += static_cast<std::size_t>(p - begin);
        return true;
    }
    const char* const mantissa_start = p;
    ShortDecimal decimal;
    p = PassDigitsIn(p, end, decimal, false);
    std::size_t digit_count = static_cast<std::size_t>(p - mantissa_start);
    if (p != end && *p == '.') {
        const char* const fraction_start = p + 1;
        p = PassDigitsIn(fraction_start, end, decimal, true);
        digit_count += static_cast<std::size_t>(p - fraction_start);
    }
    const char* const mantissa_end = p;
    const bool has_digits = digit_count > 0;
    long long exponent = 0;
    if (has_digits && p != end && (*p == 'e' || *p == 'E')) {
        const char* q = p + 1;
        bool exponent_negative = false;
        if (q != end && (*q == '+' || *q == '-')) exponent_negative = *q++ == '-';
        const char* const digits_start = q;
        while (q != end && IsDigit(*q)) {
            if (exponent < kExponentCap) exponent = exponent * 10 + (*q - '0');
            ++q;
        }
        if (q == end && !window.at_end) return false;
        if (q != digits_start) {
            p = q;
            if (exponent_negative) exponent = -exponent;
        } else {
            exponent = 0;
        }
    }
    if (p == end && !window.at_end) return false;
    matched = has_digits;
    if (!matched) return true;

    double magnitude = 0.0;
    if (ExactlyRepresentable(decimal, exponent, magnitude)) {
        value = negative ? -magnitude : magnitude;
        scanner.pos += static_cast<std::size_t>(p - begin);
        return true;
    }
    const std::from_chars_result result = std::from_chars(mantissa_start, p, magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        const std::string_view mantissa(mantissa_start,
                                        static_cast<std::size_t>(mantissa_end - mantissa_start));
        magnitude =
            LeadingDigitExponent(mantissa, exponent) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    }
    value = negative ? -magnitude : magnitude;
    scanner.pos += static_cast<std::size_t>(p - begin);
    return true;
}

// Skips white space, then takes an optionally signed decimal number with
// optional fraction and exponent.
bool ScanReal(CalScanner& scanner, double& value) {
    SkipBlanks(scanner);
    bool matched = false;
    char c;
    if (!Peek(scanner, c)) return false;
    if (ScanRealInWindow(scanner, matched, value)) return matched;

    // The number reaches the end of the window: read it character by
    // character, across the window's moves, keeping only its digits.
    const std::size_t start = scanner.pos;
    bool negative = false;
    if (Peek(scanner, c) && (c == '+' || c == '-')) {
        negative = c == '-';
        ++scanner.pos;
    }
    Mantissa mantissa;
    std::size_t digits = PassDigits(scanner, mantissa, true);
    if (Peek(scanner, c) && c == '.') {
        ++scanner.pos;
        digits += PassDigits(scanner, mantissa, false);
    }
    if (digits == 0) {
        scanner.pos = start;
        return false;
    }
    const long long exponent = PassExponent(scanner);
    const double magnitude = MagnitudeOf(mantissa, exponent);
    value = negative ? -magnitude : magnitude;
    return true;
}

// Applies one conversion directive (the text after '%') and returns how many
// characters of the format it used, or 0 when the directive failed. Tells in
// text_bytes how many bytes a text target took.
std::size_t ApplyConversion(CalScanner& scanner, std::string_view conversion, const ScanTarget& target,
                            std::size_t& text_bytes) {
    if (conversion.substr(0, 4) == "[^=]") return ScanUpTo(scanner, '=', target, text_bytes) ? 4 : 0;
    if (conversion.substr(0, 4) == "[^\n]") return ScanUpTo(scanner, '\n', target, text_bytes) ? 4 : 0;
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

// Marks what a conversion stored into the target.
void MarkTarget(FieldMarks& marks, const ScanTarget& target, std::size_t text_bytes) {
    if (target.int_value != nullptr) MarkStoredBytes(marks, target.int_value, sizeof(int));
    if (target.wide_value != nullptr) MarkStoredBytes(marks, target.wide_value, sizeof(long long));
    if (target.real_value != nullptr) MarkStoredBytes(marks, target.real_value, sizeof(double));
    if (target.text != nullptr) MarkStoredBytes(marks, target.text, text_bytes);
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
        std::size_t text_bytes = 0;
        const std::size_t used = ApplyConversion(scanner, format.substr(f + 1), target, text_bytes);
        if (used == 0) return stored;
        if (target.int_value != nullptr || target.wide_value != nullptr || target.real_value != nullptr ||
            target.text != nullptr) {
            ++stored;
            if (scanner.marks != nullptr) MarkTarget(*scanner.marks, target, text_bytes);
        }
        f += 1 + used;
    }
    return stored;
}

int ScanIntegerAndReals(CalScanner& scanner, long long& integer, double* const* reals, int real_count) {
    if (!ScanInteger(scanner, kNoWidth, integer)) return 0;
    if (scanner.marks != nullptr) MarkStoredBytes(*scanner.marks, &integer, sizeof integer);
    int stored = 1;
    for (int i = 0; i < real_count; ++i) {
        double value = 0.0;
        if (!ScanReal(scanner, value)) return stored;
        *reals[i] = value;
        if (scanner.marks != nullptr) MarkStoredBytes(*scanner.marks, reals[i], sizeof(double));
        ++stored;
    }
    return stored;
}

#include "health/calendar_time.h"

#include "tools/sky_geometry.h"

namespace {

constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a civil date (proleptic Gregorian): eras of 400
// years, years counted from March so that the leap day comes last; the
// inverse of InstantFromUnixMilliseconds.
std::int64_t DaysFromCivil(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int year_of_era = y - era * 400;
    const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return static_cast<std::int64_t>(era) * 146097 + day_of_era - 719468;
}

// Reads exactly `digits` decimal digits at text[at...]; -1 when any is not a digit.
int FixedDigits(std::string_view text, std::size_t at, int digits) {
    int value = 0;
    for (int k = 0; k < digits; ++k) {
        const char c = text[at + static_cast<std::size_t>(k)];
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

void AppendDigits(std::string& text, std::int64_t value, int digits) {
    char buffer[8];
    for (int k = digits - 1; k >= 0; --k) {
        buffer[k] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    text.append(buffer, static_cast<std::size_t>(digits));
}

}  // namespace

std::optional<std::int64_t> ParseTableTime(std::string_view date, std::string_view time) {
    if (date.size() != 10 || date[2] != '/' || date[5] != '/') return std::nullopt;
    if (time.size() != 12 || time[2] != ':' || time[5] != ':' || time[8] != '.') return std::nullopt;
    const int month = FixedDigits(date, 0, 2);
    const int day = FixedDigits(date, 3, 2);
    const int year = FixedDigits(date, 6, 4);
    const int hour = FixedDigits(time, 0, 2);
    const int minute = FixedDigits(time, 3, 2);
    const int second = FixedDigits(time, 6, 2);
    const int millisecond = FixedDigits(time, 9, 3);
    if (year < kMinYear || year > kMaxYear || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 ||
        second > 59 || millisecond < 0) {
        return std::nullopt;
    }
    return DaysFromCivil(year, month, day) * kMillisecondsPerDay +
           ((hour * 60 + minute) * 60 + second) * std::int64_t{1000} + millisecond;
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
    if (text.size() != 23 || text[4] != '-' || text[7] != '-' || text[10] != 'T') return std::nullopt;
    const std::string date = std::string(text.substr(5, 2)) + "/" + std::string(text.substr(8, 2)) + "/" +
                             std::string(text.substr(0, 4));
    return ParseTableTime(date, text.substr(11));
}

void AppendIsoTime(std::string& text, std::int64_t unix_ms) {
    // YYYY-MM-DDTHH:MM:SS.mmm: the digits of each zero-filled field and the
    // character after each field but the last.
    static constexpr int kDigits[7] = {4, 2, 2, 2, 2, 2, 3};
    static constexpr char kSeparators[7] = "--T::.";
    const CalendarInstant t = InstantFromUnixMilliseconds(unix_ms);
    const int fields[7] = {t.year, t.month, t.day, t.hour, t.minute, t.second, t.millisecond};
    for (int i = 0; i < 7; ++i) {
        if (i > 0) text += kSeparators[i - 1];
        AppendDigits(text, fields[i], kDigits[i]);
    }
}

std::string IsoTime(std::int64_t unix_ms) {
    std::string text;
    AppendIsoTime(text, unix_ms);
    return text;
}

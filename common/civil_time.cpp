#include "common/civil_time.h"

namespace {

constexpr int kMinYear = 1;
constexpr int kMaxYear = 9999;
constexpr std::int64_t kMillisecondsPerMinute = 60000;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days since 1970-01-01 of a civil date: eras of 400 years (146097 days),
// years counted from March so that the leap day comes last; the inverse of
// the date part of InstantFromUnixMilliseconds.
std::int64_t DaysFromCivil(int year, int month, int day) {
    const int y = year - (month <= 2 ? 1 : 0);
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int year_of_era = y - era * 400;
    const int day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return static_cast<std::int64_t>(era) * 146097 + day_of_era - 719468;
}

void AppendDigits(std::string& text, std::int64_t value, int digits) {
    char buffer[8];
    for (int k = digits - 1; k >= 0; --k) {
        buffer[k] = static_cast<char>('0' + value % 10);
        value /= 10;
    }
    text.append(buffer, static_cast<std::size_t>(digits));
}

// The field a layout character stands for, or nullptr.
int* FieldOf(char letter, CalendarInstant& instant) {
    switch (letter) {
        case 'Y':
            return &instant.year;
        case 'M':
            return &instant.month;
        case 'D':
            return &instant.day;
        case 'h':
            return &instant.hour;
        case 'm':
            return &instant.minute;
        case 's':
            return &instant.second;
        case 'f':
            return &instant.millisecond;
        default:
            return nullptr;
    }
}

}  // namespace

// Civil date from a day count since 1970-01-01 (the era-based algorithm of
// DaysFromCivil run backwards). Days and eras are counted down from 0 for
// instants before their start.
CalendarInstant InstantFromUnixMilliseconds(std::int64_t unix_ms) {
    std::int64_t days = unix_ms / kMillisecondsPerDay;
    std::int64_t ms_of_day = unix_ms % kMillisecondsPerDay;
    if (ms_of_day < 0) {
        ms_of_day += kMillisecondsPerDay;
        days -= 1;
    }

    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t day_of_era = z - era * 146097;
    const std::int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const std::int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const std::int64_t month_from_march = (5 * day_of_year + 2) / 153;

    CalendarInstant instant{};
    instant.day = static_cast<int>(day_of_year - (153 * month_from_march + 2) / 5 + 1);
    instant.month = static_cast<int>(month_from_march < 10 ? month_from_march + 3 : month_from_march - 9);
    instant.year = static_cast<int>(year_of_era + era * 400 + (instant.month <= 2 ? 1 : 0));
    instant.hour = static_cast<int>(ms_of_day / kMillisecondsPerHour);
    ms_of_day %= kMillisecondsPerHour;
    instant.minute = static_cast<int>(ms_of_day / kMillisecondsPerMinute);
    ms_of_day %= kMillisecondsPerMinute;
    instant.second = static_cast<int>(ms_of_day / 1000);
    instant.millisecond = static_cast<int>(ms_of_day % 1000);
    return instant;
}

std::optional<std::int64_t> UnixMillisecondsFromInstant(const CalendarInstant& t) {
    if (t.year < kMinYear || t.year > kMaxYear || t.month < 1 || t.month > 12 || t.day < 1 ||
        t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 || t.minute > 59 ||
        t.second < 0 || t.second > 59 || t.millisecond < 0 || t.millisecond > 999) {
        return std::nullopt;
    }
    return DaysFromCivil(t.year, t.month, t.day) * kMillisecondsPerDay +
           ((t.hour * std::int64_t{60} + t.minute) * 60 + t.second) * 1000 + t.millisecond;
}

bool ReadCalendarFields(std::string_view text, std::string_view layout, CalendarInstant& instant) {
    if (text.size() != layout.size()) return false;
    int* field = nullptr;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        int* const next = FieldOf(layout[i], instant);
        if (next == nullptr) {
            if (c != layout[i]) return false;
            field = nullptr;
            continue;
        }
        if (c < '0' || c > '9') return false;
        if (next != field) *next = 0;  // the field's first digit
        field = next;
        *field = *field * 10 + (c - '0');
    }
    return true;
}

std::optional<std::int64_t> ParseIsoTime(std::string_view text) {
    CalendarInstant instant{};
    if (!ReadCalendarFields(text, "YYYY-MM-DDThh:mm:ss.fff", instant)) return std::nullopt;
    return UnixMillisecondsFromInstant(instant);
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

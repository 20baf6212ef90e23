// Civil time shared by the programs: UT instants as milliseconds since
// 1970-01-01 00:00, their calendar fields in both directions (proleptic
// Gregorian calendar, years 1 to 9999 where text is read), and ISO 8601 text.
#ifndef COMMON_CIVIL_TIME_H
#define COMMON_CIVIL_TIME_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::int64_t kMillisecondsPerDay = 86400000;
constexpr std::int64_t kMillisecondsPerHour = 3600000;
// Mean Gregorian month: 146097 days in 4800 months.
constexpr double kDaysPerMonth = 30.436875;

// A UT instant split into calendar fields.
struct CalendarInstant {
    int year;
    int month;  // 1..12
    int day;    // 1..31
    int hour;
    int minute;
    int second;
    int millisecond;
};

// Given milliseconds since 1970-01-01 00:00 UT (negative before it), returns
// the calendar fields of that instant.
CalendarInstant InstantFromUnixMilliseconds(std::int64_t unix_ms);

// Given calendar fields, returns milliseconds since 1970-01-01 00:00 UT, or
// nothing when a field is out of range (year 1..9999, month 1..12, day within
// its month, hour 0..23, minute and second 0..59, millisecond 0..999).
std::optional<std::int64_t> UnixMillisecondsFromInstant(const CalendarInstant& instant);

// Given text and a layout of the same length, sets the fields the layout
// names and returns true when every character fits: Y, M, D, h, m, s and f
// stand for one decimal digit of the year, month, day, hour, minute, second
// and millisecond (a field's digits stand together, most significant first);
// any other layout character must appear as it is. Fields the layout does
// not name are left as they are.
bool ReadCalendarFields(std::string_view text, std::string_view layout, CalendarInstant& instant);

// Given YYYY-MM-DDTHH:MM:SS.mmm, returns milliseconds since 1970-01-01 UT, or
// nothing when the text is not a valid time of that form.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

// Given milliseconds since 1970-01-01 UT (years 0..9999), appends the UTC
// time as YYYY-MM-DDTHH:MM:SS.mmm.
void AppendIsoTime(std::string& text, std::int64_t unix_ms);
std::string IsoTime(std::int64_t unix_ms);

// Given a time in milliseconds, returns it in days (double).
constexpr double DaysFromMilliseconds(std::int64_t ms) {
    return static_cast<double>(ms) / static_cast<double>(kMillisecondsPerDay);
}

#endif  // COMMON_CIVIL_TIME_H

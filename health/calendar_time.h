// Calibration times: the tables' date and time columns, and ISO 8601 text.
#ifndef HEALTH_CALENDAR_TIME_H
#define HEALTH_CALENDAR_TIME_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

constexpr std::int64_t kMillisecondsPerDay = 86400000;
constexpr double kDaysPerMonth = 30.436875;  // mean Gregorian month

// Given the date column "MM/DD/YYYY" and the time column "HH:MM:SS.mmm" of a
// table row, returns milliseconds since 1970-01-01 00:00 UT, or nothing when
// either text is not a valid date or time of that form (month 1..12, day
// within its month, hour 0..23, minute and second 0..59, milliseconds 0..999,
// year 1..9999). Ends nothing.
std::optional<std::int64_t> ParseTableTime(std::string_view date, std::string_view time);

// Given YYYY-MM-DDTHH:MM:SS.mmm, returns milliseconds since 1970-01-01 UT, or
// nothing when the text is not a valid time of that form.
std::optional<std::int64_t> ParseIsoTime(std::string_view text);

// Given milliseconds since 1970-01-01 UT (years 1..9999), appends the UTC
// time as YYYY-MM-DDTHH:MM:SS.mmm.
void AppendIsoTime(std::string& text, std::int64_t unix_ms);
std::string IsoTime(std::int64_t unix_ms);

// Given a time in milliseconds, returns it in days (double).
constexpr double DaysFromMilliseconds(std::int64_t ms) {
    return static_cast<double>(ms) / static_cast<double>(kMillisecondsPerDay);
}

#endif  // HEALTH_CALENDAR_TIME_H

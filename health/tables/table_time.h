// The calibration time of a table row: its date and time columns.
#ifndef HEALTH_TABLES_TABLE_TIME_H
#define HEALTH_TABLES_TABLE_TIME_H

#include <cstdint>
#include <optional>
#include <string_view>

// Given the date column "MM/DD/YYYY" and the time column "HH:MM:SS.mmm" of a
// table row, returns milliseconds since 1970-01-01 00:00 UT, or nothing when
// either text is not a valid date or time of that form (month 1..12, day
// within its month, hour 0..23, minute and second 0..59, milliseconds 0..999,
// year 1..9999). Ends nothing.
std::optional<std::int64_t> ParseTableTime(std::string_view date, std::string_view time);

#endif  // HEALTH_TABLES_TABLE_TIME_H

#include "health/tables/table_time.h"

#include "common/civil_time.h"

std::optional<std::int64_t> ParseTableTime(std::string_view date, std::string_view time) {
    CalendarInstant instant{};
    if (!ReadCalendarFields(date, "MM/DD/YYYY", instant) ||
        !ReadCalendarFields(time, "hh:mm:ss.fff", instant))
        return std::nullopt;
    return UnixMillisecondsFromInstant(instant);
}

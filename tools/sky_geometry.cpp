#include "tools/sky_geometry.h"

#include <cmath>

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86400000;
constexpr double kJulianDateOfUnixEpoch = 2440587.5;
constexpr double kJulianDateOfJ2000 = 2451545.0;
// Greenwich mean sidereal time at J2000.0 and its rate, degrees and degrees
// per day of UT: the linear terms of the IAU 1982 expression as J. Meeus
// gives it (Astronomical Algorithms, 2nd ed., 1998, eq. 12.4). The quadratic
// and cubic terms, below 0.1 s of time within a century of J2000, are left
// out.
constexpr double kGreenwichSiderealAtJ2000Deg = 280.46061837;
constexpr double kSiderealDegPerDay = 360.98564736629;

double WrapDegrees(double angle_deg) {
    double wrapped = std::fmod(angle_deg, 360.0);
    if (wrapped < 0.0) wrapped += 360.0;
    return wrapped;
}

}  // namespace

// Civil date from a day count since 1970-01-01 (era-based algorithm: 400-year
// eras of 146097 days, years starting in March so the leap day comes last).
// Days and eras are counted down from 0 for instants before their start.
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
    instant.hour = static_cast<int>(ms_of_day / 3600000);
    ms_of_day %= 3600000;
    instant.minute = static_cast<int>(ms_of_day / 60000);
    ms_of_day %= 60000;
    instant.second = static_cast<int>(ms_of_day / 1000);
    instant.millisecond = static_cast<int>(ms_of_day % 1000);
    return instant;
}

double JulianDateFromUnixMilliseconds(std::int64_t unix_ms) {
    return kJulianDateOfUnixEpoch + static_cast<double>(unix_ms) / static_cast<double>(kMillisecondsPerDay);
}

double LocalSiderealTimeDeg(double julian_date, double longitude_east_deg) {
    const double greenwich_deg =
        kGreenwichSiderealAtJ2000Deg + kSiderealDegPerDay * (julian_date - kJulianDateOfJ2000);
    return WrapDegrees(greenwich_deg + longitude_east_deg);
}

void HorizontalToEquatorial(double azimuth_deg, double elevation_deg, double latitude_deg,
                            double sidereal_time_deg, double& ra_deg, double& dec_deg) {
    const double az = azimuth_deg * kRadiansPerDegree;
    const double el = elevation_deg * kRadiansPerDegree;
    const double lat = latitude_deg * kRadiansPerDegree;
    const double sin_dec = std::sin(el) * std::sin(lat) + std::cos(el) * std::cos(lat) * std::cos(az);
    const double hour_angle =
        std::atan2(-std::sin(az) * std::cos(el),
                   std::sin(el) * std::cos(lat) - std::cos(el) * std::cos(az) * std::sin(lat));
    dec_deg = std::asin(sin_dec) / kRadiansPerDegree;
    ra_deg = WrapDegrees(sidereal_time_deg - hour_angle / kRadiansPerDegree);
}

void StandardToEquatorial(double xi_deg, double eta_deg, double ra0_deg, double dec0_deg, double& ra_deg,
                          double& dec_deg) {
    const double xi = xi_deg * kRadiansPerDegree;
    const double eta = eta_deg * kRadiansPerDegree;
    const double dec0 = dec0_deg * kRadiansPerDegree;
    const double denominator = std::cos(dec0) - eta * std::sin(dec0);
    ra_deg = WrapDegrees(ra0_deg + std::atan2(xi, denominator) / kRadiansPerDegree);
    dec_deg =
        std::atan2(std::sin(dec0) + eta * std::cos(dec0), std::sqrt(xi * xi + denominator * denominator)) /
        kRadiansPerDegree;
}

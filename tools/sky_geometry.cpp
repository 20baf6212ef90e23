#include "tools/sky_geometry.h"

#include <cmath>

namespace {

constexpr double kJulianDateOfUnixEpoch = 2440587.5;
constexpr double kJulianDateOfJ2000 = 2451545.0;
// Greenwich mean sidereal time at J2000.0 and its rate, degrees and degrees
// per day of UT: the linear terms of the IAU 1982 expression as J. Meeus
// gives it (Astronomical Algorithms, 2nd ed., 1998, eq. 12.4). The quadratic
// and cubic terms, below 0.1 s of time within a century of J2000, are left
// out.
constexpr double kGreenwichSiderealAtJ2000Deg = 280.46061837;
constexpr double kSiderealDegPerDay = 360.98564736629;

}  // namespace

double JulianDateFromUnixMilliseconds(std::int64_t unix_ms) {
    return kJulianDateOfUnixEpoch + static_cast<double>(unix_ms) / static_cast<double>(kMillisecondsPerDay);
}

double LocalSiderealTimeDeg(double julian_date, double longitude_east_deg) {
    const double greenwich_deg =
        kGreenwichSiderealAtJ2000Deg + kSiderealDegPerDay * (julian_date - kJulianDateOfJ2000);
    return WrapDegrees360(greenwich_deg + longitude_east_deg);
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
    ra_deg = WrapDegrees360(sidereal_time_deg - hour_angle / kRadiansPerDegree);
}

void StandardToEquatorial(double xi_deg, double eta_deg, double ra0_deg, double dec0_deg, double& ra_deg,
                          double& dec_deg) {
    const double xi = xi_deg * kRadiansPerDegree;
    const double eta = eta_deg * kRadiansPerDegree;
    const double dec0 = dec0_deg * kRadiansPerDegree;
    const double denominator = std::cos(dec0) - eta * std::sin(dec0);
    ra_deg = WrapDegrees360(ra0_deg + std::atan2(xi, denominator) / kRadiansPerDegree);
    dec_deg =
        std::atan2(std::sin(dec0) + eta * std::cos(dec0), std::sqrt(xi * xi + denominator * denominator)) /
        kRadiansPerDegree;
}

// Sky geometry used to give generated calibrations consistent times,
// pointings and star positions.
#ifndef TOOLS_SKY_GEOMETRY_H
#define TOOLS_SKY_GEOMETRY_H

#include <cstdint>

#include "common/angles.h"
#include "common/civil_time.h"

// Given milliseconds since 1970-01-01 00:00 UT, returns the Julian date.
double JulianDateFromUnixMilliseconds(std::int64_t unix_ms);

// Given a Julian date (UT) and the site longitude (degrees, east positive),
// returns the local mean sidereal time in degrees, 0..360.
// Note: Greenwich mean sidereal time from the linear terms of the IAU 1982
// expression (Meeus, Astronomical Algorithms, 2nd ed., eq. 12.4): within
// 0.1 s of time for a century either side of 2000, ample for generated data.
double LocalSiderealTimeDeg(double julian_date, double longitude_east_deg);

// Given a horizontal direction (azimuth from north through east, elevation,
// degrees), the site latitude (degrees) and the local sidereal time (degrees),
// returns right ascension (0..360) and declination (degrees).
void HorizontalToEquatorial(double azimuth_deg, double elevation_deg, double latitude_deg,
                            double sidereal_time_deg, double& ra_deg, double& dec_deg);

// Given standard (tangent-plane) coordinates xi, eta in degrees around the
// tangent point (ra0, dec0) in degrees, returns the sky position (ra in
// 0..360, dec) in degrees.
void StandardToEquatorial(double xi_deg, double eta_deg, double ra0_deg, double dec0_deg, double& ra_deg,
                          double& dec_deg);

#endif  // TOOLS_SKY_GEOMETRY_H

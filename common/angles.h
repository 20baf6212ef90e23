// Angles shared by the programs: degree and radian constants and wrapping.
#ifndef COMMON_ANGLES_H
#define COMMON_ANGLES_H

constexpr double kPi = 3.141592653589793;
// pi / 180, to turn degrees into radians.
constexpr double kRadiansPerDegree = 0.017453292519943295;
constexpr double kArcminPerDegree = 60.0;

// Given an angle in degrees, returns it wrapped into [0, 360).
double WrapDegrees360(double angle_deg);

// Given an angle in degrees, returns it wrapped into [-180, 180).
double WrapDegrees180(double angle_deg);

// Given two horizontal directions (azimuth, elevation) in degrees, returns
// the great-circle angle between them in degrees (haversine form: accurate
// for small angles, which pointing offsets are).
double SeparationDeg(double azimuth1_deg, double elevation1_deg, double azimuth2_deg, double elevation2_deg);

#endif  // COMMON_ANGLES_H

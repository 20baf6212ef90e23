#include "common/angles.h"

#include <algorithm>
#include <cmath>

double WrapDegrees360(double angle_deg) {
    double wrapped = std::fmod(angle_deg, 360.0);
    if (wrapped < 0.0) wrapped += 360.0;
    return wrapped;
}

double WrapDegrees180(double angle_deg) {
    double wrapped = std::fmod(angle_deg + 180.0, 360.0);
    if (wrapped < 0) wrapped += 360.0;
    return wrapped - 180.0;
}

double SeparationDeg(double az1, double el1, double az2, double el2) {
    const double a1 = az1 * kRadiansPerDegree, e1 = el1 * kRadiansPerDegree;
    const double a2 = az2 * kRadiansPerDegree, e2 = el2 * kRadiansPerDegree;
    const double sin_half_el = std::sin(0.5 * (e2 - e1));
    const double sin_half_az = std::sin(0.5 * (a2 - a1));
    const double h = sin_half_el * sin_half_el + std::cos(e1) * std::cos(e2) * sin_half_az * sin_half_az;
    return 2.0 * std::asin(std::sqrt(std::clamp(h, 0.0, 1.0))) / kRadiansPerDegree;
}

// A value that is missing: a quantity a calibration does not give, a
// baseline with nothing to go on. Every routine passes it through as NaN.
#ifndef HEALTH_STATS_NO_VALUE_H
#define HEALTH_STATS_NO_VALUE_H

#include <limits>

constexpr double kNoValue = std::numeric_limits<double>::quiet_NaN();

#endif  // HEALTH_STATS_NO_VALUE_H

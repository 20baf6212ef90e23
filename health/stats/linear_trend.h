// A straight line through a stretch of a series.
#ifndef HEALTH_STATS_LINEAR_TREND_H
#define HEALTH_STATS_LINEAR_TREND_H

#include <vector>

struct LinearTrend {
    double slope = 0.0;        // value units per day
    double slope_error = 0.0;  // its standard error from the residuals (0 with two points or fewer)
};

// Given times in days, values and a range [begin, end) of at least one point,
// returns the least-squares slope of the values against time with its
// standard error. Never ends the process.
LinearTrend FitLinearTrend(const std::vector<double>& days, const std::vector<double>& values, int begin,
                           int end);

#endif  // HEALTH_STATS_LINEAR_TREND_H

#include "health/stats/linear_trend.h"

#include <cmath>

LinearTrend FitLinearTrend(const std::vector<double>& days, const std::vector<double>& values, int begin,
                           int end) {
    double mean_t = 0, mean_v = 0;
    const double count = end - begin;
    for (int i = begin; i < end; ++i) {
        mean_t += days[static_cast<std::size_t>(i)];
        mean_v += values[static_cast<std::size_t>(i)];
    }
    mean_t /= count;
    mean_v /= count;
    double stt = 0, stv = 0;
    for (int i = begin; i < end; ++i) {
        const double t = days[static_cast<std::size_t>(i)] - mean_t;
        stt += t * t;
        stv += t * (values[static_cast<std::size_t>(i)] - mean_v);
    }
    LinearTrend trend;
    trend.slope = stt > 0 ? stv / stt : 0.0;
    double residuals = 0;
    for (int i = begin; i < end; ++i) {
        const double r = values[static_cast<std::size_t>(i)] - mean_v -
                         trend.slope * (days[static_cast<std::size_t>(i)] - mean_t);
        residuals += r * r;
    }
    trend.slope_error = stt > 0 && count > 2 ? std::sqrt(residuals / (count - 2) / stt) : 0.0;
    return trend;
}

// Rolling baselines of a series over a time window: a percentile of the
// window (the median, or an upper envelope) and its spread.
#ifndef HEALTH_STATS_ROLLING_BASELINE_H
#define HEALTH_STATS_ROLLING_BASELINE_H

#include <cstddef>
#include <vector>

// The window around each point: half its width on either side, and the
// fewest usable points it holds (when fewer lie within it, it grows to that
// many usable points nearest in order).
struct RollingWindow {
    double width_days;
    int min_points;
};

// Per point of a series: its rolling centre and spread.
struct RollingBaseline {
    std::vector<double> centre;  // the chosen percentile of the window
    std::vector<double> spread;  // 1.4826 * MAD of the window around its median
    // Points the windows stepped over: at most twice the series and
    // min_points per point, whatever the values (so the time is linear in
    // the series' length).
    std::size_t visits = 0;
};

// Given ascending times in days, values (NaN where missing), the window, a
// percentile fraction (0.5 for the median, 0.9 for an upper envelope) and
// an optional mask of points to leave out, returns for every point the
// centre and spread of the usable points of its window. Points with no
// usable neighbours at all get NaN. Time linear in the series' length for
// a given window. Never ends the process.
RollingBaseline RollingRobust(const std::vector<double>& days, const std::vector<double>& values,
                              const RollingWindow& window, double fraction,
                              const std::vector<bool>* left_out = nullptr);

// The same centre alone (the spread costs the most).
std::vector<double> RollingPercentile(const std::vector<double>& days, const std::vector<double>& values,
                                      const RollingWindow& window, double fraction);

#endif  // HEALTH_STATS_ROLLING_BASELINE_H

// Robust statistics of short series: medians, percentiles, scaled MADs and
// rolling baselines over a time window.
#ifndef HEALTH_STATS_ROBUST_STATS_H
#define HEALTH_STATS_ROBUST_STATS_H

#include <vector>

// Scale factor that makes the median absolute deviation of normal data an
// estimate of its standard deviation.
constexpr double kMadToSigma = 1.4826;

// Given values (non-finite ones are left out) and a fraction 0..1, returns
// the percentile by linear interpolation between order statistics (0.5 is
// the median); NaN when no value is finite.
double Percentile(std::vector<double> values, double fraction);
double Median(std::vector<double> values);

// Given finite values (reordered) and a fraction 0..1, returns the
// percentile as Percentile does (NaN for none), selecting its place by
// partitions that do not branch on the values.
double PercentileInPlace(std::vector<float>& values, double fraction);

// Given one to three values, returns their median (the mean of two) without
// allocating; NaN for none.
double MedianOfUpToThree(const double* values, int count);

// Given values and their centre, returns 1.4826 times the median absolute
// deviation from the centre (NaN when no value is finite).
double MadSigma(const std::vector<double>& values, double centre);

// Given a series, returns the noise sigma estimated from the differences of
// consecutive finite values: 1.4826 * MAD(differences) / sqrt(2). Steps and
// slow trends barely change it. NaN with fewer than two finite values.
double DifferenceSigma(const std::vector<double>& values);

// Per point of a series: its rolling centre and spread.
struct RollingBaseline {
    std::vector<double> centre;  // the chosen percentile of the window
    std::vector<double> spread;  // 1.4826 * MAD of the window around its median
};

// Given ascending times in days, values (NaN where missing), a window width
// in days, a percentile fraction (0.5 for the median, 0.9 for an upper
// envelope) and an optional mask of points to leave out, returns for every
// point the baseline of the usable points within half the window on either
// side. When fewer than min_points are usable there, the window grows to the
// min_points usable points nearest in order. Points with no usable
// neighbours at all get NaN. Without with_spread the spreads are left NaN
// (they cost the most).
RollingBaseline RollingRobust(const std::vector<double>& days, const std::vector<double>& values,
                              double window_days, double fraction,
                              const std::vector<bool>* left_out = nullptr, int min_points = 5,
                              bool with_spread = true);

#endif  // HEALTH_STATS_ROBUST_STATS_H

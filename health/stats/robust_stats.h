// Robust statistics of short series: medians, percentiles, scaled MADs and
// z-scores.
#ifndef HEALTH_STATS_ROBUST_STATS_H
#define HEALTH_STATS_ROBUST_STATS_H

#include <vector>

// Scale factor that makes the median absolute deviation of normal data an
// estimate of its standard deviation: 1 / Phi^-1(3/4) = 1 / 0.6744898 =
// 1.482602 (Phi the standard normal distribution function; Hampel 1974,
// Rousseeuw and Croux 1993), to the four decimals it is usually quoted with.
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

// Given a value and its baseline, returns (value - centre) / max(spread, floor),
// NaN when the value or the centre is missing.
double RobustZ(double value, double centre, double spread, double floor);

#endif  // HEALTH_STATS_ROBUST_STATS_H

// Change-point detection: where the mean of a (one- or two-dimensional)
// series steps, and how large each step is once a slow trend is allowed for.
#ifndef HEALTH_STATS_CHANGE_POINTS_H
#define HEALTH_STATS_CHANGE_POINTS_H

#include <vector>

// Given n points of dims values each (row after row; dims 1 or 2), scaled so
// that the noise has unit variance on every axis, a penalty per change (in
// those squared units; about 2 * dims * ln(n) keeps pure noise in one
// segment) and a minimum segment length (taken as 1 if smaller), returns the
// first index of every segment after the first, ascending. The segmentation
// is the one that minimises the sum over segments of the squared distances
// from the segment mean plus the penalty per change, with every segment at
// least min_segment points long; a series shorter than 2 * min_segment gives
// none. Ends when every end of the series has its best segmentation.
//
// The search is exact (up to rounding) over the whole series: the
// optimal-partitioning recursion best(t) = min over s of best(s) +
// cost(s, t) + penalty, with PELT's pruning (Killick, Fearnhead and Eckley,
// "Optimal detection of changepoints with a linear computational cost",
// JASA 107(500), 2012). A start s whose best(s) + cost(s, t) exceeds best(t)
// (by more than a margin far above rounding) is beaten by a last change at
// t at every later end T, since cost(s, T) >= cost(s, t) + cost(t, T); with
// a minimum length, t is a legal last change only for T >= t + min_segment,
// so s is dropped only once those ends are reached, never before. Starts
// are also passed over, without being dropped, at an end where a lower
// bound on their totals shows that they cannot be the best there. Between
// totals equal as computed, the earliest last change is taken, so the same
// points always give the same changes. The time grows as n^2 at worst (no
// change, so nothing pruned, and no start ever passed over); on noise,
// steps and drifts the bounds pass over most starts.
std::vector<int> FindChangePoints(const std::vector<double>& points, int dims, double penalty,
                                  int min_segment);

// Size of the step at index `at` of a series, with the trend that the points
// around it follow taken out.
struct StepSize {
    double step[2] = {0.0, 0.0};   // per axis, in the units of the values
    double slope[2] = {0.0, 0.0};  // per axis and day
};

// Given times in days, n points of dims values, a step index and the ranges
// [begin, at) and [at, end) to fit, fits y = a + b*(t - t_at) + c*[i >= at]
// on every axis by least squares and returns c and b. With fewer than two
// points on a side, or times that leave the slope undetermined, the slope is
// taken as 0 and c is the difference of the two means.
StepSize MeasureStep(const std::vector<double>& days, const std::vector<double>& points, int dims, int begin,
                     int at, int end);

#endif  // HEALTH_STATS_CHANGE_POINTS_H

// Change-point detection: where the mean of a (one- or two-dimensional)
// series steps, and how large each step is once a slow trend is allowed for.
#ifndef HEALTH_STATS_CHANGE_POINTS_H
#define HEALTH_STATS_CHANGE_POINTS_H

#include <vector>

// Given n points of dims values each (row after row; dims 1 or 2), scaled so
// that the noise has unit variance on every axis, a penalty per change and a
// minimum segment length, returns the first index of every segment after the
// first, ascending. The segmentation minimises the sum over segments of the
// squared distances from the segment mean plus the penalty per change, found
// exactly by pruned exact linear time search (PELT); a series longer than 120
// points is segmented so in windows of 120 overlapping by half, each keeping
// the changes of its middle half. A penalty of about 2 * dims * ln(n) keeps
// pure noise in one segment.
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

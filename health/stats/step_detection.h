// Persistent steps and isolated outliers in a series of one or two axes:
// the shared core of the pointing and plate-scale findings.
#ifndef HEALTH_STATS_STEP_DETECTION_H
#define HEALTH_STATS_STEP_DETECTION_H

#include <vector>

// Given n points of dims values (row after row) and a distance threshold,
// returns which points are isolated outliers: farther than the threshold
// (Euclidean, over the axes) from the median of up to three earlier
// non-outliers, from the median of the next three points, and from each
// direct neighbour. So a point off while its neighbours agree is an outlier,
// while the first of two or more points at a new level is not. The last point
// is never one (nothing after it tells an outlier from a step yet).
std::vector<bool> FindIsolatedOutliers(const std::vector<double>& points, int dims, double threshold);

struct DetectedStep {
    int at = 0;                   // first point after the step
    double step[2] = {0.0, 0.0};  // per axis, trend taken out
};

// Given ascending times in days, n points of dims values, the noise sigma
// per axis (above zero), the smallest step that counts (Euclidean, in the
// values' units) and how many points on each side measure a step, returns the
// persistent steps: change points found by PELT on the points scaled by their
// sigmas (penalty 2 * dims * ln n, segments of two points or more), each kept
// when the step measured around it with a common linear trend taken out
// (MeasureStep over the points up to the neighbouring kept step or
// candidate) reaches min_step. A slow steady trend therefore gives no step.
std::vector<DetectedStep> DetectSteps(const std::vector<double>& days, const std::vector<double>& points,
                                      int dims, const double sigma[2], double min_step, int side_points);

#endif  // HEALTH_STATS_STEP_DETECTION_H

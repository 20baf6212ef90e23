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

// What counts as a step.
struct StepSearch {
    double penalty_per_axis_and_log_n;  // change-point penalty: this * dims * ln(n) per change
    int min_segment_points;             // fewest points between changes
    int side_points;                    // points on each side that measure a step
    double min_step;                    // smallest step kept (Euclidean, in the values' units)
};

// Given ascending times in days, n points of dims values, the noise sigma
// per axis (above zero) and what counts as a step, returns the persistent
// steps: change points found on the points scaled by their sigmas
// (FindChangePoints with the search's penalty and minimum segment), each
// kept when the step measured around it with a common linear trend taken out
// (MeasureStep over up to side_points points on each side, not past the
// neighbouring kept step or candidate) reaches min_step. A slow steady trend
// therefore gives no step. Never ends the process.
std::vector<DetectedStep> DetectSteps(const std::vector<double>& days, const std::vector<double>& points,
                                      int dims, const double sigma[2], const StepSearch& search);

#endif  // HEALTH_STATS_STEP_DETECTION_H

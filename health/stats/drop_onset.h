// Where a zero-point drop begins: a clear level, then a step or a linear
// ramp down to a flat depth, fitted to the deficits around the drop's start.
#ifndef HEALTH_STATS_DROP_ONSET_H
#define HEALTH_STATS_DROP_ONSET_H

#include <vector>

struct DropOnset {
    int first = -1;          // first calibration affected; -1 when nothing fits
    int dated = -1;          // first calibration at the dating loss (below)
    int full = -1;           // first calibration at full depth
    double start_day = 0.0;  // when the loss began, days since 1970
    double ramp_days = 0.0;  // how long it took to reach its depth (0: a step)
    double level = 0.0;      // deficit of the clear nights before it, mag
    double depth = 0.0;      // loss at full depth, above that level, mag
};

// Given ascending times in days, deficits below the clear-night level in
// magnitudes (NaN where missing), per calibration an uncertainty in
// magnitudes beyond the noise (of the weather taken out; empty for none), the
// calibrations [from, to) to fit, the calibrations that may be the first one
// affected [earliest, latest] (inside [from, to)) and the noise sigma of one
// deficit (above zero), fits
//   deficit = level + depth * clamp((t - start) / ramp, 0, 1)   (depth > 0)
// for every start on a grid of at most a tenth of a day (at least two per
// gap between calibrations) and every ramp of 0 (a step) to 20 days in
// quarter days, level and depth by weighted least squares (each deficit
// weighed by the inverse of its variance, noise and uncertainty). The robust
// weights on top are Tukey's biweight (4.685 sigma) of the residuals above
// the best fit, found again four times: weather only ever dims, so a deficit
// above the model may be a night of haze, one below it is noise. Each start
// and ramp is then weighed by its likelihood with level and depth integrated
// out (normal noise of the given sigma, flat priors), so that many
// near-equal fits count by their number; the first calibration affected is
// the one whose starts weigh most. The drop is dated at the first
// calibration whose loss above the level reaches dating_loss, or half the
// depth when that is less (0: the first calibration affected), again the one
// whose fits weigh most: a ramp's first nights lie within the noise, so the
// calibration where its loss first matters is known better than where it
// began. Returns first = -1 when no fit has a positive depth. Never ends the
// process.
DropOnset FitDropOnset(const std::vector<double>& days, const std::vector<double>& deficit,
                       const std::vector<double>& extra_sigma, int from, int to, int earliest, int latest,
                       double sigma, double dating_loss = 0.0);

#endif  // HEALTH_STATS_DROP_ONSET_H

// Realistic inputs shared by the micro-benchmarks.
#ifndef BENCH_BENCH_DATA_H
#define BENCH_BENCH_DATA_H

#include <memory>
#include <string>

#include "calib/cal_record.h"
#include "tools/calibration_sample.h"

// Given a fit order (1, 2 or 3) and a star count, returns a generated
// calibration of a fixed simulated camera (the same on every call).
CalibrationSample BenchSample(int fit_order, int star_count);

// Given a fit order and a star count, writes the CAL file of
// BenchSample(fit_order, star_count) into a folder removed at exit and
// returns its path, or an empty string when it cannot be written.
std::string WriteBenchFile(int fit_order, int star_count);

// Given a fit order and a star count, returns the records as ReadCALfile
// loads them from WriteBenchFile(fit_order, star_count); the process ends
// when the file cannot be written.
std::unique_ptr<CalibrationRecord> LoadBenchRecord(int fit_order, int star_count);

// Given a fit order, fills the fields the inverse fit reads (centre, order,
// forward coefficients) from BenchSample(fit_order, 0).
void FillFitInputs(int fit_order, CalibrationRecord& record);

#endif  // BENCH_BENCH_DATA_H

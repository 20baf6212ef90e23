// Micro-benchmarks of the summary-table row formatters on a loaded record.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/table_rows.h"
#include "bench/bench_data.h"

namespace {

// The bench calibration with 100 stars as the reader loads it.
std::unique_ptr<CalibrationRecord> TableRecord() {
    return LoadBenchRecord(3, 100);
}

void BM_FitCoefsRow(benchmark::State& state) {
    const auto record = TableRecord();
    for (auto _ : state) benchmark::DoNotOptimize(FitCoefsRow(*record));
}
BENCHMARK(BM_FitCoefsRow);

// All FitStars rows of one calibration of 100 stars.
void BM_FitStarsRows100(benchmark::State& state) {
    const auto record = TableRecord();
    for (auto _ : state) {
        for (int s = 0; s < record->star_count; ++s)
            benchmark::DoNotOptimize(FitStarsRow(*record, record->stars[s]));
    }
}
BENCHMARK(BM_FitStarsRows100);

// The same rows as the table writer forms them: the calibration's columns
// once, then each star's columns after a copy of them.
void BM_FitStarsRows100SharedColumns(benchmark::State& state) {
    const auto record = TableRecord();
    std::string calibration_columns;
    std::string line;
    for (auto _ : state) {
        calibration_columns.clear();
        AppendFitStarsCalibrationColumns(calibration_columns, *record);
        for (int s = 0; s < record->star_count; ++s) {
            line.assign(calibration_columns);
            AppendFitStarsStarColumns(line, record->stars[s]);
            benchmark::DoNotOptimize(line.data());
        }
    }
}
BENCHMARK(BM_FitStarsRows100SharedColumns);

}  // namespace

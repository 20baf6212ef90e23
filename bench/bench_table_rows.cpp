// Micro-benchmarks of the summary-table row formatters on a loaded record.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "app/table_rows.h"
#include "bench/bench_data.h"

namespace {

// A record holding what a load of the bench calibration with 100 stars
// gives the tables.
std::unique_ptr<CalibrationRecord> TableRecord() {
    const CalibrationSample sample = BenchSample(3, 100);
    auto record = std::make_unique<CalibrationRecord>();
    record->date_first = sample.time.month;
    record->date_second = sample.time.day;
    record->date_year = sample.time.year;
    record->hour = sample.time.hour;
    record->minute = sample.time.minute;
    record->second = sample.time.second;
    record->millisecond = sample.time.millisecond;
    record->ra_center_deg = sample.ra_center_deg;
    record->dec_center_deg = sample.dec_center_deg;
    record->azim_center_deg = sample.azim_center_deg;
    record->elev_center_deg = sample.elev_center_deg;
    record->arcmin_per_pixel = sample.arcmin_per_pixel;
    record->cam_tilt_deg = sample.cam_tilt_deg;
    record->fit_order = sample.fit_order;
    std::memcpy(record->xcoef, sample.xcoef, sizeof record->xcoef);
    std::memcpy(record->ycoef, sample.ycoef, sizeof record->ycoef);
    record->oc_mean_arcmin = sample.oc_mean_arcmin;
    record->oc_sigma_arcmin = sample.oc_sigma_arcmin;
    record->magfit_slope = sample.magfit_slope;
    record->magfit_icept = sample.magfit_icept;
    record->fluxfit_slope = sample.fluxfit_slope;
    record->fluxfit_icept = sample.fluxfit_icept;
    record->star_count = static_cast<int>(sample.stars.size());
    for (int s = 0; s < record->star_count; ++s) record->stars[s] = sample.stars[s];
    return record;
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

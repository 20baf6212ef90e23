// Micro-benchmark of loading one CAL file (reading, parsing, the inverse fit)
// for star tables of 20, 200 and 1000 rows, with the file in the page cache.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include "bench/bench_data.h"
#include "calib/read_cal.h"

namespace {

void BM_ReadCALfile(benchmark::State& state) {
    const int star_count = static_cast<int>(state.range(0));
    const std::string path = WriteBenchFile(3, star_count);
    if (path.empty()) {
        state.SkipWithError("cannot write the benchmark file");
        return;
    }
    auto record = std::make_unique<CalibrationRecord>();
    auto site = std::make_unique<SiteRecord>();
    for (auto _ : state) {
        ReadCALfile(path.c_str(), *record, *site);
        benchmark::ClobberMemory();
    }
    if (record->star_count != star_count) state.SkipWithError("the file did not load all its stars");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(std::filesystem::file_size(path)));
}
BENCHMARK(BM_ReadCALfile)->ArgName("stars")->Arg(20)->Arg(200)->Arg(1000);

}  // namespace

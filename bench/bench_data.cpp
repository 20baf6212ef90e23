#include "bench/bench_data.h"

#include <cstring>

#include "tools/camera_model.h"
#include "tools/split_mix.h"

namespace {
constexpr std::uint64_t kBenchSeed = 20131214;
constexpr std::int64_t kBenchInstantUnixMs = 1386990902250;  // 2013-12-14 03:15:02.250 UT
constexpr int kBenchCamera = 12;
}  // namespace

CalibrationSample BenchSample(int fit_order, int star_count) {
    SplitMix64 rng{kBenchSeed};
    SimulatedCamera camera = MakeSimulatedCamera(rng, kBenchCamera);
    camera.fit_order = fit_order;
    return MakeCalibrationSample(camera, kBenchInstantUnixMs, star_count, rng);
}

void FillFitInputs(int fit_order, CalibrationRecord& record) {
    const CalibrationSample sample = BenchSample(fit_order, 0);
    record.x_center = sample.x_center_px;
    record.y_center = sample.y_center_px;
    record.fit_order = sample.fit_order;
    std::memcpy(record.xcoef, sample.xcoef, sizeof record.xcoef);
    std::memcpy(record.ycoef, sample.ycoef, sizeof record.ycoef);
}

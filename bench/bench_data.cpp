#include "bench/bench_data.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "calib/read_cal.h"
#include "tests/support/scratch_folder.h"
#include "tools/cal_text.h"
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

std::string WriteBenchFile(int fit_order, int star_count) {
    static const ScratchFolder folder;
    const CalibrationSample sample = BenchSample(fit_order, star_count);
    const std::string text = CalText(sample);
    const std::filesystem::path file = folder.path / CalFileName(sample);
    std::FILE* out = std::fopen(file.string().c_str(), "wb");
    if (out == nullptr) return std::string();
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written ? file.string() : std::string();
}

std::unique_ptr<CalibrationRecord> LoadBenchRecord(int fit_order, int star_count) {
    const std::string path = WriteBenchFile(fit_order, star_count);
    if (path.empty()) std::abort();
    auto record = std::make_unique<CalibrationRecord>();
    auto site = std::make_unique<SiteRecord>();
    ReadCALfile(path.c_str(), *record, *site);
    return record;
}

#include "tools/cal_network.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "common/civil_time.h"
#include "tools/cal_text.h"
#include "tools/calibration_sample.h"
#include "tools/camera_model.h"
#include "tools/output_folder.h"
#include "tools/split_mix.h"

namespace {

constexpr std::int64_t kMillisecondsPerHour = 3600000;
constexpr std::int64_t kFirstNightUnixDay = 15706;  // 2013-01-01

// Distinct camera numbers 1..999 in a seed-dependent order.
std::vector<int> PickCameraNumbers(int camera_count, std::uint64_t seed) {
    std::vector<int> numbers(kMaxCameras);
    for (int i = 0; i < kMaxCameras; ++i) numbers[i] = i + 1;
    SplitMix64 rng = StreamFor(seed, 0);
    for (int i = kMaxCameras - 1; i > 0; --i) std::swap(numbers[i], numbers[UniformInt(rng, 0, i)]);
    numbers.resize(static_cast<std::size_t>(camera_count));
    return numbers;
}

// Night-time schedule of one camera: local evening hours, sometimes a second
// calibration later the same night, sometimes cloudy nights skipped.
struct NightSchedule {
    std::int64_t night;  // days after the camera's first night
    double local_hour;   // 20 to 28 (past midnight counts on)
};

void AdvanceSchedule(NightSchedule& schedule, SplitMix64& rng) {
    if (NextUnit(rng) < 0.3 && schedule.local_hour < 26.0) {
        schedule.local_hour += UniformIn(rng, 0.5, 2.0);
        return;
    }
    schedule.night += NextUnit(rng) < 0.15 ? UniformInt(rng, 2, 6) : 1;
    schedule.local_hour = UniformIn(rng, 20.0, 23.0);
}

std::int64_t ScheduleToUnixMilliseconds(const NightSchedule& schedule, std::int64_t first_day,
                                        double longitude_deg) {
    const double ut_hour = schedule.local_hour - longitude_deg / 15.0;
    return (first_day + schedule.night) * kMillisecondsPerDay +
           static_cast<std::int64_t>(ut_hour * static_cast<double>(kMillisecondsPerHour));
}

bool WriteWholeFile(const std::filesystem::path& path, const std::string& text) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.string().c_str(), "wb"),
                                                         &std::fclose);
    if (!file) return false;
    return std::fwrite(text.data(), 1, text.size(), file.get()) == text.size();
}

}  // namespace

int WriteCalNetwork(const NetworkRequest& request) {
    if (!CreateOutputFolder(request.folder)) return -1;
    const std::vector<int> camera_numbers = PickCameraNumbers(request.camera_count, request.seed);
    const std::filesystem::path folder(request.folder);
    int written = 0;
    std::string text;
    for (int c = 0; c < request.camera_count; ++c) {
        const int files =
            request.file_count / request.camera_count + (c < request.file_count % request.camera_count);
        SplitMix64 rng = StreamFor(request.seed, static_cast<std::uint64_t>(c) + 1);
        const SimulatedCamera camera = MakeSimulatedCamera(rng, camera_numbers[c]);
        const std::int64_t first_day = kFirstNightUnixDay + UniformInt(rng, 0, 365);
        NightSchedule schedule{0, UniformIn(rng, 20.0, 23.0)};
        for (int f = 0; f < files; ++f) {
            if (f > 0) AdvanceSchedule(schedule, rng);
            const int stars = UniformInt(rng, request.min_stars, request.max_stars);
            const CalibrationSample sample = MakeCalibrationSample(
                camera, ScheduleToUnixMilliseconds(schedule, first_day, camera.longitude_deg), stars, rng);
            text.clear();
            AppendCalText(sample, text);
            const std::filesystem::path path = folder / CalFileName(sample);
            if (!WriteWholeFile(path, text)) {
                std::fprintf(stderr, " Cannot write %s\n", path.string().c_str());
                return -1;
            }
            ++written;
        }
    }
    return written;
}

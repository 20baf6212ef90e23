#include "health/findings/health_report.h"

#include <algorithm>

#include "health/findings/camera_status.h"
#include "health/findings/calibration_findings.h"
#include "health/findings/history_findings.h"
#include "common/parallel_for.h"
#include "health/findings/zero_point_findings.h"
#include "health/findings/pointing_findings.h"
#include "health/findings/quantities.h"
#include "health/findings/scale_findings.h"
#include "health/findings/site_weather.h"

namespace {
constexpr int kWeatherRounds = 3;
}  // namespace

HealthReport BuildHealthReport(const std::filesystem::path& tables_folder,
                               const std::vector<CameraTablePaths>& tables, const HealthSettings& settings) {
    HealthReport report;
    report.tables_folder = tables_folder;
    report.settings = settings;
    // Each camera's star rows stream through one thread; only the
    // per-calibration figures stay.
    const int count = static_cast<int>(tables.size());
    std::vector<CameraAnalysis> cameras(tables.size());
    std::vector<std::vector<TableProblem>> problems(tables.size());
    ParallelFor(count, [&](int c) {
        CameraTables camera_tables =
            ReadCameraTables(tables[static_cast<std::size_t>(c)], problems[static_cast<std::size_t>(c)]);
        cameras[static_cast<std::size_t>(c)] = DeriveQuantities(std::move(camera_tables), settings);
    });
    for (std::size_t c = 0; c < tables.size(); ++c) {
        report.problems.insert(report.problems.end(), problems[c].begin(), problems[c].end());
        if (cameras[c].calibrations.empty()) continue;
        report.newest_ms = std::max(report.newest_ms, cameras[c].calibrations.back().time_ms);
        report.cameras.push_back(std::move(cameras[c]));
    }
    std::vector<CameraAnalysis>& analysed = report.cameras;
    const int analysed_count = static_cast<int>(analysed.size());

    // Weather and drops are found in turns: a site-mate's own drop is not
    // weather, and a drop is only what weather does not explain.
    // A camera whose weather came out as in the round before keeps its
    // drops: they follow from its zero points and weather alone.
    std::vector<std::vector<double>> weather_used(analysed.size());
    for (int round = 0; round < kWeatherRounds; ++round) {
        EstimateSiteWeather(analysed);
        ParallelFor(analysed_count, [&](int c) {
            CameraAnalysis& camera = analysed[static_cast<std::size_t>(c)];
            std::vector<double>& used = weather_used[static_cast<std::size_t>(c)];
            if (round > 0 && used == camera.weather_mag) return;
            used = camera.weather_mag;
            camera.findings.clear();
            FindZeroPointDrops(camera, settings.window_days);
            camera.own_drop_mag.assign(camera.calibrations.size(), 0.0);
            for (const Finding& f : camera.findings) {
                for (int i = f.first; i <= f.last; ++i)
                    camera.own_drop_mag[static_cast<std::size_t>(i)] = f.size;
            }
        });
    }
    ParallelFor(analysed_count, [&](int c) {
        CameraAnalysis& camera = analysed[static_cast<std::size_t>(c)];
        FindPointingFindings(camera);
        FindScaleChanges(camera);
        FindFitFindings(camera);
        FindHistoryFindings(camera, report.newest_ms, settings);
        AssessCamera(camera, settings);
    });
    return report;
}

#include "health/health_report.h"

#include <algorithm>

#include "health/camera_status.h"
#include "health/fit_findings.h"
#include "health/history_findings.h"
#include "health/photometry_findings.h"
#include "health/pointing_findings.h"
#include "health/quantities.h"
#include "health/scale_findings.h"
#include "health/site_weather.h"

namespace {
constexpr int kWeatherRounds = 3;
}  // namespace

HealthReport BuildHealthReport(const std::filesystem::path& tables_folder,
                               const std::vector<CameraTablePaths>& tables, const HealthSettings& settings) {
    HealthReport report;
    report.tables_folder = tables_folder;
    report.settings = settings;
    for (const CameraTablePaths& paths : tables) {
        // One camera's star rows at a time: they stream through and only the
        // per-calibration figures stay.
        CameraTables camera_tables = ReadCameraTables(paths, report.problems);
        if (camera_tables.calibrations.empty()) continue;
        report.cameras.push_back(DeriveQuantities(std::move(camera_tables), settings));
        report.newest_ms = std::max(report.newest_ms, report.cameras.back().calibrations.back().time_ms);
    }
    // Weather and drops are found in turns: a site-mate's own drop is not
    // weather, and a drop is only what weather does not explain.
    for (int round = 0; round < kWeatherRounds; ++round) {
        EstimateSiteWeather(report.cameras);
        for (CameraAnalysis& camera : report.cameras) {
            camera.findings.clear();
            FindZeroPointDrops(camera, settings.window_days);
            camera.own_drop_mag.assign(camera.calibrations.size(), 0.0);
            for (const Finding& f : camera.findings) {
                for (int i = f.first; i <= f.last; ++i)
                    camera.own_drop_mag[static_cast<std::size_t>(i)] = f.size;
            }
        }
    }
    for (CameraAnalysis& camera : report.cameras) {
        FindPointingFindings(camera);
        FindScaleChanges(camera);
        FindFitFindings(camera);
        FindHistoryFindings(camera, report.newest_ms, settings);
        AssessCamera(camera, settings);
    }
    return report;
}

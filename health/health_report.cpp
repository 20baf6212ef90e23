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
    EstimateSiteWeather(report.cameras);
    for (CameraAnalysis& camera : report.cameras) {
        FindPointingFindings(camera);
        FindScaleChanges(camera);
        FindZeroPointDrops(camera, settings.window_days);
        FindFitFindings(camera);
        FindHistoryFindings(camera, report.newest_ms, settings);
        AssessCamera(camera, settings);
    }
    return report;
}

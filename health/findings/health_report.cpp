#include "health/findings/health_report.h"

#include <algorithm>

#include "common/parallel_for.h"
#include "health/findings/calibration_findings.h"
#include "health/findings/camera_status.h"
#include "health/findings/history_findings.h"
#include "health/findings/network_clock.h"
#include "health/findings/pointing_findings.h"
#include "health/findings/quantities.h"
#include "health/findings/scale_findings.h"
#include "health/findings/site_weather.h"
#include "health/findings/zero_point_findings.h"

namespace {

void Append(std::vector<Finding>& to, std::vector<Finding>&& from) {
    for (Finding& f : from) to.push_back(std::move(f));
}

// Stages 1 and 2: each camera's star rows stream through one thread; only
// the per-calibration figures stay. Every camera stays, those whose
// FitCoefs table gave no calibration too.
void ReadCameras(const std::vector<CameraTablePaths>& tables, const HealthSettings& settings,
                 HealthReport& report) {
    const int count = static_cast<int>(tables.size());
    std::vector<CameraAnalysis> cameras(tables.size());
    std::vector<std::vector<TableProblem>> problems(tables.size());
    ParallelFor(count, [&](int c) {
        const std::size_t k = static_cast<std::size_t>(c);
        CameraAnalysis& camera = cameras[k];
        camera.quantities = DeriveQuantities(ReadCameraTables(tables[k], problems[k]), settings);
        camera.envelopes = ZeroPointEnvelopesOf(camera.quantities, settings.window_days);
    });
    for (std::size_t c = 0; c < tables.size(); ++c) {
        report.problems.insert(report.problems.end(), problems[c].begin(), problems[c].end());
        report.cameras.push_back(std::move(cameras[c]));
    }
}

// The drops of every camera as its depth per calibration.
std::vector<std::vector<double>> DropDepths(const std::vector<CameraAnalysis>& cameras,
                                            const std::vector<std::vector<Finding>>& drops) {
    std::vector<std::vector<double>> depth(cameras.size());
    for (std::size_t c = 0; c < cameras.size(); ++c)
        depth[c] = DropDepthByCalibration(drops[c], cameras[c].quantities.calibrations.size());
    return depth;
}

// The losses of weeks each camera shows with no weather taken out, less
// those its site-mates share from night to night (weather): the first
// guess of every camera's own drops.
std::vector<std::vector<double>> OwnLossesFirstGuess(const std::vector<CameraAnalysis>& cameras,
                                                     const HealthSettings& settings) {
    std::vector<std::vector<Finding>> losses(cameras.size());
    ParallelFor(static_cast<int>(cameras.size()), [&](int c) {
        const CameraAnalysis& camera = cameras[static_cast<std::size_t>(c)];
        losses[static_cast<std::size_t>(c)] =
            FindZeroPointDrops(camera.quantities, camera.envelopes, {}, settings.window_days).drops;
    });
    const std::vector<SiteWeather> sites = EstimateSiteWeather(cameras, DropDepths(cameras, losses));
    RemoveSharedLosses(cameras, sites, losses);
    return DropDepths(cameras, losses);
}

// Stage 3: weather and drops are found in turns, since a site-mate's own
// drop is not weather and a drop is only what weather does not explain.
// The turns start from a first guess of each camera's own drops: else two
// site-mates whose drops overlap (or cameras that the overlap alone makes
// look like site-mates) would each explain the other's drop away. A camera
// whose weather came out as in the round before keeps its drops: they
// follow from its zero points and weather alone.
void FindWeatherAndDrops(std::vector<CameraAnalysis>& cameras, const HealthSettings& settings) {
    std::vector<std::vector<double>> own_drop_mag = OwnLossesFirstGuess(cameras, settings);
    std::vector<std::vector<double>> weather_used(cameras.size());
    for (int round = 0; round < kWeatherRounds; ++round) {
        std::vector<SiteWeather> weather = EstimateSiteWeather(cameras, own_drop_mag);
        ParallelFor(static_cast<int>(cameras.size()), [&](int c) {
            const std::size_t k = static_cast<std::size_t>(c);
            CameraAnalysis& camera = cameras[k];
            camera.weather = std::move(weather[k]);
            if (round > 0 && weather_used[k] == camera.weather.weather_mag) return;
            weather_used[k] = camera.weather.weather_mag;
            ZeroPointDrops drops = FindZeroPointDrops(camera.quantities, camera.envelopes,
                                                      camera.weather.weather_mag, settings.window_days);
            own_drop_mag[k] = DropDepthByCalibration(drops.drops, camera.quantities.calibrations.size());
            camera.zero_point = std::move(drops.baseline);
            camera.findings = std::move(drops.drops);
        });
    }
}

}  // namespace

void FindCameraFindings(CameraAnalysis& camera, std::int64_t present_ms, bool clock_ahead,
                        const HealthSettings& settings) {
    const CameraQuantities& quantities = camera.quantities;
    PointingFindings pointing = FindPointingFindings(quantities);
    camera.pointing_sigma_arcmin = pointing.sigma_arcmin;
    std::vector<Finding> scale = FindScaleChanges(quantities, pointing.findings);
    std::vector<Finding> findings = std::move(camera.findings);  // the drops
    Append(findings, std::move(pointing.findings));
    Append(findings, std::move(scale));
    Append(findings, FindCalibrationFindings(quantities, camera.zero_point));
    Append(findings, FindHistoryFindings(quantities, present_ms, clock_ahead, settings.stale_after_days));
    camera.findings = InTimeOrder(std::move(findings));
    camera.assessment = AssessCamera(quantities, camera.findings, settings);
}

HealthReport BuildHealthReport(const std::filesystem::path& tables_folder,
                               const std::vector<CameraTablePaths>& tables, const HealthSettings& settings) {
    HealthReport report;
    report.tables_folder = tables_folder;
    report.settings = settings;
    ReadCameras(tables, settings, report);
    FindWeatherAndDrops(report.cameras, settings);
    const NetworkPresent present = FindNetworkPresent(report.cameras);
    report.newest_ms = present.newest_ms;
    ParallelFor(static_cast<int>(report.cameras.size()), [&](int c) {
        const std::size_t k = static_cast<std::size_t>(c);
        FindCameraFindings(report.cameras[k], present.newest_ms, present.clock_ahead[k], settings);
    });
    return report;
}

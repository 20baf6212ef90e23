#include "health/report/report_csv.h"

#include <algorithm>
#include <charconv>

#include "common/civil_time.h"
#include "common/number_text.h"
#include "common/parallel_for.h"

std::string FindingsCsv(const HealthReport& report) {
    std::string text(kFindingsHeader);
    text += kCsvLineEnd;
    for (const CameraAnalysis& analysis : report.cameras) {
        const CameraQuantities& camera = analysis.quantities;
        for (const Finding& f : analysis.findings) {
            FindingsCsvRow row{camera.camera,  f.kind, std::nullopt, std::nullopt,
                               f.calibrations, f.size, f.unit,       f.detail};
            if (f.first >= 0) {
                row.start_ms = camera.calibrations[static_cast<std::size_t>(f.first)].time_ms;
                row.end_ms = camera.calibrations[static_cast<std::size_t>(f.last)].time_ms;
            }
            AppendFindingsCsvRow(text, row);
        }
    }
    return text;
}

namespace {

// Room for one row of the calibrations table: its 34 values and the kinds
// of the findings against it are written into it, then appended at once.
constexpr std::size_t kRowRoom = 64 + 34 * kWriteFixedRoom;
constexpr std::size_t kTypicalRow = 240;  // bytes, a little more than most rows take

// Per calibration, the kinds of the findings that cover it, ';' between them.
std::vector<std::string> KindsPerCalibration(const CameraAnalysis& analysis) {
    std::vector<std::string> kinds(analysis.quantities.calibrations.size());
    for (const Finding& f : analysis.findings) {
        for (int i = std::max(f.first, 0); i <= f.last; ++i) {
            std::string& list = kinds[static_cast<std::size_t>(i)];
            if (!list.empty()) list += ';';
            list += KindName(f.kind);
        }
    }
    return kinds;
}

// The rows of one camera's calibrations.
std::string CameraCalibrationRows(const CameraAnalysis& analysis) {
    const CameraQuantities& camera = analysis.quantities;
    const ZeroPointBaseline& zero_point = analysis.zero_point;
    std::string text;
    const std::size_t n = camera.calibrations.size();
    text.reserve(n * kTypicalRow);
    const std::vector<std::string> kinds = KindsPerCalibration(analysis);
    const std::string camera_number = std::to_string(camera.camera);
    std::string time;
    char row[kRowRoom];
    for (std::size_t i = 0; i < n; ++i) {
        const Calibration& c = camera.calibrations[i];
        time.clear();
        AppendIsoTime(time, c.time_ms);
        text += camera_number;
        text += ',';
        text += time;
        char* p = row;
        const auto value = [&](double v, int decimals) {
            *p++ = ',';
            p = WriteFixed(p, v, decimals);
        };
        value(c.azimuth_deg, 3);
        value(c.elevation_deg, 3);
        value(camera.offset_az.value[i], 3);
        value(camera.offset_el.value[i], 3);
        value(camera.offset.value[i], 3);
        value(camera.tilt.value[i], 3);
        value(camera.scale.value[i], 5);
        value(camera.scale_change.value[i], 4);
        value(camera.aspect.value[i], 6);
        value(camera.skew.value[i], 4);
        value(camera.oc_mean.value[i], 3);
        value(camera.oc_sigma.value[i], 3);
        value(camera.oc_mean_px[i], 3);
        value(camera.oc_sigma_px[i], 3);
        value(camera.zero_point[i], 3);
        value(zero_point.deficit[i], 3);
        value(c.magfit_slope, 2);
        value(camera.faint_limit.value[i], 2);
        *p++ = ',';
        const std::to_chars_result count = std::to_chars(p, row + kRowRoom, c.star_count);
        p = count.ptr;
        for (const QuantitySeries* s :
             {&camera.offset_az, &camera.offset_el, &camera.offset, &camera.tilt, &camera.scale,
              &camera.aspect, &camera.skew, &camera.oc_mean, &camera.oc_sigma}) {
            value(s->z[i], 2);
        }
        value(zero_point.z[i], 2);
        value(camera.faint_limit.z[i], 2);
        value(camera.star_count.z[i], 2);
        *p++ = ',';
        text.append(row, p);
        text += kinds[i];
        text += kCsvLineEnd;
    }
    return text;
}

}  // namespace

std::vector<std::string> CalibrationsCsvParts(const HealthReport& report) {
    std::vector<std::string> parts(report.cameras.size() + 1);
    parts[0] =
        "camera,time,azimuth_deg,elevation_deg,offset_az_arcmin,offset_el_arcmin,offset_arcmin,tilt_deg,"
        "scale_arcmin_per_px,scale_change_pct,aspect_ratio,skew_deg,oc_mean_arcmin,oc_sigma_arcmin,oc_mean_"
        "px,"
        "oc_sigma_px,zero_point_mag,zero_point_deficit_mag,magfit_slope,faint_limit_mag,star_count,"
        "z_offset_az,z_offset_el,z_offset,z_tilt,z_scale,z_aspect,z_skew,z_oc_mean,z_oc_sigma,z_zero_point,"
        "z_faint_limit,z_star_count,findings";
    parts[0] += kCsvLineEnd;
    // Each camera's rows formed on its own core.
    ParallelFor(static_cast<int>(report.cameras.size()), [&](int c) {
        parts[static_cast<std::size_t>(c) + 1] =
            CameraCalibrationRows(report.cameras[static_cast<std::size_t>(c)]);
    });
    return parts;
}

std::string CalibrationsCsv(const HealthReport& report) {
    std::string text;
    for (const std::string& part : CalibrationsCsvParts(report)) text += part;
    return text;
}

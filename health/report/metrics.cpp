#include "health/report/metrics.h"

#include <cmath>
#include <functional>

#include "common/findings_csv.h"
#include "common/number_text.h"

namespace {

// The status's number on a dashboard: the order of severity there is the
// order operators already know (0 to 2), UNKNOWN after them.
int StatusNumber(CameraStatus status) {
    switch (status) {
        case CameraStatus::kOk:
            return 0;
        case CameraStatus::kWatch:
            return 1;
        case CameraStatus::kAction:
            return 2;
        case CameraStatus::kUnknown:
            return 3;
    }
    return 3;
}

void AppendFamily(std::string& text, const char* name, const char* help) {
    text += "# HELP ";
    text += name;
    text += ' ';
    text += help;
    text += "\n# TYPE ";
    text += name;
    text += " gauge\n";
}

void AppendSample(std::string& text, const char* name, int camera, double value, const char* kind = nullptr) {
    if (!std::isfinite(value)) return;
    text += name;
    text += "{camera=\"" + std::to_string(camera) + "\"";
    if (kind != nullptr) {
        text += ",kind=\"";
        text += kind;
        text += '"';
    }
    text += "} ";
    AppendShortest(text, value);
    text += '\n';
}

// A value of a camera's newest calibration, NaN without one.
double Newest(const CameraAnalysis& camera, const std::function<double(std::size_t)>& value) {
    const std::size_t n = camera.quantities.calibrations.size();
    return n > 0 ? value(n - 1) : NAN;
}

double Seconds(const CameraAnalysis& camera, int index) {
    if (index < 0) return NAN;
    return static_cast<double>(camera.quantities.calibrations[static_cast<std::size_t>(index)].time_ms) /
           1000.0;
}

}  // namespace

std::string MetricsText(const HealthReport& report) {
    std::string text;
    const auto family = [&](const char* name, const char* help,
                            const std::function<double(const CameraAnalysis&)>& value) {
        AppendFamily(text, name, help);
        for (const CameraAnalysis& camera : report.cameras)
            AppendSample(text, name, camera.quantities.camera, value(camera));
    };
    family("norv_calhealth_camera_status", "Status of the camera: 0 OK, 1 WATCH, 2 ACTION, 3 UNKNOWN.",
           [](const CameraAnalysis& c) { return StatusNumber(c.assessment.status); });
    AppendFamily(text, "norv_calhealth_open_findings", "Open findings of the camera, by kind.");
    for (const CameraAnalysis& camera : report.cameras) {
        for (int k = 0; k < kFindingKindCount; ++k) {
            int open = 0;
            for (std::size_t f = 0; f < camera.findings.size(); ++f)
                open += camera.assessment.open[f] && static_cast<int>(camera.findings[f].kind) == k ? 1 : 0;
            const std::string kind(KindName(static_cast<FindingKind>(k)));
            AppendSample(text, "norv_calhealth_open_findings", camera.quantities.camera, open, kind.c_str());
        }
    }
    family("norv_calhealth_newest_calibration_timestamp_seconds",
           "Time of the camera's newest calibration, seconds since 1970-01-01 UT.",
           [](const CameraAnalysis& c) {
               return Seconds(c, static_cast<int>(c.quantities.calibrations.size()) - 1);
           });
    family("norv_calhealth_last_good_calibration_timestamp_seconds",
           "Time of the camera's last good calibration (the one to use now), seconds since 1970-01-01 UT.",
           [](const CameraAnalysis& c) { return Seconds(c, c.assessment.last_good); });
    family("norv_calhealth_pointing_offset_arcminutes",
           "Pointing of the newest calibration away from the camera's reference, arcmin on the sky.",
           [](const CameraAnalysis& c) {
               return Newest(c, [&](std::size_t i) { return c.quantities.offset.value[i]; });
           });
    family("norv_calhealth_zero_point_deficit_magnitudes",
           "Zero point of the newest calibration below the clear-night level, weather taken out, mag.",
           [](const CameraAnalysis& c) {
               return Newest(c, [&](std::size_t i) {
                   return i < c.zero_point.deficit.size() ? c.zero_point.deficit[i] : NAN;
               });
           });
    family("norv_calhealth_stars", "Stars of the newest calibration.", [](const CameraAnalysis& c) {
        return Newest(c, [&](std::size_t i) {
            const int stars = c.quantities.calibrations[i].star_count;
            return c.quantities.stars_problem.empty() ? static_cast<double>(stars) : NAN;
        });
    });
    family("norv_calhealth_residual_sigma_arcminutes", "O-C sigma of the newest calibration, arcmin.",
           [](const CameraAnalysis& c) {
               return Newest(c, [&](std::size_t i) { return c.quantities.oc_sigma.value[i]; });
           });
    return text;
}

#include "health/report/triage.h"

#include <algorithm>
#include <cmath>

#include "common/civil_time.h"
#include "common/number_text.h"
#include "health/findings/camera_status.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Given a finding kind, returns how bad a night it marks is (higher worse);
// 0 for kinds that mark no night.
int NightSeverity(FindingKind kind) {
    switch (kind) {
        case FindingKind::kMoved:
            return 8;
        case FindingKind::kScaleChange:
            return 7;
        case FindingKind::kZeroPointDrop:
            return 6;
        case FindingKind::kPoorFit:
            return 5;
        case FindingKind::kPointingOutlier:
            return 4;
        case FindingKind::kFewStars:
            return 3;
        case FindingKind::kPointingDrift:
            return 2;
        case FindingKind::kDuplicate:
            return 1;
        case FindingKind::kStale:
        case FindingKind::kClock:
        case FindingKind::kUnreadableTable:
            break;
    }
    return 0;
}

// Given a time and the night axis, returns its night's number counted from
// the axis's first night (negative before it).
std::int64_t NightOf(std::int64_t unix_ms, const NightAxis& axis) {
    const std::int64_t since = unix_ms - axis.first_start_ms;
    return since >= 0 ? since / kMillisecondsPerDay
                      : -((-since + kMillisecondsPerDay - 1) / kMillisecondsPerDay);
}

// Given a camera and the index of one of its calibrations, returns its time.
std::int64_t CalibrationTime(const CameraQuantities& camera, int index) {
    return camera.calibrations[static_cast<std::size_t>(index)].time_ms;
}

// Given an open finding, returns it in a few words for the overview.
std::string Happened(const Finding& f) {
    switch (f.kind) {
        case FindingKind::kMoved:
            return "pointing moved " + Fixed(f.size, 1) + " arcmin";
        case FindingKind::kScaleChange:
            return std::string("plate scale ") + (f.size > 0 ? "up " : "down ") +
                   Fixed(std::fabs(f.size), 2) + " %";
        case FindingKind::kZeroPointDrop:
            return "zero point " + Fixed(f.size, 2) + " mag below its clear-night level";
        case FindingKind::kPointingOutlier:
            return "one calibration points " + Fixed(f.size, 1) + " arcmin off";
        case FindingKind::kPoorFit:
            return "poor fit (" + Fixed(f.size, 2) + " " + f.unit + ")";
        case FindingKind::kFewStars:
            return "few stars (" + Fixed(f.size, 0) + ")";
        case FindingKind::kStale:
            return "no calibration for " + Fixed(f.size, 1) + " days";
        case FindingKind::kClock:
            return "clock " + Fixed(f.size, 1) + " days ahead of the network";
        case FindingKind::kDuplicate:
            return std::to_string(f.calibrations) + " rows share one calibration time";
        case FindingKind::kPointingDrift:
            return "pointing drifting " + Fixed(f.size, 1) + " arcmin/month";
        case FindingKind::kUnreadableTable:
            return f.detail;
    }
    return f.detail;
}

// Given an open finding of a camera and the camera's last good calibration
// (-1 when none), returns the one sentence that says what to do about it.
std::string ToDo(const Finding& f, const CameraQuantities& camera, int last_good) {
    const std::string at = f.first >= 0 ? ShortTime(CalibrationTime(camera, f.first)) : std::string();
    const std::string use =
        last_good >= 0 ? "; use " + ShortTime(CalibrationTime(camera, last_good)) : "; recalibrate";
    switch (f.kind) {
        case FindingKind::kMoved:
            return "calibrations before " + at +
                   " no longer fit this pointing: do not use them for later meteors";
        case FindingKind::kScaleChange:
            return "the focus changed on " + at + ": recalibrate";
        case FindingKind::kZeroPointDrop:
            return "sensitivity down " + Fixed(f.size, 2) + " mag since " + at +
                   ": check the lens for dew or dirt";
        case FindingKind::kPointingOutlier:
            return "the calibration of " + at + " points elsewhere: do not use it" + use;
        case FindingKind::kPoorFit:
            return "the calibration of " + at + " fits its stars poorly: do not use it" + use;
        case FindingKind::kFewStars:
            return "few stars on " + at + ": check the view for cloud, dew or an obstruction";
        case FindingKind::kStale:
            return "no calibration for " + Fixed(f.size, 0) +
                   " days: check that the camera runs and calibrates";
        case FindingKind::kClock:
            return "its clock is " + Fixed(f.size, 1) + " days ahead: set the camera's clock";
        case FindingKind::kDuplicate:
            return "rows share a calibration time: keep one calibration of that time";
        case FindingKind::kPointingDrift:
            return "the mount is settling (" + Fixed(f.size, 1) +
                   " arcmin/month): check it and recalibrate as the pointing creeps";
        case FindingKind::kUnreadableTable:
            return "the table gives nothing (" + f.detail + "): run the summary program again on its folder";
    }
    return f.detail;
}

}  // namespace

int StatusRank(CameraStatus status) {
    switch (status) {
        case CameraStatus::kAction:
            return 0;
        case CameraStatus::kUnknown:
            return 1;
        case CameraStatus::kWatch:
            return 2;
        case CameraStatus::kOk:
            return 3;
    }
    return 4;
}

std::string ShortTime(std::int64_t unix_ms) {
    std::string text = IsoTime(unix_ms).substr(0, 16);
    text[10] = ' ';
    return text + " UT";
}

std::string AgeText(std::int64_t unix_ms, std::int64_t present_ms) {
    const std::int64_t days = present_ms >= unix_ms ? (present_ms - unix_ms) / kMillisecondsPerDay : 0;
    return std::to_string(days) + (days == 1 ? " day" : " days");
}

NightAxis StripNightAxis(const HealthReport& report) {
    // The cameras' usual hours averaged on the clock face, so that 23 h and
    // 1 h average to midnight, not noon.
    double east = 0.0, north = 0.0;
    for (const CameraAnalysis& analysis : report.cameras) {
        if (analysis.quantities.calibrations.empty()) continue;
        const double angle = analysis.quantities.typical_hour_ut / 24.0 * 2.0 * kPi;
        east += std::cos(angle);
        north += std::sin(angle);
    }
    double centre_hour = std::atan2(north, east) / (2.0 * kPi) * 24.0;
    if (east == 0.0 && north == 0.0) centre_hour = 0.0;
    // A night starts 12 hours before the hour it centres on; whole minutes
    // keep the axis exact.
    const std::int64_t start_minute =
        (static_cast<std::int64_t>(std::llround((centre_hour - 12.0) * 60.0)) % (24 * 60) + 24 * 60) %
        (24 * 60);
    const std::int64_t offset_ms = start_minute * 60000;
    const std::int64_t since = report.newest_ms - offset_ms;
    const std::int64_t present_night = since >= 0
                                           ? since / kMillisecondsPerDay
                                           : -((-since + kMillisecondsPerDay - 1) / kMillisecondsPerDay);
    NightAxis axis;
    axis.first_start_ms = (present_night - (kStripNights - 1)) * kMillisecondsPerDay + offset_ms;
    return axis;
}

std::string NightCodes(const CameraAnalysis& analysis, const NightAxis& axis) {
    const CameraQuantities& camera = analysis.quantities;
    std::string codes(static_cast<std::size_t>(axis.nights), kNightNoCalibration);
    std::vector<int> worst(codes.size(), 0);
    const auto in_axis = [&](std::int64_t night) { return night >= 0 && night < axis.nights; };
    for (const Calibration& c : camera.calibrations) {
        const std::int64_t night = NightOf(c.time_ms, axis);
        if (in_axis(night)) codes[static_cast<std::size_t>(night)] = kNightClear;
    }
    for (const Finding& f : analysis.findings) {
        const int severity = NightSeverity(f.kind);
        if (severity == 0 || f.first < 0) continue;
        const bool change = f.kind == FindingKind::kMoved || f.kind == FindingKind::kScaleChange;
        const int last = change ? f.first : f.last;
        for (int i = f.first; i <= last; ++i) {
            const std::int64_t night = NightOf(CalibrationTime(camera, i), axis);
            if (!in_axis(night)) continue;
            const std::size_t n = static_cast<std::size_t>(night);
            if (severity <= worst[n]) continue;
            worst[n] = severity;
            codes[n] = static_cast<char>('a' + static_cast<int>(f.kind));
        }
    }
    return codes;
}

std::vector<TriageRow> TriageRows(const HealthReport& report) {
    const NightAxis axis = StripNightAxis(report);
    std::vector<TriageRow> rows(report.cameras.size());
    for (std::size_t k = 0; k < report.cameras.size(); ++k) {
        const CameraAnalysis& analysis = report.cameras[k];
        const CameraQuantities& camera = analysis.quantities;
        const CameraAssessment& assessment = analysis.assessment;
        TriageRow& row = rows[k];
        row.index = k;
        row.status = assessment.status;
        row.nights = NightCodes(analysis, axis);
        std::vector<FindingKind> said;
        // The newest open finding of a kind says what to do about that kind.
        for (std::size_t i = analysis.findings.size(); i-- > 0;) {
            const Finding& f = analysis.findings[i];
            if (i >= assessment.open.size() || !assessment.open[i]) continue;
            if (std::find(said.begin(), said.end(), f.kind) != said.end()) continue;
            said.push_back(f.kind);
            row.to_do.insert(row.to_do.begin(), ToDo(f, camera, assessment.last_good));
        }
        for (std::size_t i = 0; i < analysis.findings.size(); ++i) {
            const Finding& f = analysis.findings[i];
            if (i >= assessment.open.size() || !assessment.open[i]) continue;
            row.happened.push_back(Happened(f));
            // A table that gives nothing has no date of its own.
            if (f.first < 0 || f.kind == FindingKind::kUnreadableTable) continue;
            const std::int64_t start = CalibrationTime(camera, f.first);
            if (!row.has_since || start < row.since_ms) row.since_ms = start;
            row.has_since = true;
        }
    }
    std::stable_sort(rows.begin(), rows.end(), [&](const TriageRow& a, const TriageRow& b) {
        if (StatusRank(a.status) != StatusRank(b.status)) return StatusRank(a.status) < StatusRank(b.status);
        if (a.has_since != b.has_since) return a.has_since;
        if (a.has_since && a.since_ms != b.since_ms) return a.since_ms > b.since_ms;
        return report.cameras[a.index].quantities.camera < report.cameras[b.index].quantities.camera;
    });
    return rows;
}

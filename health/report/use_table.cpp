#include "health/report/use_table.h"

#include "common/civil_time.h"
#include "common/findings_csv.h"
#include "common/parallel_for.h"
#include "health/findings/calibration_use.h"

namespace {

bool InsideDrop(const std::vector<Finding>& findings, int index) {
    for (const Finding& f : findings) {
        if (f.kind == FindingKind::kZeroPointDrop && f.first <= index && index <= f.last) return true;
    }
    return false;
}

// Why an interval's calibration is not for photometry, or none is named.
std::string_view Note(const CameraAnalysis& camera, const CalibrationUse& use, int calibration) {
    if (calibration < 0) return "no calibration of this pointing is usable";
    if (use.photometry[static_cast<std::size_t>(calibration)]) return "";
    if (camera.quantities.calibrations[static_cast<std::size_t>(calibration)].star_count == 0)
        return "no star data: not for photometry";
    if (InsideDrop(camera.findings, calibration)) return "inside a zero-point drop: not for photometry";
    return "not for photometry";
}

// The rows of one camera. An interval's start is the end of the one
// before, and an epoch's first calibration is the same for all its rows:
// their texts are formed once.
std::string CameraRows(const CameraAnalysis& camera) {
    const CameraQuantities& q = camera.quantities;
    const CalibrationUse use = JudgeCalibrationUse(q, camera.findings);
    const std::string camera_number = std::to_string(q.camera);
    std::string text;
    std::string from;
    std::string to;
    std::string epoch_start;
    int epoch = -1;
    for (const UseInterval& interval : UseIntervals(q, use)) {
        if (from.empty()) AppendIsoTime(from, interval.from_ms);
        to.clear();
        AppendIsoTime(to, interval.to_ms);
        if (interval.epoch != epoch) {
            epoch = interval.epoch;
            epoch_start.clear();
            AppendIsoTime(
                epoch_start,
                q.calibrations[static_cast<std::size_t>(use.epoch_start[static_cast<std::size_t>(epoch)])]
                    .time_ms);
        }
        text += camera_number;
        text += ',';
        text += from;
        text += ',';
        text += to;
        text += ',';
        const bool named = interval.calibration >= 0;
        if (named)
            AppendIsoTime(text, q.calibrations[static_cast<std::size_t>(interval.calibration)].time_ms);
        text += ',';
        text += epoch_start;
        text += named ? ",yes," : ",no,";
        text += named && use.photometry[static_cast<std::size_t>(interval.calibration)] ? "yes" : "no";
        text += ',';
        AppendQuoted(text, Note(camera, use, interval.calibration));
        text += kCsvLineEnd;
        from.swap(to);
    }
    return text;
}

}  // namespace

std::vector<std::string> UseTableCsvParts(const HealthReport& report) {
    std::vector<std::string> parts(report.cameras.size() + 1);
    parts[0] = kUseHeader;
    parts[0] += kCsvLineEnd;
    // Each camera's rows formed on its own core.
    ParallelFor(static_cast<int>(report.cameras.size()), [&](int c) {
        parts[static_cast<std::size_t>(c) + 1] = CameraRows(report.cameras[static_cast<std::size_t>(c)]);
    });
    return parts;
}

std::string UseTableCsv(const HealthReport& report) {
    std::string text;
    for (const std::string& part : UseTableCsvParts(report)) text += part;
    return text;
}

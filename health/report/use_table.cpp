#include "health/report/use_table.h"

#include "common/civil_time.h"
#include "common/findings_csv.h"
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

void AppendCameraRows(std::string& text, const CameraAnalysis& camera) {
    const CameraQuantities& q = camera.quantities;
    const CalibrationUse use = JudgeCalibrationUse(q, camera.findings);
    for (const UseInterval& interval : UseIntervals(q, use)) {
        text += std::to_string(q.camera);
        text += ',';
        AppendIsoTime(text, interval.from_ms);
        text += ',';
        AppendIsoTime(text, interval.to_ms);
        text += ',';
        const bool named = interval.calibration >= 0;
        if (named)
            AppendIsoTime(text, q.calibrations[static_cast<std::size_t>(interval.calibration)].time_ms);
        text += ',';
        AppendIsoTime(text, q.calibrations[static_cast<std::size_t>(
                                               use.epoch_start[static_cast<std::size_t>(interval.epoch)])]
                                .time_ms);
        text += named ? ",yes," : ",no,";
        text += named && use.photometry[static_cast<std::size_t>(interval.calibration)] ? "yes" : "no";
        text += ',';
        AppendQuoted(text, Note(camera, use, interval.calibration));
        text += kCsvLineEnd;
    }
}

}  // namespace

std::string UseTableCsv(const HealthReport& report) {
    std::string text(kUseHeader);
    text += kCsvLineEnd;
    for (const CameraAnalysis& camera : report.cameras) AppendCameraRows(text, camera);
    return text;
}

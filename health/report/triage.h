// What the page's first screen says about each camera: its open trouble in
// words, since when, what to do about it, and its last nights at a glance.
// Everything is measured from the network's present (HealthReport's
// newest_ms), never from a wall clock.
#ifndef HEALTH_REPORT_TRIAGE_H
#define HEALTH_REPORT_TRIAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "health/findings/health_report.h"

// Nights shown in a camera's status strip, the newest last.
constexpr int kStripNights = 90;

// A strip cell's code: no calibration that night, calibrated with no finding
// against it, or the worst finding kind of the night ('a' + the kind's
// number, so that the page can name it).
constexpr char kNightNoCalibration = '.';
constexpr char kNightClear = '0';

// One camera's line of the overview.
struct TriageRow {
    std::size_t index = 0;  // into HealthReport::cameras
    CameraStatus status = CameraStatus::kOk;
    bool has_since = false;
    std::int64_t since_ms = 0;          // start of its oldest open finding that covers a calibration
    std::vector<std::string> happened;  // the open findings in words, oldest first
    std::vector<std::string> to_do;     // one sentence per open finding kind
    std::string nights;                 // kStripNights codes, oldest night first
};

// The nights of the strips: 24-hour periods centred on the hour of day the
// network usually calibrates, so that one night's calibrations share a cell.
struct NightAxis {
    std::int64_t first_start_ms = 0;  // start of the strip's oldest night
    int nights = kStripNights;
};

// Given a report, returns its night axis: the kStripNights nights that end
// with the one holding the network's present. The nights are centred on the
// median of the cameras' usual calibration hours (midnight UT when no camera
// has calibrations).
NightAxis StripNightAxis(const HealthReport& report);

// Given a camera's analysis and the night axis, returns its strip: per night
// kNightNoCalibration, kNightClear or the code of its worst finding. Changes
// (moved, scale_change) mark the night they happened; drops, drifts and
// single-calibration findings every night they cover; stale, clock and
// unreadable tables no night (they are said in the overview).
std::string NightCodes(const CameraAnalysis& analysis, const NightAxis& axis);

// Given a report, returns one row per camera in the order the overview shows
// them: by status (ACTION, UNKNOWN, WATCH, OK), then the most recent trouble
// first (rows without a date after those with one), then by camera number.
std::vector<TriageRow> TriageRows(const HealthReport& report);

// Given a status, returns its place in the overview (0 first).
int StatusRank(CameraStatus status);

// Given a time, returns it as the tables show it: "YYYY-MM-DD HH:MM UT".
std::string ShortTime(std::int64_t unix_ms);

// Given a time and the network's present, returns the whole days between
// them as text ("0 days", "1 day", "12 days").
std::string AgeText(std::int64_t unix_ms, std::int64_t present_ms);

#endif  // HEALTH_REPORT_TRIAGE_H

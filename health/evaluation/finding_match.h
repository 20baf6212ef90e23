// Scores the findings of a report against the ground truth of a generated
// network: recall and dating per injected kind, a confusion table, and the
// false findings per camera-year.
#ifndef HEALTH_EVALUATION_FINDING_MATCH_H
#define HEALTH_EVALUATION_FINDING_MATCH_H

#include <filesystem>
#include <map>
#include <string>
#include <vector>

// One row of a findings table (the report's or the ground truth's).
struct FindingRow {
    int camera = 0;
    std::string kind;
    std::string start;  // ISO time of the first calibration covered
    std::string end;
    double size = 0.0;
    // Ground truth only: the latest calibration the event may be dated at
    // (a gradual drop's first calibration at half its depth); empty: start.
    std::string latest_start;
};

// Given a findings CSV (header camera,kind,start,end,calibrations,size,unit,detail;
// fields may be quoted as RFC 4180 says), returns its rows, or sets error.
std::vector<FindingRow> ReadFindingRows(const std::filesystem::path& path, std::string& error);

// Given the generator's dating table (header camera,kind,start,latest_start)
// and the truth rows, sets latest_start of every row it names. A missing
// table leaves the rows as they are (networks written before it existed);
// returns false and sets error when a row names no event.
bool ReadDatingRanges(const std::filesystem::path& path, std::vector<FindingRow>& truth, std::string& error);

// Given CalHealth_calibrations.csv, returns per camera its calibration times
// in ascending order, or sets error.
std::map<int, std::vector<std::string>> ReadCalibrationTimes(const std::filesystem::path& path,
                                                             std::string& error);

struct KindScore {
    int truth = 0;           // injected events
    int detected = 0;        // found as this kind within the dating tolerance
    int found_any_date = 0;  // found as this kind covering the event or within a calibration of it
    int false_found = 0;     // findings of this kind that neither match nor overlap an event
    std::map<std::string, int> found_as;  // confusion row: kind it was found as, or "missed"
};

struct Evaluation {
    std::map<std::string, KindScore> kinds;  // the injected kinds
    std::map<std::string, int> other_kinds;  // findings of the kinds nothing injects
    double camera_years = 0.0;
};

// Kinds the generator injects, and the dating tolerance of each in
// calibrations (0: the very calibration).
const std::vector<std::string>& InjectedKinds();
int DatingTolerance(const std::string& kind);

// Given the truth, the report's findings and the calibration times of one
// run, adds its counts to evaluation. A found finding matches an event of
// the same camera and kind whose start lies within the kind's tolerance of
// the event's dates, start to latest_start (each finding matches one event
// at most); an event not matched is counted in the
// confusion row as found but misdated when a finding of its kind overlaps
// it, else under the kind of any finding that starts within one calibration
// of it or covers its start, else as missed.
void ScoreRun(const std::vector<FindingRow>& truth, const std::vector<FindingRow>& found,
              const std::map<int, std::vector<std::string>>& times, Evaluation& evaluation);

// Given an evaluation, returns it as Markdown tables.
std::string EvaluationText(const Evaluation& evaluation);

#endif  // HEALTH_EVALUATION_FINDING_MATCH_H

// The findings table: what the health report writes to
// CalHealth_findings.csv, the generator writes as the ground truth of the
// events it injects, and the evaluation reads back. One header, one set of
// kind names, one row format.
#ifndef COMMON_FINDINGS_CSV_H
#define COMMON_FINDINGS_CSV_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class FindingKind {
    kMoved,
    kPointingOutlier,
    kScaleChange,
    kZeroPointDrop,
    kPoorFit,
    kFewStars,
    kStale,
    kDuplicate,
    kPointingDrift,
    kUnreadableTable,
    kClock,
};
constexpr int kFindingKindCount = 11;

// The kind's name as the findings table writes it (moved, pointing_outlier, ...).
std::string_view KindName(FindingKind kind);

// Given a name as KindName gives it, returns its kind, or nothing.
std::optional<FindingKind> KindFromName(std::string_view name);

// Header of the findings table, exactly.
inline constexpr std::string_view kFindingsHeader = "camera,kind,start,end,calibrations,size,unit,detail";

// Every line of the CSV tables ends so.
inline constexpr std::string_view kCsvLineEnd = "\r\n";

// One row: the camera, the kind, the times of the first and last calibration
// covered (milliseconds since 1970 UT; none for a finding that covers no
// calibration), how many calibrations, the size in its unit (none when not
// finite), and one plain-language sentence.
struct FindingsCsvRow {
    int camera = 0;
    FindingKind kind = FindingKind::kMoved;
    std::optional<std::int64_t> start_ms;
    std::optional<std::int64_t> end_ms;
    int calibrations = 0;
    double size = 0.0;
    std::string_view unit;
    std::string_view detail;
};

// Given a row, appends it with its line end: times as
// YYYY-MM-DDTHH:MM:SS.mmm (empty fields when there are none), the size with
// three decimals, unit and detail quoted.
void AppendFindingsCsvRow(std::string& text, const FindingsCsvRow& row);

// Given a field, appends it quoted as RFC 4180 says: in double quotes, each
// double quote doubled.
void AppendQuoted(std::string& text, std::string_view field);

// Given one line of a CSV table (without line ends inside fields; a
// carriage return at its end is dropped), returns its fields unquoted as
// RFC 4180 says.
std::vector<std::string> SplitCsvLine(std::string_view line);

#endif  // COMMON_FINDINGS_CSV_H

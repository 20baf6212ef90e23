// Fuzz target for reading one camera's pair of summary tables: the input
// bytes before the first form feed become SummaryCAL007_FitCoefs.txt and the
// bytes after it SummaryCAL007_FitStars.txt (without a form feed the camera
// has no FitStars table). FindSummaryTables finds them in their folder and
// ReadCameraTables reads them.
//
// Checked for every input:
// - the folder gives camera 7 with exactly the tables written, no clash and
//   no note;
// - LineReader takes each table's lines as a plain split of its text does
//   (see SplitTableLines), numbers them from 1 and reads every byte;
// - calibrations ascend with unique times, each a valid instant whose ISO
//   text reads back to it, with finite pointing, scale and linear terms;
// - the calibrations are the FitCoefs rows ParseCoefsRow reads, one per
//   time: each the first such row of its time in the table, at its line,
//   with its values; a time of several rows is a duplicate with that many
//   rows, identical exactly when those rows have the same values (all 26);
// - a calibration has star_count >= 0 stars, at most the FitStars table's
//   lines in all; with stars, its residuals, magnitude fit, mean magnitude,
//   mean and median log-intensity and faint limit are finite and its vote
//   is -1, 0 or 1; without, it has none of them (no value) and no vote;
// - the FitCoefs problem is empty exactly when there are calibrations; the
//   FitStars problem, when there are calibrations and a FitStars table, is
//   empty exactly when some calibration has stars (a table that gave rows
//   never says it has none), and without that table it says so;
// - every problem names one of the two tables, at line 0 (the whole table)
//   or at one of that table's lines;
// - reading the same tables again gives the same result, field for field;
// - the same lines written with other line ends (line feeds, carriage
//   return and line feed, or carriage returns alone: one of them per input,
//   by its size, as each read costs the reader's 64 KiB buffer) read the
//   same (calibrations, duplicates, table problems and problems), but for
//   the note that lines end at carriage returns alone, which a table has
//   exactly when they do.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/civil_time.h"
#include "health/tables/camera_tables.h"
#include "health/tables/table_folder.h"
#include "health/tables/table_row_parse.h"
#include "tests/fuzz/fuzz_harness.h"
#include "tests/fuzz/table_fuzz_support.h"

namespace {

namespace fs = std::filesystem;

constexpr int kCamera = 7;
constexpr const char* kCoefsName = "SummaryCAL007_FitCoefs.txt";
constexpr const char* kStarsName = "SummaryCAL007_FitStars.txt";
constexpr const char* kCarriageReturnNote = "line ends are CR only; read as line ends";

struct Reading {
    CameraTables tables;
    std::vector<TableProblem> problems;
};

Reading ReadTables(const CameraTablePaths& paths) {
    Reading reading;
    reading.tables = ReadCameraTables(paths, reading.problems);
    return reading;
}

// Writes the tables (no FitStars file when stars is nullptr) and checks that
// the folder gives them as camera 7's.
CameraTablePaths WriteAndFindTables(std::string_view coefs, const std::string_view* stars) {
    const fs::path& folder = ScratchTablesFolder();
    WriteTable(folder / kCoefsName, coefs);
    if (stars != nullptr) {
        WriteTable(folder / kStarsName, *stars);
    } else {
        fs::remove(folder / kStarsName);
    }
    fs::path tables_folder;
    std::string error;
    std::vector<TableProblem> notes;
    const std::vector<CameraTablePaths> found = FindSummaryTables(folder, tables_folder, error, notes);
    FUZZ_CHECK(found.size() == 1 && error.empty() && notes.empty());
    FUZZ_CHECK(tables_folder == folder);
    const CameraTablePaths& paths = found.front();
    FUZZ_CHECK(paths.camera == kCamera);
    FUZZ_CHECK(paths.coefs == folder / kCoefsName);
    FUZZ_CHECK(stars != nullptr ? paths.stars == folder / kStarsName : paths.stars.empty());
    FUZZ_CHECK(paths.coefs_clash.empty() && paths.stars_clash.empty());
    return paths;
}

bool HasStarFigures(const Calibration& c) {
    return std::isfinite(c.oc_mean_arcmin) && std::isfinite(c.oc_sigma_arcmin) &&
           std::isfinite(c.magfit_slope) && std::isfinite(c.magfit_icept) && std::isfinite(c.mean_mv) &&
           std::isfinite(c.mean_log_inten) && std::isfinite(c.median_log_inten) &&
           std::isfinite(c.faint_limit_mag);
}

bool HasNoStarFigures(const Calibration& c) {
    return std::isnan(c.oc_mean_arcmin) && std::isnan(c.oc_sigma_arcmin) && std::isnan(c.magfit_slope) &&
           std::isnan(c.magfit_icept) && std::isnan(c.mean_mv) && std::isnan(c.mean_log_inten) &&
           std::isnan(c.median_log_inten) && std::isnan(c.faint_limit_mag) && c.magfit_form_vote == 0;
}

// The FitCoefs rows of one calibration time, in table order.
struct RowsOfTime {
    std::int64_t time_ms;
    std::vector<std::pair<long long, CoefsRow>> rows;  // line, values
};

// The FitCoefs lines ParseCoefsRow reads, by time.
std::vector<RowsOfTime> CoefsRowsByTime(const std::vector<std::string>& lines) {
    std::vector<RowsOfTime> times;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        CoefsRow row{};
        if (ParseCoefsRow(lines[k], row) != nullptr) continue;
        auto found = std::find_if(times.begin(), times.end(),
                                  [&](const RowsOfTime& t) { return t.time_ms == row.time_ms; });
        if (found == times.end()) found = times.insert(times.end(), RowsOfTime{row.time_ms, {}});
        found->rows.emplace_back(static_cast<long long>(k + 1), row);
    }
    std::sort(times.begin(), times.end(),
              [](const RowsOfTime& a, const RowsOfTime& b) { return a.time_ms < b.time_ms; });
    return times;
}

void CheckCoefsRows(const CameraTables& tables, const std::vector<std::string>& coefs_lines) {
    const std::vector<RowsOfTime> times = CoefsRowsByTime(coefs_lines);
    FUZZ_CHECK(tables.calibrations.size() == times.size());
    std::size_t duplicate = 0;
    for (std::size_t k = 0; k < times.size(); ++k) {
        const Calibration& c = tables.calibrations[k];
        const long long line = times[k].rows.front().first;
        const CoefsRow& row = times[k].rows.front().second;
        FUZZ_CHECK(c.time_ms == times[k].time_ms && c.coefs_line == line);
        FUZZ_CHECK(SameDouble(c.azimuth_deg, row.azimuth_deg) &&
                   SameDouble(c.elevation_deg, row.elevation_deg) && SameDouble(c.tilt_deg, row.tilt_deg) &&
                   SameDouble(c.table_arcmin_per_pixel, row.arcmin_per_pixel) &&
                   SameDouble(c.x1, row.xcoef[1]) && SameDouble(c.x2, row.xcoef[2]) &&
                   SameDouble(c.y1, row.ycoef[1]) && SameDouble(c.y2, row.ycoef[2]));
        if (times[k].rows.size() < 2) continue;
        FUZZ_CHECK(duplicate < tables.duplicates.size());
        const DuplicateRows& d = tables.duplicates[duplicate++];
        FUZZ_CHECK(d.time_ms == times[k].time_ms && d.rows == static_cast<int>(times[k].rows.size()));
        const bool identical =
            std::all_of(times[k].rows.begin(), times[k].rows.end(),
                        [&](const auto& other) { return SameCoefsValues(other.second, row); });
        FUZZ_CHECK(d.identical == identical);
    }
    FUZZ_CHECK(duplicate == tables.duplicates.size());
}

void CheckCalibrations(const CameraTables& tables, std::size_t stars_lines) {
    long long stars = 0;
    for (std::size_t k = 0; k < tables.calibrations.size(); ++k) {
        const Calibration& c = tables.calibrations[k];
        if (k > 0) FUZZ_CHECK(tables.calibrations[k - 1].time_ms < c.time_ms);
        FUZZ_CHECK(ParseIsoTime(IsoTime(c.time_ms)) == c.time_ms);
        FUZZ_CHECK(std::isfinite(c.azimuth_deg) && std::isfinite(c.elevation_deg) &&
                   std::isfinite(c.tilt_deg) && std::isfinite(c.table_arcmin_per_pixel) &&
                   std::isfinite(c.x1) && std::isfinite(c.x2) && std::isfinite(c.y1) && std::isfinite(c.y2));
        FUZZ_CHECK(c.star_count >= 0);
        stars += c.star_count;
        if (c.star_count > 0) {
            FUZZ_CHECK(HasStarFigures(c));
            FUZZ_CHECK(c.magfit_form_vote >= -1 && c.magfit_form_vote <= 1);
        } else {
            FUZZ_CHECK(HasNoStarFigures(c));
        }
    }
    FUZZ_CHECK(stars <= static_cast<long long>(stars_lines));
}

void CheckReading(const Reading& reading, const TextLines& coefs, const TextLines* stars_lines) {
    const CameraTables& tables = reading.tables;
    const std::size_t coefs_lines = coefs.lines.size();
    FUZZ_CHECK(tables.camera == kCamera);
    CheckCalibrations(tables, stars_lines != nullptr ? stars_lines->lines.size() : 0);
    CheckCoefsRows(tables, coefs.lines);

    FUZZ_CHECK(tables.coefs_problem.empty() == !tables.calibrations.empty());
    const bool some_stars = std::any_of(tables.calibrations.begin(), tables.calibrations.end(),
                                        [](const Calibration& c) { return c.star_count > 0; });
    if (stars_lines == nullptr) {
        FUZZ_CHECK(tables.stars_problem == "no FitStars table: residuals and photometry unknown");
    } else if (!tables.calibrations.empty()) {
        FUZZ_CHECK(tables.stars_problem.empty() == some_stars);
    }

    for (const TableProblem& problem : reading.problems) {
        FUZZ_CHECK(problem.line >= 0);
        if (problem.table == kCoefsName) {
            FUZZ_CHECK(problem.line <= static_cast<long long>(coefs_lines));
        } else {
            FUZZ_CHECK(problem.table == kStarsName && stars_lines != nullptr);
            FUZZ_CHECK(problem.line <= static_cast<long long>(stars_lines->lines.size()));
        }
    }
}

bool SameReading(const Reading& a, const Reading& b) {
    const CameraTables& x = a.tables;
    const CameraTables& y = b.tables;
    const bool same_duplicates =
        std::equal(x.duplicates.begin(), x.duplicates.end(), y.duplicates.begin(), y.duplicates.end(),
                   [](const DuplicateRows& p, const DuplicateRows& q) {
                       return p.time_ms == q.time_ms && p.rows == q.rows && p.identical == q.identical;
                   });
    return x.camera == y.camera && SameCalibrations(x.calibrations, y.calibrations) && same_duplicates &&
           x.coefs_problem == y.coefs_problem && x.stars_problem == y.stars_problem &&
           SameProblems(a.problems, b.problems);
}

// The problems but the note about carriage-return line ends, and which
// tables had that note.
std::vector<TableProblem> WithoutCarriageReturnNotes(const std::vector<TableProblem>& problems,
                                                     bool& coefs_note, bool& stars_note) {
    std::vector<TableProblem> kept;
    coefs_note = stars_note = false;
    for (const TableProblem& problem : problems) {
        if (problem.line == 0 && !problem.row_skipped && problem.what == kCarriageReturnNote) {
            FUZZ_CHECK(!(problem.table == kCoefsName ? coefs_note : stars_note));
            (problem.table == kCoefsName ? coefs_note : stars_note) = true;
        } else {
            kept.push_back(problem);
        }
    }
    return kept;
}

// The tables' lines written again with other line ends read as the
// original: only the note about carriage returns may differ, and it follows
// the line ends.
void CheckLineEnds(const Reading& original, const TextLines& coefs, const TextLines* stars,
                   std::size_t input_size) {
    bool coefs_note = false;
    bool stars_note = false;
    Reading expected = original;
    expected.problems = WithoutCarriageReturnNotes(original.problems, coefs_note, stars_note);
    FUZZ_CHECK(coefs_note == coefs.carriage_return_lines);
    FUZZ_CHECK(stars_note ==
               (stars != nullptr && stars->carriage_return_lines && !original.tables.calibrations.empty()));

    constexpr std::string_view kLineEnds[3] = {"\n", "\r\n", "\r"};
    const std::string_view line_end = kLineEnds[input_size % 3];
    const std::string coefs_text = JoinLines(coefs.lines, line_end);
    const std::string stars_text = stars != nullptr ? JoinLines(stars->lines, line_end) : std::string();
    const TextLines coefs_again = SplitTableLines(coefs_text);
    const TextLines stars_again = SplitTableLines(stars_text);
    // Lines that hold carriage returns of their own are other lines with
    // other line ends: no comparison then.
    if (coefs_again.lines != coefs.lines || (stars != nullptr && stars_again.lines != stars->lines)) return;
    const std::string_view stars_view = stars_text;
    const Reading again =
        ReadTables(WriteAndFindTables(coefs_text, stars != nullptr ? &stars_view : nullptr));
    Reading compared = again;
    compared.problems = WithoutCarriageReturnNotes(again.problems, coefs_note, stars_note);
    FUZZ_CHECK(SameReading(compared, expected));
    FUZZ_CHECK(coefs_note == coefs_again.carriage_return_lines);
    FUZZ_CHECK(stars_note ==
               (stars != nullptr && stars_again.carriage_return_lines && !again.tables.calibrations.empty()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t form_feed = input.find('\f');
    const std::string_view coefs_text = input.substr(0, form_feed);
    const std::string_view stars_text =
        form_feed == std::string_view::npos ? std::string_view() : input.substr(form_feed + 1);
    const std::string_view* stars = form_feed == std::string_view::npos ? nullptr : &stars_text;

    const CameraTablePaths paths = WriteAndFindTables(coefs_text, stars);
    const TextLines coefs_lines = SplitTableLines(coefs_text);
    const TextLines stars_lines = SplitTableLines(stars_text);
    CheckLineReader(paths.coefs, coefs_lines, coefs_text.size());
    if (stars != nullptr) CheckLineReader(paths.stars, stars_lines, stars_text.size());

    const Reading reading = ReadTables(paths);
    CheckReading(reading, coefs_lines, stars != nullptr ? &stars_lines : nullptr);
    FUZZ_CHECK(SameReading(ReadTables(paths), reading));
    CheckLineEnds(reading, coefs_lines, stars != nullptr ? &stars_lines : nullptr, size);
    return 0;
}

#include "tests/fuzz/table_fuzz_support.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "health/tables/line_reader.h"
#include "tests/fuzz/fuzz_harness.h"
#include "tests/support/scratch_folder.h"

namespace {

// How much of a table the reader looks at to tell carriage-return line ends.
constexpr std::size_t kFirstChunkBytes = 64 * 1024;

}  // namespace

const std::filesystem::path& ScratchTablesFolder() {
    static const ScratchFolder folder;
    return folder.path;
}

void WriteTable(const std::filesystem::path& path, std::string_view text) {
    WriteWholeFile(path.c_str(), text.data(), text.size());
}

TextLines SplitTableLines(std::string_view text) {
    TextLines split;
    const std::string_view first = text.substr(0, kFirstChunkBytes);
    split.carriage_return_lines =
        first.find('\n') == std::string_view::npos && first.find('\r') != std::string_view::npos;
    std::string normal(text);
    if (split.carriage_return_lines) std::replace(normal.begin(), normal.end(), '\r', '\n');
    std::size_t start = 0;
    while (start < normal.size()) {
        std::size_t end = normal.find('\n', start);
        const std::size_t next = end == std::string::npos ? normal.size() : end + 1;
        if (end == std::string::npos) end = normal.size();
        if (end > start && normal[end - 1] == '\r') --end;
        split.lines.push_back(normal.substr(start, end - start));
        start = next;
    }
    return split;
}

std::string JoinLines(const std::vector<std::string>& lines, std::string_view line_end) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += line_end;
    }
    return text;
}

void CheckLineReader(const std::filesystem::path& path, const TextLines& expected, std::size_t size) {
    LineReader reader(path);
    FUZZ_CHECK(reader.IsOpen());
    std::string_view line;
    for (std::size_t k = 0; k < expected.lines.size(); ++k) {
        FUZZ_CHECK(reader.Next(line));
        FUZZ_CHECK(!reader.WasCut());
        FUZZ_CHECK(line == expected.lines[k]);
        FUZZ_CHECK(reader.LineNumber() == static_cast<long long>(k + 1));
    }
    FUZZ_CHECK(!reader.Next(line));
    FUZZ_CHECK(!reader.Failed());
    FUZZ_CHECK(reader.CarriageReturnLines() == expected.carriage_return_lines);
    FUZZ_CHECK(reader.BytesRead() == static_cast<long long>(size));
}

bool SameDouble(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0 || (std::isnan(a) && std::isnan(b));
}

bool SameCalibration(const Calibration& a, const Calibration& b) {
    return a.time_ms == b.time_ms && a.coefs_line == b.coefs_line &&
           SameDouble(a.azimuth_deg, b.azimuth_deg) && SameDouble(a.elevation_deg, b.elevation_deg) &&
           SameDouble(a.tilt_deg, b.tilt_deg) &&
           SameDouble(a.table_arcmin_per_pixel, b.table_arcmin_per_pixel) && SameDouble(a.x1, b.x1) &&
           SameDouble(a.x2, b.x2) && SameDouble(a.y1, b.y1) && SameDouble(a.y2, b.y2) &&
           a.star_count == b.star_count && SameDouble(a.oc_mean_arcmin, b.oc_mean_arcmin) &&
           SameDouble(a.oc_sigma_arcmin, b.oc_sigma_arcmin) && SameDouble(a.magfit_slope, b.magfit_slope) &&
           SameDouble(a.magfit_icept, b.magfit_icept) && SameDouble(a.mean_mv, b.mean_mv) &&
           SameDouble(a.mean_log_inten, b.mean_log_inten) &&
           SameDouble(a.median_log_inten, b.median_log_inten) &&
           SameDouble(a.faint_limit_mag, b.faint_limit_mag) && a.magfit_form_vote == b.magfit_form_vote;
}

bool SameCalibrations(const std::vector<Calibration>& a, const std::vector<Calibration>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), SameCalibration);
}

bool SameProblems(const std::vector<TableProblem>& a, const std::vector<TableProblem>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const TableProblem& x, const TableProblem& y) {
                          return x.table == y.table && x.line == y.line && x.what == y.what &&
                                 x.row_skipped == y.row_skipped;
                      });
}

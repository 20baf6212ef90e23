// What the summary-table fuzz targets share: a scratch folder kept for the
// whole process, the lines of a table's text taken plainly, and comparisons
// of what the table reader returns.
#ifndef TESTS_FUZZ_TABLE_FUZZ_SUPPORT_H
#define TESTS_FUZZ_TABLE_FUZZ_SUPPORT_H

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "health/tables/calibration.h"
#include "health/tables/table_folder.h"

// A folder for the target's table files, created at the first call and
// removed at exit.
const std::filesystem::path& ScratchTablesFolder();

// Writes text as the whole file at path (a file that cannot be written fails
// the run).
void WriteTable(const std::filesystem::path& path, std::string_view text);

// The lines of a table's text as its reader should take them, found plainly:
// a line ends at a line feed (a carriage return just before it is not part
// of the line) or at the end of the text (a last line without line feed,
// when it has any byte). When the first 64 KiB of the text hold a carriage
// return and no line feed, every carriage return is a line feed.
struct TextLines {
    std::vector<std::string> lines;
    bool carriage_return_lines = false;
};
TextLines SplitTableLines(std::string_view text);

// The lines, each followed by line_end.
std::string JoinLines(const std::vector<std::string>& lines, std::string_view line_end);

// Reads the file at path with LineReader::Next and checks that it gives the
// expected lines and numbers them from 1, notes carriage-return line ends
// exactly when expected, reads every one of the file's size bytes and meets
// no read error.
void CheckLineReader(const std::filesystem::path& path, const TextLines& expected, std::size_t size);

// Equal bit for bit, or both NaN.
bool SameDouble(double a, double b);

// Every field equal (doubles as SameDouble).
bool SameCalibration(const Calibration& a, const Calibration& b);
bool SameCalibrations(const std::vector<Calibration>& a, const std::vector<Calibration>& b);
bool SameProblems(const std::vector<TableProblem>& a, const std::vector<TableProblem>& b);

#endif  // TESTS_FUZZ_TABLE_FUZZ_SUPPORT_H

// What both tables' readers share: the header lines, and saying why a table
// gave no row.
#ifndef HEALTH_TABLES_TABLE_READING_H
#define HEALTH_TABLES_TABLE_READING_H

#include <string>
#include <string_view>
#include <vector>

#include "health/tables/line_reader.h"
#include "health/tables/table_folder.h"

// The lines of a table as a reader took them.
struct TableLines {
    long long blank = 0;
    long long header = 0;
    long long other = 0;  // lines that should be rows
    long long rows = 0;   // of those, the ones read as rows

    // Given a line and its number, counts it and returns whether it should
    // be a row: false for a blank line and for a header line (one of the
    // first three whose first non-blank character is not a digit).
    bool Count(std::string_view line, long long number);
};

// Given the kind of table ("FitCoefs" or "FitStars"), its reader after the
// last line and its lines, returns why it gave no row: "FitCoefs table has
// no readable row (...)" with what the table held instead.
std::string NoRowReason(std::string_view kind, const LineReader& reader, const TableLines& lines);

// Given a reader after the last line, notes in problems (under the table's
// name) that its lines ended at carriage returns alone, if they did.
void NoteCarriageReturnLines(const LineReader& reader, const std::string& name,
                             std::vector<TableProblem>& problems);

#endif  // HEALTH_TABLES_TABLE_READING_H

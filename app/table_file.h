// TableFile: one summary table written beside its final name and put in
// place when complete, so that the table at the final name is always either
// the old one or a whole new one, and a link at that name is replaced rather
// than written through. A camera's two tables are put in place together, and
// the files a run left behind when it was killed are told by their names.
#ifndef APP_TABLE_FILE_H
#define APP_TABLE_FILE_H

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

struct TableFile {
    std::FILE* file = nullptr;   // open while the table is being written
    std::string final_name;      // where the table goes when complete
    std::string temporary_name;  // where it is written until then
    bool write_failed = false;
    // The stream's buffer: rows reach the file in writes of its size rather
    // than of the C library's few kilobytes (given no buffer, the library
    // takes the mode from setvbuf but not the size).
    std::unique_ptr<char[]> buffer;
};

// OpenTableFile
// Given the final name of a table (folder/Summary/SummaryCALnnn_kind.txt),
// creates a new file of its own beside it ("~CALnnn_kind.<process number>" in
// the same folder) and makes table write there. Returns false, with table
// closed, when no such file can be created. Never ends the process.
bool OpenTableFile(const std::string& final_name, TableFile& table);

// WriteTableText
// Given an open table and whole lines with their ends, writes them. Returns
// false once any write to the table has failed. Never ends the process.
bool WriteTableText(TableFile& table, std::string_view text);

// CloseTableFile
// Given an open table, writes out what is buffered and closes its file.
// Returns false when a write, the flush or the close failed. Never ends the
// process.
bool CloseTableFile(TableFile& table);

// PublishTableFile
// Given a closed table, moves its file over the final name. Returns false
// when the move failed; the file of the table is then removed. Never ends
// the process.
bool PublishTableFile(TableFile& table);

// PublishTablePair
// Given two closed tables (a table that was never opened takes no part), moves
// both over their final names, or neither: whatever stood at the first's
// final name is first moved aside under a name of the tables' own, put back
// when the second cannot be moved, and removed once both are in place.
// Returns null when both are in place; otherwise the table that could not be,
// with the files of both removed and both final names as they were. Never
// ends the process.
TableFile* PublishTablePair(TableFile& first, TableFile& second);

// The ending of the name under which PublishTablePair keeps a camera's
// earlier first table while it puts the new pair in place.
inline constexpr std::string_view kEarlierSuffix = ".earlier";

// EarlierTableProcess
// Given a file name, returns the number of the process that moved an earlier
// table aside under it (a temporary name, see TemporaryTableProcess,
// followed by kEarlierSuffix), or -1 for any other name. Never ends the
// process.
long EarlierTableProcess(std::string_view name);

// TemporaryTableProcess
// Given the bare name of a file, returns the number of the process that made
// it when it is the name of a table's file before it is put in place
// ("~CALnnn_FitCoefs.<process>", "~CALnnn_FitStars.<process>", either with
// "-<attempt>" after it); otherwise -1. Never ends the process.
long TemporaryTableProcess(std::string_view name);

// DiscardTableFile
// Given a table (open, closed, or already published or discarded), closes
// its file and removes it, leaving the final name as it was. Never ends the
// process.
void DiscardTableFile(TableFile& table);

#endif  // APP_TABLE_FILE_H

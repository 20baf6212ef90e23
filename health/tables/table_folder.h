// Finding a folder's summary tables: which cameras have which tables.
#ifndef HEALTH_TABLES_TABLE_FOLDER_H
#define HEALTH_TABLES_TABLE_FOLDER_H

#include <filesystem>
#include <string>
#include <vector>

// A row or table that could not be used, or a note about one, for the console.
struct TableProblem {
    std::string table;   // file name
    long long line = 0;  // 0 when the problem is the whole table
    std::string what;
    bool row_skipped = true;  // with a line: the row is not used (else a note about it)
};

struct CameraTablePaths {
    int camera = 0;
    std::filesystem::path coefs;  // empty when the camera has no FitCoefs table to use
    std::filesystem::path stars;  // empty when it has no FitStars table to use
    // Why a table is not used although tables of that kind name the camera
    // (several names for it, none of them the one the summary program
    // writes); empty otherwise.
    std::string coefs_clash;
    std::string stars_clash;
};

// Given a calibration folder or a Summary folder, sets tables_folder to the
// folder that holds the tables (FOLDER/Summary when it has any, else FOLDER)
// and returns every camera that has a SummaryCALnnn_FitCoefs.txt or
// SummaryCALnnn_FitStars.txt there (regular files, or links to them), by
// camera number. When several names give one camera the same kind of table
// (SummaryCAL44_, SummaryCAL044_, SummaryCAL0044_), the name the summary
// program writes (three digits at least, zero-filled) is used and the others
// are noted in notes; with no such name among them none is used and the
// clash is set on the camera. Returns an empty list when there is no table
// or the folder cannot be listed (error tells why). Never ends the process.
std::vector<CameraTablePaths> FindSummaryTables(const std::filesystem::path& folder,
                                                std::filesystem::path& tables_folder, std::string& error,
                                                std::vector<TableProblem>& notes);

#endif  // HEALTH_TABLES_TABLE_FOLDER_H

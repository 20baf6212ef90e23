// The per-camera summary tables: names, files, and the walk over the listing.
#include "app/summary_tables.h"

#include <cstdio>
#include <string>

#include "app/table_file.h"
#include "app/table_rows.h"
#include "calib/process_end.h"
#include "calib/read_cal.h"
#include "platform/console.h"

namespace {

constexpr const char* kNumberPrompt = "\n Enter any number and CR to exit program \n";

// The two tables of the camera being summarized. When the run ends part way
// through the camera (a calibration file that cannot be read, an order that
// is not implemented, a table that cannot be opened), the process-end action
// puts them in place as far as they were written.
struct CameraTableFiles {
    TableFile coefs;
    TableFile stars;
};
CameraTableFiles g_tables;

// The process-end action: closes the tables that were started and puts them
// in place together, as FinishCameraTables does, or leaves both as they were
// when one of them cannot be written or moved (" Cannot write %s file \n"
// names it; the process is ending already, so no prompt follows).
void PublishTablesAsWritten() {
    bool all_closed = true;
    for (TableFile* table : {&g_tables.coefs, &g_tables.stars}) {
        if (table->temporary_name.empty() || CloseTableFile(*table)) continue;
        std::printf(" Cannot write %s file \n", table->final_name.c_str());
        all_closed = false;
    }
    if (!all_closed) {
        DiscardTableFile(g_tables.coefs);
        DiscardTableFile(g_tables.stars);
        return;
    }
    if (const TableFile* failed = PublishTablePair(g_tables.coefs, g_tables.stars)) {
        std::printf(" Cannot write %s file \n", failed->final_name.c_str());
    }
}

// A table of the camera could not be written or put in place: the files of
// both are removed, and both tables keep their earlier contents (or stay
// absent). Ends the process with status 1 after the message naming the
// table and a wait for one character.
[[noreturn]] void FailTableWrite(const TableFile& table) {
    const std::string name = table.final_name;
    DiscardTableFile(g_tables.coefs);
    DiscardTableFile(g_tables.stars);
    std::printf(" Cannot write %s file \n", name.c_str());
    std::printf("%s", kNumberPrompt);
    WaitForCharacter();
    EndProcess(1);
}

// Given the folder, the camera and the table kind ("FitCoefs" or "FitStars"),
// forms the table's full name. Ends the process with status 1 if it does not
// fit its room (the run refuses folders for which it could not).
std::string FormTableName(std::string_view folder, int camera, const char* kind) {
    char name[kPathRoom];
    const int length =
        std::snprintf(name, sizeof name, "%.*sSummary%cSummaryCAL%03d_%s.txt",
                      static_cast<int>(folder.size()), folder.data(), kPathSeparator, camera, kind);
    if (length < 0 || length >= kPathRoom) {
        std::printf(" The %s table name of camera %d is longer than %d characters \n", kind, camera,
                    kPathRoom - 1);
        EndProcess(1);
    }
    return name;
}

// Starts a table of the camera and writes its header lines. Ends the process
// with status 1 after the failure message and a wait for one character when
// the table cannot be created.
void StartTable(const std::string& name, const std::string_view (&header)[3], TableFile& table) {
    if (!OpenTableFile(name, table)) {
        std::printf(" Cannot open %s file for writing \n", name.c_str());
        std::printf("%s", kNumberPrompt);
        WaitForCharacter();
        EndProcess(1);
    }
    for (std::string_view line : header) {
        if (!WriteTableText(table, line) || !WriteTableText(table, kTableLineEnd)) FailTableWrite(table);
    }
}

}  // namespace

bool FormCalibrationPath(std::string_view folder, const char* entry_name, char (&path)[kPathRoom]) {
    const int length = std::snprintf(path, sizeof path, "%.*s%s", static_cast<int>(folder.size()),
                                     folder.data(), entry_name);
    return length >= 0 && length < kPathRoom;
}

void EndAfterUnexpectedFailure(const char* what) {
    std::printf(" %s in Norv_CalSummary \n", what);
    std::printf("%s", kNumberPrompt);
    WaitForCharacter();
    EndProcess(1);
}

void EndForLongPath(const char* entry_name) {
    std::printf(" The path of calibration file %s is longer than %d characters \n", entry_name,
                kPathRoom - 1);
    EndProcess(1);
}

void OpenCameraTables(std::string_view folder, int camera) {
    SetProcessEndAction(&PublishTablesAsWritten);
    StartTable(FormTableName(folder, camera, "FitCoefs"), kFitCoefsHeader, g_tables.coefs);
    StartTable(FormTableName(folder, camera, "FitStars"), kFitStarsHeader, g_tables.stars);
}

void WriteCalibrationRows(std::string_view fit_coefs_rows, std::string_view fit_stars_rows) {
    if (!WriteTableText(g_tables.coefs, fit_coefs_rows)) FailTableWrite(g_tables.coefs);
    if (!WriteTableText(g_tables.stars, fit_stars_rows)) FailTableWrite(g_tables.stars);
}

void FinishCameraTables() {
    for (TableFile* table : {&g_tables.coefs, &g_tables.stars}) {
        if (!CloseTableFile(*table)) FailTableWrite(*table);
    }
    if (const TableFile* failed = PublishTablePair(g_tables.coefs, g_tables.stars)) FailTableWrite(*failed);
}

void SummarizeCamera(std::string_view folder, int camera, const ListingEntries& entries,
                     CalibrationRecord& record, SiteRecord& site) {
    OpenCameraTables(folder, camera);
    // Row texts reused for every calibration, so that writing rows allocates
    // nothing once they have grown.
    std::string fit_coefs_rows;
    std::string fit_stars_rows;
    for (int i = 0; i < entries.entry_count; ++i) {
        if (entries.cameras[i] != camera) continue;
        char path[kPathRoom];
        if (!FormCalibrationPath(folder, entries.names[i], path)) EndForLongPath(entries.names[i]);
        if (!ReadCALfile(path, record, site)) continue;
        AppendCalibrationRows(record, fit_coefs_rows, fit_stars_rows);
        WriteCalibrationRows(fit_coefs_rows, fit_stars_rows);
    }
    FinishCameraTables();
}

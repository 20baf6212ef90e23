// The per-camera summary tables: names, files, and the walk over the listing.
#include "app/summary_tables.h"

#include <cstdio>
#include <memory>

#include "app/table_rows.h"
#include "calib/process_end.h"
#include "calib/read_cal.h"
#include "platform/console.h"

namespace {

constexpr std::string_view kLineEnd = "\r\n";
// Output buffer of each table: rows go to the file in writes of this size
// rather than one per few kilobytes. The buffer belongs to the stream, so
// whatever was formatted still reaches the file when the process ends early.
constexpr std::size_t kTableBufferBytes = 256 * 1024;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using TableFile = std::unique_ptr<std::FILE, FileCloser>;

// Given the folder, the camera and the table kind ("FitCoefs" or "FitStars"),
// forms the table's full name. Ends the process with status 1 if it does not
// fit its room (the run refuses folders for which it could not).
void FormTableName(std::string_view folder, int camera, const char* kind, char (&name)[kPathRoom]) {
    const int length =
        std::snprintf(name, sizeof name, "%.*sSummary%cSummaryCAL%03d_%s.txt",
                      static_cast<int>(folder.size()), folder.data(), kPathSeparator, camera, kind);
    if (length < 0 || length >= kPathRoom) {
        std::printf(" The %s table name of camera %d is longer than %d characters \n", kind, camera,
                    kPathRoom - 1);
        EndProcess(1);
    }
}

// Given the folder path and a listing entry's name,
// forms the file's full path. Ends the process with status 1 if it does not fit.
void FormCalibrationPath(std::string_view folder, const char* entry_name, char (&path)[kPathRoom]) {
    const int length = std::snprintf(path, sizeof path, "%.*s%s", static_cast<int>(folder.size()),
                                     folder.data(), entry_name);
    if (length < 0 || length >= kPathRoom) {
        std::printf(" The path of calibration file %s is longer than %d characters \n", entry_name,
                    kPathRoom - 1);
        EndProcess(1);
    }
}

// Opens (creates or empties) a table for writing. Ends the process with status
// 1 after the failure message and a wait for one character.
TableFile OpenTable(const char* name) {
    TableFile table(std::fopen(name, "wb"));
    if (!table) {
        std::printf(" Cannot open %s file for writing \n", name);
        std::printf("\n Enter any number and CR to exit program \n");
        WaitForCharacter();
        EndProcess(1);
    }
    std::setvbuf(table.get(), nullptr, _IOFBF, kTableBufferBytes);
    return table;
}

// Given a table and a line without its end, writes the line and CR LF; the
// line keeps its end afterwards.
void WriteLine(std::FILE* table, std::string& line) {
    line += kLineEnd;
    std::fwrite(line.data(), 1, line.size(), table);
}

void WriteHeader(std::FILE* table, const std::string_view (&header)[3]) {
    for (std::string_view text : header) {
        std::string line(text);
        WriteLine(table, line);
    }
}

}  // namespace

void SummarizeCamera(std::string_view folder, int camera, const ListingEntries& entries,
                     CalibrationRecord& record, SiteRecord& site) {
    char coefs_name[kPathRoom];
    FormTableName(folder, camera, "FitCoefs", coefs_name);
    TableFile coefs = OpenTable(coefs_name);
    WriteHeader(coefs.get(), kFitCoefsHeader);

    char stars_name[kPathRoom];
    FormTableName(folder, camera, "FitStars", stars_name);
    TableFile stars = OpenTable(stars_name);
    WriteHeader(stars.get(), kFitStarsHeader);

    // Row texts reused for every line, so that writing a row allocates nothing.
    std::string line;
    std::string star_columns_1_to_8;
    for (int i = 0; i < entries.entry_count; ++i) {
        if (entries.cameras[i] != camera) continue;
        char path[kPathRoom];
        FormCalibrationPath(folder, entries.names[i], path);
        if (!ReadCALfile(path, record, site)) continue;
        line.clear();
        AppendFitCoefsRow(line, record);
        WriteLine(coefs.get(), line);
        star_columns_1_to_8.clear();
        AppendFitStarsCalibrationColumns(star_columns_1_to_8, record);
        for (int s = 0; s < record.star_count && s < kMaxStars; ++s) {
            line.assign(star_columns_1_to_8);
            AppendFitStarsStarColumns(line, record.stars[s]);
            WriteLine(stars.get(), line);
        }
    }
    coefs.reset();
    stars.reset();
}

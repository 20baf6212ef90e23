#include "app/summary_program.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "app/leftover_tables.h"
#include "app/listing.h"
#include "app/summary_pipeline.h"
#include "app/summary_tables.h"
#include "calib/cal_record.h"
#include "calib/process_end.h"
#include "norv_version.h"
#include "platform/console.h"
#include "platform/folder_files.h"

namespace {

// Longest folder path, separator included, for which every table name
// (folder + "Summary/SummaryCALnnn_FitCoefs.txt", 34 characters) still fits
// in 255 characters.
constexpr size_t kFolderPathMaxChars = 221;

// The run's one calibration record and site record, reused for every file.
CalibrationRecord g_record;
SiteRecord g_site;

void PrintBanner() {
    std::printf("\n\n=========================================================\n");
    std::printf("  Calibration File Summary   %4.2f    \n", kNorvVersion);
    std::printf("=========================================================\n\n");
}

// Given nothing, prints the cancel message and the closing prompt, waits
// for one character (the end of input ends the wait), and ends the process
// with status 1. The wait keeps the message readable in a console window
// that closes with the program (one opened by double-clicking it).
[[noreturn]] void EndAsCancelled() {
    std::printf(" ERROR getting CAL files folder pathname \n");
    std::printf("\n Enter CR to exit program \n");
    WaitForCharacter();
    EndProcess(1);
}

// Asks for the folder and returns it ending with the separator. Ends the
// process with status 1, after the cancel message and a wait for one
// character, when the operator cancels or the path is too long.
std::string ChooseCalibrationFolder() {
    SetConsoleTitle("Norv Console Window");
    std::string folder;
    if (!ChooseFolder(folder)) EndAsCancelled();
    if (folder.back() != kPathSeparator) folder += kPathSeparator;
    if (folder.size() > kFolderPathMaxChars) {
        std::fprintf(stderr,
                     " The folder path has %zu characters with its separator; at most %zu fit the "
                     "table names \n",
                     folder.size(), kFolderPathMaxChars);
        EndAsCancelled();
    }
    return folder;
}

// The run from the banner to the closing message.
void SummarizeFolder(int worker_count) {
    PrintBanner();
    const std::string folder = ChooseCalibrationFolder();
    CreateSummaryFolder(folder);
    RemoveLeftoverTables(folder);

    ListingEntries entries{};
    CameraList camera_list{};
    ListCALfiles(folder, entries, camera_list);

    SummarizeCameras(folder, camera_list, entries, g_record, g_site, worker_count);

    FreeListing(entries);
    std::printf("\n Done with processing \n");
}

}  // namespace

void RunSummaryProgram(int worker_count) {
    try {
        SummarizeFolder(worker_count);
    } catch (const std::bad_alloc&) {
        EndAfterUnexpectedFailure("Memory not allocated");
    } catch (const std::exception& failure) {
        EndAfterUnexpectedFailure(failure.what());
    }
    WaitForCharacter();
    EndProcess(1);
}

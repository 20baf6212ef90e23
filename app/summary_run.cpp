// Norv_CalSummary: summarizes a folder of camera calibration (CAL) files into
// two fixed-width tables per camera in the folder's Summary sub-folder.
// The process ends with exit status 1 on every path, the normal end included.
#include <cstdio>
#include <exception>
#include <new>
#include <string>

#include "app/listing.h"
#include "app/summary_tables.h"
#include "calib/cal_record.h"
#include "calib/process_end.h"
#include "platform/console.h"
#include "platform/folder_files.h"

namespace {

constexpr double kVersion = 1.61;
// Longest folder path, separator included, for which every table name
// (folder + "Summary/SummaryCALnnn_FitCoefs.txt", 34 characters) still fits
// in 255 characters.
constexpr size_t kFolderPathMaxChars = 221;

// The run's one calibration record and site record, reused for every file.
CalibrationRecord g_record;
SiteRecord g_site;

void PrintBanner() {
    std::printf("\n\n=========================================================\n");
    std::printf("  Calibration File Summary   %4.2f    \n", kVersion);
    std::printf("=========================================================\n\n");
}

[[noreturn]] void EndAsCancelled() {
    std::printf(" ERROR getting CAL files folder pathname \n");
    EndProcess(1);
}

// Asks for the folder and returns it ending with the separator. Ends the
// process with status 1 when the operator cancels or the path is too long.
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
void SummarizeFolder() {
    PrintBanner();
    const std::string folder = ChooseCalibrationFolder();
    CreateSummaryFolder(folder);

    ListingEntries entries{};
    CameraList camera_list{};
    ListCALfiles(folder, entries, camera_list);

    for (int i = 0; i < camera_list.count; ++i) {
        std::printf("Summarizing Camera %d\n", camera_list.cameras[i]);
        SummarizeCamera(folder, camera_list.cameras[i], entries, g_record, g_site);
    }

    FreeListing(entries);
    std::printf("\n Done with processing \n");
}

// Ends the run after a failure the run does not handle where it arises
// (memory for a text or a list that could not be had): a message, the wait,
// exit status 1. Tables of the camera being summarized are put in place as
// far as they were written, as for the other failures.
[[noreturn]] void EndAfterUnexpectedFailure(const char* what) {
    std::printf(" %s in Norv_CalSummary \n", what);
    std::printf("\n Enter any number and CR to exit program \n");
    WaitForCharacter();
    EndProcess(1);
}

}  // namespace

int main() {
    try {
        SummarizeFolder();
    } catch (const std::bad_alloc&) {
        EndAfterUnexpectedFailure("Memory not allocated");
    } catch (const std::exception& failure) {
        EndAfterUnexpectedFailure(failure.what());
    }
    WaitForCharacter();
    EndProcess(1);
}

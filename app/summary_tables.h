// The two summary tables of a camera: the serial summary of one camera, and
// the steps it is made of, which the run's pipeline uses too.
#ifndef APP_SUMMARY_TABLES_H
#define APP_SUMMARY_TABLES_H

#include <string>
#include <string_view>

#include "app/listing.h"
#include "calib/cal_record.h"

// SummarizeCamera
// Given the folder path (ending with its separator), a camera number, the
// listing entries and the run's two records, writes the camera's FitCoefs and
// FitStars tables into the folder's Summary sub-folder: header lines, then for
// every entry of that camera in listing order the file's FitCoefs row and one
// FitStars row per star. Lines end with CR LF. Both tables are in place on
// return. Ends the process with status 1 when a table cannot be opened or
// written (after the message naming it and a wait for one character), and
// through ReadCALfile when a calibration file cannot be read.
void SummarizeCamera(std::string_view folder, int camera, const ListingEntries& entries,
                     CalibrationRecord& record, SiteRecord& site);

// OpenCameraTables
// Given the folder path and a camera number, starts the camera's two tables
// (under names of their own) with their header lines; from then on a process
// end puts them in place as far as they were written, both or, when one
// cannot be written or moved, neither. Ends the process with
// status 1 after " Cannot open %s file for writing \n" and a wait for one
// character when a table cannot be created.
void OpenCameraTables(std::string_view folder, int camera);

// WriteCalibrationRows
// Given the rows of one calibration (AppendCalibrationRows), writes them to
// the open tables. Ends the process with status 1 after " Cannot write %s
// file \n" and a wait for one character when a write fails; both tables then
// keep their earlier contents.
void WriteCalibrationRows(std::string_view fit_coefs_rows, std::string_view fit_stars_rows);

// FinishCameraTables
// Writes out the open tables and puts them in place under their names
// together (PublishTablePair). Ends the process as WriteCalibrationRows does
// when that fails, and both tables then keep their earlier contents.
void FinishCameraTables();

// FormCalibrationPath
// Given the folder path and a listing entry's name, forms the file's full
// path in path. Returns false when it does not fit (the run refuses folders
// for which it could not). Never ends the process.
bool FormCalibrationPath(std::string_view folder, const char* entry_name, char (&path)[kPathRoom]);

// EndAfterUnexpectedFailure
// Ends the run after a failure that is not handled where it arises (memory
// for a text or a list that could not be had): " %s in Norv_CalSummary \n"
// with what, the prompt, the wait for one character, exit status 1. Tables of
// the camera being summarized are put in place as far as they were written,
// as for the other failures.
[[noreturn]] void EndAfterUnexpectedFailure(const char* what);

// EndForLongPath
// Ends the process with status 1 after the message for a calibration path
// that does not fit.
[[noreturn]] void EndForLongPath(const char* entry_name);

#endif  // APP_SUMMARY_TABLES_H

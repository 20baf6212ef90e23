// SummarizeCamera: the two summary tables of one camera.
#ifndef APP_SUMMARY_TABLES_H
#define APP_SUMMARY_TABLES_H

#include <string_view>

#include "app/listing.h"
#include "calib/cal_record.h"

// Given the folder path (ending with its separator), a camera number, the
// listing entries and the run's two records, writes the camera's FitCoefs and
// FitStars tables into the folder's Summary sub-folder: header lines, then for
// every entry of that camera in listing order the file's FitCoefs row and one
// FitStars row per star. Lines end with CR LF. Both tables are closed on return.
// Ends the process with status 1 when a table cannot be opened (after the
// message naming it and a wait for one character), and through ReadCALfile
// when a calibration file cannot be read.
void SummarizeCamera(std::string_view folder, int camera, const ListingEntries& entries,
                     CalibrationRecord& record, SiteRecord& site);

#endif  // APP_SUMMARY_TABLES_H

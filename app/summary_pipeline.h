// SummarizeCameras: every camera's tables, with the calibration files read,
// fitted and formatted on worker threads while their values reach the run's
// records, the console and the tables one file after another, in order.
#ifndef APP_SUMMARY_PIPELINE_H
#define APP_SUMMARY_PIPELINE_H

#include <string_view>

#include "app/listing.h"
#include "calib/cal_record.h"

// SummarizeCameras
// Given the folder path (ending with its separator), the listing, the run's
// two records and a number of worker threads, prints "Summarizing Camera %d\n"
// and writes the two tables of each camera of the camera list, in its order,
// each from the camera's files in listing order, exactly as SummarizeCamera
// called camera by camera does: every byte of every table and of the console
// text is the same for any number of workers, the ends by failure included
// (earlier cameras complete, the current one holding exactly the rows before
// the failing file, nothing written for later files).
// With one worker or fewer it is that serial loop itself. With more,
// worker_count threads share the work, the calling thread among them: they
// read files ahead (a few per worker at most, so memory stays flat), each
// into records of its own; the calling thread lays each file's values over
// the run's records in order (files with missing lines keep the previous
// file's values); the threads fit the inverse and format the rows; the
// calling thread writes them in order, and between those steps reads and
// formats like the others. Ends the process as SummarizeCamera does.
void SummarizeCameras(std::string_view folder, const CameraList& camera_list, const ListingEntries& entries,
                      CalibrationRecord& record, SiteRecord& site, int worker_count);

#endif  // APP_SUMMARY_PIPELINE_H

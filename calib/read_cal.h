// ReadCALfile: load one CAL file into the run's records.
#ifndef CALIB_READ_CAL_H
#define CALIB_READ_CAL_H

#include "calib/cal_record.h"

// Given the full path of a CAL file (at most 255 characters are kept) and the
// run's two records, reads the file front to back, fills both records (fields
// whose lines are missing keep their previous values), computes the derived
// fields and the site's geocentric radius (km), and fits the inverse plate
// polynomial. Returns only after a complete load.
// Ends the process with status 1 when the file cannot be opened (after
// " Cannot open calibration file %s for reading \n" and a wait for one integer
// on standard input) or when its fit order is not 1, 2 or 3.
void ReadCALfile(const char* path, CalibrationRecord& record, SiteRecord& site);

#endif  // CALIB_READ_CAL_H

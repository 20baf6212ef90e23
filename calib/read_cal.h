// ReadCALfile: load one CAL file into the run's records.
#ifndef CALIB_READ_CAL_H
#define CALIB_READ_CAL_H

#include "calib/cal_record.h"

// ReadCALfile
// Given the full path of a CAL file (at most 255 characters are kept in
// record.path) and the run's two records, reads the file front to back with
// the fixed sequence of formatted reads of calib/cal_scanner (the table in
// calib/cal_record.h maps each line to its field): header, site block,
// coefficient lines, residual and photometric fits, star table. It then sets
// the derived fields (radians, radians per pixel, the site's geocentric
// radius in km on the WGS84 ellipsoid) and fits the inverse plate polynomial
// (Compute_Inverse_Poly). Returns true after a complete load.
//
// A file from which not one header value can be read (empty, binary, another
// encoding) holds no calibration: the records are left as they were, the
// notice " No calibration in %s; no row written \n" is printed with the path,
// and false is returned.
//
// Nothing is cleared first: a value whose line is missing or malformed keeps
// the previous load's value, coefficient entries beyond the file's order keep
// theirs, and star entries at and beyond star_count are not touched. CR LF and
// LF files load the same; NUL bytes are ordinary characters.
//
// Ends the process with status 1:
// - when the file cannot be opened or read (a folder, a read error, also one
//   met part way through the file): prints
//   " Cannot open calibration file %s for reading \n", waits for one integer
//   on standard input, and leaves the records untouched;
// - when the fit order is not 1, 2 or 3: prints " fitorder %li is not
//   implemented in ReadCALfile\n" at once, after the coefficient lines were
//   read (all ten for an order of 4 or more; see CoefficientLinesRead).
//
// Notes: the star table is read up to its first row out of sequence (rows
// numbered 1, 2, 3, ...) or 1000 rows; a row cut short still counts when its
// number was in sequence. Text longer than its field's room is cut (site
// texts to 127 characters), never written past the field. The file is read
// through a 64 KiB window (calib/cal_window), so memory does not grow with
// its size.
bool ReadCALfile(const char* path, CalibrationRecord& record, SiteRecord& site);

#endif  // CALIB_READ_CAL_H

// ReadCALfile: load one CAL file into the run's records.
#ifndef CALIB_READ_CAL_H
#define CALIB_READ_CAL_H

#include "calib/cal_record.h"
#include "calib/field_marks.h"

// ReadCALfile
// Given the full path of a CAL file (at most 255 characters are kept in
// record.path) and the run's two records, reads the file front to back with
// the fixed sequence of formatted reads of calib/cal_scanner (the table in
// calib/cal_record.h maps each line to its field): header, site block,
// coefficient lines, residual and photometric fits, star table. It then sets
// the derived fields (radians, radians per pixel, the site's geocentric
// radius in km on the WGS84 ellipsoid) and fits the inverse plate polynomial
// (as Compute_Inverse_Poly does; after its sweep-limit warning,
// PrintSweepLimitFile names the file). Returns true after a complete load.
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

// The same load in two steps, for reading files on several threads while
// their values still reach the run's records one file after another, in
// order: ScanCALfile reads a file into records of its own and marks what the
// file set; ApplyCALscan lays that over the run's records. Scanning and then
// applying each file in turn (and fitting the inverse with
// FitInversePolynomial) leaves the records exactly as ReadCALfile would.

// A file read into records of its own. Only the marked bytes of record and
// site come from the file; the rest means nothing.
struct CalScan {
    CalibrationRecord record;
    SiteRecord site;
    FieldMarks marks;
    bool opened = false;       // false: the file could not be opened or read
    bool read_failed = false;  // a read failed part way through the file
    int header_values = 0;     // header values read; 0: no calibration
    int assumed_fit_order = 0;
};

// ScanCALfile
// Given a path, the fit order to assume when the file gives none (it decides
// how many coefficient lines are read) and a scan, reads the file as
// ReadCALfile does into scan.record and scan.site, marking every value
// stored. Prints nothing, never ends the process, touches nothing but the
// scan: safe on any thread for scans of its own.
void ScanCALfile(const char* path, int assumed_fit_order, CalScan& scan);

enum CalApplyResult {
    kCalApplied,              // the records hold the file's calibration (inverse not fitted)
    kCalNoCalibration,        // not one header value: records untouched
    kCalUnreadable,           // could not be opened or read
    kCalOrderNotImplemented,  // the order, as applied, is not 1, 2 or 3
    kCalRescanNeeded,         // the file gives no order and the scan assumed another
                              // one: scan again assuming record.fit_order
};

// ApplyCALscan
// Given the path and the scan of a file and the run's records, lays the
// values the file set over the records and sets the derived fields, as
// ReadCALfile's load does; the inverse is left to FitInversePolynomial. The
// result tells what ReadCALfile would have done instead of returning: print
// its message (PrintCannotRead, PrintNoCalibration, PrintOrderNotImplemented)
// and end or skip. Prints nothing and never ends the process.
CalApplyResult ApplyCALscan(const char* path, const CalScan& scan, CalibrationRecord& record,
                            SiteRecord& site);

// ReadCALfile's messages: " Cannot open calibration file %s for reading \n",
// " No calibration in %s; no row written \n" and " fitorder %li is not
// implemented in ReadCALfile\n" on standard output; and on standard error,
// after the sweep-limit warning (which names no file), "%s: the inverse
// fit's SVD reached its sweep limit\n" with the path. Never end the process.
void PrintCannotRead(const char* path);
void PrintNoCalibration(const char* path);
void PrintOrderNotImplemented(int fit_order);
void PrintSweepLimitFile(const char* path);

#endif  // CALIB_READ_CAL_H

// FieldMarks: which bytes of a calibration record and a site record a load
// stored. A file read into records of its own can then be laid over the
// run's records byte for byte where it set something, leaving every other
// byte as the earlier files left it: the same records as reading the file
// straight into the run's records.
#ifndef CALIB_FIELD_MARKS_H
#define CALIB_FIELD_MARKS_H

#include <cstddef>
#include <cstdint>

#include "calib/cal_record.h"

struct FieldMarks {
    const unsigned char* record_base = nullptr;  // the records the marks are about
    const unsigned char* site_base = nullptr;
    std::uint64_t record_bits[(sizeof(CalibrationRecord) + 63) / 64];
    std::uint64_t site_bits[(sizeof(SiteRecord) + 63) / 64];
};

// ClearFieldMarks
// Given marks and the records a load will store into, makes the marks about
// those records, with no byte marked. Never ends the process.
void ClearFieldMarks(FieldMarks& marks, const CalibrationRecord& record, const SiteRecord& site);

// MarkStoredBytes
// Given marks, the address of a stored value and its size in bytes, marks
// them; bytes outside both records (a value stored elsewhere) are not
// marked. Never ends the process.
void MarkStoredBytes(FieldMarks& marks, const void* first, std::size_t bytes);

// IsFieldMarked
// Given marks and the address of a field of the marked records, returns
// whether its first byte was stored. Never ends the process.
bool IsFieldMarked(const FieldMarks& marks, const void* field);

// CopyMarkedBytes
// Given marks about the records from_record and from_site, copies exactly
// their marked bytes to the same places of to_record and to_site. Never ends
// the process.
void CopyMarkedBytes(const FieldMarks& marks, CalibrationRecord& to_record, SiteRecord& to_site);

#endif  // CALIB_FIELD_MARKS_H

// CalScanner: formatted reads over a CAL file, through a window of fixed size.
//
// The CAL format is a fixed sequence of scanf-style format strings. The
// scanner interprets one such format string per call, directive by
// directive, over a cursor into the file's text (calib/cal_window: carriage
// returns before line feeds left out, at most 64 KiB held at a time). It
// knows the directives the format uses: white space, plain characters,
// %[^=], %[^\n], %d with an optional width of 2, 3 or 4, %lf and %le. Numbers
// are decimal and read independently of the locale; a number of any length
// reads as its whole text would.
#ifndef CALIB_CAL_SCANNER_H
#define CALIB_CAL_SCANNER_H

#include <cstddef>
#include <initializer_list>
#include <string_view>

#include "calib/cal_window.h"
#include "calib/field_marks.h"

// The cursor over the text: pos counts characters of the folded text from its
// start. end_seen is set once a read has looked past the last character, the
// way the end-of-file indicator of a stream is set.
// When marks is set, every value a read stores is marked there (text with
// its terminator), so that a load can be laid over other records later.
struct CalScanner {
    CalWindow* window = nullptr;
    std::size_t pos = 0;
    bool end_seen = false;
    FieldMarks* marks = nullptr;
};

// Where one conversion of a format stores its value. A target with no
// destination passes over what the conversion matched (labels, skipped lines).
struct ScanTarget {
    int* int_value = nullptr;
    long long* wide_value = nullptr;
    double* real_value = nullptr;
    char* text = nullptr;
    std::size_t text_room = 0;  // characters, terminator included
};

ScanTarget SkipTarget();
ScanTarget IntTarget(int& value);
ScanTarget WideTarget(long long& value);
ScanTarget RealTarget(double& value);
ScanTarget TextTarget(char* text, std::size_t room);

// Given a scanner, a format string and one target per conversion of the
// format, applies the directives in order from the scanner's position and
// advances over what they matched. Stops at the first directive that fails or
// meets the end of the text; the targets of the later conversions keep their
// contents and the next read starts where the failure happened. Returns the
// number of conversions that stored a value. Integers beyond the range of
// their destination are clamped to it; a real beyond the double range gives
// an infinity, one too small gives zero. Text is cut to its room minus one
// character and always terminated.
int ScanFormat(CalScanner& scanner, std::string_view format, std::initializer_list<ScanTarget> targets);

// ScanIntegerAndReals
// ScanFormat with the format "%d" followed by "%lf" real_count times, the
// targets an integer and real_count reals: the same reads, the same stops,
// the same result, without interpreting a format (a star row is read this
// way a thousand times a file). Never ends the process.
int ScanIntegerAndReals(CalScanner& scanner, long long& integer, double* const* reals, int real_count);

#endif  // CALIB_CAL_SCANNER_H

// Fixed-width number formatting for the summary tables.
#ifndef COMMON_NUMBER_FORMAT_H
#define COMMON_NUMBER_FORMAT_H

#include <string>

// Given a value, a width and a precision, appends the value as "%*.*e" would,
// except that the exponent always has at least three digits (1.230000e-002),
// right-aligned in width characters (a wider value widens the text). Rounding
// is correct, ties to even: the digits printf gives in the C locale. Non-finite values are written as the C
// library writes them, right-aligned in width. Never ends the process.
// leading_blanks blanks stand before the padded value (a column's gap).
void AppendExponent3(std::string& text, double value, int width, int precision, int leading_blanks = 0);

// Given a value, a width and a precision, appends the value as "%*.*f", after
// leading_blanks blanks (a column's gap).
void AppendFixed(std::string& text, double value, int width, int precision, int leading_blanks = 0);

// Room each FormatFixedBefore call may use before its end, in characters.
constexpr int kFixedRoom = 400;

// Given the end of a text being written backwards, a value, a width, a
// precision and the blanks before the value, writes the value as "%*.*f" does
// (after the blanks) so that it ends just before end, and returns where it
// starts; kFixedRoom characters before end must be writable. Returns null,
// writing nothing, for a value AppendFixed must hand to the C library (not
// finite, 2^93 or more, precision above 9, width or blanks above 64), so that
// the caller can fall back to AppendFixed. Never ends the process.
char* FormatFixedBefore(char* end, double value, int width, int precision, int leading_blanks);

// Appends an int zero-filled to at least digits digits, as "%0*d".
void AppendZeroFilled(std::string& text, int value, int digits);

#endif  // COMMON_NUMBER_FORMAT_H

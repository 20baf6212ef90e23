// Blank-separated numbers of the table rows, read without the locale.
#ifndef HEALTH_TABLES_NUMBER_SCAN_H
#define HEALTH_TABLES_NUMBER_SCAN_H

#include <string_view>

// Given a cursor into text that ends at end, skips blanks and tabs and returns
// the next run of other characters (empty at the end of the text); the
// cursor is left just after it.
std::string_view NextToken(const char*& cursor, const char* end);

// Given a token, sets value to the number it spells and returns true when the
// whole token is one finite decimal number ("-12.345", "7", "1.5e-003");
// returns false otherwise (text, "nan", "inf", an empty token, two signs,
// trailing characters, a number out of the double range). The conversion is
// std::from_chars's, correctly rounded: ScanNumber's general road, and the
// reference its one-pass road is held to.
bool ParseFiniteNumber(std::string_view token, double& value);

// Given a token, returns true when it spells a finite decimal number, as
// ParseFiniteNumber accepts it.
bool IsFiniteNumber(std::string_view token);

// Given a cursor into text that ends at end, skips blanks and tabs, reads the
// next token, and returns true when it is a finite decimal number as
// ParseFiniteNumber accepts it (setting *value unless value is nullptr); false
// when it is not, or when there is no token. The cursor is left after the
// token. One pass over plain fixed-point tokens and over those with an
// exponent of up to four digits whose value one multiplication or division
// by an exact power of ten gives (at most 15 digits, a power of ten up to 22:
// correctly rounded, as the library rounds); others take the general road.
bool ScanNumber(const char*& cursor, const char* end, double* value);

#endif  // HEALTH_TABLES_NUMBER_SCAN_H

// Numbers in running text (findings, reports, generated truth), written
// without the locale.
#ifndef COMMON_NUMBER_TEXT_H
#define COMMON_NUMBER_TEXT_H

#include <string>

// Given a value and a number of decimals, returns it in fixed notation
// ("12.30"); "" for a non-finite value.
std::string Fixed(double value, int decimals);

// Given text, a value and a number of decimals, appends the value in fixed
// notation as Fixed gives it, allocating nothing but the text's growth.
// With trim, trailing zeros of the fraction (and a bare point) are left off.
void AppendFixed(std::string& text, double value, int decimals, bool trim = false);

// Room WriteFixed needs at most.
constexpr int kWriteFixedRoom = 64;

// Given room for kWriteFixedRoom characters at out, writes what AppendFixed would
// append and returns the end of what it wrote.
char* WriteFixed(char* out, double value, int decimals, bool trim = false);

// Given a value and a number of decimals, returns it with an explicit sign
// ("+12.3", "-0.4").
std::string Signed(double value, int decimals);

// Given a value, appends its shortest round-trip text ("0.1", "12"), or
// nothing when it is not finite.
void AppendShortest(std::string& text, double value);

#endif  // COMMON_NUMBER_TEXT_H

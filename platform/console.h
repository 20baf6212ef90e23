// Console operations of the run: window title, folder prompt, key wait.
//
// The run talks to the operator only through these few calls, so another
// platform can supply its own console file beside the Linux one without any
// change to app/.
#ifndef PLATFORM_CONSOLE_H
#define PLATFORM_CONSOLE_H

#include <string>
#include <string_view>

// Separator between a folder and the names inside it.
constexpr char kPathSeparator = '/';

// Given a title, shows it as the console window's title when standard output
// is a terminal; writes nothing otherwise. Never ends the process.
void SetConsoleTitle(std::string_view title);

// Asks the operator for the folder of calibration files. Returns true with
// folder set to an existing folder (as typed, without any separator added),
// or false when the operator cancelled (empty entry or end of input).
// On a terminal a wrong entry is reported on standard error and asked again;
// from piped input one line is read and a wrong entry counts as a cancel.
// Never ends the process.
bool ChooseFolder(std::string& folder);

// Flushes standard output, then waits for one character from standard input;
// the end of input ends the wait at once. Never ends the process.
void WaitForCharacter();

#endif  // PLATFORM_CONSOLE_H

// Console operations of the run: window title, folder prompt, key wait.
//
// The run talks to the operator only through these few calls; each platform
// supplies them in its own console file (console_linux.cpp,
// console_windows.cpp), with the line read of redirected input and the key
// wait shared (console_input.cpp), and no change to app/.
#ifndef PLATFORM_CONSOLE_H
#define PLATFORM_CONSOLE_H

#include <string>
#include <string_view>

// Separator between a folder and the names inside it.
#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

// Given a title, shows it as the console window's title. On Linux it is an
// escape sequence written only when standard output is a terminal; on
// Windows the console's title is set, the window that carries it is looked
// up to own the folder dialog, and the console is told that the program's
// text is UTF-8. Never ends the process.
void SetConsoleTitle(std::string_view title);

// Asks the operator for the folder of calibration files. Returns true with
// folder set to an existing folder (as typed, without any separator added),
// or false when the operator cancelled (empty entry or end of input).
// On a Linux terminal a wrong entry is reported on standard error
// ("<path>: no such folder") and asked again; on a Windows console the folder
// dialog is shown, and closing it without a folder is a cancel. From
// redirected input, on either platform, one line is read and a wrong entry is
// reported the same way and counts as a cancel. Never ends the process.
bool ChooseFolder(std::string& folder);

// Flushes standard output, then waits for one character from standard input;
// the end of input ends the wait at once. Never ends the process.
void WaitForCharacter();

#endif  // PLATFORM_CONSOLE_H

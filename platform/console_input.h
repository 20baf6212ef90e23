// Console input shared by every platform: the folder read as one line from
// redirected standard input, and the closing wait for a key.
#ifndef PLATFORM_CONSOLE_INPUT_H
#define PLATFORM_CONSOLE_INPUT_H

#include <string>

// Given a path, returns whether it names an existing folder (a link to one
// counts). Never ends the process.
bool IsExistingFolder(const std::string& path);

// Given a path that IsExistingFolder refused, tells the operator why on
// standard error, in one line: "<path>: no such folder", "<path>: not a
// folder" when something else stands there, or that a path cannot hold a NUL
// byte. Never ends the process.
void PrintNotAFolder(const std::string& path);

// Reads one line from standard input, without its line end (a carriage return
// before the line feed goes too). Returns true with folder set to the line
// when it names an existing folder; returns false, leaving folder unchanged,
// at the end of input, for an empty line, or for a line that names no
// existing folder (after PrintNotAFolder). Never ends the process.
bool ReadFolderLine(std::string& folder);

#endif  // PLATFORM_CONSOLE_INPUT_H

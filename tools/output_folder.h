// The folder the generator writes a network into.
#ifndef TOOLS_OUTPUT_FOLDER_H
#define TOOLS_OUTPUT_FOLDER_H

#include <string>

// Given a folder, creates it with any missing parents. Returns false after
// " Cannot create folder %s: %s\n" on standard error when that fails. Never
// ends the process.
bool CreateOutputFolder(const std::string& folder);

#endif  // TOOLS_OUTPUT_FOLDER_H

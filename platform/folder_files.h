// Folder operations of the run: the Summary sub-folder, the names of the
// calibration files, and the names of the files in a folder. Portable std::filesystem code shared by every
// platform.
#ifndef PLATFORM_FOLDER_FILES_H
#define PLATFORM_FOLDER_FILES_H

#include <string>
#include <string_view>
#include <vector>

// Given the folder path (ending with its separator), creates the folder's
// "Summary" sub-folder. Quiet when it already exists; when it cannot be
// created, one line goes to standard error and false is returned (the run goes
// on and meets the failure when it opens the first table). Never ends the process.
bool CreateSummaryFolder(std::string_view folder);

// Given the folder path (ending with its separator), sets names to the bare
// names of the folder's regular files that begin with "CAL" and end with
// ".txt" (both without regard to case), sorted by name in byte order, each
// followed by a line feed. Names holding a line end are left out, as they
// cannot be handed over as one line. Returns false when the folder cannot be
// listed. Never ends the process.
bool ListCALfileNames(std::string_view folder, std::string& names);

// Given a folder path, sets names to the bare names of the folder's entries
// that are not folders (files and links, a link whatever it leads to), in the
// order the system gives them. Returns false when the folder cannot be
// listed. Never ends the process.
bool ListFolderFileNames(std::string_view folder, std::vector<std::string>& names);

#endif  // PLATFORM_FOLDER_FILES_H

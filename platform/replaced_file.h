// Files written under a name of their own and then moved over their final
// name: a reader of the final name sees either the old file or the whole new
// one, never a part. The platform's own calls for exclusive creation and for
// a move that replaces an existing file.
#ifndef PLATFORM_REPLACED_FILE_H
#define PLATFORM_REPLACED_FILE_H

#include <cstdio>
#include <string>

// CreateNewFile
// Given a path, creates the file there for binary writing, only if nothing
// (not even a link) stands at that name yet. Returns the open file, or null
// when the name is taken or the file cannot be created. Never ends the process.
std::FILE* CreateNewFile(const std::string& path);

// ReplaceFile
// Given the path of a finished file and a final path in the same folder,
// moves the file to the final name in one step, replacing whatever stood
// there; a link at the final name is itself replaced, never followed.
// Returns false when the move failed (the file then stays where it was).
// Never ends the process.
bool ReplaceFile(const std::string& from, const std::string& to);

// NameIsTaken
// Given a path, returns whether anything (a file, a folder, a link, even one
// that leads nowhere) stands at that name; links are not followed. Never ends
// the process.
bool NameIsTaken(const std::string& path);

// RemoveFile
// Given a path, removes the file there if it exists. Returns false when
// something stands at the path and could not be removed. Never ends the
// process.
bool RemoveFile(const std::string& path);

// ProcessNumber
// Returns the number of the running process, to make names of this run's
// own files.
long ProcessNumber();

#endif  // PLATFORM_REPLACED_FILE_H

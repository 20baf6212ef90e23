// Writing the report's files so that each is one run's whole output or the
// previous one: never a part, never written through a link, never spliced
// from two runs.
#ifndef HEALTH_REPORT_REPORT_FILES_H
#define HEALTH_REPORT_REPORT_FILES_H

#include <filesystem>
#include <string>
#include <vector>

// One report file written beside its final name, not yet in place.
struct StagedFile {
    std::filesystem::path final_path;
    std::filesystem::path temporary_path;  // empty when none could be created
    bool complete = false;                 // every write, the flush and the close succeeded
};

// Given a final path and the file's text in parts, creates a new file of its
// own beside the final name ("~<name>.<process>", created only if nothing
// stands at that name, not even a link) and writes the parts there, checking
// every write, the flush and the close. Returns the staged file; when it is
// not complete a message on standard error says why. Never ends the process.
StagedFile StageReportFile(const std::filesystem::path& final_path, const std::vector<std::string>& parts);

// Given staged files, moves each over its final name when all are complete
// (a link standing there is replaced, never followed), else removes them
// all, leaving every final name as it was. Returns whether all were moved;
// a failure is said on standard error. Never ends the process.
bool PublishReportFiles(std::vector<StagedFile>& files);

#endif  // HEALTH_REPORT_REPORT_FILES_H

// Running the built programs from the health report's tests: a command line,
// optionally through a shell prefix (limits), with its outputs captured; and
// a small generated network, summarized once per test program.
#ifndef HEALTH_TESTS_HEALTH_RUNS_H
#define HEALTH_TESTS_HEALTH_RUNS_H

#include <filesystem>
#include <string>
#include <vector>

struct ProgramResult {
    int status = -1;  // exit status; -1 when the program ended by a signal
    std::string out;
    std::string err;
};

// Runs a program with arguments and standard input from a file, standard
// output and error captured apart in work. shell_prefix, when given, is put
// before the command in the shell (POSIX only: "ulimit -f 8;").
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& work, const std::string& input = "",
                         const std::string& shell_prefix = "");

// The summary tables of a generated network (cameras, nights, seed) in
// folder/network/Summary, made with the built generator and summary
// program; returns the Summary folder. Fails the calling test on error.
std::filesystem::path MakeNetworkTables(const std::filesystem::path& folder, int cameras, int nights,
                                        int seed);

// Copies the SummaryCAL tables of one folder into another (created).
void CopyTables(const std::filesystem::path& from, const std::filesystem::path& to);

// The paths of the FitCoefs and FitStars tables in a folder, by name order.
std::vector<std::filesystem::path> TablesOfKind(const std::filesystem::path& folder, const std::string& kind);

#endif  // HEALTH_TESTS_HEALTH_RUNS_H

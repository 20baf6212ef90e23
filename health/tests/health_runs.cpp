#include "health/tests/health_runs.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <algorithm>
#include <cstdlib>

#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const fs::path& work, const std::string& input, const std::string& shell_prefix) {
    std::string command = Quoted(program);
    for (const std::string& a : arguments) command += " " + Quoted(a);
    command += " < " + Quoted(input.empty() ? kNullDevice : input) + " > " +
               Quoted((work / "out.txt").string()) + " 2> " + Quoted((work / "err.txt").string());
#ifdef _WIN32
    command = "\"" + command + "\"";  // cmd /c keeps the inner quotes only inside an outer pair
    (void)shell_prefix;               // limits are set through the POSIX shell only
#else
    if (!shell_prefix.empty()) command = "sh -c '" + shell_prefix + " exec " + command + "'";
#endif
    const int raw = std::system(command.c_str());
    ProgramResult run;
#ifdef _WIN32
    run.status = raw;
#else
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    run.out = ReadFile(work / "out.txt");
    run.err = ReadFile(work / "err.txt");
    return run;
}

fs::path MakeNetworkTables(const fs::path& folder, int cameras, int nights, int seed) {
    const fs::path network = folder / "network";
    const ProgramResult generated = RunProgram(NORV_GENERATOR,
                                               {"--network", network.string(), std::to_string(cameras),
                                                std::to_string(nights), "--seed", std::to_string(seed)},
                                               folder);
    EXPECT_EQ(generated.status, 0) << generated.err;
    WriteFile(folder / "answers.txt", network.string() + "\n\n");
    const ProgramResult summary = RunProgram(NORV_SUMMARY, {}, network, (folder / "answers.txt").string());
    EXPECT_EQ(summary.status, 1) << summary.out;
    return network / "Summary";
}

void CopyTables(const fs::path& from, const fs::path& to) {
    fs::create_directories(to);
    for (const auto& entry : fs::directory_iterator(from)) {
        if (entry.path().filename().string().rfind("SummaryCAL", 0) == 0)
            fs::copy_file(entry.path(), to / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
}

std::vector<fs::path> TablesOfKind(const fs::path& folder, const std::string& kind) {
    std::vector<fs::path> tables;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().find("_" + kind + ".txt") != std::string::npos)
            tables.push_back(entry.path());
    }
    std::sort(tables.begin(), tables.end());
    return tables;
}

// The command lines of the three programs: help asked for goes to standard
// output with status 0, wrong arguments to standard error with a status that
// is not 0, the summary program ignores whatever it is given, and the health
// report does not pass for a good run when its console output is lost.
#include <gtest/gtest.h>

#include <string>

#include "program_run.h"

namespace fs = std::filesystem;

namespace {

struct Call {
    const char* program;
    std::string arguments;
};

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

}  // namespace

TEST(ProgramOptions, HelpGoesToStandardOutputWithStatusZero) {
    ScratchFolder scratch;
    for (const Call& call : {Call{NORV_GENERATOR, "--help"}, Call{NORV_GENERATOR, "-h"},
                             Call{NORV_GENERATOR, "--network --help"}, Call{NORV_HEALTH, "--help"}}) {
        const ProgramRun run = RunTool(call.program, call.arguments, scratch.path, "");
        EXPECT_EQ(run.exit_status, 0) << call.program << " " << call.arguments;
        EXPECT_TRUE(StartsWith(run.out, "usage: "))
            << call.program << " " << call.arguments << ": " << run.out;
        EXPECT_EQ(run.err, "") << call.program << " " << call.arguments;
    }
    // Asked for help, the generator writes no files, whatever else the line holds.
    EXPECT_EQ(RunTool(NORV_GENERATOR, "out 5 1 --help", scratch.path, "").exit_status, 0);
    EXPECT_FALSE(fs::exists(scratch.path / "out"));
}

TEST(ProgramOptions, WrongArgumentsGoToStandardErrorWithAStatus) {
    ScratchFolder scratch;
    const struct {
        Call call;
        int status;
    } cases[] = {{{NORV_GENERATOR, ""}, 2},
                 {{NORV_GENERATOR, "out 5"}, 2},
                 {{NORV_GENERATOR, "out 5 0"}, 2},
                 {{NORV_GENERATOR, "out 5 1 --seed"}, 2},
                 {{NORV_GENERATOR, "--network out 5"}, 2},
                 {{NORV_HEALTH, ""}, 3},
                 {{NORV_HEALTH, "--window 1 folder"}, 3},
                 {{NORV_HEALTH, "--bogus folder"}, 3}};
    for (const auto& c : cases) {
        const ProgramRun run = RunTool(c.call.program, c.call.arguments, scratch.path, "");
        EXPECT_EQ(run.exit_status, c.status) << c.call.program << " " << c.call.arguments;
        EXPECT_EQ(run.out, "") << c.call.program << " " << c.call.arguments;
        EXPECT_NE(run.err.find("usage: "), std::string::npos) << c.call.program << " " << c.call.arguments;
    }
    EXPECT_FALSE(fs::exists(scratch.path / "out"));
}

TEST(ProgramOptions, SummaryProgramIgnoresItsArguments) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "calibrations";
    fs::create_directory(folder);
    WriteFile(folder / "CAL001_20131214_031502_250.txt", CalText(SampleCalibration(1, 2)));
    const ProgramRun plain = RunProgram(scratch.path, folder.string() + "\n\n");
    ASSERT_EQ(plain.out, ConsoleText(kBanner + "Summarizing Camera 1\n" + kClosing));
    const std::string tables = ReadFile(folder / "Summary" / "SummaryCAL001_FitStars.txt");
    for (const std::string arguments : {"--help", "-h --version", "/nowhere"}) {
        fs::remove_all(folder / "Summary");
        const ProgramRun run = RunTool(NORV_PROGRAM, arguments, scratch.path, folder.string() + "\n\n");
        EXPECT_EQ(run.exit_status, 1) << arguments;
        EXPECT_EQ(run.out, plain.out) << arguments;
        EXPECT_EQ(run.err, "") << arguments;
        EXPECT_EQ(ReadFile(folder / "Summary" / "SummaryCAL001_FitStars.txt"), tables) << arguments;
    }
}

#ifndef _WIN32
TEST(ProgramOptions, HealthReportWhoseConsoleOutputIsLostEndsWithStatusThree) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "network";
    ASSERT_EQ(RunTool(NORV_GENERATOR, "'" + folder.string() + "' 12 2", scratch.path, "").exit_status, 0);
    ASSERT_EQ(RunProgram(scratch.path, folder.string() + "\n\n").exit_status, 1);
    const std::string arguments = "'" + folder.string() + "'";

    const ProgramRun report = RunTool(NORV_HEALTH, arguments, scratch.path, "");
    ASSERT_GE(report.exit_status, 0);
    ASSERT_LE(report.exit_status, 2) << report.err;
    ASSERT_NE(report.out.find("Report: "), std::string::npos);

    for (const std::string& call : {arguments, std::string("--help"), std::string("--version")}) {
        const ProgramRun lost = RunTool(NORV_HEALTH, call, scratch.path, "", "/dev/full");
        EXPECT_EQ(lost.exit_status, 3) << call;
        EXPECT_EQ(lost.err, "Norv_CalHealth: cannot write the console output to standard output\n") << call;
    }
}
#endif

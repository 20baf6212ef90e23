// End to end: the generator's network mode, the summary program on its
// files, and the health report on the tables, as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "health/evaluation/finding_match.h"
#include "health/tests/health_runs.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

// A network of four cameras over 200 nights with events of every injected
// kind, summarized; shared by the tests of this file.
class NetworkRun : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new ScratchFolder();
        network_ = folder_->path / "network";
        const ProgramResult generated = RunProgram(
            NORV_GENERATOR, {"--network", network_.string(), "4", "200", "--seed", "11"}, folder_->path);
        ASSERT_EQ(generated.status, 0) << generated.err;
        WriteFile(folder_->path / "answers.txt", network_.string() + "\n\n");
        const ProgramResult summary =
            RunProgram(NORV_SUMMARY, {}, network_, (folder_->path / "answers.txt").string());
        ASSERT_EQ(summary.status, 1) << summary.out;
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static ScratchFolder* folder_;
    static fs::path network_;
};
ScratchFolder* NetworkRun::folder_ = nullptr;
fs::path NetworkRun::network_;

TEST_F(NetworkRun, FindsEveryInjectedEventWithoutFalseFindingsAndLeavesTheTablesAlone) {
    const fs::path summary = network_ / "Summary";
    std::map<fs::path, std::string> tables;
    for (const auto& entry : fs::directory_iterator(summary)) tables[entry.path()] = ReadFile(entry.path());
    ASSERT_EQ(tables.size(), 8u);

    // The generator keeps its events clear of the last ten nights: a month
    // of recent history makes the newest of them decide the status.
    const ProgramResult health =
        RunProgram(NORV_HEALTH, {"--recent", "30", network_.string()}, folder_->path);
    EXPECT_EQ(health.status, 2) << health.out << health.err;  // some camera needs ACTION
    EXPECT_NE(health.out.find("Report: " + (summary / "CalHealth.html").string()), std::string::npos);
    EXPECT_EQ(std::count(health.out.begin(), health.out.end(), '\n'),
              4 + 3);  // one line per camera, then where the report, tables and metrics are
    EXPECT_TRUE(health.err.empty()) << health.err;

    const std::string findings = ReadFile(summary / "CalHealth_findings.csv");
    EXPECT_EQ(findings.substr(0, findings.find("\r\n")),
              "camera,kind,start,end,calibrations,size,unit,detail");
    std::string error;
    auto truth = ReadFindingRows(network_ / "network_truth.csv", error);
    ReadDatingRanges(network_ / "network_truth_dating.csv", truth, error);
    const auto found = ReadFindingRows(summary / "CalHealth_findings.csv", error);
    const auto times = ReadCalibrationTimes(summary / "CalHealth_calibrations.csv", error);
    ASSERT_TRUE(error.empty()) << error;
    ASSERT_GE(truth.size(), 15u);
    Evaluation evaluation;
    ScoreRun(truth, found, times, evaluation);
    // Every event is found and dated within its tolerance (a drop between
    // its first calibration and its first at half its depth), and nothing
    // else is reported as one of these kinds.
    for (const std::string& kind : InjectedKinds()) {
        const KindScore& score = evaluation.kinds[kind];
        EXPECT_GT(score.truth, 0) << kind;
        EXPECT_EQ(score.found_any_date, score.truth) << kind;
        EXPECT_EQ(score.detected, score.truth) << kind;
        EXPECT_EQ(score.false_found, 0) << kind;
    }

    // The tables are unchanged and nothing but the report was added.
    for (const auto& [path, text] : tables) EXPECT_EQ(ReadFile(path), text) << path;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(summary)) files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 8 + 5);

    // The Summary folder itself, into another folder: the same findings.
    const fs::path out = folder_->path / "elsewhere";
    const ProgramResult again =
        RunProgram(NORV_HEALTH, {"--recent", "30", "--out", out.string(), summary.string()}, folder_->path);
    EXPECT_EQ(again.status, 2);
    EXPECT_EQ(ReadFile(out / "CalHealth_findings.csv"), findings);
    EXPECT_EQ(ReadFile(out / "CalHealth_calibrations.csv"), ReadFile(summary / "CalHealth_calibrations.csv"));
}

TEST_F(NetworkRun, ADamagedRowIsReportedWithItsLineAndSkipped) {
    const fs::path copy = folder_->path / "damaged";
    fs::create_directories(copy);
    for (const auto& entry : fs::directory_iterator(network_ / "Summary")) {
        if (entry.path().filename().string().rfind("SummaryCAL", 0) == 0)
            fs::copy_file(entry.path(), copy / entry.path().filename());
    }
    fs::path coefs;
    for (const auto& entry : fs::directory_iterator(copy)) {
        if (entry.path().filename().string().find("_FitCoefs") != std::string::npos) coefs = entry.path();
    }
    std::string text = ReadFile(coefs);
    std::size_t line_start = 0;
    for (int line = 1; line < 10; ++line) line_start = text.find('\n', line_start) + 1;
    text.replace(line_start + 30, 3, "x.y");  // inside line 10
    WriteFile(coefs, text);
    const ProgramResult health = RunProgram(NORV_HEALTH, {"--recent", "30", copy.string()}, folder_->path);
    EXPECT_EQ(health.status, 2);
    EXPECT_NE(
        health.err.find(coefs.filename().string() + " line 10: a value is not a finite number; row skipped"),
        std::string::npos)
        << health.err;
}

TEST(HealthProgram, ErrorsAndHelpHaveTheirExitStatus) {
    ScratchFolder folder;
    const ProgramResult missing = RunProgram(NORV_HEALTH, {(folder.path / "absent").string()}, folder.path);
    EXPECT_EQ(missing.status, 3);
    EXPECT_NE(missing.err.find("no such folder"), std::string::npos);
    fs::create_directories(folder.path / "empty");
    const ProgramResult empty = RunProgram(NORV_HEALTH, {(folder.path / "empty").string()}, folder.path);
    EXPECT_EQ(empty.status, 3);
    EXPECT_NE(empty.err.find("no SummaryCALnnn"), std::string::npos);
    EXPECT_EQ(RunProgram(NORV_HEALTH, {"--window"}, folder.path).status, 3);
    const ProgramResult help = RunProgram(NORV_HEALTH, {"--help"}, folder.path);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--stale-after DAYS"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(folder.path / "empty"));
}

}  // namespace

// The report run on tables and folders that are broken or hostile, as a
// nightly job meets them: every camera still appears and the exit status
// says what is known; no file is written through a link, cut, or spliced.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "common/findings_csv.h"
#include "health/tests/health_runs.h"
#include "tests/support/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kReportFiles[] = {"CalHealth.html", "CalHealth_findings.csv",
                                        "CalHealth_calibrations.csv"};

// The findings CSV's rows of one camera, fields split.
std::vector<std::vector<std::string>> FindingRows(const fs::path& folder, int camera) {
    const std::string text = ReadFile(folder / "CalHealth_findings.csv");
    std::vector<std::vector<std::string>> rows;
    for (std::size_t start = text.find("\r\n") + 2, end;
         (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        std::vector<std::string> fields = SplitCsvLine(text.substr(start, end - start));
        if (std::stoi(fields[0]) == camera) rows.push_back(std::move(fields));
    }
    return rows;
}

int CameraOf(const fs::path& table) {
    const std::string name = table.filename().string();
    return std::stoi(name.substr(10, name.find('_') - 10));
}

// Replaces every "from" in the text of a file by "to".
void ReplaceInFile(const fs::path& path, const std::string& from, const std::string& to) {
    std::string text = ReadFile(path);
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
        text.replace(at, from.size(), to);
    WriteFile(path, text);
}

// Four cameras over 120 nights, summarized once; each test works on a copy.
class UntrustedTables : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        folder_ = new ScratchFolder();
        tables_ = MakeNetworkTables(folder_->path, 4, 120, 5);
        // The status of the intact tables: below ACTION, so that an UNKNOWN
        // camera decides the exit status.
        CopyTables(tables_, folder_->path / "intact");
        intact_status_ = RunProgram(NORV_HEALTH, {(folder_->path / "intact").string()}, folder_->path).status;
        ASSERT_TRUE(intact_status_ == 0 || intact_status_ == 1) << intact_status_;
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    // A copy of the tables in a folder of this test's own.
    fs::path Copy(const std::string& name) {
        const fs::path copy = folder_->path / name;
        fs::remove_all(copy);
        CopyTables(tables_, copy);
        return copy;
    }
    ProgramResult Health(const std::vector<std::string>& arguments, const std::string& prefix = "") {
        return RunProgram(NORV_HEALTH, arguments, folder_->path, "", prefix);
    }
    static ScratchFolder* folder_;
    static fs::path tables_;
    static int intact_status_;
};
ScratchFolder* UntrustedTables::folder_ = nullptr;
fs::path UntrustedTables::tables_;
int UntrustedTables::intact_status_ = -1;

TEST_F(UntrustedTables, AFitCoefsTableWithoutARowMakesItsCameraUnknownEverywhere) {
    const std::map<std::string, std::string> broken = {
        {"empty", ""},
        {"header only", ReadFile(TablesOfKind(tables_, "FitCoefs")[0]).substr(0, 300)},
        {"binary",
         std::string(2 << 20, '\x01') + std::string("\x00\xff\n\x7f", 4) + std::string(1000, '\xfe')},
    };
    for (const auto& [what, text] : broken) {
        const fs::path copy = Copy("unknown");
        const fs::path coefs = TablesOfKind(copy, "FitCoefs")[0];
        const int camera = CameraOf(coefs);
        if (what == "header only") {
            const std::string header =
                text.substr(0, text.find('\n', text.find('\n', text.find('\n') + 1) + 1) + 1);
            WriteFile(coefs, header);
        } else {
            WriteFile(coefs, text);
        }
        const ProgramResult run = Health({copy.string()});
        EXPECT_EQ(run.status, 3) << what << "\n" << run.out << run.err;
        const std::string line = "Camera " + std::to_string(camera);
        const std::size_t at = run.out.find(line);
        ASSERT_NE(at, std::string::npos) << what << "\n" << run.out;
        EXPECT_NE(run.out.substr(at, run.out.find('\n', at) - at)
                      .find("UNKNOWN FitCoefs table has no readable row"),
                  std::string::npos)
            << what << "\n"
            << run.out;
        const auto rows = FindingRows(copy, camera);
        ASSERT_EQ(rows.size(), 1u) << what;
        EXPECT_EQ(rows[0][1], "unreadable_table");
        EXPECT_EQ(rows[0][2], "");  // no calibration, so no times
        EXPECT_EQ(rows[0][4], "0");
        EXPECT_NE(rows[0][7].find("FitCoefs table has no readable row"), std::string::npos) << rows[0][7];
        const std::string page = ReadFile(copy / "CalHealth.html");
        EXPECT_NE(page.find("id=\"camera-" + std::to_string(camera) + "\""), std::string::npos) << what;
        EXPECT_NE(page.find("status-UNKNOWN"), std::string::npos) << what;
    }
}

TEST_F(UntrustedTables, CarriageReturnLineEndsAreLineEnds) {
    const fs::path copy = Copy("cr");
    const int camera = CameraOf(TablesOfKind(copy, "FitCoefs")[1]);
    ASSERT_EQ(Health({copy.string()}).status, intact_status_);
    const auto usual = FindingRows(copy, camera);
    const std::string calibrations = ReadFile(copy / "CalHealth_calibrations.csv");
    for (const char* kind : {"FitCoefs", "FitStars"})
        ReplaceInFile(TablesOfKind(copy, kind)[1], "\r\n", "\r");
    const ProgramResult run = Health({copy.string()});
    EXPECT_EQ(run.status, intact_status_) << run.out << run.err;
    EXPECT_EQ(FindingRows(copy, camera), usual);
    EXPECT_EQ(ReadFile(copy / "CalHealth_calibrations.csv"), calibrations);
    EXPECT_NE(run.err.find("line ends are CR only; read as line ends"), std::string::npos) << run.err;
}

TEST_F(UntrustedTables, AMissingFitStarsTableIsOneFindingNotFewStarsOnEveryCalibration) {
    const fs::path copy = Copy("no_stars");
    const fs::path stars = TablesOfKind(copy, "FitStars")[2];
    const int camera = CameraOf(stars);
    fs::remove(stars);
    const ProgramResult run = Health({copy.string()});
    EXPECT_EQ(run.status, 3) << run.out << run.err;
    const auto rows = FindingRows(copy, camera);
    ASSERT_EQ(
        std::count_if(rows.begin(), rows.end(), [](const auto& r) { return r[1] == "unreadable_table"; }), 1);
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(), [](const auto& r) { return r[1] == "few_stars"; }), 0);
    EXPECT_NE(ReadFile(copy / "CalHealth.html").find("no FitStars table: residuals and photometry unknown"),
              std::string::npos);
}

TEST_F(UntrustedTables, NamesThatClashAreSaidAndOnlyTheWrittenNameIsUsed) {
    const fs::path copy = Copy("clash");
    const fs::path coefs = TablesOfKind(copy, "FitCoefs")[0];
    const std::string name = coefs.filename().string();
    const int camera = CameraOf(coefs);
    ASSERT_EQ(Health({copy.string()}).status, intact_status_);
    const auto usual = FindingRows(copy, camera);
    // Other spellings of the camera's number with a damaged table behind them.
    const fs::path padded = copy / ("SummaryCAL0" + name.substr(10));
    const fs::path more_padded = copy / ("SummaryCAL00" + name.substr(10));
    WriteFile(padded, "garbage\r\n");
    WriteFile(more_padded, "garbage\r\n");
    ProgramResult run = Health({copy.string()});
    EXPECT_EQ(run.status, intact_status_) << run.err;
    EXPECT_EQ(FindingRows(copy, camera), usual);
    EXPECT_NE(run.err.find(padded.filename().string() + ": names camera " + std::to_string(camera) +
                           " too; " + name + " is used"),
              std::string::npos)
        << run.err;
    // Without the written name, no table is guessed.
    fs::rename(coefs, copy / "elsewhere.txt");
    run = Health({copy.string()});
    EXPECT_EQ(run.status, 3);
    const auto rows = FindingRows(copy, camera);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows[0][1], "unreadable_table");
    EXPECT_NE(rows[0][7].find("none is used: keep one, named " + name), std::string::npos) << rows[0][7];
}

TEST_F(UntrustedTables, OneCameraDatedFarAheadDoesNotMakeTheOthersStale) {
    const fs::path copy = Copy("clock");
    const int camera = CameraOf(TablesOfKind(copy, "FitCoefs")[3]);
    for (const char* kind : {"FitCoefs", "FitStars"})
        ReplaceInFile(TablesOfKind(copy, kind)[3], "/2014 ", "/9999 ");
    const ProgramResult run = Health({copy.string()});
    EXPECT_EQ(run.status, 2) << run.out;
    const std::string findings = ReadFile(copy / "CalHealth_findings.csv");
    EXPECT_EQ(findings.find(",stale,"), std::string::npos) << findings;
    const auto rows = FindingRows(copy, camera);
    ASSERT_TRUE(std::any_of(rows.begin(), rows.end(), [](const auto& r) { return r[1] == "clock"; }));
    const std::size_t line = run.out.find("Camera " + std::to_string(camera));
    ASSERT_NE(line, std::string::npos);
    const std::string text = run.out.substr(line, run.out.find('\n', line) - line);
    EXPECT_NE(text.find("ACTION"), std::string::npos) << text;
    EXPECT_NE(text.find("clock 9999-"), std::string::npos) << text;
    // A camera that needs action decides the exit status before one that
    // cannot be judged.
    fs::remove(TablesOfKind(copy, "FitStars")[0]);
    EXPECT_EQ(Health({copy.string()}).status, 2);
}

#ifndef _WIN32
TEST_F(UntrustedTables, LinksAtTheReportsNamesAreReplacedNotWrittenThrough) {
    const fs::path copy = Copy("links");
    std::map<fs::path, std::string> before;
    for (const auto& entry : fs::directory_iterator(copy)) before[entry.path()] = ReadFile(entry.path());
    const fs::path outside = folder_->path / "outside.txt";
    WriteFile(outside, "precious");
    fs::create_symlink(TablesOfKind(copy, "FitCoefs")[0], copy / "CalHealth.html");
    fs::create_symlink(outside, copy / "CalHealth_findings.csv");
    fs::create_hard_link(TablesOfKind(copy, "FitStars")[1], copy / "CalHealth_calibrations.csv");
    const ProgramResult run = Health({copy.string()});
    EXPECT_EQ(run.status, intact_status_) << run.err;
    for (const auto& [path, text] : before) EXPECT_EQ(ReadFile(path), text) << path;
    EXPECT_EQ(ReadFile(outside), "precious");
    for (const char* name : kReportFiles) {
        EXPECT_FALSE(fs::is_symlink(copy / name)) << name;
        EXPECT_EQ(fs::hard_link_count(copy / name), 1u) << name;
    }
    EXPECT_EQ(ReadFile(copy / "CalHealth.html").rfind("<!DOCTYPE html>", 0), 0u);
}

TEST_F(UntrustedTables, AFullDiskLeavesThePreviousReportWholeAndSaysSo) {
    const fs::path copy = Copy("full");
    ASSERT_EQ(Health({copy.string()}).status, intact_status_);
    std::map<std::string, std::string> previous;
    for (const char* name : kReportFiles) previous[name] = ReadFile(copy / name);
    // Files of at most 64 KiB: the page (over a megabyte) cannot be written.
    const ProgramResult run = Health({copy.string()}, "trap \"\" XFSZ; ulimit -f 64;");
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_NE(run.err.find("cannot write"), std::string::npos) << run.err;
    for (const char* name : kReportFiles) EXPECT_EQ(ReadFile(copy / name), previous[name]) << name;
    for (const auto& entry : fs::directory_iterator(copy))
        EXPECT_NE(entry.path().filename().string()[0], '~') << entry.path();
}

TEST_F(UntrustedTables, TwoRunsIntoOneFolderLeaveEachFileWholeFromOneOfThem) {
    // Two inputs whose reports differ, written apart first, then together
    // into one folder, again and again.
    const fs::path first = Copy("first");
    const fs::path second = Copy("second");
    fs::remove(TablesOfKind(second, "FitStars")[0]);
    std::map<std::string, std::pair<std::string, std::string>> whole;
    for (const fs::path& input : {first, second}) ASSERT_LE(Health({input.string()}).status, 3);
    for (const char* name : kReportFiles) whole[name] = {ReadFile(first / name), ReadFile(second / name)};
    const fs::path shared = folder_->path / "shared";
    for (int round = 0; round < 5; ++round) {
        fs::remove_all(shared);
        fs::create_directories(shared);
        std::thread other([&]() {
            RunProgram(NORV_HEALTH, {"--out", shared.string(), second.string()}, folder_->path / "first");
        });
        RunProgram(NORV_HEALTH, {"--out", shared.string(), first.string()}, folder_->path / "second");
        other.join();
        for (const char* name : kReportFiles) {
            const std::string text = ReadFile(shared / name);
            EXPECT_TRUE(text == whole[name].first || text == whole[name].second)
                << name << " in round " << round;
        }
    }
}

#if !defined(NORV_SANITIZED)
TEST_F(UntrustedTables, RunningOutOfMemoryEndsWithThreeAndLeavesThePreviousReport) {
    const fs::path copy = Copy("memory");
    ASSERT_EQ(Health({copy.string()}).status, intact_status_);
    std::map<std::string, std::string> previous;
    for (const char* name : kReportFiles) previous[name] = ReadFile(copy / name);
    // A row of 20 MB, which the reader takes whole into a buffer before it
    // cuts it, and address space limits from ample down to too little:
    // every run ends with its status, never with a signal, and one that ran
    // out says so.
    const fs::path coefs = TablesOfKind(copy, "FitCoefs")[0];
    WriteFile(coefs, ReadFile(coefs) + std::string(20 << 20, '1') + "\r\n");
    bool ran_out = false;
    for (int megabytes : {96, 48, 40, 32, 28, 24, 20, 16}) {
        const ProgramResult run =
            Health({copy.string()}, "ulimit -v " + std::to_string(megabytes * 1024) + ";");
        ASSERT_TRUE(run.status == intact_status_ || run.status == 3)
            << megabytes << " MB: " << run.status << run.err;
        if (run.status == 3) {
            ran_out = ran_out || run.err.find("out of memory") != std::string::npos;
            for (const char* name : kReportFiles) EXPECT_EQ(ReadFile(copy / name), previous[name]) << name;
        }
    }
    EXPECT_TRUE(ran_out);
}
#endif
#endif

}  // namespace

// The files of the summary tables: the names a run's table files are told by,
// the pair put in place together, and the test for a running process that
// decides whether such a file may be removed.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "app/table_file.h"
#include "platform/replaced_file.h"
#include "platform/running_process.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

// A process number no system in use gives out: beyond Linux's largest, and
// far above the numbers Windows hands out.
constexpr long kEndedProcess = 2147483644;

// Writes text as a table of the final name, closed and ready to be put in place.
void WriteTable(const fs::path& final_name, const std::string& text, TableFile& table) {
    ASSERT_TRUE(OpenTableFile(final_name.string(), table));
    ASSERT_TRUE(WriteTableText(table, text));
    ASSERT_TRUE(CloseTableFile(table));
}

std::string BareName(const std::string& path) {
    return fs::path(path).filename().string();
}

}  // namespace

TEST(TemporaryTableNames, NamesTheTablesAreWrittenUnderTellTheirProcess) {
    ScratchFolder scratch;
    TableFile first, second, negative_camera;
    ASSERT_TRUE(OpenTableFile((scratch.path / "SummaryCAL007_FitCoefs.txt").string(), first));
    ASSERT_TRUE(OpenTableFile((scratch.path / "SummaryCAL007_FitCoefs.txt").string(), second));  // "-1"
    ASSERT_TRUE(OpenTableFile((scratch.path / "SummaryCAL-05_FitStars.txt").string(), negative_camera));
    for (TableFile* table : {&first, &second, &negative_camera}) {
        EXPECT_EQ(TemporaryTableProcess(BareName(table->temporary_name)), ProcessNumber())
            << table->temporary_name;
        DiscardTableFile(*table);
    }
    EXPECT_EQ(TemporaryTableProcess("~CAL123_FitStars.4194305-9"), 4194305);
}

TEST(TemporaryTableNames, NoOtherNameIsTakenForOne) {
    for (const char* name :
         {"SummaryCAL001_FitCoefs.txt", "CAL001_FitCoefs.12", "~cal001_FitCoefs.12", "~CAL01_FitCoefs.12",
          "~CAL001_Notes.12", "~CAL001_FitCoefs.txt", "~CAL001_FitCoefs.", "~CAL001_FitCoefs.12a",
          "~CAL001_FitCoefs.12.txt", "~CAL001_FitCoefs.12-", "~CAL001_FitCoefs.12-3-4",
          "~CAL001_FitStars.12 ", "~CAL001_FitStars.99999999999999999999"}) {
        EXPECT_EQ(TemporaryTableProcess(name), -1) << name;
    }
}

// The second table cannot be moved over its name (a folder with a file in it
// stands there): the first is put back as it was (a link as a link, where
// the system has links), or removed when there was none, and no file of the
// tables is left.
TEST(TablePair, SecondThatCannotBeMovedLeavesTheFirstAsItWas) {
    ScratchFolder scratch;
    const fs::path coefs = scratch.path / "SummaryCAL001_FitCoefs.txt";
    const fs::path stars = scratch.path / "SummaryCAL001_FitStars.txt";
    fs::create_directory(stars);
    WriteFile(stars / "inside.txt", "kept");
    WriteFile(scratch.path / "elsewhere.txt", "earlier coefs");
#ifdef _WIN32
    fs::copy_file(scratch.path / "elsewhere.txt", coefs);
    const fs::file_type earlier_type = fs::file_type::regular;
#else
    fs::create_symlink(scratch.path / "elsewhere.txt", coefs);
    const fs::file_type earlier_type = fs::file_type::symlink;
#endif
    for (bool earlier_first : {true, false}) {
        if (!earlier_first) fs::remove(coefs);
        TableFile first, second;
        WriteTable(coefs, "new coefs", first);
        WriteTable(stars, "new stars", second);
        EXPECT_EQ(PublishTablePair(first, second), &second);
        EXPECT_EQ(fs::symlink_status(coefs).type(), earlier_first ? earlier_type : fs::file_type::not_found);
        EXPECT_EQ(ReadFile(coefs), earlier_first ? "earlier coefs" : "");
        EXPECT_EQ(ReadFile(stars / "inside.txt"), "kept");
        int entries = 0;
        for (const auto& entry : fs::directory_iterator(scratch.path)) {
            EXPECT_NE(entry.path().filename().string()[0], '~') << entry.path();
            ++entries;
        }
        EXPECT_EQ(entries, earlier_first ? 3 : 2);
    }
}

TEST(RunningProcess, OnlyAProcessThatExistsRuns) {
    EXPECT_TRUE(ProcessIsRunning(ProcessNumber()));
    // Zero and negative numbers name process groups to the system's check.
    for (long number : {0L, -1L, kEndedProcess}) EXPECT_FALSE(ProcessIsRunning(number)) << number;
#ifndef _WIN32
    const pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    EXPECT_TRUE(ProcessIsRunning(child));  // ended or not, until it is waited for
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_FALSE(ProcessIsRunning(child));
#endif
}

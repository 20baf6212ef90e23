// The files of the summary tables: the pair put in place together.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/table_file.h"
#include "tests/support/scratch_folder.h"

namespace fs = std::filesystem;

namespace {

// Writes text as a table of the final name, closed and ready to be put in place.
void WriteTable(const fs::path& final_name, const std::string& text, TableFile& table) {
    ASSERT_TRUE(OpenTableFile(final_name.string(), table));
    ASSERT_TRUE(WriteTableText(table, text));
    ASSERT_TRUE(CloseTableFile(table));
}

}  // namespace

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

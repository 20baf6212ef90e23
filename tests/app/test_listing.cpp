// The listing's reads, camera parse and two passes, and the folder listing
// that feeds them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/listing.h"
#include "platform/folder_files.h"
#include "tests/support/scratch_folder.h"

namespace {

struct FirstAndSecondPass {
    int entry_count = 0;
    CameraList camera_list{};
    std::vector<std::string> names;
    std::vector<int> cameras;
};

// Runs both passes with arrays of exactly the first pass's size.
FirstAndSecondPass RunBothPasses(const std::string& text) {
    FirstAndSecondPass result;
    ListingFirstPass(text, result.entry_count, result.camera_list);
    std::vector<char[kNameSlotRoom]> names(result.entry_count);
    std::vector<int> cameras(result.entry_count);
    ListingEntries entries{-1, names.data(), cameras.data()};
    ListingSecondPass(text, entries);
    EXPECT_EQ(entries.entry_count, result.entry_count);
    for (int i = 0; i < entries.entry_count; ++i) {
        result.names.push_back(names[i]);
        result.cameras.push_back(cameras[i]);
    }
    return result;
}

std::vector<int> CamerasOf(const CameraList& list) {
    return std::vector<int>(list.cameras, list.cameras + list.count);
}

}  // namespace

TEST(ListingReads, EachLineIsOneReadCutTo30Characters) {
    const std::string text = std::string(100, 'a') + "\nb\n" + std::string(30, 'c') + "\nd";
    size_t position = 0;
    char cut[kListingCutRoom];
    ASSERT_TRUE(ReadListingLine(text, position, cut));
    EXPECT_EQ(std::string(cut), std::string(30, 'a'));
    ASSERT_TRUE(ReadListingLine(text, position, cut));
    EXPECT_EQ(std::string(cut), "b\n");
    ASSERT_TRUE(ReadListingLine(text, position, cut));
    EXPECT_EQ(std::string(cut), std::string(30, 'c'));
    ASSERT_TRUE(ReadListingLine(text, position, cut));
    EXPECT_EQ(std::string(cut), "d");
    EXPECT_FALSE(ReadListingLine(text, position, cut));
}

TEST(ListingReads, CameraParseTakesAtMostThreeCharactersAfterUpperCaseCAL) {
    int camera = -5;
    EXPECT_TRUE(ParseListingCamera("CAL012_20131214_031502_250.txt", camera));
    EXPECT_EQ(camera, 12);
    EXPECT_TRUE(ParseListingCamera("CAL1234_x.txt", camera));
    EXPECT_EQ(camera, 123);
    EXPECT_TRUE(ParseListingCamera("CAL-12_x.txt", camera));
    EXPECT_EQ(camera, -12);
    EXPECT_TRUE(ParseListingCamera("CAL+123_x.txt", camera));
    EXPECT_EQ(camera, 12);
    EXPECT_TRUE(ParseListingCamera("CAL 7_x.txt", camera));
    EXPECT_EQ(camera, 7);

    camera = 99;
    EXPECT_FALSE(ParseListingCamera("CALIBRATION_notes.txt", camera));
    EXPECT_FALSE(ParseListingCamera("cal012_20131214_031502_250.txt", camera));
    EXPECT_FALSE(ParseListingCamera("CAL.txt\n", camera));
    EXPECT_FALSE(ParseListingCamera("CAL-_x.txt", camera));
    EXPECT_FALSE(ParseListingCamera("CA", camera));
    EXPECT_EQ(camera, 99);
}

TEST(ListingPasses, CamerasInFirstAppearanceOrderAndEntriesInListingOrder) {
    const FirstAndSecondPass listing = RunBothPasses(
        "CAL012_20131214_031502_250.txt\n"
        "CAL003_20131214_031502_250.txt\n"
        "CAL012_20131215_031502_250.txt\n"
        "CAL007_20131214_031502_250.txt\n");
    EXPECT_EQ(listing.entry_count, 4);
    EXPECT_EQ(CamerasOf(listing.camera_list), (std::vector<int>{12, 3, 7}));
    EXPECT_EQ(listing.cameras, (std::vector<int>{12, 3, 12, 7}));
    // A 30-character name loses its line end in the cut.
    EXPECT_EQ(listing.names[2], "CAL012_20131215_031502_250.txt");
}

TEST(ListingPasses, CutKeepsLineEndOfShortNamesAndSkipsUnparsedReads) {
    const FirstAndSecondPass listing = RunBothPasses(
        "CAL.txt\n"
        "CAL5_short.txt\n"
        "CALIBRATION_notes.txt\n"
        "CAL012_20131214_031502_250_extra.txt\n"
        "cal009_20131214_031502_250.txt\n");
    ASSERT_EQ(listing.entry_count, 2);
    EXPECT_EQ(listing.names[0], "CAL5_short.txt\n");
    EXPECT_EQ(listing.names[1], "CAL012_20131214_031502_250_ext");
    EXPECT_EQ(listing.cameras, (std::vector<int>{5, 12}));
    EXPECT_EQ(CamerasOf(listing.camera_list), (std::vector<int>{5, 12}));
}

TEST(ListingPasses, LineOfAnyLengthIsOneEntry) {
    // Once, every 79 characters of a long line made an entry of their own.
    std::string long_name = "CAL001_";
    long_name += std::string(79 - long_name.size(), 'x') + "CAL002_tail.txt";
    const FirstAndSecondPass listing =
        RunBothPasses(long_name + "\n" + long_name + std::string(500, 'y') + "\nCAL003_x.txt\n");
    ASSERT_EQ(listing.entry_count, 3);
    EXPECT_EQ(listing.names[0], long_name.substr(0, 30));
    EXPECT_EQ(listing.names[1], long_name.substr(0, 30));
    EXPECT_EQ(listing.names[2], "CAL003_x.txt\n");
    EXPECT_EQ(listing.cameras, (std::vector<int>{1, 1, 3}));
    EXPECT_EQ(CamerasOf(listing.camera_list), (std::vector<int>{1, 3}));
}

TEST(ListingPasses, EmptyListingGivesNoEntriesAndNoCameras) {
    const FirstAndSecondPass listing = RunBothPasses("");
    EXPECT_EQ(listing.entry_count, 0);
    EXPECT_EQ(listing.camera_list.count, 0);
}

namespace {

std::string ListingOfCameras(int first, int count) {
    std::string text;
    for (int camera = first; camera < first + count; ++camera) {
        char name[64];
        std::snprintf(name, sizeof name, "CAL%03d_20200101_000000_000.txt\n", camera);
        text += name;
    }
    return text;
}

}  // namespace

TEST(ListingPasses, NineHundredNinetyNineCamerasFitTheList) {
    int entry_count = 0;
    CameraList camera_list{};
    ListingFirstPass(ListingOfCameras(-99, 999) + ListingOfCameras(-99, 999), entry_count, camera_list);
    EXPECT_EQ(entry_count, 1998);
    EXPECT_EQ(camera_list.count, 999);
    EXPECT_EQ(camera_list.cameras[0], -99);
    EXPECT_EQ(camera_list.cameras[998], 899);
}

TEST(ListingPassesDeathTest, ThousandthCameraEndsTheRunWithStatus1) {
    const std::string text = ListingOfCameras(-99, 1000);
    EXPECT_EXIT(
        {
            std::freopen(kNullDevice, "r", stdin);
            dup2(STDERR_FILENO, STDOUT_FILENO);
            int entry_count = 0;
            CameraList camera_list{};
            ListingFirstPass(text, entry_count, camera_list);
        },
        testing::ExitedWithCode(1), "More than 999 different camera numbers");
}

TEST(FolderFiles, ListsRegularCalTextFilesOfAnyCaseSortedByBytes) {
    ScratchFolder scratch;
    const std::filesystem::path& folder = scratch.path;
    for (const char* name : {"CAL010_a.txt", "CAL1_b.TXT", "cal002_c.txt", "CAL.txt", "notes.txt",
                             "CAL003_d.txt.bak", "XCAL004_e.txt"}) {
        std::ofstream(folder / name) << "x";
    }
    std::filesystem::create_directory(folder / "CAL005_folder.txt");

    std::string names = "stale";
    EXPECT_TRUE(ListCALfileNames(folder.string() + "/", names));
    EXPECT_EQ(names, "CAL.txt\nCAL010_a.txt\nCAL1_b.TXT\ncal002_c.txt\n");

    EXPECT_FALSE(ListCALfileNames((folder / "missing/").string(), names));
}

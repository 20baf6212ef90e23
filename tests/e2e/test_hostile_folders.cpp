// The built program on hostile folders: damaged and odd CAL files, odd names
// and paths, too many cameras, and older tables in Summary/. Every case runs
// the program with piped input and checks the console transcript, the exit
// status (always 1), the tables, and that every file and folder outside
// <folder>/Summary/ is exactly as it was before the run (type, size, content
// hash, link target).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

#include "program_run.h"
#include "tools/split_mix.h"

namespace fs = std::filesystem;

namespace {

const std::string kStandardName = "CAL001_20200101_000000_000.txt";
// The label of the fit order's line, up to its value.
const std::string kOrderLabel = "Plate polynomial order        = ";
// Header lines of the tables with their line ends.
constexpr std::size_t kFitCoefsHeaderBytes = 3 * (371 + 2);
constexpr std::size_t kFitStarsHeaderBytes = 3 * (123 + 2);

std::string Summarizing(int camera) {
    return "Summarizing Camera " + std::to_string(camera) + "\n";
}

std::string CameraName(int camera, const std::string& rest = "_20200101_000000_000.txt") {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "CAL%03d", camera);
    return prefix + rest;
}

// An order-2 calibration with values that fit every column and are easy to
// find in the text: two stars.
CalibrationSample GoodFile(int camera = 1) {
    return SampleCalibration(camera, 2);
}

// Replaces the one occurrence of from in text; a test that asks for a text
// that is not there fails instead of testing an unchanged file.
std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "missing in the CAL text: " << from;
    EXPECT_EQ(text.find(from, at + 1), std::string::npos) << "found twice in the CAL text: " << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// What a file system entry is, without following links: type, and for a
// regular file its size and a 64-bit FNV-1a hash of its bytes (of files up to
// 64 MiB; a larger one is told by its size and time of last change).
std::string Describe(const fs::path& path) {
    const fs::file_status status = fs::symlink_status(path);
    if (fs::is_symlink(status)) return "link to " + fs::read_symlink(path).string();
    if (fs::is_directory(status)) return "folder";
    if (!fs::is_regular_file(status)) return "other";
    const std::uintmax_t size = fs::file_size(path);
    if (size > (std::uintmax_t{64} << 20)) {
        return "file of " + std::to_string(size) + " bytes, changed at " +
               std::to_string(fs::last_write_time(path).time_since_epoch().count());
    }
    const std::string bytes = ReadFile(path);
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
    return "file of " + std::to_string(bytes.size()) + " bytes, hash " + std::to_string(hash);
}

using Snapshot = std::map<std::string, std::string>;

// Every entry under root except the skipped folder's contents and the files
// the test runner itself writes into root.
Snapshot TakeSnapshot(const fs::path& root, const fs::path& skipped) {
    Snapshot snapshot;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        const fs::path& path = it->path();
        if (path == skipped) {
            it.disable_recursion_pending();
            continue;
        }
        if (path.parent_path() == root &&
            (path.filename() == "stdin.txt" || path.filename() == "stdout.txt" ||
             path.filename() == "stderr.txt")) {
            continue;
        }
        snapshot[fs::relative(path, root).string()] = Describe(path);
    }
    return snapshot;
}

class HostileFolder : public ::testing::Test {
  protected:
    void SetUp() override { UseFolder(scratch_.path / "calibrations"); }

    // Makes folder the CAL folder the program is pointed at.
    void UseFolder(const fs::path& folder) {
        folder_ = folder;
        fs::create_directories(folder_);
    }

    void Write(const std::string& name, const std::string& text) { WriteFile(folder_ / name, text); }

    // Runs the program on the folder with the given input after the folder
    // line, and checks that nothing outside Summary/ changed.
    ProgramRun Run(const std::string& input_after_folder = "\n") {
        return RunWithInput(folder_.u8string() + "\n" + input_after_folder);
    }

    ProgramRun RunWithInput(const std::string& input) {
        const Snapshot before = TakeSnapshot(scratch_.path, SummaryFolder());
        ProgramRun run = RunProgram(scratch_.path, input, shell_prefix_);
        EXPECT_EQ(TakeSnapshot(scratch_.path, SummaryFolder()), before) << "changed outside Summary/";
        EXPECT_EQ(run.exit_status, 1);
        // A table is written under a name of its own ("~CAL...") until it is
        // complete; none may be left behind.
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(SummaryFolder(), error)) {
            const std::string name = entry.path().filename().string();
            if (std::find(kept_in_summary_.begin(), kept_in_summary_.end(), name) != kept_in_summary_.end()) {
                continue;
            }
            EXPECT_NE(name[0], '~') << "left behind: " << entry.path();
        }
        return run;
    }

    fs::path SummaryFolder() const { return folder_ / "Summary"; }
    fs::path TablePath(int camera, const std::string& kind) const {
        return SummaryFolder() / ("Summary" + CameraName(camera, "_" + kind + ".txt"));
    }
    std::string Table(int camera, const std::string& kind) const { return ReadFile(TablePath(camera, kind)); }

    ScratchFolder scratch_;
    fs::path folder_;
    std::string shell_prefix_;                  // see RunProgram
    std::vector<std::string> kept_in_summary_;  // names in Summary/ a run must leave
};

// The tables the program writes for clean files, in a folder of their own:
// the reference a hostile variant is compared with.
struct CleanTables {
    std::string fit_coefs;
    std::string fit_stars;
};

CleanTables TablesOfCleanFiles(const std::vector<CalibrationSample>& files) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "clean";
    fs::create_directories(folder);
    for (std::size_t i = 0; i < files.size(); ++i) {
        WriteFile(folder / CameraName(files[i].camera_number,
                                      "_2020010" + std::to_string(i + 1) + "_000000_000.txt"),
                  CalText(files[i]));
    }
    const ProgramRun run = RunProgram(scratch.path, folder.string() + "\n\n");
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(files[0].camera_number) + kClosing))
        << "clean reference run";
    const fs::path summary = folder / "Summary";
    return {ReadFile(summary / ("Summary" + CameraName(files[0].camera_number, "_FitCoefs.txt"))),
            ReadFile(summary / ("Summary" + CameraName(files[0].camera_number, "_FitStars.txt")))};
}

// A file from which not one header value can be read holds no calibration:
// one notice, no row, and the run goes on. Empty, binary, UTF-16 text; alone,
// after a good file of the same camera, and after another camera's.
TEST_F(HostileFolder, FilesWithoutCalibrationGetANoticeAndNoRow) {
    std::string garbage;  // every byte value but '=', so that no label read matches
    SplitMix64 rng{12345};
    while (garbage.size() < 4096) {
        const char byte = static_cast<char>(NextU64(rng) >> 56);
        if (byte != '=') garbage += byte;
    }
    std::string utf16 = "\xFF\xFE";
    for (char c : CalText(GoodFile())) utf16 += std::string(1, c) + '\0';
    const std::string good_name = CameraName(1, "_20200101_000000_000.txt");
    const std::string empty_name = CameraName(1, "_20200102_000000_000.txt");
    const std::string utf16_name = CameraName(1, "_20200103_000000_000.txt");
    const std::string garbage_name = CameraName(2);
    const std::string digits_name = CameraName(3);
    Write(empty_name, "");
    Write(utf16_name, utf16);
    Write(garbage_name, garbage);
    Write(digits_name, std::string(10 << 20, '7'));
    const auto notice = [&](const std::string& name) {
        return " No calibration in " + folder_.string() + kSeparator + name + "; no row written \n";
    };
    ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + notice(empty_name) + notice(utf16_name) +
                                   Summarizing(2) + notice(garbage_name) + Summarizing(3) +
                                   notice(digits_name) + kClosing));
    for (int camera = 1; camera <= 3; ++camera) {
        EXPECT_EQ(Table(camera, "FitCoefs").size(), kFitCoefsHeaderBytes) << "camera " << camera;
        EXPECT_EQ(Table(camera, "FitStars").size(), kFitStarsHeaderBytes) << "camera " << camera;
    }

    Write(good_name, CalText(GoodFile()));
    run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + notice(empty_name) + notice(utf16_name) +
                                   Summarizing(2) + notice(garbage_name) + Summarizing(3) +
                                   notice(digits_name) + kClosing));
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
    EXPECT_EQ(Table(2, "FitCoefs").size(), kFitCoefsHeaderBytes) << "camera 2 repeats camera 1's calibration";
}

// A file of 2 GiB (of NUL bytes, made sparse: it takes no disk space) is
// read through the reader's fixed window: no value in it, one notice, and the
// run fits in 256 MiB of memory (not checked under the address or thread
// sanitizer, which reserve far more address space up front). Once, the whole file was
// read into memory, and under such a limit the run aborted and lost its tables.
TEST_F(HostileFolder, TwoGigabyteFileIsReadInBoundedMemory) {
    Write(CameraName(1), CalText(GoodFile()));
    const std::string huge_name = CameraName(1, "_20200102_000000_000.txt");
    Write(huge_name, "");
    fs::resize_file(folder_ / huge_name, std::uintmax_t{2} << 30);
#if !defined(_WIN32) && !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    shell_prefix_ = "ulimit -v 262144; ";
#endif
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + " No calibration in " + folder_.string() +
                                   kSeparator + huge_name + "; no row written \n" + kClosing));
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

TEST_F(HostileFolder, NulBytesEndAValueButNotTheFile) {
    std::string text = CalText(GoodFile());
    text = ReplaceOnce(text, "Camera tilt", std::string("Camera\0tilt", 11));
    text = ReplaceOnce(text, "= 2.500000", std::string("= 2\0.500000", 11));
    // The second star's row breaks off after its right ascension.
    text = ReplaceOnce(text, "    2  187.00000", std::string("    2  187\0.00000", 17));
    Write(kStandardName, text);
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));

    CalibrationSample expected = GoodFile();
    expected.arcmin_per_pixel = 2;
    expected.stars[1] = StarOfColumns({187, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    const CleanTables clean = TablesOfCleanFiles({expected});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

TEST_F(HostileFolder, TenMegabyteSiteLineIsCutAndTheRestLoads) {
    const std::string text = CalText(GoodFile());
    Write(kStandardName, ReplaceOnce(text, "test camera, 12 mm lens", std::string(10 << 20, 'x')));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

TEST_F(HostileFolder, CarriageReturnOnlyLineEndsLoadTheHeaderOnly) {
    // Without a line feed the first site text runs to the end of the file:
    // the header is read, the coefficients and stars are not.
    std::string text = CalText(GoodFile());
    for (char& c : text) {
        if (c == '\n') c = '\r';
    }
    Write(kStandardName, text);
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    CalibrationSample expected = GoodFile();
    SetPolynomial(expected, expected.fit_order, {}, {});
    expected.stars.clear();
    const CleanTables clean = TablesOfCleanFiles({expected});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars").size(), kFitStarsHeaderBytes);
}

TEST_F(HostileFolder, OutOfRangeNumbersInDoubleFields) {
    // Beyond the double range a value is an infinity, below it zero; a long
    // integer is an ordinary large double that widens its column.
    CalibrationSample content = GoodFile();
    SetPointing(content, {111.111, 22.222, 33.333, 44.444, content.arcmin_per_pixel, content.cam_tilt_deg});
    content.xcoef[1] = 0.0555;
    content.stars[0].mv = 6.66;
    std::string text = CalText(content);
    text = ReplaceOnce(text, "111.111000", "1e999");
    text = ReplaceOnce(text, "22.222000", "-1e999");
    text = ReplaceOnce(text, "33.333000", "1e-999");
    text = ReplaceOnce(text, "44.444000", "99999999999999999999");
    text = ReplaceOnce(text, "5.550000000000000e-02", "-1e999");
    text = ReplaceOnce(text, " 6.66", " 99999999999999999999");
    Write(kStandardName, text);
    const ProgramRun run = Run();
    // An infinite coefficient makes the inverse fit's normal matrix NaN, so
    // the decomposition never converges: it warns, and the run goes on.
    EXPECT_EQ(run.out,
              ConsoleText(kBanner + Summarizing(1) +
                          "Warning: Reached maximum number of sweeps (30) in SVD routine...\n" + kClosing));
    EXPECT_EQ(run.err, ConsoleText(folder_.string() + kSeparator + kStandardName +
                                   ": the inverse fit's SVD reached its sweep limit\n"));

    CleanTables expected = TablesOfCleanFiles({content});
    expected.fit_coefs = ReplaceOnce(expected.fit_coefs, " 111.111  22.222  33.333  44.444",
                                     "     inf    -inf   0.000 100000000000000000000.000");
    expected.fit_coefs = ReplaceOnce(expected.fit_coefs, "  5.550000e-002", "           -inf");
    expected.fit_stars = ReplaceOnce(expected.fit_stars, "   6.66", " 100000000000000000000.00");
    EXPECT_EQ(Table(1, "FitCoefs"), expected.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), expected.fit_stars);
}

TEST_F(HostileFolder, OutOfRangeNumbersInIntegerFields) {
    // "%2d" takes at most two characters: the date's day is 99 and the read
    // stops at the third digit; the hour is -1 and the read stops at "e".
    // The fit order takes "1" of "1e-999". The row number of the second
    // star is far beyond the int range and ends the table.
    CalibrationSample content = GoodFile();
    content.fit_order = 1;
    std::string text = CalText(content);
    text = ReplaceOnce(text, "Camera number                 = 1\n", "Camera number = 99999999999999999999\n");
    text = ReplaceOnce(text, "= 12/14/2013", "= 99999999999999999999/14/2013");
    text = ReplaceOnce(text, "= 03:15:02.250", "= -1e999:15:02.250");
    text = ReplaceOnce(text, kOrderLabel + "1\n", "Fit order = 1e-999\n");
    text = ReplaceOnce(text, "\n    2  187.00000", "\n99999999999999999999  187.00000");
    Write(kStandardName, text);
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));

    CalibrationSample expected = content;
    expected.time = {0, 99, 0, -1, 0, 0, 0};
    expected.stars.pop_back();
    const CleanTables clean = TablesOfCleanFiles({expected});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
    EXPECT_NE(clean.fit_coefs.find("\r\n99/00/0000 -1:00:00.000 "), std::string::npos);
}

TEST_F(HostileFolder, StarRowNumberBeyondIntRangeEndsTheTable) {
    // 4294967299 is 3 modulo 2^32: a row number cut to 32 bits would pass as
    // the third row.
    CalibrationSample content = GoodFile();
    content.stars.push_back(StarOfColumns({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    content.stars.push_back(content.stars.back());
    std::string text = CalText(content);
    text = ReplaceOnce(text, "\n    3    1.00000", "\n4294967299    1.00000");
    Write(kStandardName, text);
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

TEST_F(HostileFolder, NegativeFitOrderEndsTheRunWithoutWaiting) {
    Write(CameraName(1), CalText(GoodFile()));
    Write(CameraName(1, "_20200102_000000_000.txt"),
          ReplaceOnce(CalText(GoodFile()), kOrderLabel + "2\n", "Fit order = -1\n"));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out,
              ConsoleText(kBanner + Summarizing(1) + " fitorder -1 is not implemented in ReadCALfile\n"));
    // The rows written before the failure stay in the tables.
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

TEST_F(HostileFolder, FitOrderWithTrailingLetterReadsItsDigits) {
    // "3x": the order is 3 and the "x" becomes part of the next label.
    CalibrationSample content = GoodFile();
    content.fit_order = 3;
    content.xcoef[9] = 1e-9;
    Write(kStandardName, ReplaceOnce(CalText(content), kOrderLabel + "3\n", kOrderLabel + "3x\n"));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    const CleanTables clean = TablesOfCleanFiles({content});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

TEST_F(HostileFolder, FolderWithACalNameIsNotListed) {
    fs::create_directory(folder_ / kStandardName);
    WriteFile(folder_ / kStandardName / "inside.txt", "untouched\n");
    Write(CameraName(2), CalText(GoodFile(2)));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(2) + kClosing));
    EXPECT_FALSE(fs::exists(TablePath(1, "FitCoefs")));
    EXPECT_EQ(Table(2, "FitCoefs"), TablesOfCleanFiles({GoodFile(2)}).fit_coefs);
}

TEST_F(HostileFolder, DanglingLinkWithACalNameIsNotListedNorCreated) {
    std::error_code error;
    fs::create_symlink(folder_ / "no_such_target.txt", folder_ / kStandardName, error);
    // Windows grants symbolic links only to privileged accounts (wine has none).
    if (error) GTEST_SKIP() << "this system cannot create a symbolic link: " << error.message();
    Write(CameraName(2), CalText(GoodFile(2)));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(2) + kClosing));
    EXPECT_FALSE(fs::exists(folder_ / "no_such_target.txt"));
    EXPECT_FALSE(fs::exists(TablePath(1, "FitCoefs")));
}

TEST_F(HostileFolder, NameOf31CharactersOpensItsCutNameWhenThatExists) {
    // The listing keeps 30 characters, so the 31-character name is opened as
    // the file whose name lacks the final "t", which the listing itself
    // does not take (it does not end in ".txt").
    CalibrationSample cut = GoodFile();
    cut.ra_center_deg = 10.5;
    Write("CAL001_20200101_000000_0001.txt", CalText(GoodFile()));
    Write("CAL001_20200101_000000_0001.tx", CalText(cut));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    const CleanTables clean = TablesOfCleanFiles({cut});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
}

TEST_F(HostileFolder, NameOfAnyLengthIsOneEntryCutTo30Characters) {
    // 113 characters that begin with a whole standard name and hold another
    // from character 79 on: one entry, cut to the first name, so that file is
    // summarized twice and camera 2 never appears. (Once, each read of 79
    // characters made an entry: the second name became camera 2, whose file
    // does not exist, and the run ended on it.)
    const std::string first = CameraName(1);
    const std::string second = CameraName(2);
    const std::string long_name = first + std::string(49, 'x') + second + ".txt";
    ASSERT_EQ(long_name.size(), 113u);
    Write(first, CalText(GoodFile()));
    Write(long_name, CalText(GoodFile(2)));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    const std::string row = clean.fit_coefs.substr(kFitCoefsHeaderBytes);
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs + row);
    EXPECT_FALSE(fs::exists(TablePath(2, "FitCoefs")));
}

TEST_F(HostileFolder, UnopenableNamesEndTheRunAfterTheTablesOfEarlierCameras) {
    // A 31-character name is opened without its final "t", which is not
    // there; a name shorter than 30 characters keeps its line end.
    Write(CameraName(1), CalText(GoodFile()));
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    const std::pair<std::string, std::string> listed_and_opened[] = {
        {"CAL002_20200101_000000_0001.txt", "CAL002_20200101_000000_0001.tx"},
        {"CAL002_short.txt", "CAL002_short.txt\n"}};
    for (const auto& [listed, opened] : listed_and_opened) {
        Write(listed, CalText(GoodFile(2)));
        const ProgramRun run = Run("42\n");
        EXPECT_EQ(run.out,
                  ConsoleText(kBanner + Summarizing(1) + Summarizing(2) + " Cannot open calibration file " +
                              folder_.string() + kSeparator + opened + " for reading \n"));
        EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
        EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
        EXPECT_EQ(Table(2, "FitCoefs"), clean.fit_coefs.substr(0, kFitCoefsHeaderBytes));
        EXPECT_EQ(Table(2, "FitStars"), clean.fit_stars.substr(0, kFitStarsHeaderBytes));
        fs::remove(folder_ / listed);
    }
}

class HostileFolderName : public HostileFolder, public ::testing::WithParamInterface<std::string> {};

TEST_P(HostileFolderName, IsUsedAsTypedAndRunsNothing) {
    // The folder is only ever handled as a path: no shell sees it, so quotes,
    // command substitutions and separators do nothing.
    UseFolder(scratch_.path / fs::u8path(GetParam()));
    Write(CameraName(5), CalText(GoodFile(5)));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(5) + kClosing));
    const CleanTables clean = TablesOfCleanFiles({GoodFile(5)});
    EXPECT_EQ(Table(5, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(5, "FitStars"), clean.fit_stars);
    EXPECT_FALSE(fs::exists(scratch_.path / "pwned"));
    EXPECT_FALSE(fs::exists(folder_ / "pwned"));
}

#ifdef _WIN32
// Windows drops a trailing blank from a name and allows no double quote in
// one. Names outside the ANSI code page (ř, Š and the others are in none of
// the Western ones) reach the program as UTF-8 on its standard input.
INSTANTIATE_TEST_SUITE_P(Names, HostileFolderName,
                         ::testing::Values("with  two  spaces", "it's 'quoted'", "$(touch pwned)",
                                           "semi; touch pwned;", "%PATH% & echo pwned",
                                           "\xC3\xBCnic\xC3\xB8"
                                           "de \xE2\x98\x84 "
                                           "\xE6\xB5\x81\xE6\x98\x9F",
                                           "Ond\xC5\x99"
                                           "ejov",
                                           "\xC5\xA0umava"));
#else
INSTANTIATE_TEST_SUITE_P(Names, HostileFolderName,
                         ::testing::Values("with  two  spaces ", "it's \"quoted\"", "$(touch pwned)",
                                           "semi; touch pwned;",
                                           "\xC3\xBCnic\xC3\xB8"
                                           "de \xE2\x98\x84 "
                                           "\xE6\xB5\x81\xE6\x98\x9F"));
#endif

TEST_F(HostileFolder, ThousandDistinctCamerasAreRefusedBeforeAnyTable) {
    for (int camera = 0; camera < 1000; ++camera) Write(CameraName(camera), "");
    const ProgramRun run = Run("\n");
    EXPECT_EQ(run.out,
              ConsoleText(kBanner +
                          " More than 999 different camera numbers in the CAL file listing; not supported \n"
                          "\n Enter CR to exit program \n"));
    EXPECT_TRUE(fs::is_empty(SummaryFolder()));
}

TEST_F(HostileFolder, NineHundredNinetyNineCamerasAreAllSummarized) {
    // Order 1 and one star keep the 999 loads quick under the sanitizers.
    CalibrationSample content = GoodFile();
    content.fit_order = 1;
    content.stars.resize(1);
    std::string transcript = kBanner;
    for (int camera = 1; camera <= 999; ++camera) {
        content.camera_number = camera;
        Write(CameraName(camera), CalText(content));
        transcript += Summarizing(camera);
    }
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(transcript + kClosing));
    const CleanTables clean = TablesOfCleanFiles({content});
    EXPECT_EQ(Table(999, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(999, "FitStars"), clean.fit_stars);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

// A folder path of the given length, separator included, under root.
fs::path FolderOfLength(const fs::path& root, std::size_t length) {
    fs::path folder = root;
    while (folder.string().size() + 1 < length) {
        const std::size_t room = length - folder.string().size() - 2;
        folder /= std::string(std::min<std::size_t>(room, 50), 'd');
    }
    EXPECT_EQ(folder.string().size() + 1, length);
    return folder;
}

TEST_F(HostileFolder, FolderPathOf221CharactersFitsTheTableNames) {
    UseFolder(FolderOfLength(scratch_.path, 221));
    Write(CameraName(1), CalText(GoodFile()));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    EXPECT_TRUE(fs::is_directory(SummaryFolder()));
    EXPECT_EQ(TablePath(1, "FitCoefs").string().size(), 255u);
    EXPECT_EQ(Table(1, "FitCoefs"), TablesOfCleanFiles({GoodFile()}).fit_coefs);
}

TEST_F(HostileFolder, FolderPathOf222CharactersIsRefusedBeforeAnythingIsWritten) {
    UseFolder(FolderOfLength(scratch_.path, 222));
    Write(CameraName(1), CalText(GoodFile()));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + kCancel));
    EXPECT_NE(run.err.find("222 characters"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(SummaryFolder()));
}

TEST_F(HostileFolder, FolderLineWithANulByteIsACancel) {
    // The system takes a path only up to a NUL byte, while the names formed
    // from it went on after it: "<folder>\0x" wrote its tables as
    // "<folder>Summary/...", into a sibling folder.
    Write(CameraName(1), CalText(GoodFile()));
    const fs::path sibling = folder_.string() + "Summary";
    fs::create_directory(sibling);
    WriteFile(sibling / "SummaryCAL001_FitCoefs.txt", "a table of another folder\r\n");
    const ProgramRun run = RunWithInput(folder_.string() + std::string("\0x\n\n", 4));
    EXPECT_EQ(run.out, ConsoleText(kBanner + kCancel));
    EXPECT_EQ(run.err, ConsoleText(folder_.string() + ": a folder path cannot hold a NUL byte\n"));
    EXPECT_FALSE(fs::exists(SummaryFolder()));
}

TEST_F(HostileFolder, OlderTablesOfOtherCamerasSurviveUntouched) {
    fs::create_directory(SummaryFolder());
    const std::vector<std::string> others = {"SummaryCAL007_FitCoefs.txt", "SummaryCAL007_FitStars.txt",
                                             "notes.txt"};
    for (const std::string& name : others) WriteFile(SummaryFolder() / name, "older " + name + "\r\n");
    WriteFile(TablePath(1, "FitCoefs"), "an older table of camera 1, to be replaced\r\n");
    const Snapshot others_before = TakeSnapshot(SummaryFolder(), TablePath(1, "FitCoefs"));
    Write(CameraName(1), CalText(GoodFile()));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));

    const Snapshot others_after = TakeSnapshot(SummaryFolder(), TablePath(1, "FitCoefs"));
    std::map<std::string, std::string> kept;
    for (const auto& [name, description] : others_after) {
        if (others_before.count(name) != 0) kept[name] = description;
    }
    EXPECT_EQ(kept, others_before);
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

// A table name in Summary/ that is a link, to a CAL file or to a device
// that takes nothing: the link is replaced by the table, the file it pointed
// to is not written (the snapshot of everything outside Summary/ tells).
TEST_F(HostileFolder, TableNameThatIsALinkIsReplacedNotWrittenThrough) {
    Write(CameraName(1), CalText(GoodFile()));
    fs::create_directory(SummaryFolder());
    std::error_code error;
    fs::create_symlink(folder_ / CameraName(1), TablePath(1, "FitCoefs"), error);
    // Windows grants symbolic links only to privileged accounts (wine has none).
    if (error) GTEST_SKIP() << "this system cannot create a symbolic link: " << error.message();
    fs::create_symlink("/dev/full", TablePath(1, "FitStars"));
    const ProgramRun run = Run();
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    const CleanTables clean = TablesOfCleanFiles({GoodFile()});
    for (const char* kind : {"FitCoefs", "FitStars"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(TablePath(1, kind)))) << kind;
    }
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
}

#ifndef _WIN32
// The disk fills while a table is written (a limit on the size of the files
// the program may write): the run says which table, waits, ends, and the
// camera's earlier tables stay as they were. Once, the tables were cut short
// and the run reported success.
TEST_F(HostileFolder, TableThatCannotBeWrittenLeavesTheEarlierTables) {
    CalibrationSample content = GoodFile();
    content.stars.resize(600, content.stars[0]);  // 75 KB of star rows a file
    for (int day = 1; day <= 3; ++day) {
        Write(CameraName(1, "_2020010" + std::to_string(day) + "_000000_000.txt"), CalText(content));
    }
    Write(CameraName(2), CalText(GoodFile(2)));
    ASSERT_EQ(Run().out, ConsoleText(kBanner + Summarizing(1) + Summarizing(2) + kClosing));
    const std::string coefs_before = Table(1, "FitCoefs");
    const std::string stars_before = Table(1, "FitStars");
    ASSERT_GT(stars_before.size(), 200000u);

    // One more calibration, and files of at most 64 blocks (32 or 64 KB,
    // by the shell); the signal for a write past the limit is ignored, so
    // the write fails instead.
    Write(CameraName(1, "_20200104_000000_000.txt"), CalText(content));
    shell_prefix_ = "ulimit -f 64; trap '' XFSZ; ";
    const ProgramRun run = Run("\n");
    EXPECT_EQ(run.out,
              ConsoleText(kBanner + Summarizing(1) + " Cannot write " + TablePath(1, "FitStars").string() +
                          " file \n\n Enter any number and CR to exit program \n"));
    EXPECT_EQ(Table(1, "FitCoefs"), coefs_before);
    EXPECT_EQ(Table(1, "FitStars"), stars_before);
}
#endif

// The FitStars table cannot be put in place (its name is taken by a folder
// that is not empty, which no file can be moved over): the run says so as for
// a failed write, and the camera's FitCoefs table, whose new version was
// already complete, keeps its earlier bytes too. Once, the new FitCoefs table
// stood beside the earlier FitStars table. The same holds when the run ends
// part way through the camera, at a file it cannot open.
TEST_F(HostileFolder, TablePairIsPutInPlaceTogetherOrNotAtAll) {
    Write(CameraName(1), CalText(GoodFile()));
    ASSERT_EQ(Run().out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    const std::string coefs_before = Table(1, "FitCoefs");
    fs::remove(TablePath(1, "FitStars"));
    fs::create_directory(TablePath(1, "FitStars"));
    WriteFile(TablePath(1, "FitStars") / "inside.txt", "untouched\n");
    Write(CameraName(1, "_20200102_000000_000.txt"), CalText(GoodFile()));
    const std::string cannot_write_stars = " Cannot write " + TablePath(1, "FitStars").string() + " file \n";

    ProgramRun run = Run("\n");
    EXPECT_EQ(run.out, ConsoleText(kBanner + Summarizing(1) + cannot_write_stars +
                                   "\n Enter any number and CR to exit program \n"));
    EXPECT_EQ(Table(1, "FitCoefs"), coefs_before);
    EXPECT_EQ(ReadFile(TablePath(1, "FitStars") / "inside.txt"), "untouched\n");

    const std::string missing = CameraName(1, "_short.txt");
    Write(missing, CalText(GoodFile()));
    run = Run("42\n");
    EXPECT_EQ(run.out,
              ConsoleText(kBanner + Summarizing(1) + " Cannot open calibration file " + folder_.string() +
                          kSeparator + missing + "\n for reading \n" + cannot_write_stars));
    EXPECT_EQ(Table(1, "FitCoefs"), coefs_before);
    EXPECT_EQ(ReadFile(TablePath(1, "FitStars") / "inside.txt"), "untouched\n");
}

// A run killed part way through a camera leaves its table files in Summary/
// (once, 55 MB of them stayed for good). The next run removes those of
// processes that have ended, with a line each on standard error, and leaves
// those of a running process (this test's: another run may be writing them)
// and every other name; its tables and console text are those of a run that
// met none.
TEST_F(HostileFolder, LeftoverTableFilesOfEndedRunsAreRemoved) {
    Write(CameraName(1), CalText(GoodFile()));
    const ProgramRun clean_run = Run();
    const CleanTables clean = {Table(1, "FitCoefs"), Table(1, "FitStars")};
#ifdef _WIN32
    const std::string running = std::to_string(_getpid());
#else
    const std::string running = std::to_string(getpid());
#endif
    const std::string ended = "2147483644";  // no system in use gives this number out
    const std::vector<std::string> removed = {"~CAL001_FitCoefs." + ended,
                                              "~CAL002_FitStars." + ended + "-1"};
    kept_in_summary_ = {"~CAL001_FitCoefs." + running, "~CAL001_FitStars.txt", "~notes." + ended,
                        "CAL001_FitStars." + ended, "~CAL003_FitCoefs." + ended};
    for (const std::string& name : removed) WriteFile(SummaryFolder() / name, std::string(100000, 'x'));
    for (std::size_t i = 0; i + 1 < kept_in_summary_.size(); ++i) {
        WriteFile(SummaryFolder() / kept_in_summary_[i], "kept " + std::to_string(i));
    }
    fs::create_directory(SummaryFolder() / kept_in_summary_.back());

    const ProgramRun run = Run();
    EXPECT_EQ(run.out, clean_run.out);
    EXPECT_EQ(Table(1, "FitCoefs"), clean.fit_coefs);
    EXPECT_EQ(Table(1, "FitStars"), clean.fit_stars);
    std::size_t notice_bytes = clean_run.err.size();
    for (const std::string& name : removed) {
        EXPECT_FALSE(fs::exists(SummaryFolder() / name)) << name;
        const std::string notice =
            ConsoleText(" Removed leftover table file " + folder_.string() + kSeparator + "Summary" +
                        kSeparator + name + " of ended process " + ended + " \n");
        EXPECT_NE(run.err.find(notice), std::string::npos) << run.err;
        notice_bytes += notice.size();
    }
    EXPECT_EQ(run.err.size(), notice_bytes) << run.err;
    for (std::size_t i = 0; i + 1 < kept_in_summary_.size(); ++i) {
        EXPECT_EQ(ReadFile(SummaryFolder() / kept_in_summary_[i]), "kept " + std::to_string(i));
    }
    EXPECT_TRUE(fs::is_directory(SummaryFolder() / kept_in_summary_.back()));
}

// A run killed while it put a camera's pair in place left the camera's
// earlier FitCoefs table under a name of its own: the next run puts it back
// when the new pair was not complete (the final name empty, or the new
// FitStars file still waiting), and removes it when the pair was in place.
TEST_F(HostileFolder, AnEarlierTableAKilledRunMovedAsideIsPutBackOrRemoved) {
    Write(CameraName(1), CalText(GoodFile()));
    ASSERT_EQ(Run().out, ConsoleText(kBanner + Summarizing(1) + kClosing));
    const std::string earlier = Table(1, "FitCoefs");
    // From now on the folder holds camera 2 only, so camera 1's tables are
    // left as the test leaves them.
    fs::remove(folder_ / CameraName(1));
    Write(CameraName(2), CalText(GoodFile()));
    const std::string ended = "2147483644";
    const fs::path aside = SummaryFolder() / ("~CAL001_FitCoefs." + ended + ".earlier");
    const fs::path waiting_stars = SummaryFolder() / ("~CAL001_FitStars." + ended);
    const auto put_back_notice = [&]() {
        return ConsoleText(" Put back earlier table file " + TablePath(1, "FitCoefs").string() +
                           " that ended process " + ended + " had moved aside \n");
    };

    // Killed after moving the earlier table aside: its name is empty.
    fs::rename(TablePath(1, "FitCoefs"), aside);
    ProgramRun run = Run();
    EXPECT_EQ(Table(1, "FitCoefs"), earlier);
    EXPECT_FALSE(fs::exists(aside));
    EXPECT_NE(run.err.find(put_back_notice()), std::string::npos) << run.err;

    // Killed after the new FitCoefs table, before the new FitStars table.
    WriteFile(aside, earlier);
    WriteFile(TablePath(1, "FitCoefs"), "new\r\n");
    WriteFile(waiting_stars, "new stars\r\n");
    run = Run();
    EXPECT_EQ(Table(1, "FitCoefs"), earlier);
    EXPECT_FALSE(fs::exists(waiting_stars));
    EXPECT_NE(run.err.find(put_back_notice()), std::string::npos) << run.err;

    // Killed after both were in place: the earlier table is obsolete.
    WriteFile(aside, earlier);
    WriteFile(TablePath(1, "FitCoefs"), "new\r\n");
    run = Run();
    EXPECT_EQ(Table(1, "FitCoefs"), "new\r\n");
    EXPECT_FALSE(fs::exists(aside));
    EXPECT_NE(run.err.find("Removed leftover table file"), std::string::npos) << run.err;
}

}  // namespace

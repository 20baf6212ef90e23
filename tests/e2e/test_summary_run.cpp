// The built program run end to end with piped input on folders made here:
// console transcript, tables byte for byte, and every way the run ends.
#include <gtest/gtest.h>

#include <string>

#include "program_run.h"

namespace fs = std::filesystem;

namespace {

const std::string kFitCoefsHeader =
    "  Calib     Cal Time     RA-Cen DEC-Cen AzimCen ElevCen  Arcmin CamTilt    Xcoef[0]       Xcoef[1]    "
    "   Xcoef[2]       Xcoef[3]       Xcoef[4]       Xcoef[5]       Xcoef[6]       Xcoef[7]       Xcoef[8]  "
    "     Xcoef[9]       Ycoef[0]       Ycoef[1]       Ycoef[2]       Ycoef[3]       Ycoef[4]       Ycoef[5]"
    "       Ycoef[6]       Ycoef[7]       Ycoef[8]       Ycoef[9]   \r\n"
    "   Date        UT           deg     deg     deg     deg  /pixel     deg        1              x       "
    "       y             xx             xy             yy            xxx            xxy            xyy    "
    "        yyy              1              x              y             xx             xy             yy "
    "           xxx            xxy            xyy            yyy      \r\n"
    "---------- ------------ ------- ------- ------- ------- ------- ------- -------------- -------------- --"
    "------------ -------------- -------------- -------------- -------------- -------------- --------------"
    " -------------- -------------- -------------- -------------- -------------- -------------- -----------"
    "--- -------------- -------------- -------------- --------------\r\n";
const std::string kFitStarsHeader =
    "  Calib      Cal Time       O-C     O-C  MagFit  Magfit FluxFit FluxFit    Star-RA  Star-Dec   Star   "
    "Log10   Log10     O-C\r\n"
    "   Date         UT         mean   sigma   Slope   Icept   Slope   Icept        deg       deg     Mv   "
    "Inten    Flux  ArcMin\r\n"
    "---------- ------------ ------- ------- ------- ------- ------- -------  --------- --------- ------ ----"
    "--- ------- -------\r\n";
// An unused or zero coefficient column with its separator.
const std::string kZero = "  0.000000e+000";

std::string Repeat(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

// Camera 3, order 3, two stars.
CalibrationSample OrderThreeFile() {
    return SampleCalibration(3, 3);
}

const std::string kOrderThreeCoefs =
    " -1.230000e-002  4.160000e-002  1.100000e-003  2.000000e-007 -3.000000e-007  4.000000e-007"
    "  1.000000e-009 -2.000000e-009  3.000000e-009 -4.000000e-009"
    "  2.110000e-002 -1.200000e-003  4.170000e-002  5.000000e-007  6.000000e-007 -7.000000e-007"
    "  2.000000e-009  3.000000e-009 -1.000000e-009  5.000000e-009";
const std::string kOrderThreeCalibration = "   0.412   0.187   -2.51   12.35   -0.40    8.12";
const std::string kOrderThreeStars = "  201.29824 -11.16132   0.98   3.512   4.000   0.250\r\n";
const std::string kOrderThreeStar2 = "  187.00000  -3.50000   4.25   2.125   2.500   1.375\r\n";

// Camera 3, order 2, one star, a day later.
CalibrationSample OrderTwoFile() {
    CalibrationSample c = BaseSample(3);
    c.time = {2013, 12, 15, 4, 10, 0, 0};
    SetPointing(c, {10, 89.5, 0.5, 38.75, 2.75, 0});
    SetPolynomial(c, 2, {0.001, 0.0458, -0.0004, 1e-6, 2e-6, 3e-6},
                  {-0.002, 0.0005, 0.0459, -1e-6, -2e-6, -3e-6});
    SetFits(c, {1.5, 0.75, -2.5, 11, -0.4, 7.5});
    c.stars = {StarOfColumns({359.99999, 88.12345, 0, 0, 2.0, 0, 0, 0, 3.0, 0, 3.5, 0.5})};
    return c;
}

// Camera 12, order 1, no stars (written with CR LF line ends).
CalibrationSample OrderOneFile() {
    CalibrationSample c = BaseSample(12);
    c.time = {2014, 1, 2, 23, 59, 59, 999};
    SetPointing(c, {300, 40, 180, 60, 3, 2.5});
    SetPolynomial(c, 1, {0, 0.05}, {0, 0, 0.05});
    return c;
}

CalTextOptions CrLf() {
    CalTextOptions options;
    options.crlf = true;
    return options;
}

// The folder of the main run: cameras 3, 3, 12, 3 in listing order (the last
// name parses as camera 3 and sorts after CAL012), and names that are skipped.
void MakeCalibrationFolder(const fs::path& folder) {
    fs::create_directory(folder);
    WriteFile(folder / "CAL003_20131214_031502_250.txt", CalText(OrderThreeFile()));
    WriteFile(folder / "CAL003_20131215_041000_000.txt", CalText(OrderTwoFile()));
    WriteFile(folder / "CAL012_20140102_235959_999.txt", CalText(OrderOneFile(), CrLf()));
    CalibrationSample later = OrderThreeFile();
    later.time = {2013, 12, 16, 0, 0, 0, 0};
    WriteFile(folder / "CAL3_20131216_000000_000xx.txt", CalText(later));
    // Listed (the pattern ignores case) but without an upper-case "CAL" and a number.
    WriteFile(folder / "cal099_20131214_000000_000.txt", CalText(OrderOneFile(), CrLf()));
    WriteFile(folder / "CALIBRATION_notes.txt", "not a calibration\n");
    WriteFile(folder / "readme.txt", "not a calibration\n");
}

const std::string kCamera3FitCoefs =
    kFitCoefsHeader + "12/14/2013 03:15:02.250 123.456  -5.500 270.000  45.250   2.500  -1.125" +
    kOrderThreeCoefs + "\r\n" + "12/15/2013 04:10:00.000  10.000  89.500   0.500  38.750   2.750   0.000" +
    "  1.000000e-003  4.580000e-002 -4.000000e-004  1.000000e-006  2.000000e-006  3.000000e-006" +
    Repeat(kZero, 4) +
    " -2.000000e-003  5.000000e-004  4.590000e-002 -1.000000e-006 -2.000000e-006 -3.000000e-006" +
    Repeat(kZero, 4) + "\r\n" + "12/16/2013 00:00:00.000 123.456  -5.500 270.000  45.250   2.500  -1.125" +
    kOrderThreeCoefs + "\r\n";

const std::string kCamera3FitStars = kFitStarsHeader + "12/14/2013 03:15:02.250" + kOrderThreeCalibration +
                                     kOrderThreeStars + "12/14/2013 03:15:02.250" + kOrderThreeCalibration +
                                     kOrderThreeStar2 +
                                     "12/15/2013 04:10:00.000   1.500   0.750   -2.50   11.00   -0.40    7.50"
                                     "  359.99999  88.12345   2.00   3.000   3.500   0.500\r\n" +
                                     "12/16/2013 00:00:00.000" + kOrderThreeCalibration + kOrderThreeStars +
                                     "12/16/2013 00:00:00.000" + kOrderThreeCalibration + kOrderThreeStar2;

const std::string kCamera12FitCoefs =
    kFitCoefsHeader + "01/02/2014 23:59:59.999 300.000  40.000 180.000  60.000   3.000   2.500" + kZero +
    "  5.000000e-002" + Repeat(kZero, 10) + "  5.000000e-002" + Repeat(kZero, 7) + "\r\n";

}  // namespace

TEST(SummaryRun, WritesTablesOfEveryCameraInFirstAppearanceOrder) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "calibrations";
    MakeCalibrationFolder(folder);

    const ProgramRun run = RunProgram(scratch.path, folder.string() + "\n\n");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.out, ConsoleText(kBanner + "Summarizing Camera 3\nSummarizing Camera 12\n" + kClosing));
    EXPECT_EQ(run.err, "");

    const fs::path summary = folder / "Summary";
    EXPECT_EQ(ReadFile(summary / "SummaryCAL003_FitCoefs.txt"), kCamera3FitCoefs);
    EXPECT_EQ(ReadFile(summary / "SummaryCAL003_FitStars.txt"), kCamera3FitStars);
    EXPECT_EQ(ReadFile(summary / "SummaryCAL012_FitCoefs.txt"), kCamera12FitCoefs);
    EXPECT_EQ(ReadFile(summary / "SummaryCAL012_FitStars.txt"), kFitStarsHeader);
    EXPECT_EQ(std::distance(fs::directory_iterator(summary), fs::directory_iterator()), 4);
}

TEST(SummaryRun, SecondRunReplacesTheTables) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "calibrations";
    MakeCalibrationFolder(folder);
    ASSERT_EQ(RunProgram(scratch.path, folder.string() + kSeparator + "\n").exit_status, 1);

    fs::remove(folder / "CAL003_20131215_041000_000.txt");
    fs::remove(folder / "CAL3_20131216_000000_000xx.txt");
    const ProgramRun run = RunProgram(scratch.path, folder.string() + kSeparator + "\n");
    EXPECT_EQ(run.exit_status, 1);
    EXPECT_EQ(run.err, "");
    const std::string coefs = ReadFile(folder / "Summary" / "SummaryCAL003_FitCoefs.txt");
    EXPECT_EQ(coefs, kCamera3FitCoefs.substr(0, kFitCoefsHeader.size() + 373));
}

TEST(SummaryRun, EmptyFolderGetsSummaryFolderAndNoTables) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "empty folder";
    fs::create_directory(folder);
    // The folder line may end as a script written on either platform ends it.
    for (const std::string line_end : {"\n", "\r\n"}) {
        fs::remove(folder / "Summary");
        const ProgramRun run = RunProgram(scratch.path, folder.string() + line_end);
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.out, ConsoleText(kBanner + kClosing));
        EXPECT_TRUE(fs::is_directory(folder / "Summary"));
        EXPECT_TRUE(fs::is_empty(folder / "Summary"));
    }
}

TEST(SummaryRun, CancelWaitsForAKeyAndCreatesNothing) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "calibrations";
    MakeCalibrationFolder(folder);
    const std::string missing = (folder / "missing").string();
    const std::string plain_file = (folder / "CALIBRATION_notes.txt").string();
    // After each answer that cancels comes a folder line, which the closing
    // wait must take as its key: had the run asked again, it would have
    // summarized that folder. No input at all ends the wait at once.
    const std::string then = folder.string() + "\n";
    const struct {
        std::string input;
        std::string err;
    } cases[] = {{"\n" + then, ""},
                 {"", ""},
                 {missing + "\n" + then, missing + ": no such folder\n"},
                 {plain_file + "\n" + then, plain_file + ": not a folder\n"}};
    for (const auto& c : cases) {
        const ProgramRun run = RunProgram(folder, c.input);
        EXPECT_EQ(run.exit_status, 1) << c.input;
        EXPECT_EQ(run.out, ConsoleText(kBanner + kCancel)) << c.input;
        EXPECT_EQ(run.err, ConsoleText(c.err)) << c.input;
        EXPECT_FALSE(fs::exists(folder / "Summary")) << c.input;
        EXPECT_FALSE(fs::exists(folder / "missing")) << c.input;
    }
}

TEST(SummaryRun, SummaryBlockedByAPlainFileFailsOnTheFirstTable) {
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "calibrations";
    MakeCalibrationFolder(folder);
    WriteFile(folder / "Summary", "in the way\n");

    // The message shows the table name as formed: a folder that already ends
    // with the separator (as a drive root does) gets no second one.
    for (const std::string& entered : {folder.string(), folder.string() + kSeparator}) {
        const ProgramRun run = RunProgram(scratch.path, entered + "\n");
        EXPECT_EQ(run.exit_status, 1);
        EXPECT_EQ(run.out, ConsoleText(kBanner + "Summarizing Camera 3\n Cannot open " + folder.string() +
                                       kSeparator + "Summary" + kSeparator +
                                       "SummaryCAL003_FitCoefs.txt file for writing \n"
                                       "\n Enter any number and CR to exit program \n"))
            << entered;
        EXPECT_NE(run.err.find("Summary"), std::string::npos);
        EXPECT_EQ(ReadFile(folder / "Summary"), "in the way\n");
    }
}

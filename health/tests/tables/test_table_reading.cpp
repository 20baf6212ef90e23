// Reading the summary tables back: times, numbers, rows as the summary
// program writes them (widened, with CR LF, damaged), and the join of a
// camera's two tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "common/civil_time.h"
#include "health/tables/camera_tables.h"
#include "health/tables/line_reader.h"
#include "health/tables/number_scan.h"
#include "health/tables/regular_file.h"
#include "health/tables/stars_table.h"
#include "health/tables/table_folder.h"
#include "health/tables/table_row_parse.h"
#include "health/tables/table_time.h"
#include "tests/support/scratch_folder.h"
#include "tools/split_mix.h"

namespace {

namespace fs = std::filesystem;

// Rows written by Norv_CalSummary for the sample calibrations.
const std::string kCoefsRow =
    "12/16/2013 23:59:01.003  52.442  60.987  12.108  35.211   2.907  -1.100 -1.979327e-003  4.837910e-002 "
    "-2.620118e-003  4.962696e-008 -8.447331e-007 -4.421242e-007  0.000000e+000  0.000000e+000  "
    "0.000000e+000  "
    "0.000000e+000 -6.515518e-004  2.620118e-003  4.837910e-002  5.573666e-007 -9.547769e-007  5.049076e-007 "
    " "
    "0.000000e+000  0.000000e+000  0.000000e+000  0.000000e+000";
const std::string kStarsRow =
    "12/14/2013 04:00:12.500   0.749   0.478   -2.54   11.73   -0.38    6.71  130.33930  56.58812   3.63   "
    "3.174   "
    "5.423   1.717";
const std::string kCoefsHeader[3] = {
    "  Calib     Cal Time     RA-Cen DEC-Cen AzimCen ElevCen  Arcmin CamTilt    Xcoef[0]",
    "   Date        UT           deg     deg     deg     deg  /pixel     deg        1",
    "---------- ------------ ------- ------- ------- ------- ------- ------- ---------"};

struct TimeCase {
    const char* date;
    const char* time;
    const char* iso;  // nullptr: not a valid time
};

class TableTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(TableTimeTest, ParsesValidTimesAndRefusesTheRest) {
    const std::optional<std::int64_t> ms = ParseTableTime(GetParam().date, GetParam().time);
    if (GetParam().iso == nullptr) {
        EXPECT_FALSE(ms.has_value());
        return;
    }
    ASSERT_TRUE(ms.has_value());
    EXPECT_EQ(IsoTime(*ms), GetParam().iso);
    EXPECT_EQ(ParseIsoTime(GetParam().iso), ms);
}

INSTANTIATE_TEST_SUITE_P(Dates, TableTimeTest,
                         ::testing::Values(TimeCase{"01/01/1970", "00:00:00.000", "1970-01-01T00:00:00.000"},
                                           TimeCase{"12/14/2013", "04:00:12.500", "2013-12-14T04:00:12.500"},
                                           TimeCase{"02/29/2016", "23:59:59.999", "2016-02-29T23:59:59.999"},
                                           TimeCase{"03/01/1900", "12:00:00.001", "1900-03-01T12:00:00.001"},
                                           TimeCase{"01/01/0001", "00:00:00.000", "0001-01-01T00:00:00.000"},
                                           TimeCase{"12/31/9999", "23:59:59.999", "9999-12-31T23:59:59.999"},
                                           TimeCase{"02/29/2015", "00:00:00.000", nullptr},
                                           TimeCase{"02/29/1900", "00:00:00.000", nullptr},
                                           TimeCase{"13/01/2014", "00:00:00.000", nullptr},
                                           TimeCase{"12/32/2014", "00:00:00.000", nullptr},
                                           TimeCase{"12/14/2013", "24:00:00.000", nullptr},
                                           TimeCase{"12/14/2013", "04:60:00.000", nullptr},
                                           TimeCase{"12/14/2013", "04:00:12.5", nullptr},
                                           TimeCase{"2013-12-14", "04:00:12.500", nullptr},
                                           TimeCase{"12/14/2O13", "04:00:12.500", nullptr}));

struct NumberCase {
    const char* token;
    bool valid;
    double value;
};

class NumberTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(NumberTest, ReadsFiniteDecimalNumbersExactly) {
    double value = -1.0;
    EXPECT_EQ(ParseFiniteNumber(GetParam().token, value), GetParam().valid);
    EXPECT_EQ(IsFiniteNumber(GetParam().token), GetParam().valid);
    if (GetParam().valid) {
        EXPECT_EQ(value, GetParam().value);
    }
}

INSTANTIATE_TEST_SUITE_P(Tokens, NumberTest,
                         ::testing::Values(NumberCase{"130.33930", true, 130.33930},
                                           NumberCase{"-2.54", true, -2.54}, NumberCase{"+7", true, 7.0},
                                           NumberCase{"0.000000e+000", true, 0.0},
                                           NumberCase{"-1.979327e-003", true, -1.979327e-3},
                                           NumberCase{"1234567890.123456789", true, 1234567890.123456789},
                                           NumberCase{".5", true, 0.5}, NumberCase{"-nan", false, 0},
                                           NumberCase{"inf", false, 0}, NumberCase{"1e999", false, 0},
                                           NumberCase{"12a", false, 0}, NumberCase{"-", false, 0},
                                           NumberCase{"+-7", false, 0}, NumberCase{"+-.5e1", false, 0},
                                           NumberCase{"", false, 0}, NumberCase{"1.2.3", false, 0}));

TEST(Numbers, TheScannerReadsEveryTokenAsTheGeneralReaderDoes) {
    // Fixed-point and exponent tokens as the tables print them, longer and
    // odder ones, and damaged ones: the scanner accepts the same tokens as
    // the general reader and gives the same doubles.
    SplitMix64 rng = StreamFor(9, 1);
    const char* const kFormats[] = {"%.6e", "%.3e", "%.15e", "%.17e", "%.2f", "%.5f", "%.0f", "%g", "%.9g"};
    int exponents = 0;
    for (int k = 0; k < 300000; ++k) {
        char token[64];
        const double value = (NextUnit(rng) < 0.5 ? -1 : 1) * std::pow(10.0, UniformIn(rng, -30.0, 30.0));
        std::snprintf(token, sizeof token, kFormats[k % 9], value);
        std::string text(token);
        if (k % 5 == 4)
            text[static_cast<std::size_t>(UniformInt(rng, 0, static_cast<int>(text.size()) - 1))] =
                "0.e-+x5"[UniformInt(rng, 0, 6)];
        if (k % 7 == 6) text.insert(text.find('e') == std::string::npos ? 0 : text.find('e') + 1, "00");
        double general = 0.0;
        const bool general_accepts = ParseFiniteNumber(text, general);
        const std::string line = "  " + text + " ";
        const char* cursor = line.data();
        double scanned = 0.0;
        const bool scanner_accepts = ScanNumber(cursor, line.data() + line.size(), &scanned);
        ASSERT_EQ(scanner_accepts, general_accepts) << text;
        if (!general_accepts) continue;
        ASSERT_EQ(std::signbit(scanned), std::signbit(general)) << text;
        ASSERT_EQ(scanned, general) << text;
        cursor = line.data();
        ASSERT_TRUE(ScanNumber(cursor, line.data() + line.size(), nullptr)) << text;
        exponents += text.find('e') != std::string::npos;
    }
    EXPECT_GT(exponents, 100000);
}

TEST(TableRows, ReadsARealFitCoefsRow) {
    CoefsRow row{};
    ASSERT_EQ(ParseCoefsRow(kCoefsRow, row), nullptr);
    EXPECT_EQ(IsoTime(row.time_ms), "2013-12-16T23:59:01.003");
    EXPECT_EQ(row.azimuth_deg, 12.108);
    EXPECT_EQ(row.elevation_deg, 35.211);
    EXPECT_EQ(row.arcmin_per_pixel, 2.907);
    EXPECT_EQ(row.tilt_deg, -1.1);
    EXPECT_EQ(row.xcoef[1], 4.837910e-002);
    EXPECT_EQ(row.ycoef[2], 4.837910e-002);
    EXPECT_EQ(row.ycoef[5], 5.049076e-007);
}

TEST(TableRows, AWidenedValueWidensItsRowAndStillReads) {
    // An azimuth of 1234.5678 does not fit "%7.3f": the row gets longer,
    // values stay blank-separated.
    std::string widened = kCoefsRow;
    widened.replace(widened.find("  12.108"), 8, " 1234.568");
    CoefsRow row{};
    ASSERT_EQ(ParseCoefsRow(widened, row), nullptr);
    EXPECT_EQ(row.azimuth_deg, 1234.568);
    EXPECT_EQ(row.elevation_deg, 35.211);
}

TEST(TableRows, DamagedRowsSayWhy) {
    CoefsRow row{};
    EXPECT_STREQ(ParseCoefsRow(kCoefsRow.substr(0, 200), row), "too few values");
    EXPECT_STREQ(ParseCoefsRow(kCoefsRow + " 1.0", row), "too many values");
    std::string text_value = kCoefsRow;
    text_value.replace(text_value.find("35.211"), 6, "35.2x1");
    EXPECT_STREQ(ParseCoefsRow(text_value, row), "a value is not a finite number");
    std::string two_signs = kCoefsRow;
    two_signs.replace(two_signs.find(" 35.211"), 7, "+-35.21");
    EXPECT_STREQ(ParseCoefsRow(two_signs, row), "a value is not a finite number");
    EXPECT_STREQ(ParseCoefsRow("13/16/2013 23:59:01.003" + kCoefsRow.substr(23), row),
                 "not a date MM/DD/YYYY and a time HH:MM:SS.mmm");
}

TEST(TableRows, ReadsARealFitStarsRowInTwoParts) {
    StarsCalibrationColumns columns{};
    std::size_t rest = 0;
    ASSERT_EQ(ParseStarsCalibrationColumns(kStarsRow, columns, rest), nullptr);
    EXPECT_EQ(columns.oc_sigma_arcmin, 0.478);
    EXPECT_EQ(columns.magfit_slope, -2.54);
    EXPECT_EQ(kStarsRow.substr(0, rest).size(), 71u);
    StarColumns star{};
    ASSERT_EQ(ParseStarColumns(std::string_view(kStarsRow).substr(rest), star), nullptr);
    EXPECT_EQ(star.mv, 3.63);
    EXPECT_EQ(star.log10_inten, 3.174);
    EXPECT_STREQ(ParseStarColumns("  130.33930  56.58812   3.63   3.174   5.423", star), "too few values");
    // Values beyond a float would make a calibration's percentiles infinite.
    EXPECT_STREQ(ParseStarColumns("  130.33930  56.58812   4e38   3.174   5.423   1.717", star),
                 "a magnitude or intensity out of range");
    EXPECT_STREQ(ParseStarColumns("  130.33930  56.58812   3.63   -1e31   5.423   1.717", star),
                 "a magnitude or intensity out of range");
}

// The star columns' layout read plainly: each field right-aligned, blanks,
// an optional minus sign, one digit or more, the point, its decimals; the
// fields after two blanks and then one blank each.
bool PlainlyAsWritten(const std::string& rest) {
    constexpr int kStart[6] = {2, 12, 22, 29, 37, 45};
    constexpr int kWidth[6] = {9, 9, 6, 7, 7, 7};
    constexpr int kDecimals[6] = {5, 5, 2, 3, 3, 3};
    if (rest.size() != kStarColumnsWritten || rest[0] != ' ' || rest[1] != ' ') return false;
    for (int f = 0; f < 6; ++f) {
        if (f > 0 && rest[static_cast<std::size_t>(kStart[f] - 1)] != ' ') return false;
        const std::string field =
            rest.substr(static_cast<std::size_t>(kStart[f]), static_cast<std::size_t>(kWidth[f]));
        const std::size_t point = field.size() - static_cast<std::size_t>(kDecimals[f]) - 1;
        std::size_t i = 0;
        while (i < point && field[i] == ' ') ++i;
        if (i < point && field[i] == '-') ++i;
        if (i == point || field[point] != '.') return false;
        for (; i < field.size(); ++i) {
            if (i != point && (field[i] < '0' || field[i] > '9')) return false;
        }
    }
    return true;
}

TEST(TableRows, StarColumnsAsWrittenAreReadAsTheGeneralReaderReadsThem) {
    // Columns printed as the summary program prints them, then the same
    // with one character changed to one of those that matter (digit,
    // blank, sign, point, letter): accepted exactly when the plain reading
    // accepts, and then with the values the general number reader gives.
    SplitMix64 rng = StreamFor(3, 4);
    const char kSwaps[] = "0123456789 -.+eE\tx";
    int accepted = 0;
    for (int k = 0; k < 200000; ++k) {
        char text[128];
        const double mv = UniformIn(rng, -9.99, 99.99);
        const double log_inten = UniformIn(rng, -9.999, 99.999);
        std::snprintf(text, sizeof text, "  %9.5f %9.5f %6.2f %7.3f %7.3f %7.3f", UniformIn(rng, 0.0, 359.9),
                      UniformIn(rng, -89.9, 89.9), mv, log_inten, UniformIn(rng, -9.9, 9.9),
                      UniformIn(rng, -9.9, 99.9));
        std::string rest(text);
        if (k % 2 == 1) {
            rest[static_cast<std::size_t>(UniformInt(rng, 0, static_cast<int>(rest.size()) - 1))] =
                kSwaps[UniformInt(rng, 0, static_cast<int>(sizeof kSwaps) - 2)];
        }
        if (rest.size() != kStarColumnsWritten) continue;
        StarColumns fixed{};
        const bool as_written = ReadStarColumnsAsWritten(rest.data(), fixed);
        ASSERT_EQ(as_written, PlainlyAsWritten(rest)) << '"' << rest << '"';
        if (k % 2 == 0) {
            ASSERT_TRUE(as_written) << '"' << rest << '"';
        }
        if (!as_written) continue;
        ++accepted;
        const char* cursor = rest.data();
        double values[6];
        for (double& v : values) ASSERT_TRUE(ScanNumber(cursor, rest.data() + rest.size(), &v)) << rest;
        ASSERT_EQ(fixed.mv, values[2]) << rest;
        ASSERT_EQ(fixed.log10_inten, values[3]) << rest;
    }
    EXPECT_GT(accepted, 100000);
}

TEST(TableRows, HeaderAndBlankLinesAreRecognised) {
    for (const std::string& line : kCoefsHeader) EXPECT_TRUE(LooksLikeHeaderLine(line));
    EXPECT_FALSE(LooksLikeHeaderLine(kCoefsRow));
    EXPECT_TRUE(IsBlankLine("  \t "));
    EXPECT_FALSE(IsBlankLine(" x"));
}

TEST(LineReader, TakesLineFeedAndCarriageReturnLineEndsAndALastLineWithout) {
    ScratchFolder folder;
    // Longer than the reader's first buffer, so lines cross its refills.
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "line " + std::to_string(i) + (i % 2 ? "\r\n" : "\n");
    text += "last";
    WriteFile(folder.path / "t.txt", text);
    LineReader reader(folder.path / "t.txt");
    ASSERT_TRUE(reader.IsOpen());
    std::string_view line;
    for (int i = 0; i < 30000; ++i) {
        ASSERT_TRUE(reader.Next(line));
        ASSERT_EQ(line, "line " + std::to_string(i));
        ASSERT_EQ(reader.LineNumber(), i + 1);
    }
    ASSERT_TRUE(reader.Next(line));
    EXPECT_EQ(line, "last");
    EXPECT_FALSE(reader.Next(line));
    EXPECT_FALSE(LineReader(folder.path / "missing.txt").IsOpen());
}

TEST(LineReader, CutsAnOverlongLineAndGoesOnAfterIt) {
    ScratchFolder folder;
    const std::string huge(LineReader::kMaxLineBytes + 5000, 'x');
    WriteFile(folder.path / "t.txt", "first\n" + huge + "\nafter\n");
    LineReader reader(folder.path / "t.txt");
    std::string_view line;
    ASSERT_TRUE(reader.Next(line));
    ASSERT_TRUE(reader.Next(line));
    EXPECT_TRUE(reader.WasCut());
    EXPECT_EQ(line.size(), LineReader::kMaxLineBytes);
    ASSERT_TRUE(reader.Next(line));
    EXPECT_FALSE(reader.WasCut());
    EXPECT_EQ(line, "after");
    EXPECT_EQ(reader.LineNumber(), 3);
}

// Tables of one camera: two calibrations in the FitCoefs table, written out
// of time order, one of them twice; star rows for the first calibration, one
// damaged, and star rows of a time no FitCoefs row has.
TEST(CameraTables, JoinsStarRowsToTheirCalibrationAndReportsWhatItSkips) {
    ScratchFolder folder;
    const fs::path summary = folder.path / "Summary";
    fs::create_directories(summary);
    std::string coefs;
    for (const std::string& h : kCoefsHeader) coefs += h + "\r\n";
    std::string early = kCoefsRow;
    early.replace(0, 23, "12/14/2013 04:00:12.500");
    coefs += kCoefsRow + "\r\n" + early + "\r\n" + "garbage row\r\n" + kCoefsRow + "\r\n";
    WriteFile(summary / "SummaryCAL007_FitCoefs.txt", coefs);
    std::string stars = "  Calib\r\n   Date\r\n-----\r\n";
    const std::string prefix = kStarsRow.substr(0, 71);
    stars += prefix + "  130.33930  56.58812   3.00   3.000   5.423   1.717\r\n";
    stars += prefix + "  130.33930  56.58812   4.00   2.600   5.423   1.717\r\n";
    stars += prefix + "  130.33930  56.58812   oops   2.600   5.423   1.717\r\n";
    stars += prefix + "  130.33930  56.58812   5.00   2.200   5.423   1.717\r\n";
    stars += "01/01/2014" + prefix.substr(10) + "  1.0 2.0 3.0 4.0 5.0 6.0\r\n";
    WriteFile(summary / "SummaryCAL007_FitStars.txt", stars);

    fs::path tables_folder;
    std::string error;
    std::vector<TableProblem> notes;
    const std::vector<CameraTablePaths> found = FindSummaryTables(folder.path, tables_folder, error, notes);
    ASSERT_EQ(found.size(), 1u) << error;
    EXPECT_EQ(tables_folder, summary);
    EXPECT_EQ(found[0].camera, 7);
    std::vector<TableProblem> problems;
    const CameraTables tables = ReadCameraTables(found[0], problems);

    ASSERT_EQ(tables.calibrations.size(), 2u);
    EXPECT_EQ(IsoTime(tables.calibrations[0].time_ms), "2013-12-14T04:00:12.500");
    EXPECT_EQ(tables.calibrations[0].coefs_line, 5);
    EXPECT_EQ(tables.calibrations[0].star_count, 3);
    EXPECT_DOUBLE_EQ(tables.calibrations[0].mean_mv, 4.0);
    EXPECT_NEAR(tables.calibrations[0].median_log_inten, 2.6, 1e-6);
    EXPECT_NEAR(tables.calibrations[0].faint_limit_mag, 4.8, 1e-6);
    EXPECT_EQ(tables.calibrations[0].oc_sigma_arcmin, 0.478);
    // Stars follow Mv = 11.73 - 2.54 L, the linear form.
    EXPECT_EQ(tables.calibrations[0].magfit_form_vote, -1);
    EXPECT_EQ(tables.calibrations[1].star_count, 0);
    EXPECT_TRUE(std::isnan(tables.calibrations[1].oc_sigma_arcmin));
    ASSERT_EQ(tables.duplicates.size(), 1u);
    EXPECT_EQ(tables.duplicates[0].rows, 2);
    EXPECT_TRUE(tables.duplicates[0].identical);

    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(problems[0].table, "SummaryCAL007_FitCoefs.txt");
    EXPECT_EQ(problems[0].line, 6);
    EXPECT_EQ(problems[1].table, "SummaryCAL007_FitStars.txt");
    EXPECT_EQ(problems[1].line, 6);
    EXPECT_EQ(problems[2].line, 0);  // the star rows of an unknown time, counted
    EXPECT_NE(problems[2].what.find("1 star rows"), std::string::npos);
}

TEST(CameraTables, RowsOfOneTimeAreIdenticalOnlyWhenEveryValueIs) {
    // The same row again with one value changed that the calibration does
    // not keep (its RA, its constant y term), and once more spaced otherwise.
    std::string other_ra = kCoefsRow;
    other_ra.replace(other_ra.find("  52.442"), 8, "  52.443");
    std::string other_y0 = kCoefsRow;
    other_y0.replace(other_y0.find("-6.515518e-004"), 14, "-6.515518e-005");
    std::string spaced = kCoefsRow;
    spaced.replace(spaced.find("  52.442"), 8, " 52.4420");
    ScratchFolder folder;
    CameraTablePaths paths;
    paths.camera = 7;
    paths.coefs = folder.path / "SummaryCAL007_FitCoefs.txt";
    for (const auto& [second, identical] : {std::pair{other_ra, false}, {other_y0, false}, {spaced, true}}) {
        WriteFile(paths.coefs, kCoefsRow + "\r\n" + second + "\r\n");
        std::vector<TableProblem> problems;
        const CameraTables tables = ReadCameraTables(paths, problems);
        ASSERT_EQ(tables.duplicates.size(), 1u);
        EXPECT_EQ(tables.duplicates[0].rows, 2);
        EXPECT_EQ(tables.duplicates[0].identical, identical) << second;
        EXPECT_TRUE(problems.empty());
    }
}

TEST(CameraTables, AFolderWithoutTablesIsAnError) {
    ScratchFolder folder;
    fs::path tables_folder;
    std::string error;
    std::vector<TableProblem> notes;
    EXPECT_TRUE(FindSummaryTables(folder.path, tables_folder, error, notes).empty());
    EXPECT_NE(error.find("no SummaryCALnnn"), std::string::npos);
    EXPECT_TRUE(FindSummaryTables(folder.path / "absent", tables_folder, error, notes).empty());
    EXPECT_NE(error.find("no such folder"), std::string::npos);
}

}  // namespace

namespace {

// Star rows of one calibration whose columns 3 to 8 are those of kStarsRow,
// with star magnitudes 3, 4, 5, ... and log-intensities 3.0, 2.6, 2.2, ...
std::string StarRows(int count, const std::string& prefix) {
    std::string rows;
    for (int k = 0; k < count; ++k) {
        char star[96];
        std::snprintf(star, sizeof star, "  130.33930  56.58812 %6.2f %7.3f   5.423   1.717\r\n", 3.0 + k,
                      3.0 - 0.4 * k);
        rows += prefix + star;
    }
    return rows;
}

}  // namespace

TEST(StarsTable, OneEditedRowKeepsItsCalibrationsStarsWhereverItStands) {
    ScratchFolder folder;
    const std::string prefix = kStarsRow.substr(0, 71);
    std::string edited = prefix;
    edited.replace(edited.find("0.478"), 5, "0.479");  // one digit of its O-C sigma
    for (int at : {0, 3, 6}) {                         // the first, a middle and the last of seven rows
        std::string rows = StarRows(7, prefix);
        const std::size_t line_start = at == 0 ? 0 : [&] {
            std::size_t p = 0;
            for (int k = 0; k < at; ++k) p = rows.find('\n', p) + 1;
            return p;
        }();
        rows.replace(line_start, prefix.size(), edited);
        WriteFile(folder.path / "SummaryCAL007_FitStars.txt", "  Calib\r\n   Date\r\n-----\r\n" + rows);
        std::vector<Calibration> calibrations(1);
        calibrations[0].time_ms = *ParseTableTime("12/14/2013", "04:00:12.500");
        std::vector<TableProblem> problems;
        EXPECT_TRUE(
            ReadStarsTable(folder.path / "SummaryCAL007_FitStars.txt", calibrations, problems).empty());
        EXPECT_EQ(calibrations[0].star_count, 7) << at;
        EXPECT_EQ(calibrations[0].oc_sigma_arcmin, 0.478) << at;  // what the other six rows say
        EXPECT_DOUBLE_EQ(calibrations[0].mean_mv, 6.0) << at;
        ASSERT_EQ(problems.size(), 1u) << at;
        EXPECT_EQ(problems[0].line, 4 + at);
        EXPECT_FALSE(problems[0].row_skipped);
        EXPECT_NE(problems[0].what.find("1 star rows of the calibration at 2013-12-14T04:00:12.500"),
                  std::string::npos)
            << problems[0].what;
    }
}

namespace {

// A star row of the calibration at 01/01/2014 04:00:12.500 whose star
// columns were cut short (a FitCoefs row among star rows reads alike: its
// first eight columns are those of a star row, the rest are not).
std::string CutStarRow() {
    return "01/01/2014" + kStarsRow.substr(10, 61) + "  130.33930  56.58812\r\n";
}

std::vector<Calibration> TwoCalibrations() {
    std::vector<Calibration> calibrations(2);
    calibrations[0].time_ms = *ParseTableTime("12/14/2013", "04:00:12.500");
    calibrations[1].time_ms = *ParseTableTime("01/01/2014", "04:00:12.500");
    return calibrations;
}

}  // namespace

TEST(StarsTable, ARowWhoseStarColumnsDoNotReadDoesNotSplitARun) {
    ScratchFolder folder;
    const fs::path path = folder.path / "SummaryCAL007_FitStars.txt";
    const std::string prefix = kStarsRow.substr(0, 71);
    WriteFile(path,
              "  Calib\r\n   Date\r\n-----\r\n" + StarRows(2, prefix) + CutStarRow() + StarRows(3, prefix));
    std::vector<Calibration> calibrations = TwoCalibrations();
    std::vector<TableProblem> problems;
    EXPECT_TRUE(ReadStarsTable(path, calibrations, problems).empty());
    EXPECT_EQ(calibrations[0].star_count, 5);
    EXPECT_DOUBLE_EQ(calibrations[0].mean_mv, 3.8);  // 3, 4, 3, 4, 5
    EXPECT_EQ(calibrations[1].star_count, 0);
    EXPECT_TRUE(std::isnan(calibrations[1].oc_sigma_arcmin));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].line, 6);
    EXPECT_EQ(problems[0].what, "too few values");
    EXPECT_TRUE(problems[0].row_skipped);
}

TEST(StarsTable, ARowWhoseStarColumnsDoNotReadGivesItsCalibrationNothing) {
    ScratchFolder folder;
    const fs::path path = folder.path / "SummaryCAL007_FitStars.txt";
    WriteFile(path, "  Calib\r\n   Date\r\n-----\r\n" + CutStarRow());
    std::vector<Calibration> calibrations = TwoCalibrations();
    std::vector<TableProblem> problems;
    EXPECT_EQ(ReadStarsTable(path, calibrations, problems),
              "FitStars table has no readable row (1 line below its header, none a FitStars row)");
    EXPECT_EQ(calibrations[1].star_count, 0);
    EXPECT_TRUE(std::isnan(calibrations[1].oc_sigma_arcmin));
    EXPECT_TRUE(std::isnan(calibrations[1].magfit_slope));
}

TEST(StarsTable, SaysWhyATableGaveNoStar) {
    ScratchFolder folder;
    const fs::path path = folder.path / "SummaryCAL007_FitStars.txt";
    std::vector<Calibration> calibrations(1);
    calibrations[0].time_ms = *ParseTableTime("12/14/2013", "04:00:12.500");
    std::vector<TableProblem> problems;
    const std::pair<std::string, std::string> cases[] = {
        {"", "(it is empty)"},
        {"  Calib\r\n   Date\r\n-----\r\n", "(only its header)"},
        {"  Calib\r\n12 oops\r\n3 x\r\n", "(2 lines below its header, none a FitStars row)"},
        {StarRows(2, "01/01/2014" + kStarsRow.substr(10, 61)),
         "has no row of a calibration its FitCoefs table"},
    };
    for (const auto& [text, reason] : cases) {
        WriteFile(path, text);
        EXPECT_NE(ReadStarsTable(path, calibrations, problems).find(reason), std::string::npos) << reason;
    }
    EXPECT_EQ(ReadStarsTable(folder.path / "absent.txt", calibrations, problems)
                  .rfind("FitStars table cannot be opened", 0),
              0u);
}

#ifndef _WIN32
TEST(StarsTable, AFifoAtATablesNameIsRefusedWithoutWaiting) {
    ScratchFolder folder;
    const fs::path fifo = folder.path / "SummaryCAL007_FitCoefs.txt";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // No writer ever opens it: a plain open for reading would wait for ever.
    const RegularFile file(fifo);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Error(), "is not a regular file");
    CameraTablePaths paths;
    paths.camera = 7;
    paths.coefs = fifo;
    std::vector<TableProblem> problems;
    EXPECT_EQ(ReadCameraTables(paths, problems).coefs_problem, "FitCoefs table is not a regular file");
}
#endif

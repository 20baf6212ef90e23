// The CAL file read through its fixed window: a load does not depend on where
// the window's boundaries fall, and a number of any length reads as the C++
// library reads its whole text.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "calib/cal_scanner.h"
#include "calib/read_cal.h"
#include "tests/support/scratch_folder.h"
#include "tools/cal_text.h"
#include "tools/calibration_sample.h"
#include "tools/split_mix.h"

namespace {

std::string CrLf(const std::string& text) {
    std::string converted;
    for (char c : text) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    return converted;
}

// Loads text, written to a file of its own, into zero-initialised records.
// (A new file each time: rewriting one file in place makes some file systems
// write it out to the disk at every close.)
struct Loaded {
    std::unique_ptr<CalibrationRecord> record = std::make_unique<CalibrationRecord>();
    std::unique_ptr<SiteRecord> site = std::make_unique<SiteRecord>();
};
Loaded Load(const std::filesystem::path& folder, const std::string& text) {
    static int file_number = 0;
    const std::filesystem::path path = folder / ("CAL012_" + std::to_string(++file_number) + ".txt");
    WriteFile(path, text);
    Loaded loaded;
    EXPECT_TRUE(ReadCALfile(path.string().c_str(), *loaded.record, *loaded.site));
    std::filesystem::remove(path);
    // The names differ from file to file; everything else must not.
    std::memset(loaded.record->path, 0, sizeof loaded.record->path);
    std::memset(loaded.record->file_name, 0, sizeof loaded.record->file_name);
    return loaded;
}

// A calibration written by the generator; 1000 stars make about 130 KB, so
// the window moves inside the star table too.
std::string GeneratedCalText(int star_count, bool crlf) {
    SplitMix64 rng = StreamFor(77, 1);
    SimulatedCamera camera = MakeSimulatedCamera(rng, 12);
    camera.fit_order = 3;
    std::string text;
    AppendCalText(MakeCalibrationSample(camera, 1386990902250, star_count, rng), text);
    return crlf ? CrLf(text) : text;
}

// Loads plain, then plain after each padding, and compares the records.
void ExpectSameLoadsWithPaddings(const std::filesystem::path& folder, const std::string& plain,
                                 std::size_t first_padding, std::size_t last_padding) {
    const Loaded reference = Load(folder, plain);
    for (std::size_t padding = first_padding; padding <= last_padding; ++padding) {
        const Loaded padded = Load(folder, std::string(padding, 'p') + plain);
        ASSERT_EQ(std::memcmp(padded.record.get(), reference.record.get(), sizeof(CalibrationRecord)), 0)
            << "ReadCALfile record with " << padding << " characters before the first label";
        ASSERT_EQ(std::memcmp(padded.site.get(), reference.site.get(), sizeof(SiteRecord)), 0)
            << "ReadCALfile site with " << padding << " characters before the first label";
    }
}

// The first label takes any padding put in front of it, so a padded file
// loads exactly like the plain one; the padding moves every later character
// across the window's boundaries. The sweeps put the first boundary on every
// character of the header, site block and coefficient table, and the second
// one on every character of a few star rows, with LF and with CR LF line ends
// (a carriage return at the end of a read is held back for the next one).
TEST(CalWindow, LoadsDoNotDependOnWhereTheWindowMoves) {
    ScratchFolder folder;
    for (const bool crlf : {false, true}) {
        SCOPED_TRACE(crlf ? "CR LF" : "LF");
        const std::string small = GeneratedCalText(5, crlf);
        const std::size_t header_bytes = small.find(crlf ? "\r\n    1 " : "\n    1 ") + 200;
        ASSERT_LT(header_bytes, small.size());
        ExpectSameLoadsWithPaddings(folder.path, small, kCalWindowBytes - header_bytes, kCalWindowBytes);
        ExpectSameLoadsWithPaddings(folder.path, GeneratedCalText(1000, crlf), 0, 300);
    }
}

// What std::from_chars makes of the whole text, with the scanner's rule for a
// value beyond the double range: an infinity when it is large, zero when small.
double WholeTextValue(const std::string& text, bool large) {
    double value = 0;
    const char* first = text.data() + (text[0] == '-' || text[0] == '+' ? 1 : 0);
    const auto result = std::from_chars(first, text.data() + text.size(), value);
    if (result.ec == std::errc::result_out_of_range) value = large ? HUGE_VAL : 0.0;
    return text[0] == '-' ? -value : value;
}

// The exact decimal text of multiple * 2^-1075 (multiple odd and below 10):
// a point halfway between two neighbouring doubles among the smallest ones.
// 2^-1075 halves 0 and the smallest double; 5 * 2^-1075 halves the second
// and third smallest. About 750 significant digits.
std::string HalfwayPoint(int multiple) {
    std::string digits(1, static_cast<char>('0' + multiple));
    for (int halving = 0; halving < 1075; ++halving) {
        std::string half;
        int carry = 0;
        for (char d : digits + "0") {
            const int value = carry * 10 + (d - '0');
            half += static_cast<char>('0' + value / 2);
            carry = value % 2;
        }
        digits = half;
    }
    // digits now holds the value times 10^1075, with leading zeros.
    return "0." + digits.substr(1);
}

TEST(CalScanner, NumbersOfAnyLengthReadAsTheirWholeText) {
    ScratchFolder folder;
    const std::filesystem::path path = folder.path / "numbers.txt";
    const std::string halfway = HalfwayPoint(5);
    const double smallest = std::numeric_limits<double>::denorm_min();
    const struct {
        std::string text;
        bool large;       // beyond the range it is an infinity, not zero
        double expected;  // 0 where only the whole-text reading is compared
    } cases[] = {
        {halfway, false, 2 * smallest},  // a tie goes to the even neighbour
        {halfway + std::string(3000, '0'), false, 2 * smallest},
        {halfway + std::string(3000, '0') + "1", false, 3 * smallest},  // just above the tie
        {"0." + std::string(100000, '0') + "1e100001", true, 1.0},
        {"1" + std::string(100000, '0') + "e-100000", true, 1.0},
        {"-" + std::string(70000, '9') + "." + std::string(70000, '9'), true, -HUGE_VAL},
        {std::string(70000, '0') + "12.5e-1", true, 1.25},
        {"1e" + std::string(40, '9'), true, HUGE_VAL},
        {"1e-" + std::string(40, '9'), false, 0.0},
        {"0.1000000000000000055511151231257827021181583404541015625" + std::string(5000, '0'), false, 0.1},
        {HalfwayPoint(1), false, 0.0},
        {HalfwayPoint(1) + std::string(900, '0') + "1", false, smallest},
    };
    for (const auto& c : cases) {
        const double whole = WholeTextValue(c.text, c.large);
        if (c.expected != 0.0) {
            EXPECT_EQ(whole, c.expected) << "the C++ library on " << c.text.substr(0, 40);
        }
        // Once inside one window, once across the first boundary.
        for (const std::size_t blanks : {std::size_t{1}, kCalWindowBytes - 3}) {
            WriteFile(path, std::string(blanks, ' ') + c.text + "\n");
            CalWindow window;
            ASSERT_TRUE(OpenCalWindow(path.string().c_str(), window));
            CalScanner scanner;
            scanner.window = &window;
            double value = -7;
            EXPECT_EQ(ScanFormat(scanner, "%lf", {RealTarget(value)}), 1);
            EXPECT_EQ(std::memcmp(&value, &whole, sizeof value), 0)
                << "ScanFormat %lf on " << c.text.size() << " characters from " << c.text.substr(0, 40)
                << " after " << blanks << " blanks: " << value << " against " << whole;
            EXPECT_EQ(scanner.pos, blanks + c.text.size()) << "ScanFormat %lf left the cursor elsewhere";
        }
    }
}

// Numbers of the lengths CAL files hold, random in digits, point, exponent
// and sign, read in a row: each must have the bits std::from_chars gives it.
TEST(CalScanner, ShortNumbersReadAsTheLibraryReadsThem) {
    ScratchFolder folder;
    const std::filesystem::path path = folder.path / "short_numbers.txt";
    SplitMix64 rng{2026};
    std::vector<std::string> texts;
    std::string file;
    for (int i = 0; i < 20000; ++i) {
        std::string digits;
        const int count = UniformInt(rng, 1, 20);
        for (int d = 0; d < count; ++d) digits += static_cast<char>('0' + UniformInt(rng, 0, 9));
        const int point = UniformInt(rng, 0, count);
        std::string text =
            (UniformInt(rng, 0, 1) ? "-" : "") + digits.substr(0, point) + "." + digits.substr(point);
        if (UniformInt(rng, 0, 2) == 0) text += "e" + std::to_string(UniformInt(rng, -40, 40));
        texts.push_back(text);
        file += text + (i % 13 == 0 ? "\n" : " ");
    }
    WriteFile(path, file);
    CalWindow window;
    ASSERT_TRUE(OpenCalWindow(path.string().c_str(), window));
    CalScanner scanner;
    scanner.window = &window;
    for (const std::string& text : texts) {
        double value = 0;
        ASSERT_EQ(ScanFormat(scanner, "%lf", {RealTarget(value)}), 1) << text;
        const double whole = WholeTextValue(text, true);
        ASSERT_EQ(std::memcmp(&value, &whole, sizeof value), 0)
            << "ScanFormat %lf on " << text << ": " << value << " against " << whole;
    }
}

// A star row read without its format string stores what the format would,
// stops where it would, and leaves the cursor where it would: rows with
// junk, signs, points, exponents and cut short, read in a row both ways.
TEST(CalScanner, StarRowsReadAsTheirFormatReadsThem) {
    ScratchFolder folder;
    const std::filesystem::path path = folder.path / "rows.txt";
    const char* const pieces[] = {" 12", " -3.5", "\n7e2",     " x", " +.5",
                                  " 1e", " -",    "\t4.25e-1", " .", "\n\n9"};
    SplitMix64 rng{77};
    std::string text;
    for (int i = 0; i < 4000; ++i) text += pieces[UniformInt(rng, 0, 9)];
    WriteFile(path, text);
    CalWindow by_format_window;
    CalWindow direct_window;
    ASSERT_TRUE(OpenCalWindow(path.string().c_str(), by_format_window));
    ASSERT_TRUE(OpenCalWindow(path.string().c_str(), direct_window));
    CalScanner by_format;
    by_format.window = &by_format_window;
    CalScanner direct;
    direct.window = &direct_window;
    int row = 0;
    for (; !by_format.end_seen; ++row) {
        long long number[2] = {-1, -1};
        double values[2][12];
        for (auto& side : values) {
            for (double& value : side) value = -7;
        }
        const int stored_by_format =
            ScanFormat(by_format, "%d%lf%lf%lf%lf%lf%lf%lf%lf%lf%lf%lf%lf",
                       {WideTarget(number[0]), RealTarget(values[0][0]), RealTarget(values[0][1]),
                        RealTarget(values[0][2]), RealTarget(values[0][3]), RealTarget(values[0][4]),
                        RealTarget(values[0][5]), RealTarget(values[0][6]), RealTarget(values[0][7]),
                        RealTarget(values[0][8]), RealTarget(values[0][9]), RealTarget(values[0][10]),
                        RealTarget(values[0][11])});
        double* const columns[12] = {&values[1][0], &values[1][1], &values[1][2],  &values[1][3],
                                     &values[1][4], &values[1][5], &values[1][6],  &values[1][7],
                                     &values[1][8], &values[1][9], &values[1][10], &values[1][11]};
        const int stored_directly = ScanIntegerAndReals(direct, number[1], columns, 12);
        ASSERT_EQ(stored_directly, stored_by_format) << "ScanIntegerAndReals stored count, row " << row;
        ASSERT_EQ(number[1], number[0]) << "ScanIntegerAndReals integer, row " << row;
        ASSERT_EQ(std::memcmp(values[0], values[1], sizeof values[0]), 0)
            << "ScanIntegerAndReals reals, row " << row;
        ASSERT_EQ(direct.pos, by_format.pos) << "ScanIntegerAndReals cursor, row " << row;
        // On past the character that stopped both (the star table would end there).
        if (stored_by_format == 0) {
            ++by_format.pos;
            ++direct.pos;
        }
    }
    EXPECT_GT(row, 500) << "rows compared";
    EXPECT_TRUE(direct.end_seen);
}

// "8.e+x" reads as 8 and leaves "e+x", as the C library's strtod does: an
// exponent marker without digits is not part of the number. Here the window's
// boundary falls right after the "+", so the read steps back over the marker
// and its sign after the window has moved on.
TEST(CalScanner, ExponentWithoutDigitsIsLeftAcrossTheWindowBoundary) {
    ScratchFolder folder;
    const std::filesystem::path path = folder.path / "exponent.txt";
    WriteFile(path, std::string(kCalWindowBytes - 4, ' ') + "8.e+x\n");
    CalWindow window;
    ASSERT_TRUE(OpenCalWindow(path.string().c_str(), window));
    CalScanner scanner;
    scanner.window = &window;
    double value = -7;
    char rest[8] = "";
    EXPECT_EQ(ScanFormat(scanner, "%lf%[^\n]", {RealTarget(value), TextTarget(rest, sizeof rest)}), 2)
        << "ScanFormat conversions stored from 8.e+x";
    EXPECT_EQ(value, 8.0) << "ScanFormat %lf value of 8.e+x";
    EXPECT_STREQ(rest, "e+x") << "ScanFormat text left after 8.e+x";
}

}  // namespace

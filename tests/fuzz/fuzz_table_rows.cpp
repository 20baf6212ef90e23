// Fuzz target holding the table reader's fast roads to a plain reading of
// the same text, written here from the tables' layout. The input is taken as
// a table's lines (SplitTableLines); each line, copied to a buffer of its
// own length so that a read past it is caught, is read:
// - token by token: ScanNumber, from the blanks before a token, with and
//   without a value to set, accepts exactly the tokens ParseFiniteNumber
//   accepts, gives the same double bit for bit and stops after the token;
//   both accept exactly the plain finite decimal numbers (an optional sign,
//   a digit or a point, then what std::from_chars reads up to the token's
//   end, finite), with std::from_chars's value;
// - as a FitCoefs row: ParseCoefsRow accepts it, or refuses it with the same
//   reason, as the plain reading of its blank-separated tokens does (a date
//   and a time read with ParseTableTime, 26 numbers), with the same values;
// - as a FitStars row: ParseStarsCalibrationColumns and then ParseStarColumns
//   on the rest as the plain reading (the four star columns the report does
//   not use taken as documented: any token of digits, points and signs that
//   has a digit, else a number), with the same values and column 8 ending
//   at the same place;
// - ReadStarColumnsAsWritten, on the 52 characters after column 8 and on the
//   line's last 52, accepts exactly the written layout read plainly ("  %9.5f
//   %9.5f %6.2f %7.3f %7.3f %7.3f": two blanks, then fields one blank apart,
//   each blanks, an optional minus sign, digits, the point and its
//   decimals), with the magnitude and log-intensity std::from_chars gives;
// - a date and time ParseTableTime accepts have the ISO text their own
//   digits spell, and it accepts exactly those ParseIsoTime accepts in ISO
//   order.
// The whole input is then a FitStars table, with the times of its rows as
// calibrations (every third left out, so that some rows have none), read by
// ReadStarsTable three ways that must agree field for field, problems and
// reason included: as it is (rows of the written layout taken by the fast
// whole-buffer path), with every run of blanks one blank longer (no row
// keeps the written layout, every row is read line by line), and, when its
// first line is a header, with that line lengthened so that the reader's
// first 64 KiB chunk ends where the input's last byte puts it. The reading
// must also be the plain one: star rows (blank lines, header lines and lines
// that are no star row left out) in runs of one calibration time, each run
// joined to the calibration of its time unless that one was joined before;
// a joined calibration gets the run's star count, the calibration columns
// most of its rows carry (the first row's on a tie), the mean magnitude and
// log-intensity summed in row order, and the median log-intensity and
// faint limit (from the stars' values as floats, interpolated between
// order statistics); orphan and repeated runs' rows are counted in the
// problems; the reason is empty exactly when a run was joined. (Which form
// of the magnitude fit the stars follow is held to the three ways only.)
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/civil_time.h"
#include "health/tables/number_scan.h"
#include "health/tables/stars_table.h"
#include "health/tables/table_row_parse.h"
#include "health/tables/table_time.h"
#include "tests/fuzz/fuzz_harness.h"
#include "tests/fuzz/table_fuzz_support.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kTooFew = "too few values";
constexpr const char* kTooMany = "too many values";
constexpr const char* kNotFinite = "a value is not a finite number";
constexpr const char* kOutOfRange = "a magnitude or intensity out of range";
constexpr double kMaxStarValue = 1e30;  // the largest star magnitude or log-intensity kept
constexpr const char* kNotTime = "not a date MM/DD/YYYY and a time HH:MM:SS.mmm";
constexpr std::size_t kFirstChunkBytes = 64 * 1024;

// A copy of a text in a heap block of exactly its length.
struct ExactCopy {
    explicit ExactCopy(std::string_view text) : bytes(new char[text.size()]), size(text.size()) {
        if (size > 0) std::memcpy(bytes.get(), text.data(), size);
    }
    std::string_view view() const { return std::string_view(bytes.get(), size); }
    std::unique_ptr<char[]> bytes;
    std::size_t size;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A token and where it ends in its line.
struct Token {
    std::string_view text;
    std::size_t end;
};

std::vector<Token> Tokens(std::string_view line) {
    std::vector<Token> tokens;
    std::size_t at = 0;
    for (;;) {
        while (at < line.size() && IsBlank(line[at])) ++at;
        if (at == line.size()) return tokens;
        const std::size_t start = at;
        while (at < line.size() && !IsBlank(line[at])) ++at;
        tokens.push_back({line.substr(start, at - start), at});
    }
}

// A finite decimal number: an optional sign, then a digit or a point, then
// what std::from_chars reads up to the token's end.
bool PlainNumber(std::string_view token, double& value) {
    std::size_t at = 0;
    if (at < token.size() && (token[at] == '+' || token[at] == '-')) ++at;
    if (at == token.size() || !(IsDigit(token[at]) || token[at] == '.')) return false;
    const char* begin = token.data() + (token[0] == '+' ? 1 : 0);
    const char* end = token.data() + token.size();
    double parsed = 0.0;
    const std::from_chars_result result = std::from_chars(begin, end, parsed);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

// A star column the report does not use: digits, points and signs with a
// digit among them, or else a number.
bool PlainUnusedColumn(std::string_view token) {
    const bool number_characters = std::all_of(
        token.begin(), token.end(), [](char c) { return IsDigit(c) || c == '.' || c == '+' || c == '-'; });
    double ignored = 0.0;
    return (number_characters && std::any_of(token.begin(), token.end(), IsDigit)) ||
           PlainNumber(token, ignored);
}

bool SameError(const char* a, const char* b) {
    return (a == nullptr && b == nullptr) || (a != nullptr && b != nullptr && std::strcmp(a, b) == 0);
}

void CheckNumbers(std::string_view line) {
    const char* const end = line.data() + line.size();
    std::size_t from = 0;
    for (const Token& token : Tokens(line)) {
        double general = 0.0;
        const bool general_accepts = ParseFiniteNumber(token.text, general);
        double plain = 0.0;
        FUZZ_CHECK(PlainNumber(token.text, plain) == general_accepts);
        FUZZ_CHECK(IsFiniteNumber(token.text) == general_accepts);
        const char* cursor = line.data() + from;
        double scanned = 0.0;
        FUZZ_CHECK(ScanNumber(cursor, end, &scanned) == general_accepts);
        FUZZ_CHECK(cursor == line.data() + token.end);
        cursor = line.data() + from;
        FUZZ_CHECK(ScanNumber(cursor, end, nullptr) == general_accepts);
        FUZZ_CHECK(cursor == line.data() + token.end);
        if (general_accepts) FUZZ_CHECK(SameDouble(scanned, general) && SameDouble(plain, general));
        from = token.end;
    }
    const char* cursor = line.data() + from;
    double ignored = 0.0;
    FUZZ_CHECK(!ScanNumber(cursor, end, &ignored));
}

void CheckTime(std::string_view date, std::string_view time) {
    const std::optional<std::int64_t> parsed = ParseTableTime(date, time);
    if (date.size() != 10 || date[2] != '/' || date[5] != '/') {
        FUZZ_CHECK(!parsed);
        return;
    }
    std::string iso(date.substr(6, 4));
    iso += '-';
    iso += date.substr(0, 2);
    iso += '-';
    iso += date.substr(3, 2);
    iso += 'T';
    iso += time;
    FUZZ_CHECK(parsed == ParseIsoTime(iso));
    if (parsed) FUZZ_CHECK(IsoTime(*parsed) == iso);
}

// The plain reading of a row's date, time and the count numbers after them.
const char* PlainLeadingColumns(const std::vector<Token>& tokens, std::int64_t& time_ms, double* values,
                                int count) {
    if (tokens.size() < 2) return kTooFew;
    CheckTime(tokens[0].text, tokens[1].text);
    const std::optional<std::int64_t> time = ParseTableTime(tokens[0].text, tokens[1].text);
    if (!time) return kNotTime;
    time_ms = *time;
    for (int k = 0; k < count; ++k) {
        const std::size_t at = 2 + static_cast<std::size_t>(k);
        if (at >= tokens.size()) return kTooFew;
        if (!PlainNumber(tokens[at].text, values[k])) return kNotFinite;
    }
    return nullptr;
}

void CheckCoefsRow(std::string_view line, const std::vector<Token>& tokens) {
    std::int64_t time_ms = 0;
    double values[26] = {};
    const char* plain = PlainLeadingColumns(tokens, time_ms, values, 26);
    if (plain == nullptr && tokens.size() > 28) plain = kTooMany;
    CoefsRow row{};
    FUZZ_CHECK(SameError(ParseCoefsRow(line, row), plain));
    if (plain != nullptr) return;
    const double read[26] = {
        row.ra_deg,   row.dec_deg,  row.azimuth_deg, row.elevation_deg, row.arcmin_per_pixel, row.tilt_deg,
        row.xcoef[0], row.xcoef[1], row.xcoef[2],    row.xcoef[3],      row.xcoef[4],         row.xcoef[5],
        row.xcoef[6], row.xcoef[7], row.xcoef[8],    row.xcoef[9],      row.ycoef[0],         row.ycoef[1],
        row.ycoef[2], row.ycoef[3], row.ycoef[4],    row.ycoef[5],      row.ycoef[6],         row.ycoef[7],
        row.ycoef[8], row.ycoef[9]};
    FUZZ_CHECK(row.time_ms == time_ms);
    for (int k = 0; k < 26; ++k) FUZZ_CHECK(SameDouble(read[k], values[k]));
}

// A FitStars row read plainly.
struct PlainStarRow {
    const char* calibration_error = nullptr;  // columns 1 to 8
    const char* star_error = nullptr;         // columns 9 to 14
    StarsCalibrationColumns columns{};
    std::size_t rest_start = 0;
    StarColumns star{};
};

PlainStarRow ReadStarRowPlainly(const std::vector<Token>& tokens) {
    PlainStarRow row;
    double values[6] = {};
    row.calibration_error = PlainLeadingColumns(tokens, row.columns.time_ms, values, 6);
    if (row.calibration_error != nullptr) return row;
    row.columns.oc_mean_arcmin = values[0];
    row.columns.oc_sigma_arcmin = values[1];
    row.columns.magfit_slope = values[2];
    row.columns.magfit_icept = values[3];
    row.columns.fluxfit_slope = values[4];
    row.columns.fluxfit_icept = values[5];
    row.rest_start = tokens[7].end;
    for (std::size_t k = 0; k < 6; ++k) {
        const std::size_t at = 8 + k;
        if (at >= tokens.size()) {
            row.star_error = kTooFew;
            return row;
        }
        const bool read = k == 2   ? PlainNumber(tokens[at].text, row.star.mv)
                          : k == 3 ? PlainNumber(tokens[at].text, row.star.log10_inten)
                                   : PlainUnusedColumn(tokens[at].text);
        if (!read) {
            row.star_error = kNotFinite;
            return row;
        }
        if ((k == 2 && !(std::fabs(row.star.mv) <= kMaxStarValue)) ||
            (k == 3 && !(std::fabs(row.star.log10_inten) <= kMaxStarValue))) {
            row.star_error = kOutOfRange;
            return row;
        }
    }
    if (tokens.size() > 14) row.star_error = kTooMany;
    return row;
}

// The star columns' written layout, read plainly; sets the magnitude and
// log-intensity when the text has it.
bool PlainlyAsWritten(std::string_view rest, StarColumns& star) {
    constexpr std::size_t kStart[6] = {2, 12, 22, 29, 37, 45};
    constexpr std::size_t kWidth[6] = {9, 9, 6, 7, 7, 7};
    constexpr std::size_t kDecimals[6] = {5, 5, 2, 3, 3, 3};
    if (rest.size() != kStarColumnsWritten || rest[0] != ' ' || rest[1] != ' ') return false;
    double values[6] = {};
    for (int f = 0; f < 6; ++f) {
        if (f > 0 && rest[kStart[f] - 1] != ' ') return false;
        const std::string_view field = rest.substr(kStart[f], kWidth[f]);
        const std::size_t point = field.size() - kDecimals[f] - 1;
        std::size_t i = 0;
        while (i < point && field[i] == ' ') ++i;
        const std::size_t number_start = i;
        if (i < point && field[i] == '-') ++i;
        if (i == point || field[point] != '.') return false;
        for (; i < field.size(); ++i) {
            if (i != point && !IsDigit(field[i])) return false;
        }
        FUZZ_CHECK(PlainNumber(field.substr(number_start), values[f]));
    }
    star.mv = values[2];
    star.log10_inten = values[3];
    return true;
}

void CheckStarColumnsAsWritten(std::string_view text) {
    const ExactCopy copy(text);
    StarColumns fast{};
    StarColumns plain{};
    const bool fast_accepts = ReadStarColumnsAsWritten(copy.bytes.get(), fast);
    FUZZ_CHECK(fast_accepts == PlainlyAsWritten(text, plain));
    if (fast_accepts)
        FUZZ_CHECK(SameDouble(fast.mv, plain.mv) && SameDouble(fast.log10_inten, plain.log10_inten));
}

void CheckStarsRow(std::string_view line, const PlainStarRow& plain) {
    StarsCalibrationColumns columns{};
    std::size_t rest_start = 0;
    FUZZ_CHECK(SameError(ParseStarsCalibrationColumns(line, columns, rest_start), plain.calibration_error));
    if (plain.calibration_error != nullptr) return;
    FUZZ_CHECK(rest_start == plain.rest_start);
    FUZZ_CHECK(columns.time_ms == plain.columns.time_ms);
    FUZZ_CHECK(SameDouble(columns.oc_mean_arcmin, plain.columns.oc_mean_arcmin) &&
               SameDouble(columns.oc_sigma_arcmin, plain.columns.oc_sigma_arcmin) &&
               SameDouble(columns.magfit_slope, plain.columns.magfit_slope) &&
               SameDouble(columns.magfit_icept, plain.columns.magfit_icept) &&
               SameDouble(columns.fluxfit_slope, plain.columns.fluxfit_slope) &&
               SameDouble(columns.fluxfit_icept, plain.columns.fluxfit_icept));
    const std::string_view rest = line.substr(rest_start);
    StarColumns star{};
    FUZZ_CHECK(SameError(ParseStarColumns(rest, star), plain.star_error));
    if (plain.star_error == nullptr)
        FUZZ_CHECK(SameDouble(star.mv, plain.star.mv) &&
                   SameDouble(star.log10_inten, plain.star.log10_inten));
    if (rest.size() >= kStarColumnsWritten) CheckStarColumnsAsWritten(rest.substr(0, kStarColumnsWritten));
}

bool IsBlankText(std::string_view line) {
    return std::all_of(line.begin(), line.end(), IsBlank);
}

bool IsHeaderLine(std::string_view line, std::size_t number) {
    const std::size_t first = line.find_first_not_of(" \t");
    return number <= 3 && first != std::string_view::npos && !IsDigit(line[first]);
}

bool SameColumns(const StarsCalibrationColumns& a, const StarsCalibrationColumns& b) {
    return a.time_ms == b.time_ms && a.oc_mean_arcmin == b.oc_mean_arcmin &&
           a.oc_sigma_arcmin == b.oc_sigma_arcmin && a.magfit_slope == b.magfit_slope &&
           a.magfit_icept == b.magfit_icept && a.fluxfit_slope == b.fluxfit_slope &&
           a.fluxfit_icept == b.fluxfit_icept;
}

// Interpolated between order statistics of the values, sorted.
double PlainPercentile(std::vector<float> values, double fraction) {
    std::sort(values.begin(), values.end());
    const double position = fraction * static_cast<double>(values.size() - 1);
    const std::size_t below = static_cast<std::size_t>(position);
    const double low = values[below];
    if (below + 1 >= values.size() || position == static_cast<double>(below)) return low;
    const double high = values[below + 1];
    return low + (position - static_cast<double>(below)) * (high - low);
}

// A run of star rows of one calibration time, read plainly.
struct PlainRun {
    std::int64_t time_ms = 0;
    std::vector<StarsCalibrationColumns> column_sets;  // in order of first appearance
    std::vector<int> rows_with;                        // rows carrying each set
    std::vector<StarColumns> stars;
};

struct PlainTable {
    std::vector<Calibration> calibrations;
    long long orphan_rows = 0;
    long long repeated_rows = 0;
    bool joined = false;
};

void JoinPlainRun(const PlainRun& run, PlainTable& table, std::vector<bool>& joined) {
    const auto found = std::find_if(table.calibrations.begin(), table.calibrations.end(),
                                    [&](const Calibration& c) { return c.time_ms == run.time_ms; });
    const int stars = static_cast<int>(run.stars.size());
    if (found == table.calibrations.end()) {
        table.orphan_rows += stars;
        return;
    }
    const std::size_t index = static_cast<std::size_t>(found - table.calibrations.begin());
    if (joined[index]) {
        table.repeated_rows += stars;
        return;
    }
    joined[index] = true;
    table.joined = true;
    std::size_t majority = 0;
    for (std::size_t k = 1; k < run.column_sets.size(); ++k) {
        if (run.rows_with[k] > run.rows_with[majority]) majority = k;
    }
    Calibration& c = *found;
    c.star_count = stars;
    c.oc_mean_arcmin = run.column_sets[majority].oc_mean_arcmin;
    c.oc_sigma_arcmin = run.column_sets[majority].oc_sigma_arcmin;
    c.magfit_slope = run.column_sets[majority].magfit_slope;
    c.magfit_icept = run.column_sets[majority].magfit_icept;
    double sum_mv = 0.0;
    double sum_log_inten = 0.0;
    std::vector<float> mv;
    std::vector<float> log_inten;
    for (const StarColumns& star : run.stars) {
        sum_mv += star.mv;
        sum_log_inten += star.log10_inten;
        mv.push_back(static_cast<float>(star.mv));
        log_inten.push_back(static_cast<float>(star.log10_inten));
    }
    c.mean_mv = sum_mv / stars;
    c.mean_log_inten = sum_log_inten / stars;
    c.median_log_inten = PlainPercentile(log_inten, 0.5);
    c.faint_limit_mag = PlainPercentile(mv, 0.9);
}

PlainTable ReadTablePlainly(const std::vector<std::string>& lines, std::vector<Calibration> calibrations) {
    PlainTable table;
    table.calibrations = std::move(calibrations);
    std::vector<bool> joined(table.calibrations.size(), false);
    PlainRun run;
    bool in_run = false;
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (IsBlankText(lines[k]) || IsHeaderLine(lines[k], k + 1)) continue;
        const PlainStarRow row = ReadStarRowPlainly(Tokens(lines[k]));
        if (row.calibration_error != nullptr || row.star_error != nullptr) continue;
        if (!in_run || row.columns.time_ms != run.time_ms) {
            if (in_run) JoinPlainRun(run, table, joined);
            run = PlainRun{};
            run.time_ms = row.columns.time_ms;
            in_run = true;
        }
        run.stars.push_back(row.star);
        std::size_t set = 0;
        while (set < run.column_sets.size() && !SameColumns(run.column_sets[set], row.columns)) ++set;
        if (set == run.column_sets.size()) {
            run.column_sets.push_back(row.columns);
            run.rows_with.push_back(0);
        }
        ++run.rows_with[set];
    }
    if (in_run) JoinPlainRun(run, table, joined);
    return table;
}

struct StarsReading {
    std::vector<Calibration> calibrations;
    std::vector<TableProblem> problems;
    std::string reason;
};

StarsReading ReadStars(std::string_view text, const std::vector<Calibration>& calibrations) {
    const fs::path path = ScratchTablesFolder() / "SummaryCAL001_FitStars.txt";
    WriteTable(path, text);
    StarsReading reading;
    reading.calibrations = calibrations;
    reading.reason = ReadStarsTable(path, reading.calibrations, reading.problems);
    return reading;
}

bool SameStarsReading(const StarsReading& a, const StarsReading& b) {
    return SameCalibrations(a.calibrations, b.calibrations) && SameProblems(a.problems, b.problems) &&
           a.reason == b.reason;
}

bool HasProblem(const std::vector<TableProblem>& problems, const std::string& what) {
    return std::any_of(problems.begin(), problems.end(),
                       [&](const TableProblem& p) { return p.line == 0 && p.what == what; });
}

void CheckAgainstPlainTable(const StarsReading& reading, const PlainTable& plain) {
    FUZZ_CHECK(reading.calibrations.size() == plain.calibrations.size());
    for (std::size_t k = 0; k < plain.calibrations.size(); ++k) {
        const Calibration& read = reading.calibrations[k];
        const Calibration& expected = plain.calibrations[k];
        FUZZ_CHECK(read.star_count == expected.star_count);
        FUZZ_CHECK(SameDouble(read.oc_mean_arcmin, expected.oc_mean_arcmin) &&
                   SameDouble(read.oc_sigma_arcmin, expected.oc_sigma_arcmin) &&
                   SameDouble(read.magfit_slope, expected.magfit_slope) &&
                   SameDouble(read.magfit_icept, expected.magfit_icept));
        FUZZ_CHECK(SameDouble(read.mean_mv, expected.mean_mv) &&
                   SameDouble(read.mean_log_inten, expected.mean_log_inten));
        // Order statistics of equal values may differ in the sign of a zero.
        const auto same_value = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
        FUZZ_CHECK(same_value(read.median_log_inten, expected.median_log_inten) &&
                   same_value(read.faint_limit_mag, expected.faint_limit_mag));
    }
    FUZZ_CHECK(reading.reason.empty() == plain.joined);
    FUZZ_CHECK(HasProblem(reading.problems, std::to_string(plain.orphan_rows) +
                                                " star rows have a time that no FitCoefs row has") ==
               (plain.orphan_rows > 0));
    FUZZ_CHECK(HasProblem(reading.problems, std::to_string(plain.repeated_rows) +
                                                " star rows repeat a calibration time (not used)") ==
               (plain.repeated_rows > 0));
}

// The text with one more blank after every run of blanks.
std::string WithLongerBlankRuns(std::string_view text) {
    std::string longer;
    for (std::size_t k = 0; k < text.size(); ++k) {
        longer += text[k];
        if (IsBlank(text[k]) && (k + 1 == text.size() || !IsBlank(text[k + 1]))) longer += ' ';
    }
    return longer;
}

void CheckStarsTable(std::string_view input, const TextLines& lines) {
    // The rows' times, every third left out.
    std::vector<std::int64_t> times;
    for (const std::string& line : lines.lines) {
        const PlainStarRow row = ReadStarRowPlainly(Tokens(line));
        if (row.calibration_error == nullptr) times.push_back(row.columns.time_ms);
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    std::vector<Calibration> calibrations;
    for (std::size_t k = 0; k < times.size(); ++k) {
        if (k % 3 == 2) continue;
        calibrations.emplace_back();
        calibrations.back().time_ms = times[k];
    }

    const StarsReading as_is = ReadStars(input, calibrations);
    CheckAgainstPlainTable(as_is, ReadTablePlainly(lines.lines, calibrations));

    const std::string longer = WithLongerBlankRuns(input);
    if (SplitTableLines(longer).carriage_return_lines == lines.carriage_return_lines)
        FUZZ_CHECK(SameStarsReading(ReadStars(longer, calibrations), as_is));

    // The first line lengthened: the chunk ends at the input's byte
    // `boundary` (from the end of the first line's text to the input's end).
    if (input.empty() || input.size() > kFirstChunkBytes || lines.lines.empty() ||
        !IsHeaderLine(lines.lines[0], 1))
        return;
    const std::size_t first_end = lines.lines[0].size();
    const std::size_t boundary =
        first_end + static_cast<unsigned char>(input.back()) * 257u % (input.size() - first_end + 1);
    std::string lengthened(input.substr(0, first_end));
    lengthened.append(kFirstChunkBytes - boundary, 'x');
    lengthened.append(input.substr(first_end));
    TextLines expected = lines;
    expected.lines[0].append(kFirstChunkBytes - boundary, 'x');
    const TextLines split = SplitTableLines(lengthened);
    if (split.lines != expected.lines || split.carriage_return_lines != lines.carriage_return_lines) return;
    FUZZ_CHECK(SameStarsReading(ReadStars(lengthened, calibrations), as_is));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const TextLines lines = SplitTableLines(input);
    for (const std::string& text : lines.lines) {
        const ExactCopy copy(text);
        const std::string_view line = copy.view();
        CheckNumbers(line);
        const std::vector<Token> tokens = Tokens(line);
        CheckCoefsRow(line, tokens);
        CheckStarsRow(line, ReadStarRowPlainly(tokens));
        if (line.size() >= kStarColumnsWritten)
            CheckStarColumnsAsWritten(line.substr(line.size() - kStarColumnsWritten));
    }
    CheckStarsTable(input, lines);
    return 0;
}

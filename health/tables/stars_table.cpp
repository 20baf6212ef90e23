#include "health/tables/stars_table.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <string_view>

#include "common/civil_time.h"
#include "health/stats/robust_stats.h"
#include "health/tables/line_reader.h"
#include "health/tables/table_reading.h"
#include "health/tables/table_row_parse.h"

namespace fs = std::filesystem;

namespace {

// Stars of one calibration kept for its percentiles; a table never holds more
// than 1000 per calibration, so only a damaged one reaches the cap, and its
// further stars are still counted.
constexpr std::size_t kMaxStarsKept = 100000;
// A calibration's faint limit: this percentile of its stars' catalogue
// magnitudes (the faintest tenth are at the edge of detection).
constexpr double kFaintLimitFraction = 0.9;

bool SameColumns(const StarsCalibrationColumns& a, const StarsCalibrationColumns& b) {
    return a.time_ms == b.time_ms && a.oc_mean_arcmin == b.oc_mean_arcmin &&
           a.oc_sigma_arcmin == b.oc_sigma_arcmin && a.magfit_slope == b.magfit_slope &&
           a.magfit_icept == b.magfit_icept && a.fluxfit_slope == b.fluxfit_slope &&
           a.fluxfit_icept == b.fluxfit_icept;
}

// Calibration columns that some rows of a group carry other than its first
// row's, with how many rows carry them and the first of those rows.
struct OtherColumns {
    StarsCalibrationColumns columns;
    int rows;
    long long first_line;
};

// The star rows of one calibration, gathered while the FitStars table streams by.
struct StarGroup {
    StarsCalibrationColumns columns{};  // the first row's
    long long first_line = 0;
    int stars = 0;
    double sum_mv = 0.0;
    double sum_log_inten = 0.0;
    double misfit_pogson = 0.0;  // sum of |Mv - (icept - 2.5 slope L)|, with the first row's fit
    double misfit_linear = 0.0;  // sum of |Mv - (icept + slope L)|
    std::vector<float> mv;
    std::vector<float> log_inten;
    std::vector<OtherColumns> others;

    void Start(const StarsCalibrationColumns& first, long long line) {
        columns = first;
        first_line = line;
        stars = 0;
        sum_mv = sum_log_inten = misfit_pogson = misfit_linear = 0.0;
        mv.clear();
        log_inten.clear();
        others.clear();
    }
    void Add(const StarColumns& star) {
        ++stars;
        sum_mv += star.mv;
        sum_log_inten += star.log10_inten;
        misfit_pogson +=
            std::fabs(star.mv - (columns.magfit_icept - 2.5 * columns.magfit_slope * star.log10_inten));
        misfit_linear +=
            std::fabs(star.mv - (columns.magfit_icept + columns.magfit_slope * star.log10_inten));
        if (mv.size() < kMaxStarsKept) {
            mv.push_back(static_cast<float>(star.mv));
            log_inten.push_back(static_cast<float>(star.log10_inten));
        }
    }
    // A row of this calibration time whose columns are not the first row's.
    void AddWithColumns(const StarColumns& star, const StarsCalibrationColumns& row_columns, long long line) {
        Add(star);
        for (OtherColumns& other : others) {
            if (SameColumns(other.columns, row_columns)) {
                ++other.rows;
                return;
            }
        }
        others.push_back({row_columns, 1, line});
    }
    // The columns most rows carry (the first row's on a tie), and how many.
    StarsCalibrationColumns MajorityColumns(int& rows) const {
        int first_rows = stars;
        for (const OtherColumns& other : others) first_rows -= other.rows;
        rows = first_rows;
        StarsCalibrationColumns majority = columns;
        for (const OtherColumns& other : others) {
            if (other.rows > rows) {
                rows = other.rows;
                majority = other.columns;
            }
        }
        return majority;
    }
    // Given the calibration's columns, when they are not the first row's,
    // the fit's misfits are summed again from the kept stars.
    void RefitMisfits(const StarsCalibrationColumns& calibration_columns) {
        misfit_pogson = misfit_linear = 0.0;
        for (std::size_t k = 0; k < mv.size(); ++k) {
            const double m = mv[k];
            const double l = log_inten[k];
            misfit_pogson += std::fabs(
                m - (calibration_columns.magfit_icept - 2.5 * calibration_columns.magfit_slope * l));
            misfit_linear +=
                std::fabs(m - (calibration_columns.magfit_icept + calibration_columns.magfit_slope * l));
        }
    }
    void Store(const StarsCalibrationColumns& calibration_columns, Calibration& calibration) {
        calibration.star_count = stars;
        calibration.oc_mean_arcmin = calibration_columns.oc_mean_arcmin;
        calibration.oc_sigma_arcmin = calibration_columns.oc_sigma_arcmin;
        calibration.magfit_slope = calibration_columns.magfit_slope;
        calibration.magfit_icept = calibration_columns.magfit_icept;
        if (stars == 0) return;
        calibration.mean_mv = sum_mv / stars;
        calibration.mean_log_inten = sum_log_inten / stars;
        calibration.median_log_inten = PercentileInPlace(log_inten, 0.5);
        calibration.faint_limit_mag = PercentileInPlace(mv, kFaintLimitFraction);
        calibration.magfit_form_vote = misfit_pogson < misfit_linear   ? 1
                                       : misfit_linear < misfit_pogson ? -1
                                                                       : 0;
    }
};

// Given two texts of at least `length` characters, returns whether their
// first `length` characters agree. Sixteen at a time where the processor
// allows (the repeated columns of a star row are some seventy characters).
bool SameText(const char* a, const char* b, std::size_t length) {
#if defined(__SSE2__)
    if (length >= 16) {
        const auto differ = [&](std::size_t at) {
            const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + at));
            const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + at));
            return _mm_movemask_epi8(_mm_cmpeq_epi8(x, y)) != 0xFFFF;
        };
        for (std::size_t at = 0; at + 16 < length; at += 16) {
            if (differ(at)) return false;
        }
        return !differ(length - 16);  // the last sixteen, overlapping the ones before
    }
#endif
    return std::memcmp(a, b, length) == 0;
}

// The FitStars table of one camera as it streams by: star rows grouped by
// their calibration time and each group joined to its calibration.
class StarsTableReader {
  public:
    StarsTableReader(const fs::path& path, std::vector<Calibration>& calibrations,
                     std::vector<TableProblem>& problems)
        : name_(path.filename().string()),
          calibrations_(calibrations),
          problems_(problems),
          joined_(calibrations.size(), false) {}

    // Reads the table; returns how many calibrations got their stars.
    long long Read(LineReader& reader, TableLines& lines) {
        std::string_view text;
        std::string_view line;
        for (;;) {
            if (reader.Peek(text)) {
                ReadLines(text, reader);
            } else if (reader.Next(line)) {
                ReadLine(line, reader.LineNumber(), reader.WasCut());
            } else {
                break;
            }
        }
        FinishGroup();
        lines = lines_;
        if (reader.Failed())
            problems_.push_back({name_, reader.LineNumber(), "read error; the rest is missing"});
        if (orphan_rows_ > 0) {
            problems_.push_back(
                {name_, 0, std::to_string(orphan_rows_) + " star rows have a time that no FitCoefs row has"});
        }
        if (duplicate_rows_ > 0) {
            problems_.push_back(
                {name_, 0,
                 std::to_string(duplicate_rows_) + " star rows repeat a calibration time (not used)"});
        }
        return joined_count_;
    }

  private:
    // Whole lines, each with its line feed. A row that repeats the group's
    // first row's columns 1 to 8 and has the star columns as the summary
    // program writes them is read where it stands (its line end is where
    // that length puts it: the characters before are known to hold no line
    // feed); any other line is found and read the general way.
    void ReadLines(std::string_view text, LineReader& reader) {
        const char* p = text.data();
        const char* const end = p + text.size();
        const long long first_line = reader.LineNumber();
        long long lines = 0;
        StarColumns star{};
        while (p < end) {
            if (in_group_) {
                const std::size_t prefix_length = group_prefix_.size();
                const char* line_end = p + prefix_length + kStarColumnsWritten;
                if (line_end < end &&
                    (*line_end == '\n' ||
                     (line_end[0] == '\r' && line_end + 1 < end && line_end[1] == '\n')) &&
                    SameText(p, group_prefix_.data(), prefix_length) &&
                    ReadStarColumnsAsWritten(p + prefix_length, star)) {
                    group_.Add(star);
                    ++lines;
                    ++lines_.rows;
                    p = line_end + (*line_end == '\r' ? 2 : 1);
                    continue;
                }
            }
            const char* newline =
                static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
            std::size_t length = static_cast<std::size_t>(newline - p);
            if (length > 0 && p[length - 1] == '\r') --length;
            ++lines;
            ReadLine(std::string_view(p, length), first_line + lines, false);
            p = newline + 1;
        }
        reader.Take(text.size(), lines);
    }

    void ReadLine(std::string_view line, long long number, bool cut) {
        if (!lines_.Count(line, number)) return;
        if (cut) {
            problems_.push_back({name_, number, "line too long"});
            return;
        }
        std::string_view rest;
        const std::size_t prefix_length = group_prefix_.size();
        bool other_columns = false;
        bool new_group = false;
        std::size_t rest_start = 0;
        StarsCalibrationColumns columns{};
        if (in_group_ && line.size() > prefix_length &&
            (line[prefix_length] == ' ' || line[prefix_length] == '\t') &&
            std::memcmp(line.data(), group_prefix_.data(), prefix_length) == 0) {
            rest = line.substr(prefix_length);
        } else {
            if (const char* error = ParseStarsCalibrationColumns(line, columns, rest_start)) {
                problems_.push_back({name_, number, error});
                return;
            }
            rest = line.substr(rest_start);
            if (in_group_ && columns.time_ms == group_.columns.time_ms) {
                other_columns = !SameColumns(columns, group_.columns);
            } else {
                new_group = true;
            }
        }
        // A row whose star columns do not read is skipped whole: it neither
        // starts a group (which would join its calibration without a star)
        // nor ends the group it stands in.
        StarColumns star{};
        if (const char* error = ParseStarColumns(rest, star)) {
            problems_.push_back({name_, number, error});
            return;
        }
        if (new_group) {
            FinishGroup();
            group_.Start(columns, number);
            in_group_ = true;
            group_prefix_.assign(line.data(), rest_start);
        }
        ++lines_.rows;
        if (other_columns) {
            group_.AddWithColumns(star, columns, number);
        } else {
            group_.Add(star);
        }
    }

    // Rows of the group that carry other calibration columns than most of
    // its rows: one note per set of columns, at its first row.
    void NoteOtherColumns(const StarsCalibrationColumns& majority, int majority_rows) {
        const auto note = [&](int rows, long long line) {
            problems_.push_back({name_, line,
                                 std::to_string(rows) + " star rows of the calibration at " +
                                     IsoTime(group_.columns.time_ms) +
                                     " carry other calibration columns than its " +
                                     std::to_string(majority_rows) + " other rows; their stars are kept",
                                 false});
        };
        int first_rows = group_.stars;
        for (const OtherColumns& other : group_.others) first_rows -= other.rows;
        if (!SameColumns(majority, group_.columns) && first_rows > 0) note(first_rows, group_.first_line);
        for (const OtherColumns& other : group_.others) {
            if (!SameColumns(majority, other.columns)) note(other.rows, other.first_line);
        }
    }

    void FinishGroup() {
        if (!in_group_) return;
        in_group_ = false;
        const auto found =
            std::lower_bound(calibrations_.begin(), calibrations_.end(), group_.columns.time_ms,
                             [](const Calibration& c, std::int64_t time) { return c.time_ms < time; });
        if (found == calibrations_.end() || found->time_ms != group_.columns.time_ms) {
            orphan_rows_ += group_.stars;
            return;
        }
        if (joined_[static_cast<std::size_t>(found - calibrations_.begin())]) {
            duplicate_rows_ += group_.stars;
            return;
        }
        joined_[static_cast<std::size_t>(found - calibrations_.begin())] = true;
        ++joined_count_;
        int majority_rows = 0;
        const StarsCalibrationColumns majority = group_.MajorityColumns(majority_rows);
        if (!group_.others.empty()) NoteOtherColumns(majority, majority_rows);
        if (!SameColumns(majority, group_.columns)) group_.RefitMisfits(majority);
        group_.Store(majority, *found);
    }

    const std::string name_;
    std::vector<Calibration>& calibrations_;
    std::vector<TableProblem>& problems_;
    std::vector<bool> joined_;
    long long joined_count_ = 0;
    long long orphan_rows_ = 0;
    long long duplicate_rows_ = 0;
    TableLines lines_;
    StarGroup group_;
    bool in_group_ = false;
    std::string group_prefix_;  // columns 1 to 8 of the group's first row, as written
};

}  // namespace

std::string ReadStarsTable(const fs::path& path, std::vector<Calibration>& calibrations,
                           std::vector<TableProblem>& problems) {
    const std::string name = path.filename().string();
    LineReader reader(path);
    if (!reader.IsOpen()) {
        problems.push_back({name, 0, reader.OpenError()});
        return "FitStars table " + reader.OpenError();
    }
    TableLines lines;
    const long long joined = StarsTableReader(path, calibrations, problems).Read(reader, lines);
    NoteCarriageReturnLines(reader, name, problems);
    if (joined > 0) return {};
    if (lines.rows > 0) return "FitStars table has no row of a calibration its FitCoefs table has";
    return NoRowReason("FitStars", reader, lines);
}

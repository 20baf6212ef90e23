#include "health/tables/camera_tables.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <map>
#include <string_view>
#include <system_error>

#include "health/tables/line_reader.h"
#include "health/stats/robust_stats.h"
#include "health/tables/table_row_parse.h"

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTablePrefix = "SummaryCAL";
constexpr std::string_view kCoefsSuffix = "_FitCoefs.txt";
constexpr std::string_view kStarsSuffix = "_FitStars.txt";
constexpr int kHeaderLines = 3;
// Stars of one calibration kept for its percentiles; a table never holds more
// than 1000 per calibration, so only a damaged one reaches the cap, and its
// further stars are still counted.
constexpr std::size_t kMaxStarsKept = 100000;
constexpr double kFaintLimitFraction = 0.9;

// Given a file name, returns the camera number and which table it is, or -1.
int TableCamera(std::string_view name, bool& is_coefs) {
    if (name.substr(0, kTablePrefix.size()) != kTablePrefix) return -1;
    std::string_view rest = name.substr(kTablePrefix.size());
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0 || digits > 6) return -1;
    const std::string_view suffix = rest.substr(digits);
    if (suffix == kCoefsSuffix) {
        is_coefs = true;
    } else if (suffix == kStarsSuffix) {
        is_coefs = false;
    } else {
        return -1;
    }
    int camera = 0;
    std::from_chars(rest.data(), rest.data() + digits, camera);
    return camera;
}

std::map<int, CameraTablePaths> ListTables(const fs::path& folder, std::error_code& error) {
    std::map<int, CameraTablePaths> cameras;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code status_error;
        if (!it->is_regular_file(status_error)) continue;
        bool is_coefs = false;
        const int camera = TableCamera(it->path().filename().string(), is_coefs);
        if (camera < 0) continue;
        CameraTablePaths& paths = cameras[camera];
        paths.camera = camera;
        (is_coefs ? paths.coefs : paths.stars) = it->path();
    }
    return cameras;
}

// The star rows of one calibration, gathered while the FitStars table streams by.
struct StarGroup {
    StarsCalibrationColumns columns{};
    int stars = 0;
    double sum_mv = 0.0;
    double sum_log_inten = 0.0;
    double misfit_pogson = 0.0;  // sum of |Mv - (icept - 2.5 slope L)|
    double misfit_linear = 0.0;  // sum of |Mv - (icept + slope L)|
    std::vector<float> mv;
    std::vector<float> log_inten;

    void Start(const StarsCalibrationColumns& first) {
        columns = first;
        stars = 0;
        sum_mv = sum_log_inten = misfit_pogson = misfit_linear = 0.0;
        mv.clear();
        log_inten.clear();
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
    void Store(Calibration& calibration) {
        calibration.star_count = stars;
        calibration.oc_mean_arcmin = columns.oc_mean_arcmin;
        calibration.oc_sigma_arcmin = columns.oc_sigma_arcmin;
        calibration.magfit_slope = columns.magfit_slope;
        calibration.magfit_icept = columns.magfit_icept;
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

bool SameValues(const Calibration& a, const Calibration& b) {
    return a.azimuth_deg == b.azimuth_deg && a.elevation_deg == b.elevation_deg && a.tilt_deg == b.tilt_deg &&
           a.table_arcmin_per_pixel == b.table_arcmin_per_pixel && a.x1 == b.x1 && a.x2 == b.x2 &&
           a.y1 == b.y1 && a.y2 == b.y2;
}

void ReadCoefsTable(const fs::path& path, CameraTables& tables, std::vector<TableProblem>& problems) {
    const std::string name = path.filename().string();
    LineReader reader(path);
    if (!reader.IsOpen()) {
        problems.push_back({name, 0, "cannot be opened for reading"});
        return;
    }
    std::string_view line;
    CoefsRow row{};
    while (reader.Next(line)) {
        if (IsBlankLine(line) || (reader.LineNumber() <= kHeaderLines && LooksLikeHeaderLine(line))) continue;
        const char* error = reader.WasCut() ? "line too long" : ParseCoefsRow(line, row);
        if (error != nullptr) {
            problems.push_back({name, reader.LineNumber(), error});
            continue;
        }
        Calibration calibration;
        calibration.time_ms = row.time_ms;
        calibration.coefs_line = reader.LineNumber();
        calibration.azimuth_deg = row.azimuth_deg;
        calibration.elevation_deg = row.elevation_deg;
        calibration.tilt_deg = row.tilt_deg;
        calibration.table_arcmin_per_pixel = row.arcmin_per_pixel;
        calibration.x1 = row.xcoef[1];
        calibration.x2 = row.xcoef[2];
        calibration.y1 = row.ycoef[1];
        calibration.y2 = row.ycoef[2];
        tables.calibrations.push_back(calibration);
    }
    if (reader.Failed()) problems.push_back({name, reader.LineNumber(), "read error; the rest is missing"});
}

// Keeps the first row of every calibration time (in table order) and
// records the others as duplicates.
void SortAndFindDuplicates(CameraTables& tables) {
    std::vector<Calibration>& rows = tables.calibrations;
    const auto earlier = [](const Calibration& a, const Calibration& b) { return a.time_ms < b.time_ms; };
    // The summary program writes rows in time order; a sort would only move them.
    if (!std::is_sorted(rows.begin(), rows.end(), earlier))
        std::stable_sort(rows.begin(), rows.end(), earlier);
    std::vector<Calibration> unique;
    unique.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size();) {
        std::size_t j = i + 1;
        bool identical = true;
        while (j < rows.size() && rows[j].time_ms == rows[i].time_ms) {
            identical = identical && SameValues(rows[i], rows[j]);
            ++j;
        }
        if (j - i > 1) tables.duplicates.push_back({rows[i].time_ms, static_cast<int>(j - i), identical});
        unique.push_back(rows[i]);
        i = j;
    }
    rows.swap(unique);
}

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
// their columns 1 to 8 and each group joined to its calibration.
class StarsTableReader {
  public:
    StarsTableReader(const fs::path& path, CameraTables& tables, std::vector<TableProblem>& problems)
        : name_(path.filename().string()),
          tables_(tables),
          problems_(problems),
          joined_(tables.calibrations.size(), false) {}

    void Read(LineReader& reader) {
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
    }

  private:
    // Whole lines, each with its line feed. A row that repeats the group's
    // columns 1 to 8 and has the star columns as the summary program writes
    // them is read where it stands (its line end is where that length puts
    // it: the characters before are known to hold no line feed); any other
    // line is found and read the general way.
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
        if (IsBlankLine(line) || (number <= kHeaderLines && LooksLikeHeaderLine(line))) return;
        if (cut) {
            problems_.push_back({name_, number, "line too long"});
            return;
        }
        std::string_view rest;
        const std::size_t prefix_length = group_prefix_.size();
        if (in_group_ && line.size() > prefix_length &&
            (line[prefix_length] == ' ' || line[prefix_length] == '\t') &&
            std::memcmp(line.data(), group_prefix_.data(), prefix_length) == 0) {
            rest = line.substr(prefix_length);
        } else {
            StarsCalibrationColumns columns{};
            std::size_t rest_start = 0;
            if (const char* error = ParseStarsCalibrationColumns(line, columns, rest_start)) {
                problems_.push_back({name_, number, error});
                return;
            }
            FinishGroup();
            group_.Start(columns);
            in_group_ = true;
            group_prefix_.assign(line.data(), rest_start);
            rest = line.substr(rest_start);
        }
        StarColumns star{};
        if (const char* error = ParseStarColumns(rest, star)) {
            problems_.push_back({name_, number, error});
            return;
        }
        group_.Add(star);
    }

    void FinishGroup() {
        if (!in_group_) return;
        std::vector<Calibration>& calibrations = tables_.calibrations;
        const auto found =
            std::lower_bound(calibrations.begin(), calibrations.end(), group_.columns.time_ms,
                             [](const Calibration& c, std::int64_t time) { return c.time_ms < time; });
        if (found == calibrations.end() || found->time_ms != group_.columns.time_ms) {
            orphan_rows_ += group_.stars;
        } else if (joined_[static_cast<std::size_t>(found - calibrations.begin())]) {
            duplicate_rows_ += group_.stars;
        } else {
            joined_[static_cast<std::size_t>(found - calibrations.begin())] = true;
            group_.Store(*found);
        }
        in_group_ = false;
    }

    const std::string name_;
    CameraTables& tables_;
    std::vector<TableProblem>& problems_;
    std::vector<bool> joined_;
    long long orphan_rows_ = 0;
    long long duplicate_rows_ = 0;
    StarGroup group_;
    bool in_group_ = false;
    std::string group_prefix_;  // columns 1 to 8 of the group's rows, as written
};

void ReadStarsTable(const fs::path& path, CameraTables& tables, std::vector<TableProblem>& problems) {
    LineReader reader(path);
    if (!reader.IsOpen()) {
        problems.push_back({path.filename().string(), 0, "cannot be opened for reading"});
        return;
    }
    StarsTableReader(path, tables, problems).Read(reader);
}

}  // namespace

std::vector<CameraTablePaths> FindSummaryTables(const fs::path& folder, fs::path& tables_folder,
                                                std::string& error) {
    std::error_code status_error;
    if (!fs::is_directory(folder, status_error)) {
        error = "no such folder: " + folder.string();
        return {};
    }
    std::error_code list_error;
    const fs::path summary = folder / "Summary";
    std::map<int, CameraTablePaths> cameras;
    if (fs::is_directory(summary, status_error)) {
        cameras = ListTables(summary, list_error);
        tables_folder = summary;
    }
    if (cameras.empty() && !list_error) {
        cameras = ListTables(folder, list_error);
        tables_folder = folder;
    }
    if (list_error) {
        error = "cannot list " + tables_folder.string() + ": " + list_error.message();
        return {};
    }
    if (cameras.empty()) {
        error = "no SummaryCALnnn_FitCoefs.txt or _FitStars.txt tables in " + folder.string() + " or " +
                summary.string();
        return {};
    }
    std::vector<CameraTablePaths> list;
    for (const auto& entry : cameras) list.push_back(entry.second);
    return list;
}

CameraTables ReadCameraTables(const CameraTablePaths& paths, std::vector<TableProblem>& problems) {
    CameraTables tables;
    tables.camera = paths.camera;
    if (paths.coefs.empty()) {
        problems.push_back({paths.stars.filename().string(), 0, "has no FitCoefs table beside it; not used"});
        return tables;
    }
    ReadCoefsTable(paths.coefs, tables, problems);
    SortAndFindDuplicates(tables);
    if (paths.stars.empty()) {
        problems.push_back({paths.coefs.filename().string(), 0,
                            "has no FitStars table beside it; residuals and photometry unknown"});
        return tables;
    }
    ReadStarsTable(paths.stars, tables, problems);
    return tables;
}

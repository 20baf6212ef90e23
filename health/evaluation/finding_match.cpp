#include "health/evaluation/finding_match.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <set>

#include "common/civil_time.h"
#include "common/findings_csv.h"
#include "common/number_text.h"

namespace {

int IndexOf(const std::vector<std::string>& times, const std::string& time) {
    const auto found = std::lower_bound(times.begin(), times.end(), time);
    return found != times.end() && *found == time ? static_cast<int>(found - times.begin()) : -1;
}

// Given a CSV file, calls row with every line after its header; returns
// false when the file cannot be opened.
template <typename RowFunction>
bool ForEachCsvLine(const std::filesystem::path& path, RowFunction row) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) row(line);
    return true;
}

}  // namespace

const std::vector<std::string>& InjectedKinds() {
    static const std::vector<std::string> kinds = {"moved", "pointing_outlier", "scale_change",
                                                   "zero_point_drop", "poor_fit"};
    return kinds;
}

int DatingTolerance(const std::string& kind) {
    return kind == "pointing_outlier" || kind == "poor_fit" ? 0 : 1;
}

std::vector<FindingRow> ReadFindingRows(const std::filesystem::path& path, std::string& error) {
    std::vector<FindingRow> rows;
    const bool read = ForEachCsvLine(path, [&](const std::string& line) {
        const std::vector<std::string> f = SplitCsvLine(line);
        if (f.size() < 8) return;
        FindingRow row;
        row.camera = std::atoi(f[0].c_str());
        row.kind = f[1];
        row.start = f[2];
        row.end = f[3];
        row.size = std::atof(f[5].c_str());
        rows.push_back(row);
    });
    if (!read) {
        error = "cannot read " + path.string();
        return {};
    }
    return rows;
}

bool ReadDatingRanges(const std::filesystem::path& path, std::vector<FindingRow>& truth, std::string& error) {
    bool named = true;
    ForEachCsvLine(path, [&](const std::string& line) {
        const std::vector<std::string> f = SplitCsvLine(line);
        if (!named || f.size() < 4) return;
        const int camera = std::atoi(f[0].c_str());
        const auto event = std::find_if(truth.begin(), truth.end(), [&](const FindingRow& row) {
            return row.camera == camera && row.kind == f[1] && row.start == f[2];
        });
        if (event == truth.end()) {
            error = path.string() + ": no event " + f[0] + " " + f[1] + " " + f[2] + " in the truth";
            named = false;
            return;
        }
        event->latest_start = f[3];
    });
    return named;
}

std::map<int, std::vector<std::string>> ReadCalibrationTimes(const std::filesystem::path& path,
                                                             std::string& error) {
    std::map<int, std::vector<std::string>> times;
    const bool read = ForEachCsvLine(path, [&](const std::string& line) {
        const std::size_t first = line.find(',');
        const std::size_t second = line.find(',', first + 1);
        if (first == std::string::npos || second == std::string::npos) return;
        times[std::atoi(line.substr(0, first).c_str())].push_back(line.substr(first + 1, second - first - 1));
    });
    if (!read) {
        error = "cannot read " + path.string();
        return {};
    }
    for (auto& entry : times) std::sort(entry.second.begin(), entry.second.end());
    return times;
}

void ScoreRun(const std::vector<FindingRow>& truth, const std::vector<FindingRow>& found,
              const std::map<int, std::vector<std::string>>& times, Evaluation& evaluation) {
    for (const auto& entry : times) {
        const std::optional<std::int64_t> first = ParseIsoTime(entry.second.front());
        const std::optional<std::int64_t> last = ParseIsoTime(entry.second.back());
        if (first && last) evaluation.camera_years += DaysFromMilliseconds(*last - *first) / 365.25;
    }
    const auto index = [&](int camera, const std::string& time) {
        const auto camera_times = times.find(camera);
        return camera_times == times.end() ? -1 : IndexOf(camera_times->second, time);
    };
    std::set<std::size_t> used;
    for (const std::string& kind : InjectedKinds()) evaluation.kinds[kind];
    for (const FindingRow& event : truth) {
        KindScore& score = evaluation.kinds[event.kind];
        ++score.truth;
        const int at = index(event.camera, event.start);
        const int latest = event.latest_start.empty() ? at : index(event.camera, event.latest_start);
        const int tolerance = DatingTolerance(event.kind);
        std::size_t best = found.size();
        int best_distance = tolerance + 1;
        for (std::size_t f = 0; f < found.size(); ++f) {
            if (used.count(f) || found[f].camera != event.camera || found[f].kind != event.kind) continue;
            const int start = index(found[f].camera, found[f].start);
            const int distance = start < at ? at - start : start > latest ? start - latest : 0;
            if (at >= 0 && distance < best_distance) {
                best = f;
                best_distance = distance;
            }
        }
        if (best < found.size()) {
            used.insert(best);
            ++score.detected;
            ++score.found_any_date;
            ++score.found_as[event.kind];
            continue;
        }
        // Not dated within the tolerance: a finding of the same kind that
        // overlaps the event still found it, at another date; else the kind
        // of any finding at the event's start.
        const int event_end = index(event.camera, event.end);
        std::string other = "missed";
        for (std::size_t k = 0; k < found.size(); ++k) {
            const FindingRow& f = found[k];
            if (used.count(k) || f.camera != event.camera || f.kind != event.kind) continue;
            if (index(f.camera, f.start) <= event_end && index(f.camera, f.end) >= at) {
                other = f.kind + " (misdated)";
                ++score.found_any_date;
                used.insert(k);
                break;
            }
        }
        for (const FindingRow& f : found) {
            if (other != "missed" || f.camera != event.camera) continue;
            const int start = index(f.camera, f.start);
            const int end = index(f.camera, f.end);
            if (std::abs(start - at) <= 1 || (start <= at && at <= end)) other = f.kind;
        }
        ++score.found_as[other];
    }
    for (std::size_t f = 0; f < found.size(); ++f) {
        const auto score = evaluation.kinds.find(found[f].kind);
        if (score == evaluation.kinds.end()) {
            ++evaluation.other_kinds[found[f].kind];
        } else if (!used.count(f)) {
            ++score->second.false_found;
        }
    }
}

std::string EvaluationText(const Evaluation& evaluation) {
    std::string text =
        "| injected kind | events | found, dated | recall | found at any date | false findings | per "
        "camera-year |\n"
        "|---|---:|---:|---:|---:|---:|---:|\n";
    for (const std::string& kind : InjectedKinds()) {
        const KindScore& s = evaluation.kinds.at(kind);
        text += "| " + kind + " | " + std::to_string(s.truth) + " | " + std::to_string(s.detected) + " | " +
                (s.truth > 0 ? Fixed(100.0 * s.detected / s.truth, 1) + " %" : "-") + " | " +
                std::to_string(s.found_any_date) + " | " + std::to_string(s.false_found) + " | " +
                Fixed(evaluation.camera_years > 0 ? s.false_found / evaluation.camera_years : 0.0, 3) +
                " |\n";
    }
    text += "\nFindings of kinds nothing injects (nuisances, or the events' side effects):";
    for (const auto& [kind, count] : evaluation.other_kinds) {
        text += " " + kind + " " + std::to_string(count) + " (" +
                Fixed(evaluation.camera_years > 0 ? count / evaluation.camera_years : 0.0, 2) +
                " per camera-year);";
    }
    text += "\nCamera-years: " + Fixed(evaluation.camera_years, 1) +
            "\n\nConfusion (rows: injected kind; columns: what the report found at it)\n\n";
    std::set<std::string> columns;
    for (const auto& entry : evaluation.kinds) {
        for (const auto& found : entry.second.found_as) columns.insert(found.first);
    }
    text += "| injected \\ found |";
    for (const std::string& c : columns) text += " " + c + " |";
    text += "\n|---|";
    for (std::size_t k = 0; k < columns.size(); ++k) text += "---:|";
    text += "\n";
    for (const std::string& kind : InjectedKinds()) {
        text += "| " + kind + " |";
        const KindScore& s = evaluation.kinds.at(kind);
        for (const std::string& c : columns) {
            const auto found = s.found_as.find(c);
            text += " " + std::to_string(found == s.found_as.end() ? 0 : found->second) + " |";
        }
        text += "\n";
    }
    text += "| (no event: false findings) |";
    for (const std::string& c : columns) {
        const auto kind = evaluation.kinds.find(c);
        text +=
            " " +
            (kind != evaluation.kinds.end() ? std::to_string(kind->second.false_found) : std::string("-")) +
            " |";
    }
    text += "\n";
    return text;
}

#include "common/findings_csv.h"

#include "common/civil_time.h"
#include "common/number_text.h"

namespace {

constexpr std::string_view kKindNames[kFindingKindCount] = {
    "moved", "pointing_outlier", "scale_change",   "zero_point_drop",  "poor_fit", "few_stars",
    "stale", "duplicate",        "pointing_drift", "unreadable_table", "clock",
};

}  // namespace

std::string_view KindName(FindingKind kind) {
    const int index = static_cast<int>(kind);
    return index >= 0 && index < kFindingKindCount ? kKindNames[index] : "unknown";
}

std::optional<FindingKind> KindFromName(std::string_view name) {
    for (int k = 0; k < kFindingKindCount; ++k) {
        if (kKindNames[k] == name) return static_cast<FindingKind>(k);
    }
    return std::nullopt;
}

void AppendQuoted(std::string& text, std::string_view field) {
    text += '"';
    for (char c : field) {
        if (c == '"') text += '"';
        text += c;
    }
    text += '"';
}

void AppendFindingsCsvRow(std::string& text, const FindingsCsvRow& row) {
    text += std::to_string(row.camera);
    text += ',';
    text += KindName(row.kind);
    text += ',';
    if (row.start_ms) AppendIsoTime(text, *row.start_ms);
    text += ',';
    if (row.end_ms) AppendIsoTime(text, *row.end_ms);
    text += ',';
    text += std::to_string(row.calibrations);
    text += ',';
    AppendFixed(text, row.size, 3);
    text += ',';
    AppendQuoted(text, row.unit);
    text += ',';
    AppendQuoted(text, row.detail);
    text += kCsvLineEnd;
}

std::vector<std::string> SplitCsvLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

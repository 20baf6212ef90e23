#include "health/tables/table_reading.h"

#include "health/tables/table_row_parse.h"

namespace {

constexpr long long kHeaderLines = 3;

}  // namespace

bool TableLines::Count(std::string_view line, long long number) {
    if (IsBlankLine(line)) {
        ++blank;
        return false;
    }
    if (number <= kHeaderLines && LooksLikeHeaderLine(line)) {
        ++header;
        return false;
    }
    ++other;
    return true;
}

std::string NoRowReason(std::string_view kind, const LineReader& reader, const TableLines& lines) {
    std::string reason = std::string(kind) + " table has no readable row";
    if (reader.Failed()) return reason + " (a read error)";
    if (reader.BytesRead() == 0) return reason + " (it is empty)";
    if (lines.other == 0) return reason + (lines.header > 0 ? " (only its header)" : " (only blank lines)");
    return reason + " (" + std::to_string(lines.other) + (lines.other == 1 ? " line" : " lines") +
           " below its header, none a " + std::string(kind) + " row)";
}

void NoteCarriageReturnLines(const LineReader& reader, const std::string& name,
                             std::vector<TableProblem>& problems) {
    if (reader.CarriageReturnLines())
        problems.push_back({name, 0, "line ends are CR only; read as line ends", false});
}

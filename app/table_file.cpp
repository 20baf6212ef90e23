#include "app/table_file.h"

#include "platform/replaced_file.h"

namespace {

// Output buffer of each table: rows go to the file in writes of this size.
constexpr std::size_t kTableBufferBytes = 256 * 1024;
// Names tried for the file of a table when one is taken (a file that an
// earlier run of the same process number left behind).
constexpr int kTemporaryNameAttempts = 10;

// The temporary name of a final name ".../SummaryCALnnn_kind.txt":
// ".../~CALnnn_kind.<process>" (with "-<attempt>" after the first attempt).
// It is never longer than the final name for process numbers of up to seven
// digits, so it fits wherever the final name does.
std::string TemporaryName(const std::string& final_name, int attempt) {
    const std::size_t base = final_name.find_last_of("/\\") + 1;
    std::string stem = final_name.substr(base);
    if (stem.compare(0, 7, "Summary") == 0) stem.erase(0, 7);
    if (stem.size() >= 4 && stem.compare(stem.size() - 4, 4, ".txt") == 0) stem.resize(stem.size() - 4);
    std::string name = final_name.substr(0, base) + "~" + stem + "." + std::to_string(ProcessNumber());
    if (attempt > 0) name += "-" + std::to_string(attempt);
    return name;
}

}  // namespace

bool OpenTableFile(const std::string& final_name, TableFile& table) {
    table = TableFile{};
    table.final_name = final_name;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && table.file == nullptr; ++attempt) {
        table.temporary_name = TemporaryName(final_name, attempt);
        table.file = CreateNewFile(table.temporary_name);
    }
    if (table.file == nullptr) {
        table.temporary_name.clear();
        return false;
    }
    table.buffer.reset(new char[kTableBufferBytes]);
    std::setvbuf(table.file, table.buffer.get(), _IOFBF, kTableBufferBytes);
    return true;
}

bool WriteTableText(TableFile& table, std::string_view text) {
    if (table.write_failed || table.file == nullptr) return false;
    if (std::fwrite(text.data(), 1, text.size(), table.file) != text.size()) table.write_failed = true;
    return !table.write_failed;
}

bool CloseTableFile(TableFile& table) {
    if (table.file == nullptr) return !table.write_failed;
    const bool flushed = std::fflush(table.file) == 0 && std::ferror(table.file) == 0;
    const bool closed = std::fclose(table.file) == 0;
    table.file = nullptr;
    if (!flushed || !closed) table.write_failed = true;
    return !table.write_failed;
}

bool PublishTableFile(TableFile& table) {
    if (table.temporary_name.empty()) return false;
    if (!ReplaceFile(table.temporary_name, table.final_name)) {
        DiscardTableFile(table);
        return false;
    }
    table.temporary_name.clear();
    return true;
}

void DiscardTableFile(TableFile& table) {
    if (table.file != nullptr) std::fclose(table.file);
    table.file = nullptr;
    if (!table.temporary_name.empty()) RemoveFile(table.temporary_name);
    table.temporary_name.clear();
}

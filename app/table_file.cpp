#include "app/table_file.h"

#include <climits>

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

// Creates a new file under the first free temporary name of final_name and
// sets name to it. Returns the open file, or null (name empty) when none of
// the names could be had.
std::FILE* CreateTemporaryFile(const std::string& final_name, std::string& name) {
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        name = TemporaryName(final_name, attempt);
        if (std::FILE* file = CreateNewFile(name)) return file;
    }
    name.clear();
    return nullptr;
}

// Moves whatever stands at final_name aside under a name of its own (the
// temporary name with kEarlierSuffix, which a later run recognises and puts
// back should this run end before the pair is in place), set in aside (left
// empty when nothing stands there). Returns false when something stands
// there and cannot be moved; nothing is then changed.
bool MoveAside(const std::string& final_name, std::string& aside) {
    aside.clear();
    if (!NameIsTaken(final_name)) return true;
    // The name is taken by an empty file first, so that the move replaces a
    // file of this run's own and nothing else.
    std::FILE* placeholder = nullptr;
    for (int attempt = 0; attempt < kTemporaryNameAttempts && placeholder == nullptr; ++attempt) {
        aside = TemporaryName(final_name, attempt) + std::string(kEarlierSuffix);
        placeholder = CreateNewFile(aside);
    }
    if (placeholder == nullptr) {
        aside.clear();
        return false;
    }
    std::fclose(placeholder);
    if (ReplaceFile(final_name, aside)) return true;
    RemoveFile(aside);
    aside.clear();
    return false;
}

// Puts back at final_name what MoveAside moved to aside, or, when nothing
// was moved, removes what now stands there. When the earlier file cannot be
// put back, it stays under its temporary name and standard error says so.
void PutBack(const std::string& aside, const std::string& final_name) {
    if (aside.empty()) {
        RemoveFile(final_name);
        return;
    }
    if (!ReplaceFile(aside, final_name)) {
        std::fprintf(stderr, " The earlier %s could not be put back; it is kept as %s \n", final_name.c_str(),
                     aside.c_str());
    }
}

// The number of decimal digits at the front of text.
std::size_t LeadingDigits(std::string_view text) {
    std::size_t count = 0;
    while (count < text.size() && text[count] >= '0' && text[count] <= '9') ++count;
    return count;
}

}  // namespace

bool OpenTableFile(const std::string& final_name, TableFile& table) {
    table = TableFile{};
    table.final_name = final_name;
    table.file = CreateTemporaryFile(final_name, table.temporary_name);
    if (table.file == nullptr) return false;
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

TableFile* PublishTablePair(TableFile& first, TableFile& second) {
    if (first.temporary_name.empty() || second.temporary_name.empty()) {
        for (TableFile* table : {&first, &second}) {
            if (!table->temporary_name.empty() && !PublishTableFile(*table)) return table;
        }
        return nullptr;
    }
    std::string aside;
    if (!MoveAside(first.final_name, aside)) {
        DiscardTableFile(first);
        DiscardTableFile(second);
        return &first;
    }
    if (!PublishTableFile(first)) {
        if (!aside.empty()) PutBack(aside, first.final_name);
        DiscardTableFile(second);
        return &first;
    }
    if (!PublishTableFile(second)) {
        PutBack(aside, first.final_name);
        return &second;
    }
    if (!aside.empty()) RemoveFile(aside);
    return nullptr;
}

long EarlierTableProcess(std::string_view name) {
    if (name.size() <= kEarlierSuffix.size() ||
        name.compare(name.size() - kEarlierSuffix.size(), kEarlierSuffix.size(), kEarlierSuffix) != 0)
        return -1;
    return TemporaryTableProcess(name.substr(0, name.size() - kEarlierSuffix.size()));
}

long TemporaryTableProcess(std::string_view name) {
    if (name.compare(0, 4, "~CAL") != 0) return -1;
    name.remove_prefix(4);
    // The camera as "%03d" writes it: at least three characters, a minus
    // sign first when it is negative.
    const std::size_t sign = !name.empty() && name[0] == '-' ? 1 : 0;
    const std::size_t camera_digits = LeadingDigits(name.substr(sign));
    if (camera_digits == 0 || sign + camera_digits < 3) return -1;
    name.remove_prefix(sign + camera_digits);
    if (name.compare(0, 10, "_FitCoefs.") != 0 && name.compare(0, 10, "_FitStars.") != 0) return -1;
    name.remove_prefix(10);
    const std::size_t process_digits = LeadingDigits(name);
    if (process_digits == 0) return -1;
    long process = 0;
    for (std::size_t i = 0; i < process_digits; ++i) {
        const int digit = name[i] - '0';
        if (process > (LONG_MAX - digit) / 10) return -1;  // no process has such a number
        process = process * 10 + digit;
    }
    name.remove_prefix(process_digits);
    // The attempt, after the first.
    if (!name.empty() &&
        (name[0] != '-' || name.size() == 1 || LeadingDigits(name.substr(1)) != name.size() - 1)) {
        return -1;
    }
    return process;
}

void DiscardTableFile(TableFile& table) {
    if (table.file != nullptr) std::fclose(table.file);
    table.file = nullptr;
    if (!table.temporary_name.empty()) RemoveFile(table.temporary_name);
    table.temporary_name.clear();
}

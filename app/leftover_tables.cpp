#include "app/leftover_tables.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/table_file.h"
#include "platform/console.h"
#include "platform/folder_files.h"
#include "platform/replaced_file.h"
#include "platform/running_process.h"

namespace {

constexpr std::string_view kCoefsKind = "_FitCoefs.";
constexpr std::string_view kStarsKind = "_FitStars.";

// Given a leftover's name ("~CALnnn_kind.<process>..."), the final name of
// its table ("SummaryCALnnn_kind.txt") and the start of the names of the
// same run's file of the camera's other table ("~CALnnn_otherkind.<process>").
void NamesOf(const std::string& name, long process, std::string& final_name, std::string& partner) {
    const std::size_t kind_at = name.find('_');
    const std::string camera = name.substr(4, kind_at - 4);
    const bool coefs = name.compare(kind_at, kCoefsKind.size(), kCoefsKind) == 0;
    final_name = "SummaryCAL" + camera + (coefs ? "_FitCoefs.txt" : "_FitStars.txt");
    partner = "~CAL" + camera + std::string(coefs ? kStarsKind : kCoefsKind) + std::to_string(process);
}

bool AnyStartsWith(const std::vector<std::string>& names, const std::string& start) {
    for (const std::string& name : names) {
        if (name.compare(0, start.size(), start) == 0 && TemporaryTableProcess(name) >= 0) return true;
    }
    return false;
}

// An earlier table that an ended run moved aside goes back in place when the
// run did not put the new pair in place (the final name is empty, or the
// other table's new file is still waiting); otherwise it is obsolete.
void SettleEarlierTable(const std::string& summary, const std::string& name, long process,
                        const std::vector<std::string>& names) {
    std::string final_name;
    std::string partner;
    NamesOf(name, process, final_name, partner);
    const std::string path = summary + name;
    const std::string final_path = summary + final_name;
    if (!NameIsTaken(final_path) || AnyStartsWith(names, partner)) {
        if (ReplaceFile(path, final_path)) {
            std::fprintf(stderr, " Put back earlier table file %s that ended process %ld had moved aside \n",
                         final_path.c_str(), process);
        } else {
            std::fprintf(stderr, " Cannot put back earlier table file %s of ended process %ld \n",
                         path.c_str(), process);
        }
        return;
    }
    if (RemoveFile(path)) {
        std::fprintf(stderr, " Removed leftover table file %s of ended process %ld \n", path.c_str(),
                     process);
    }
}

}  // namespace

void RemoveLeftoverTables(std::string_view folder) {
    const std::string summary = std::string(folder) + "Summary" + kPathSeparator;
    std::vector<std::string> names;
    if (!ListFolderFileNames(summary, names)) return;
    for (const std::string& name : names) {
        const long process = EarlierTableProcess(name);
        if (process >= 0 && !ProcessIsRunning(process)) SettleEarlierTable(summary, name, process, names);
    }
    for (const std::string& name : names) {
        const long process = TemporaryTableProcess(name);
        if (process < 0 || ProcessIsRunning(process)) continue;
        const std::string path = summary + name;
        if (RemoveFile(path)) {
            std::fprintf(stderr, " Removed leftover table file %s of ended process %ld \n", path.c_str(),
                         process);
        } else {
            std::fprintf(stderr, " Cannot remove leftover table file %s of ended process %ld \n",
                         path.c_str(), process);
        }
    }
}

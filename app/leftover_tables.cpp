#include "app/leftover_tables.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/table_file.h"
#include "platform/console.h"
#include "platform/folder_files.h"
#include "platform/replaced_file.h"
#include "platform/running_process.h"

void RemoveLeftoverTables(std::string_view folder) {
    const std::string summary = std::string(folder) + "Summary" + kPathSeparator;
    std::vector<std::string> names;
    if (!ListFolderFileNames(summary, names)) return;
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

// Summary sub-folder creation, the CAL file name listing and the names of a
// folder's files, on std::filesystem.
#include "platform/folder_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/utf8_path.h"

namespace fs = std::filesystem;

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    if (text.size() < suffix.size()) return false;
    return StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

// "CAL*.txt": the star may match nothing, so "CAL.txt" is a match too.
bool MatchesCalPattern(std::string_view name) {
    return name.size() >= 7 && StartsWithNoCase(name, "CAL") && EndsWithNoCase(name, ".txt") &&
           name.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace

bool CreateSummaryFolder(std::string_view folder) {
    const fs::path summary = PathFromUtf8(folder) / "Summary";
    std::error_code error;
    fs::create_directory(summary, error);
    if (!error) return true;
    std::fprintf(stderr, " Cannot create folder %s: %s \n", Utf8FromPath(summary).c_str(),
                 error.message().c_str());
    return false;
}

bool ListCALfileNames(std::string_view folder, std::string& names) {
    std::error_code error;
    fs::directory_iterator entry(PathFromUtf8(folder), error);
    if (error) return false;
    std::vector<std::string> matches;
    for (; entry != fs::directory_iterator(); entry.increment(error)) {
        if (error) return false;
        std::error_code type_error;
        if (!entry->is_regular_file(type_error)) continue;
        std::string name = Utf8FromPath(entry->path().filename());
        if (MatchesCalPattern(name)) matches.push_back(std::move(name));
    }
    if (error) return false;
    std::sort(matches.begin(), matches.end());
    names.clear();
    for (const std::string& name : matches) {
        names += name;
        names += '\n';
    }
    return true;
}

bool ListFolderFileNames(std::string_view folder, std::vector<std::string>& names) {
    names.clear();
    std::error_code error;
    fs::directory_iterator entry(PathFromUtf8(folder), error);
    if (error) return false;
    for (; entry != fs::directory_iterator(); entry.increment(error)) {
        if (error) return false;
        std::error_code type_error;
        if (fs::is_directory(entry->symlink_status(type_error))) continue;
        names.push_back(Utf8FromPath(entry->path().filename()));
    }
    return !error;
}

#include "health/tables/table_folder.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kTablePrefix = "SummaryCAL";
constexpr std::string_view kCoefsSuffix = "_FitCoefs.txt";
constexpr std::string_view kStarsSuffix = "_FitStars.txt";
constexpr std::size_t kMaxCameraDigits = 6;

// Given a file name, returns the camera number and which table it is, or -1.
int TableCamera(std::string_view name, bool& is_coefs) {
    if (name.substr(0, kTablePrefix.size()) != kTablePrefix) return -1;
    std::string_view rest = name.substr(kTablePrefix.size());
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9') ++digits;
    if (digits == 0 || digits > kMaxCameraDigits) return -1;
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

// The name the summary program gives a camera's table.
std::string WrittenName(int camera, bool is_coefs) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%03d", camera);
    return std::string(kTablePrefix) + digits + std::string(is_coefs ? kCoefsSuffix : kStarsSuffix);
}

// Every table name of one kind that names one camera.
using Candidates = std::vector<fs::path>;

std::map<int, std::pair<Candidates, Candidates>> ListTables(const fs::path& folder, std::error_code& error) {
    std::map<int, std::pair<Candidates, Candidates>> cameras;  // FitCoefs names, FitStars names
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::error_code status_error;
        if (!it->is_regular_file(status_error)) continue;
        bool is_coefs = false;
        const int camera = TableCamera(it->path().filename().string(), is_coefs);
        if (camera < 0) continue;
        auto& names = cameras[camera];
        (is_coefs ? names.first : names.second).push_back(it->path());
    }
    return cameras;
}

// Picks the table of one kind among its names; sets clash when none can be
// used without guessing.
fs::path ChooseTable(int camera, bool is_coefs, Candidates names, std::string& clash,
                     std::vector<TableProblem>& notes) {
    if (names.empty()) return {};
    if (names.size() == 1) return names.front();
    std::sort(names.begin(), names.end());
    const std::string written = WrittenName(camera, is_coefs);
    std::string listed;
    for (const fs::path& name : names) listed += (listed.empty() ? "" : ", ") + name.filename().string();
    for (const fs::path& name : names) {
        if (name.filename().string() != written) continue;
        for (const fs::path& other : names) {
            if (other != name)
                notes.push_back({other.filename().string(), 0,
                                 "names camera " + std::to_string(camera) + " too; " + written +
                                     " is used, this table is not"});
        }
        return name;
    }
    clash =
        listed + " all name camera " + std::to_string(camera) + "; none is used: keep one, named " + written;
    return {};
}

}  // namespace

std::vector<CameraTablePaths> FindSummaryTables(const fs::path& folder, fs::path& tables_folder,
                                                std::string& error, std::vector<TableProblem>& notes) {
    std::error_code status_error;
    if (!fs::is_directory(folder, status_error)) {
        error = "no such folder: " + folder.string();
        return {};
    }
    std::error_code list_error;
    const fs::path summary = folder / "Summary";
    std::map<int, std::pair<Candidates, Candidates>> cameras;
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
    for (auto& [camera, names] : cameras) {
        CameraTablePaths paths;
        paths.camera = camera;
        paths.coefs = ChooseTable(camera, true, std::move(names.first), paths.coefs_clash, notes);
        paths.stars = ChooseTable(camera, false, std::move(names.second), paths.stars_clash, notes);
        list.push_back(std::move(paths));
    }
    return list;
}

// health_page_bench: a health report page of many cameras, for timing the
// page in a browser without generating that many cameras' tables. It
// analyses the tables of one folder once, repeats its cameras (renumbered
// 1, 2, ...) until there are the requested number, and writes the page.
//
//   health_page_bench --cameras N --out PAGE.html [--recent DAYS] FOLDER
//
// --recent is the report's option (30 days by default here, as the demo
// runs, since the generator keeps its events clear of the last nights).
//
// Prints the page's size and how long forming and writing it took.
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "health/findings/health_report.h"
#include "health/report/html_report.h"
#include "health/tables/table_folder.h"

namespace fs = std::filesystem;

namespace {

// Given a report and a number of cameras, returns the report with its
// cameras repeated in order, renumbered from 1, until there are that many.
HealthReport Replicated(const HealthReport& report, int cameras) {
    HealthReport many = report;
    many.cameras.clear();
    many.cameras.reserve(static_cast<std::size_t>(cameras));
    for (int k = 0; k < cameras; ++k) {
        many.cameras.push_back(report.cameras[static_cast<std::size_t>(k) % report.cameras.size()]);
        many.cameras.back().quantities.camera = k + 1;
    }
    return many;
}

}  // namespace

int main(int argc, char** argv) {
    int cameras = 0;
    HealthSettings settings;
    settings.recent_days = 30.0;
    fs::path out, folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--cameras" && i + 1 < argc) {
            cameras = std::atoi(argv[++i]);
        } else if (arg == "--recent" && i + 1 < argc) {
            settings.recent_days = std::atof(argv[++i]);
        } else if (arg == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else {
            folder = arg;
        }
    }
    if (cameras <= 0 || out.empty() || folder.empty()) {
        std::fprintf(stderr, "usage: health_page_bench --cameras N --out PAGE.html FOLDER\n");
        return 2;
    }
    fs::path tables_folder;
    std::string error;
    std::vector<TableProblem> notes;
    const std::vector<CameraTablePaths> tables = FindSummaryTables(folder, tables_folder, error, notes);
    if (tables.empty()) {
        std::fprintf(stderr, "health_page_bench: no tables in %s: %s\n", folder.string().c_str(),
                     error.c_str());
        return 2;
    }
    const HealthReport report = Replicated(BuildHealthReport(tables_folder, tables, settings), cameras);
    const auto start = std::chrono::steady_clock::now();
    std::ofstream page(out, std::ios::binary);
    std::size_t bytes = 0;
    for (const std::string& part : HtmlReportParts(report)) {
        page << part;
        bytes += part.size();
    }
    page.close();
    if (!page) {
        std::fprintf(stderr, "health_page_bench: cannot write %s\n", out.string().c_str());
        return 2;
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d cameras (from %zu): %.1f MB page formed and written in %.2f s\n", cameras, tables.size(),
                static_cast<double>(bytes) / 1e6, seconds);
    return 0;
}

// Norv_CalHealth: turns a folder's summary tables into a camera health report.
//
//   Norv_CalHealth [options] FOLDER      (see --help)
//
// Exit status: 0 every camera OK, 1 some WATCH, 2 some ACTION, 3 an error
// (console output that could not be written among them).
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "health/camera_status.h"
#include "health/health_report.h"
#include "health/html_report.h"
#include "health/options.h"
#include "health/report_csv.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitError = 3;
constexpr int kProblemsShownPerTable = 20;

// Given a path and the parts of a text, writes them one after the other;
// returns false after a message when the file cannot be written.
bool WriteReportFile(const fs::path& path, const std::vector<std::string>& parts) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    for (const std::string& part : parts) file.write(part.data(), static_cast<std::streamsize>(part.size()));
    file.close();
    if (!file) {
        std::fprintf(stderr, "Norv_CalHealth: cannot write %s\n", path.string().c_str());
        return false;
    }
    return true;
}

void PrintProblems(const std::vector<TableProblem>& problems) {
    std::map<std::string, int> shown;
    for (const TableProblem& p : problems) {
        int& count = shown[p.table];
        if (++count > kProblemsShownPerTable) continue;
        if (p.line > 0) {
            std::fprintf(stderr, "%s line %lld: %s; row skipped\n", p.table.c_str(), p.line, p.what.c_str());
        } else {
            std::fprintf(stderr, "%s: %s\n", p.table.c_str(), p.what.c_str());
        }
    }
    for (const auto& [table, count] : shown) {
        if (count > kProblemsShownPerTable) {
            std::fprintf(stderr, "%s: %d more problems not shown\n", table.c_str(),
                         count - kProblemsShownPerTable);
        }
    }
}

void PrintCamera(const CameraAnalysis& camera) {
    std::string line = "Camera " + std::to_string(camera.camera);
    line.resize(std::max<std::size_t>(line.size() + 1, 12), ' ');
    std::string status(StatusName(camera.status));
    status.resize(8, ' ');
    line += status;
    if (camera.reasons.empty()) {
        line += "no open findings";
    } else {
        for (std::size_t i = 0; i < camera.reasons.size(); ++i)
            line += (i > 0 ? "; " : "") + camera.reasons[i];
    }
    std::printf("%s\n", line.c_str());
}

// Given the status the run earned, returns it when standard output took all
// of the console text; otherwise says so on standard error and returns 3, so
// that a scheduled run whose output was lost does not pass for a good one.
int StatusAfterConsoleOutput(int status) {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    std::fprintf(stderr, "Norv_CalHealth: cannot write the console output to standard output\n");
    return kExitError;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    HealthOptions options;
    std::string error;
    if (!ParseOptions(arguments, options, error)) {
        std::fprintf(stderr, "Norv_CalHealth: %s\n%s", error.c_str(), UsageText().c_str());
        return kExitError;
    }
    if (options.help) {
        std::printf("%s", UsageText().c_str());
        return StatusAfterConsoleOutput(0);
    }
    if (options.version) {
        std::printf("Norv_CalHealth %s\n", kHealthVersion);
        return StatusAfterConsoleOutput(0);
    }

    fs::path tables_folder;
    const std::vector<CameraTablePaths> tables = FindSummaryTables(options.folder, tables_folder, error);
    if (tables.empty()) {
        std::fprintf(stderr, "Norv_CalHealth: %s\n", error.c_str());
        return kExitError;
    }
    const HealthReport report = BuildHealthReport(tables_folder, tables, options.settings);
    PrintProblems(report.problems);
    if (report.cameras.empty()) {
        std::fprintf(stderr, "Norv_CalHealth: no calibration rows in the tables of %s\n",
                     tables_folder.string().c_str());
        return kExitError;
    }

    const fs::path out = options.out.empty() ? tables_folder : options.out;
    std::error_code create_error;
    fs::create_directories(out, create_error);
    if (create_error) {
        std::fprintf(stderr, "Norv_CalHealth: cannot create %s: %s\n", out.string().c_str(),
                     create_error.message().c_str());
        return kExitError;
    }
    // The tables are formed (each on all cores) and written while the page
    // is formed.
    bool tables_written = false;
    const std::vector<std::string> findings = {FindingsCsv(report)};
    const std::vector<std::string> calibrations = CalibrationsCsvParts(report);
    std::thread table_writer([&]() {
        const bool findings_written = WriteReportFile(out / "CalHealth_findings.csv", findings);
        const bool calibrations_written = WriteReportFile(out / "CalHealth_calibrations.csv", calibrations);
        tables_written = findings_written && calibrations_written;
    });
    const bool page_written = WriteReportFile(out / "CalHealth.html", HtmlReportParts(report));
    table_writer.join();
    if (!tables_written || !page_written) return kExitError;

    CameraStatus worst = CameraStatus::kOk;
    for (const CameraAnalysis& camera : report.cameras) {
        PrintCamera(camera);
        if (static_cast<int>(camera.status) > static_cast<int>(worst)) worst = camera.status;
    }
    std::printf("Report: %s\n", (out / "CalHealth.html").string().c_str());
    std::printf("Tables: %s, %s\n", (out / "CalHealth_findings.csv").string().c_str(),
                (out / "CalHealth_calibrations.csv").string().c_str());
    return StatusAfterConsoleOutput(static_cast<int>(worst));
}

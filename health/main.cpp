// Norv_CalHealth: turns a folder's summary tables into a camera health report.
//
//   Norv_CalHealth [options] FOLDER      (see --help)
//
// Exit status: 2 some camera ACTION, else 3 some camera UNKNOWN, else 1 some
// camera WATCH, else 0; 3 also for an error (no such folder, no tables, a
// report file or the console output that cannot be written, no memory).
#include <cstdio>
#include <exception>
#include <filesystem>
#include <map>
#include <new>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "health/findings/camera_status.h"
#include "health/findings/health_report.h"
#include "health/options.h"
#include "health/report/html_report.h"
#include "health/report/metrics.h"
#include "health/report/report_csv.h"
#include "health/report/report_files.h"
#include "health/report/use_table.h"

namespace fs = std::filesystem;

namespace {

constexpr int kExitError = 3;
constexpr int kProblemsShownPerTable = 20;

void PrintProblems(const std::vector<TableProblem>& problems) {
    std::map<std::string, int> shown;
    for (const TableProblem& p : problems) {
        int& count = shown[p.table];
        if (++count > kProblemsShownPerTable) continue;
        if (p.line > 0) {
            std::fprintf(stderr, "%s line %lld: %s%s\n", p.table.c_str(), p.line, p.what.c_str(),
                         p.row_skipped ? "; row skipped" : "");
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
    const CameraAssessment& assessment = camera.assessment;
    std::string line = "Camera " + std::to_string(camera.quantities.camera);
    line.resize(std::max<std::size_t>(line.size() + 1, 12), ' ');
    std::string status(StatusName(assessment.status));
    status.resize(8, ' ');
    line += status;
    if (assessment.reasons.empty()) {
        line += "no open findings";
    } else {
        for (std::size_t i = 0; i < assessment.reasons.size(); ++i)
            line += (i > 0 ? "; " : "") + assessment.reasons[i];
    }
    if (!assessment.baseline_note.empty()) line += "; " + assessment.baseline_note;
    std::printf("%s\n", line.c_str());
}

// The exit status of a run whose worst camera has the given status.
int ExitStatusOf(CameraStatus worst) {
    switch (worst) {
        case CameraStatus::kAction:
            return 2;
        case CameraStatus::kUnknown:
            return 3;
        case CameraStatus::kWatch:
            return 1;
        case CameraStatus::kOk:
            return 0;
    }
    return kExitError;
}

// Given the status the run earned, returns it when standard output took all
// of the console text; otherwise says so on standard error and returns 3, so
// that a scheduled run whose output was lost does not pass for a good one.
int StatusAfterConsoleOutput(int status) {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return status;
    std::fprintf(stderr, "Norv_CalHealth: cannot write the console output to standard output\n");
    return kExitError;
}

// Writes the report files into out: each to a file of its own first (the
// tables while the page is formed), then all moved into place together.
// Returns false after a message when any cannot be written; the previous
// report then stays.
bool WriteReport(const HealthReport& report, const fs::path& out) {
    std::vector<StagedFile> staged(5);
    std::exception_ptr table_failure;
    const std::vector<std::string> findings = {FindingsCsv(report)};
    const std::vector<std::string> calibrations = CalibrationsCsvParts(report);
    const std::vector<std::string> use = UseTableCsvParts(report);
    std::thread table_writer([&]() {
        try {
            staged[0] = StageReportFile(out / "CalHealth_findings.csv", findings);
            staged[1] = StageReportFile(out / "CalHealth_calibrations.csv", calibrations);
            staged[2] = StageReportFile(out / "CalHealth_use.csv", use);
            staged[3] = StageReportFile(out / "CalHealth.prom", {MetricsText(report)});
        } catch (...) {
            table_failure = std::current_exception();
        }
    });
    try {
        staged[4] = StageReportFile(out / "CalHealth.html", HtmlReportParts(report));
    } catch (...) {
        table_writer.join();
        PublishReportFiles(staged);  // nothing is complete: the temporary files go
        throw;
    }
    table_writer.join();
    if (table_failure) {
        staged[4].complete = false;
        PublishReportFiles(staged);
        std::rethrow_exception(table_failure);
    }
    return PublishReportFiles(staged);
}

int Run(int argc, char** argv) {
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
    std::vector<TableProblem> notes;
    const std::vector<CameraTablePaths> tables =
        FindSummaryTables(options.folder, tables_folder, error, notes);
    if (tables.empty()) {
        std::fprintf(stderr, "Norv_CalHealth: %s\n", error.c_str());
        return kExitError;
    }
    const HealthReport report = BuildHealthReport(tables_folder, tables, options.settings);
    PrintProblems(notes);
    PrintProblems(report.problems);

    const fs::path out = options.out.empty() ? tables_folder : options.out;
    std::error_code create_error;
    fs::create_directories(out, create_error);
    if (create_error) {
        std::fprintf(stderr, "Norv_CalHealth: cannot create %s: %s\n", out.string().c_str(),
                     create_error.message().c_str());
        return kExitError;
    }
    if (!WriteReport(report, out)) return kExitError;

    CameraStatus worst = CameraStatus::kOk;
    for (const CameraAnalysis& camera : report.cameras) {
        PrintCamera(camera);
        if (static_cast<int>(camera.assessment.status) > static_cast<int>(worst))
            worst = camera.assessment.status;
    }
    std::printf("Report: %s\n", (out / "CalHealth.html").string().c_str());
    std::printf("Tables: %s, %s, %s\n", (out / "CalHealth_findings.csv").string().c_str(),
                (out / "CalHealth_calibrations.csv").string().c_str(),
                (out / "CalHealth_use.csv").string().c_str());
    std::printf("Metrics: %s\n", (out / "CalHealth.prom").string().c_str());
    return StatusAfterConsoleOutput(ExitStatusOf(worst));
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "Norv_CalHealth: out of memory; the previous report is left as it was\n");
        return kExitError;
    } catch (const std::exception& failure) {
        // A thread that could not be started, say: the same way out.
        std::fprintf(stderr, "Norv_CalHealth: %s; the previous report is left as it was\n", failure.what());
        return kExitError;
    }
}

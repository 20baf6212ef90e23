#include "health/tables/camera_tables.h"

#include <algorithm>

#include "health/tables/line_reader.h"
#include "health/tables/stars_table.h"
#include "health/tables/table_reading.h"
#include "health/tables/table_row_parse.h"

namespace fs = std::filesystem;

namespace {

// A FitCoefs row read: the calibration it gives, and all its values, which
// tell rows of one time that repeat each other from rows that differ (in a
// value the calibration keeps or in one it does not).
struct CoefsEntry {
    Calibration calibration;
    CoefsRow row;
};

Calibration CalibrationOf(const CoefsRow& row, long long line) {
    Calibration calibration;
    calibration.time_ms = row.time_ms;
    calibration.coefs_line = line;
    calibration.azimuth_deg = row.azimuth_deg;
    calibration.elevation_deg = row.elevation_deg;
    calibration.tilt_deg = row.tilt_deg;
    calibration.table_arcmin_per_pixel = row.arcmin_per_pixel;
    calibration.x1 = row.xcoef[1];
    calibration.x2 = row.xcoef[2];
    calibration.y1 = row.ycoef[1];
    calibration.y2 = row.ycoef[2];
    return calibration;
}

// Reads the FitCoefs rows into entries; returns why it gave none (empty when
// it gave some).
std::string ReadCoefsTable(const fs::path& path, std::vector<CoefsEntry>& entries,
                           std::vector<TableProblem>& problems) {
    const std::string name = path.filename().string();
    LineReader reader(path);
    if (!reader.IsOpen()) {
        problems.push_back({name, 0, reader.OpenError()});
        return "FitCoefs table " + reader.OpenError();
    }
    std::string_view line;
    CoefsRow row{};
    TableLines lines;
    while (reader.Next(line)) {
        if (!lines.Count(line, reader.LineNumber())) continue;
        const char* error = reader.WasCut() ? "line too long" : ParseCoefsRow(line, row);
        if (error != nullptr) {
            problems.push_back({name, reader.LineNumber(), error});
            continue;
        }
        ++lines.rows;
        entries.push_back({CalibrationOf(row, reader.LineNumber()), row});
    }
    if (reader.Failed()) problems.push_back({name, reader.LineNumber(), "read error; the rest is missing"});
    NoteCarriageReturnLines(reader, name, problems);
    return lines.rows > 0 ? std::string() : NoRowReason("FitCoefs", reader, lines);
}

// Keeps the first row of every calibration time (in table order) as its
// calibration and records the others as duplicates.
void SortAndFindDuplicates(std::vector<CoefsEntry>& rows, CameraTables& tables) {
    const auto earlier = [](const CoefsEntry& a, const CoefsEntry& b) {
        return a.calibration.time_ms < b.calibration.time_ms;
    };
    // The summary program writes rows in time order; a sort would only move them.
    if (!std::is_sorted(rows.begin(), rows.end(), earlier))
        std::stable_sort(rows.begin(), rows.end(), earlier);
    tables.calibrations.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size();) {
        const std::int64_t time_ms = rows[i].calibration.time_ms;
        std::size_t j = i + 1;
        bool identical = true;
        while (j < rows.size() && rows[j].calibration.time_ms == time_ms) {
            identical = identical && SameCoefsValues(rows[i].row, rows[j].row);
            ++j;
        }
        if (j - i > 1) tables.duplicates.push_back({time_ms, static_cast<int>(j - i), identical});
        tables.calibrations.push_back(rows[i].calibration);
        i = j;
    }
}

}  // namespace

CameraTables ReadCameraTables(const CameraTablePaths& paths, std::vector<TableProblem>& problems) {
    CameraTables tables;
    tables.camera = paths.camera;
    if (!paths.coefs_clash.empty()) {
        tables.coefs_problem = paths.coefs_clash;
    } else if (paths.coefs.empty()) {
        tables.coefs_problem = "no FitCoefs table";
    } else {
        std::vector<CoefsEntry> rows;
        tables.coefs_problem = ReadCoefsTable(paths.coefs, rows, problems);
        SortAndFindDuplicates(rows, tables);
    }
    if (!paths.stars_clash.empty()) {
        tables.stars_problem = paths.stars_clash;
    } else if (paths.stars.empty()) {
        tables.stars_problem = "no FitStars table: residuals and photometry unknown";
    } else if (!tables.calibrations.empty()) {
        tables.stars_problem = ReadStarsTable(paths.stars, tables.calibrations, problems);
    }
    return tables;
}

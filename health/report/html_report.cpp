#include "health/report/html_report.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/civil_time.h"
#include "common/number_text.h"
#include "common/parallel_for.h"
#include "health/findings/camera_status.h"
#include "health/report/report_assets.h"
#include "health/report/triage.h"

namespace {

// The charts shade a quantity's normal range: its rolling centre plus and
// minus this many rolling spreads (the spreads no smaller than the floors
// the findings measure with).
constexpr double kBandSpreads = 3.0;

// The charts open on this many days before the network's present.
constexpr int kChartViewDays = 90;

// Text that sits inside a <script> element must not contain "</": the HTML
// parser would end the element there.
void AppendScriptSafe(std::string& html, std::string_view text) {
    // The text between one "</" and the next goes over whole.
    for (std::size_t from = 0;;) {
        const std::size_t at = text.find("</", from);
        if (at == std::string_view::npos) {
            html.append(text.substr(from));
            return;
        }
        html.append(text.substr(from, at - from));
        html += "<\\/";
        from = at + 2;
    }
}

void AppendJsonString(std::string& json, std::string_view text) {
    json += '"';
    for (char c : text) {
        switch (c) {
            case '"':
                json += "\\\"";
                break;
            case '\\':
                json += "\\\\";
                break;
            case '<':
                json += "\\u003c";
                break;
            case '>':
                json += "\\u003e";
                break;
            case '&':
                json += "\\u0026";
                break;
            case '\n':
                json += "\\n";
                break;
            case '\r':
                json += "\\r";
                break;
            case '\t':
                json += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    json += ' ';
                } else {
                    json += c;
                }
        }
    }
    json += '"';
}

void AppendJsonNumber(std::string& json, double value, int decimals) {
    if (!std::isfinite(value)) {
        json += "null";
        return;
    }
    const std::size_t before = json.size();
    AppendFixed(json, value, decimals, true);
    if (json.size() == before) json += "null";
}

void AppendSeries(std::string& json, std::string_view name, const std::vector<double>& values, int decimals) {
    json += '"';
    json += name;
    json += "\":[";
    // Written through a buffer of many values, appended when it fills.
    constexpr std::size_t kChunk = 4096;
    char chunk[kChunk + kWriteFixedRoom + 8];
    char* p = chunk;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0) *p++ = ',';
        char* const start = p;
        if (std::isfinite(values[i])) p = WriteFixed(p, values[i], decimals, true);
        if (p == start) {
            std::memcpy(p, "null", 4);
            p += 4;
        }
        if (static_cast<std::size_t>(p - chunk) >= kChunk) {
            json.append(chunk, p);
            p = chunk;
        }
    }
    json.append(chunk, p);
    json += "],";
}

// Band edges of a series: centre plus and minus sigmas spreads (spreads
// below floor count as floor), the low edge no lower than lowest.
void AppendBand(std::string& json, std::string_view name, const QuantitySeries& s, double sigmas,
                double floor, int decimals, double lowest = -1e300) {
    std::vector<double> low(s.centre.size()), high(s.centre.size());
    for (std::size_t i = 0; i < s.centre.size(); ++i) {
        const double spread = std::isfinite(s.spread[i]) && s.spread[i] > floor ? s.spread[i] : floor;
        low[i] = std::max(lowest, s.centre[i] - sigmas * spread);
        high[i] = s.centre[i] + sigmas * spread;
    }
    AppendSeries(json, std::string(name) + "_lo", low, decimals);
    AppendSeries(json, std::string(name) + "_hi", high, decimals);
}

// Given a camera's analysis and the network's present, returns the data its
// charts are drawn from: times (seconds), series and their bands, the
// default view [from, to] (the last kChartViewDays, or the whole history
// when it is shorter) and the findings that cover calibrations.
std::string CameraJson(const CameraAnalysis& analysis, std::int64_t present_ms) {
    const CameraQuantities& camera = analysis.quantities;
    const ZeroPointBaseline& zero_point = analysis.zero_point;
    std::string json = "{\"camera\":" + std::to_string(camera.camera) + ",\"t\":[";
    for (std::size_t i = 0; i < camera.calibrations.size(); ++i) {
        if (i > 0) json += ',';
        AppendJsonNumber(json, static_cast<double>(camera.calibrations[i].time_ms) / 1000.0, 3);
    }
    json += "],\"series\":{";
    const double pixel = camera.pixel_arcmin > 0 ? camera.pixel_arcmin : 1.0;
    const double pointing_floor = std::max(analysis.pointing_sigma_arcmin, kMinPointingSigmaArcmin);
    AppendSeries(json, "offset_az", camera.offset_az.value, 2);
    AppendSeries(json, "offset_el", camera.offset_el.value, 2);
    AppendBand(json, "offset_az", camera.offset_az, kBandSpreads, pointing_floor, 2);
    AppendBand(json, "offset_el", camera.offset_el, kBandSpreads, pointing_floor, 2);
    AppendSeries(json, "tilt", camera.tilt.value, 3);
    AppendBand(json, "tilt", camera.tilt, kBandSpreads, kZFloorTiltDeg, 3);
    AppendSeries(json, "scale_change", camera.scale_change.value, 3);
    AppendBand(json, "scale_change", camera.scale_change, kBandSpreads, kMinScaleSigmaPercent, 3);
    AppendSeries(json, "oc_sigma", camera.oc_sigma.value, 3);
    AppendBand(json, "oc_sigma", camera.oc_sigma, kBandSpreads, kZFloorResidualArcmin, 3, 0.0);
    AppendSeries(json, "zero_point", camera.zero_point, 3);
    std::vector<double> envelope_low(zero_point.centre.size());
    for (std::size_t i = 0; i < envelope_low.size(); ++i) {
        envelope_low[i] = zero_point.centre[i] - zero_point.threshold_mag;
    }
    AppendSeries(json, "zero_point_lo", envelope_low, 3);
    AppendSeries(json, "zero_point_hi", zero_point.centre, 3);
    AppendSeries(json, "star_count", camera.star_count.value, 0);
    AppendBand(json, "star_count", camera.star_count, kBandSpreads, kZFloorStarCount, 1, 0.0);
    json.back() = '}';
    json += ",\"pixel_arcmin\":";
    AppendJsonNumber(json, pixel, 3);
    if (!camera.stars_problem.empty()) {
        json += ",\"no_star_data\":";
        AppendJsonString(json, camera.stars_problem);
    }
    // The view ends at the network's present, or at the camera's newest
    // calibration when that is ahead of it or long before it.
    const std::int64_t first_ms = camera.calibrations.front().time_ms;
    const std::int64_t last_ms = camera.calibrations.back().time_ms;
    const std::int64_t view_ms = static_cast<std::int64_t>(kChartViewDays) * kMillisecondsPerDay;
    const std::int64_t view_end = last_ms < present_ms - view_ms ? last_ms : std::max(present_ms, last_ms);
    const std::int64_t view_start = std::max(first_ms, view_end - view_ms);
    json += ",\"view\":[";
    AppendJsonNumber(json, static_cast<double>(view_start) / 1000.0, 3);
    json += ',';
    AppendJsonNumber(json, static_cast<double>(view_end) / 1000.0, 3);
    json += ']';
    json += ",\"findings\":[";
    bool first = true;
    for (const Finding& f : analysis.findings) {
        if (f.first < 0) continue;
        if (!first) json += ',';
        first = false;
        json += "{\"kind\":";
        AppendJsonString(json, KindName(f.kind));
        json += ",\"start\":";
        AppendJsonNumber(
            json,
            static_cast<double>(camera.calibrations[static_cast<std::size_t>(f.first)].time_ms) / 1000.0, 3);
        json += ",\"end\":";
        AppendJsonNumber(
            json, static_cast<double>(camera.calibrations[static_cast<std::size_t>(f.last)].time_ms) / 1000.0,
            3);
        json += ",\"single\":";
        json += f.calibrations == 1 && f.first == f.last ? "true" : "false";
        json += ",\"label\":";
        AppendJsonString(json, std::string(KindName(f.kind)) + " " + Fixed(f.size, 2) + " " + f.unit);
        json += '}';
    }
    json += "]}";
    return json;
}

// Given a time, appends it as the tables show it ("2014-12-11 08:06 UT",
// never wrapped) with its exact ISO time on hover, and with its age
// before the network's present when present_ms is given.
void AppendTime(std::string& html, std::int64_t unix_ms, std::int64_t present_ms = -1) {
    html += "<time title=\"";
    AppendIsoTime(html, unix_ms);
    html += " UT\">" + ShortTime(unix_ms) + "</time>";
    if (present_ms >= 0) html += " <span class=\"age\">(" + AgeText(unix_ms, present_ms) + ")</span>";
}

// Given a camera and a calibration index (-1: none), appends a table cell
// with its time and age, or "none".
void AppendCalibrationCell(std::string& html, const CameraQuantities& camera, int index,
                           std::int64_t present_ms) {
    html += "<td class=\"time\">";
    if (index < 0) {
        html += "none";
    } else {
        AppendTime(html, camera.calibrations[static_cast<std::size_t>(index)].time_ms, present_ms);
    }
    html += "</td>";
}

// Given text and an optional class, appends a table cell with the text escaped.
void AppendCell(std::string& html, std::string_view text, std::string_view css_class = "") {
    html += css_class.empty() ? "<td>" : "<td class=\"" + std::string(css_class) + "\">";
    AppendHtmlEscaped(html, text);
    html += "</td>";
}

// Given texts, appends them as a cell of one line each ("none" when there
// are none).
void AppendLinesCell(std::string& html, const std::vector<std::string>& lines, std::string_view css_class) {
    html += "<td class=\"" + std::string(css_class) + "\">";
    if (lines.empty()) html += "none";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) html += "<br>";
        AppendHtmlEscaped(html, lines[i]);
    }
    html += "</td>";
}

// Given the report and its rows in overview order, appends the totals line:
// "2 ACTION · 5 WATCH · 1 UNKNOWN · 12 OK", statuses no camera has left out.
void AppendTotals(std::string& html, const std::vector<TriageRow>& rows) {
    html += "<p id=\"totals\" class=\"totals\">";
    bool first = true;
    for (CameraStatus status :
         {CameraStatus::kAction, CameraStatus::kWatch, CameraStatus::kUnknown, CameraStatus::kOk}) {
        const auto count =
            std::count_if(rows.begin(), rows.end(), [&](const TriageRow& r) { return r.status == status; });
        if (count == 0) continue;
        const std::string name(StatusName(status));
        if (!first) html += " \u00b7 ";
        first = false;
        html += "<span class=\"status status-" + name + "\" data-status=\"" + name + "\">" +
                std::to_string(count) + " " + name + "</span>";
    }
    if (first) html += "no cameras";
    html += "</p>";
}

// Given the report and its rows in overview order, appends the overview:
// one row per camera with what happened, since when, what to do, its last
// and its last good calibration, the camera linked to its section.
void AppendOverview(std::string& html, const HealthReport& report, const std::vector<TriageRow>& rows) {
    html +=
        "<section id=\"overview\"><h2>Overview</h2><table class=\"overview\"><thead><tr><th>Camera</th>"
        "<th>Status</th><th>What happened</th><th>Since</th><th>What to do</th><th>Last calibration</th>"
        "<th>Last good calibration</th></tr></thead><tbody>";
    for (const TriageRow& row : rows) {
        const CameraAnalysis& analysis = report.cameras[row.index];
        const CameraQuantities& camera = analysis.quantities;
        const std::string id = std::to_string(camera.camera);
        const std::string status(StatusName(row.status));
        html += "<tr data-camera=\"" + id + "\" data-status=\"" + status + "\"><td><a href=\"#camera-" + id +
                "\">" + id + "</a></td>";
        AppendCell(html, status, "status status-" + status);
        AppendLinesCell(html, row.happened, "happened");
        html += "<td class=\"time\">";
        if (row.has_since) {
            AppendTime(html, row.since_ms, report.newest_ms);
        } else {
            html += row.happened.empty() ? "" : "unknown";
        }
        html += "</td>";
        AppendLinesCell(html, row.to_do, "to-do");
        AppendCalibrationCell(html, camera, static_cast<int>(camera.calibrations.size()) - 1,
                              report.newest_ms);
        AppendCalibrationCell(html, camera, analysis.assessment.last_good, report.newest_ms);
        html += "</tr>";
    }
    html += "</tbody></table></section>";
}

// The strips of the last nights, one line per camera in overview order;
// the page's script draws each from its codes.
void AppendStrips(std::string& html, const HealthReport& report, const std::vector<TriageRow>& rows) {
    const NightAxis axis = StripNightAxis(report);
    html += "<section id=\"strips\" data-first-night=\"";
    AppendIsoTime(html, axis.first_start_ms);
    html += "\" data-nights=\"" + std::to_string(axis.nights) + "\">";
    html += "<h2>Last " + std::to_string(axis.nights) + " nights</h2><div class=\"strip-axis\"><span>" +
            IsoTime(axis.first_start_ms + kMillisecondsPerDay / 2).substr(0, 10) + "</span><span>" +
            IsoTime(report.newest_ms).substr(0, 10) + "</span></div>";
    for (const TriageRow& row : rows) {
        const std::string id = std::to_string(report.cameras[row.index].quantities.camera);
        const std::string status(StatusName(row.status));
        html += "<a class=\"strip-row\" href=\"#camera-" + id + "\" data-camera=\"" + id +
                "\" title=\"camera " + id + " " + status + "\"><span class=\"strip-label status-" + status +
                "\">" + id + "</span><canvas class=\"strip\" data-nights=\"" + row.nights +
                "\"></canvas></a>";
    }
    html += "<div class=\"strip-legend\"></div></section>";
}

// A camera's line when its section is closed: status, findings, last
// calibration; and a link back to the overview.
void AppendSectionSummary(std::string& html, const CameraAnalysis& analysis, const TriageRow& row,
                          std::int64_t present_ms) {
    const CameraQuantities& camera = analysis.quantities;
    const std::string id = std::to_string(camera.camera);
    const std::string status(StatusName(row.status));
    html += "<summary><h2>Camera " + id + " <span class=\"status status-" + status + "\">" + status +
            "</span></h2> <span class=\"summary-line\">";
    std::string line;
    for (const std::string& text : row.happened) line += (line.empty() ? "" : "; ") + text;
    if (line.empty()) line = "no open finding";
    AppendHtmlEscaped(html, line);
    if (!camera.calibrations.empty()) {
        html += "; last calibration ";
        AppendTime(html, camera.calibrations.back().time_ms, present_ms);
    }
    html += "</span> <a class=\"to-overview\" href=\"#overview\">\u2191 overview</a></summary>";
}

// Given a camera, its overview row and the network's present, appends its
// section: its line, its facts, its charts' area with their data, and its
// findings table.
void AppendCameraSection(std::string& html, const CameraAnalysis& analysis, const TriageRow& row,
                         std::int64_t present_ms) {
    const CameraQuantities& camera = analysis.quantities;
    const CameraAssessment& assessment = analysis.assessment;
    const std::string id = std::to_string(camera.camera);
    const std::string status(StatusName(assessment.status));
    // Cameras that need nothing are one closed line each.
    html += "<details class=\"camera\" id=\"camera-" + id + "\" data-status=\"" + status + "\"" +
            (assessment.status == CameraStatus::kOk ? "" : " open") + ">";
    AppendSectionSummary(html, analysis, row, present_ms);
    html += "<p class=\"facts\">";
    std::string facts =
        std::to_string(camera.calibrations.size()) + " calibrations; reference pointing azimuth " +
        Fixed(camera.reference_azimuth_deg, 3) + " deg, elevation " +
        Fixed(camera.reference_elevation_deg, 3) + " deg; plate scale " + Fixed(camera.pixel_arcmin, 3) +
        " arcmin/pixel; pointing scatter " + Fixed(analysis.pointing_sigma_arcmin, 2) + " arcmin per axis" +
        (analysis.weather.site_group >= 0 ? "; shares its weather with other cameras of its site" : "") +
        (assessment.baseline_note.empty() ? "" : "; " + assessment.baseline_note) +
        "; last good calibration ";
    if (camera.calibrations.empty()) facts = "No calibrations: " + camera.coefs_problem + ".";
    AppendHtmlEscaped(html, facts);
    if (!camera.calibrations.empty()) {
        if (assessment.last_good >= 0) {
            AppendTime(html, camera.calibrations[static_cast<std::size_t>(assessment.last_good)].time_ms,
                       present_ms);
        } else {
            html += "none";
        }
    }
    html += "</p>";
    if (!camera.calibrations.empty()) {
        // The data before their area: once the area is read, they are whole.
        html += "<script type=\"application/json\" class=\"camera-data\">";
        AppendScriptSafe(html, CameraJson(analysis, present_ms));
        html += "</script><div class=\"charts\" data-camera=\"" + id +
                "\"><p class=\"charts-note\">Charts are drawn when they come into view.</p></div>";
    }
    html +=
        "<table class=\"findings\"><thead><tr><th>Kind</th><th>Start</th><th>End</th><th>Calibrations</th>"
        "<th>Size</th><th>Detail</th><th>Open</th></tr></thead><tbody>";
    if (analysis.findings.empty()) html += "<tr><td colspan=\"7\">No findings.</td></tr>";
    for (std::size_t k = 0; k < analysis.findings.size(); ++k) {
        const Finding& f = analysis.findings[k];
        html += "<tr class=\"kind-" + std::string(KindName(f.kind)) + "\">";
        AppendCell(html, KindName(f.kind));
        AppendCalibrationCell(html, camera, f.first, -1);
        AppendCalibrationCell(html, camera, f.last, -1);
        AppendCell(html, std::to_string(f.calibrations));
        AppendCell(html, Fixed(f.size, f.unit == "%" || f.unit == "mag" ? 2 : 1) + " " + f.unit);
        AppendCell(html, f.detail);
        AppendCell(html, k < assessment.open.size() && assessment.open[k] ? "open" : "");
        html += "</tr>";
    }
    html += "</tbody></table></details>";
}
}  // namespace

void AppendHtmlEscaped(std::string& html, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                html += "&amp;";
                break;
            case '<':
                html += "&lt;";
                break;
            case '>':
                html += "&gt;";
                break;
            case '"':
                html += "&quot;";
                break;
            default:
                html += c;
        }
    }
}

std::vector<std::string> HtmlReportParts(const HealthReport& report) {
    const std::size_t count = report.cameras.size();
    const std::vector<TriageRow> rows = TriageRows(report);
    // The head and first screen with the page's script, each camera's
    // section with its data (in overview order), the page's end.
    std::vector<std::string> parts(count + 2);
    std::string& html = parts[0];
    html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">"
        "<title>Camera health report</title>\n"
        // Errors of any later script are counted on the status element.
        "<script>window.reportErrors=[];window.addEventListener('error',function(e){"
        "window.reportErrors.push(String(e.message));var s=document.getElementById('report-status');"
        "if(s){s.dataset.errors=String(window.reportErrors.length);s.dataset.lastError=String(e.message);}});"
        "</script>\n<style>";
    AppendScriptSafe(html, UplotStylesheet());
    html += "</style>\n<style>";
    AppendScriptSafe(html, ReportStylesheet());
    html += "</style>\n<script>";
    AppendScriptSafe(html, UplotScript());
    html += "</script>\n</head><body data-finding-kinds=\"";
    for (int kind = 0; kind < kFindingKindCount; ++kind) {
        if (kind > 0) html += ' ';
        html += KindName(static_cast<FindingKind>(kind));
    }
    html += "\">\n<header id=\"top\"><h1>Camera health report</h1>";
    AppendTotals(html, rows);
    html += "<p class=\"summary\">";
    std::string summary = std::to_string(count) + " cameras from the tables in " +
                          report.tables_folder.string() + "; newest calibration " +
                          ShortTime(report.newest_ms) + " (ages are counted from it); baseline window " +
                          Fixed(report.settings.window_days, 0) + " days; stale after " +
                          Fixed(report.settings.stale_after_days, 0) + " days.";
    AppendHtmlEscaped(html, summary);
    std::size_t charted = 0;
    for (const CameraAnalysis& camera : report.cameras)
        charted += camera.quantities.calibrations.empty() ? 0 : 1;
    const int expected = static_cast<int>(charted) * kChartsPerCamera;
    html += "</p><p id=\"report-status\" data-state=\"loading\" data-errors=\"0\" data-charts-expected=\"" +
            std::to_string(expected) + "\" data-charts-drawn=\"0\"></p></header>\n<script>";
    // The script comes before the first screen: it takes up the page's
    // parts as they are read. The strips come first, so that a page of
    // thousands of cameras has them drawn early; the stylesheet puts them
    // beside the overview.
    AppendScriptSafe(html, ReportScript());
    html += "</script>\n<div class=\"first-screen\" id=\"first-screen\">";
    AppendStrips(html, report, rows);
    AppendOverview(html, report, rows);
    html += "</div>\n<main id=\"cameras\">\n";
    // Each camera's section and data formed on its own core.
    ParallelFor(static_cast<int>(count), [&](int c) {
        const TriageRow& row = rows[static_cast<std::size_t>(c)];
        std::string& part = parts[1 + static_cast<std::size_t>(c)];
        AppendCameraSection(part, report.cameras[row.index], row, report.newest_ms);
        part += '\n';
    });
    parts[1 + count] = "</main>\n</body></html>\n";
    return parts;
}

std::string HtmlReport(const HealthReport& report) {
    std::string html;
    for (const std::string& part : HtmlReportParts(report)) html += part;
    return html;
}

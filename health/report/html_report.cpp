#include "health/report/html_report.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/civil_time.h"
#include "common/number_text.h"
#include "common/parallel_for.h"
#include "health/findings/camera_status.h"
#include "health/report/report_assets.h"

namespace {

// The charts shade a quantity's normal range: its rolling centre plus and
// minus this many rolling spreads (the spreads no smaller than the floors
// the findings measure with).
constexpr double kBandSpreads = 3.0;

// Text that sits inside a <script> element must not contain "</": the HTML
// parser would end the element there.
void AppendScriptSafe(std::string& html, std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' && i + 1 < text.size() && text[i + 1] == '/') {
            html += "<\\/";
            ++i;
        } else {
            html += text[i];
        }
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

std::string CameraJson(const CameraAnalysis& analysis) {
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
        json += ",\"label\":";
        AppendJsonString(json, std::string(KindName(f.kind)) + " " + Fixed(f.size, 2) + " " + f.unit);
        json += '}';
    }
    json += "]}";
    return json;
}

std::string DateOf(const CameraQuantities& camera, int index) {
    if (index < 0) return "none";
    return IsoTime(camera.calibrations[static_cast<std::size_t>(index)].time_ms);
}

void AppendCell(std::string& html, std::string_view text, std::string_view css_class = "") {
    html += css_class.empty() ? "<td>" : "<td class=\"" + std::string(css_class) + "\">";
    AppendHtmlEscaped(html, text);
    html += "</td>";
}

void AppendOverview(std::string& html, const HealthReport& report) {
    html +=
        "<section id=\"overview\"><h2>Overview</h2><table class=\"overview\"><thead><tr><th>Camera</th>"
        "<th>Status</th><th>Calibrations</th><th>Span</th><th>Last calibration</th><th>Last good "
        "calibration</th>"
        "<th>Open findings</th></tr></thead><tbody>";
    for (const CameraAnalysis& analysis : report.cameras) {
        const CameraQuantities& camera = analysis.quantities;
        const CameraAssessment& assessment = analysis.assessment;
        const std::string status(StatusName(assessment.status));
        html += "<tr><td><a href=\"#camera-" + std::to_string(camera.camera) + "\">" +
                std::to_string(camera.camera) + "</a></td>";
        AppendCell(html, status, "status status-" + status);
        AppendCell(html, std::to_string(camera.calibrations.size()));
        if (camera.calibrations.empty()) {
            AppendCell(html, "none");
        } else {
            const double span_days = camera.days.back() - camera.days.front();
            AppendCell(html,
                       DateOf(camera, 0).substr(0, 10) + " to " +
                           DateOf(camera, static_cast<int>(camera.calibrations.size()) - 1).substr(0, 10) +
                           " (" + Fixed(span_days, 0) + " days)");
        }
        AppendCell(html, DateOf(camera, static_cast<int>(camera.calibrations.size()) - 1));
        AppendCell(html, DateOf(camera, assessment.last_good));
        std::string reasons;
        for (const std::string& reason : assessment.reasons)
            reasons += (reasons.empty() ? "" : "; ") + reason;
        AppendCell(html, reasons.empty() ? "none" : reasons);
        html += "</tr>";
    }
    html += "</tbody></table></section>";
}

void AppendCameraSection(std::string& html, const CameraAnalysis& analysis) {
    const CameraQuantities& camera = analysis.quantities;
    const CameraAssessment& assessment = analysis.assessment;
    const std::string id = std::to_string(camera.camera);
    const std::string status(StatusName(assessment.status));
    html += "<section class=\"camera\" id=\"camera-" + id + "\"><h2>Camera " + id +
            " <span class=\"status status-" + status + "\">" + status + "</span></h2><p class=\"facts\">";
    std::string facts =
        std::to_string(camera.calibrations.size()) + " calibrations; reference pointing azimuth " +
        Fixed(camera.reference_azimuth_deg, 3) + " deg, elevation " +
        Fixed(camera.reference_elevation_deg, 3) + " deg; plate scale " + Fixed(camera.pixel_arcmin, 3) +
        " arcmin/pixel; pointing scatter " + Fixed(analysis.pointing_sigma_arcmin, 2) +
        " arcmin per axis; last good calibration " + DateOf(camera, assessment.last_good) +
        (analysis.weather.site_group >= 0 ? "; shares its weather with other cameras of its site" : "");
    if (camera.calibrations.empty()) facts = "No calibrations: " + camera.coefs_problem + ".";
    AppendHtmlEscaped(html, facts);
    html += "</p>";
    if (!camera.calibrations.empty()) html += "<div class=\"charts\" data-camera=\"" + id + "\"></div>";
    html +=
        "<table class=\"findings\"><thead><tr><th>Kind</th><th>Start</th><th>End</th><th>Calibrations</th>"
        "<th>Size</th><th>Detail</th><th>Open</th></tr></thead><tbody>";
    if (analysis.findings.empty()) html += "<tr><td colspan=\"7\">No findings.</td></tr>";
    for (std::size_t k = 0; k < analysis.findings.size(); ++k) {
        const Finding& f = analysis.findings[k];
        html += "<tr class=\"kind-" + std::string(KindName(f.kind)) + "\">";
        AppendCell(html, KindName(f.kind));
        AppendCell(html, DateOf(camera, f.first));
        AppendCell(html, DateOf(camera, f.last));
        AppendCell(html, std::to_string(f.calibrations));
        AppendCell(html, Fixed(f.size, f.unit == "%" || f.unit == "mag" ? 2 : 1) + " " + f.unit);
        AppendCell(html, f.detail);
        AppendCell(html, assessment.open[k] ? "open" : "");
        html += "</tr>";
    }
    html += "</tbody></table></section>";
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
    // The head and overview, each camera's section, the data's opening, each
    // camera's data, the page's end.
    std::vector<std::string> parts(2 * count + 3);
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
    html += "</script>\n</head><body>\n<header><h1>Camera health report</h1><p>";
    std::string summary = std::to_string(report.cameras.size()) + " cameras from the tables in " +
                          report.tables_folder.string() + "; newest calibration " +
                          IsoTime(report.newest_ms) + " UT; baseline window " +
                          Fixed(report.settings.window_days, 0) + " days; stale after " +
                          Fixed(report.settings.stale_after_days, 0) + " days.";
    AppendHtmlEscaped(html, summary);
    // Charts and data for the cameras with calibrations.
    std::size_t charted = 0;
    std::size_t first_charted = count;
    for (std::size_t k = 0; k < count; ++k) {
        if (report.cameras[k].quantities.calibrations.empty()) continue;
        ++charted;
        first_charted = std::min(first_charted, k);
    }
    const int expected = static_cast<int>(charted) * kChartsPerCamera;
    html += "</p><p id=\"report-status\" data-state=\"loading\" data-errors=\"0\" data-charts-expected=\"" +
            std::to_string(expected) + "\" data-charts-drawn=\"0\"></p></header>\n";
    AppendOverview(html, report);
    html += '\n';
    // Each camera's section and data formed on its own core.
    ParallelFor(static_cast<int>(count), [&](int c) {
        const std::size_t k = static_cast<std::size_t>(c);
        const CameraAnalysis& camera = report.cameras[k];
        AppendCameraSection(parts[1 + k], camera);
        parts[1 + k] += '\n';
        if (camera.quantities.calibrations.empty()) return;
        if (k > first_charted) parts[2 + count + k] = ",\n";
        parts[2 + count + k] += CameraJson(camera);
    });
    parts[1 + count] = "<script id=\"health-data\" type=\"application/json\">[";
    std::string& end = parts[2 + 2 * count];
    end = "]</script>\n<script>";
    AppendScriptSafe(end, ReportScript());
    end += "</script>\n</body></html>\n";
    return parts;
}

std::string HtmlReport(const HealthReport& report) {
    std::string html;
    for (const std::string& part : HtmlReportParts(report)) html += part;
    return html;
}

// CalHealth.html: one self-contained page with the overview, the charts and
// the findings of every camera.
#ifndef HEALTH_REPORT_HTML_REPORT_H
#define HEALTH_REPORT_HTML_REPORT_H

#include <string>
#include <string_view>
#include <vector>

#include "health/findings/health_report.h"

// Charts drawn per camera section.
constexpr int kChartsPerCamera = 6;

// Given a report, returns the page: the chart library, the page's script and
// stylesheet and the data are all inside it, so it opens from disk with no
// network. The page sets data-state="drawn" and data-charts-drawn on its
// #report-status element once every chart is drawn, and counts script errors
// in data-errors.
std::string HtmlReport(const HealthReport& report);

// The same page in parts that follow one another (its head and overview,
// then each camera's section and data, formed on all cores), so that it can
// be written without being joined first.
std::vector<std::string> HtmlReportParts(const HealthReport& report);

// Given text, appends it with &, <, > and " written as entities.
void AppendHtmlEscaped(std::string& html, std::string_view text);

#endif  // HEALTH_REPORT_HTML_REPORT_H

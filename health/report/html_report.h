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
// network. Its first screen is the totals, the overview in triage order
// (TriageRows) and each camera's strip of nights; then one section per
// camera in the same order, closed for OK cameras, each carrying its
// charts' data, drawn when the section comes into view. The page's
// #report-status element says data-state="ready" once the sections are
// read, "drawn" once every chart (data-charts-expected) has been drawn at
// least once, data-charts-drawn so far, and counts script errors in
// data-errors.
std::string HtmlReport(const HealthReport& report);

// The same page in parts that follow one another (its head and first
// screen, then each camera's section with its data, formed on all cores),
// so that it can be written without being joined first.
std::vector<std::string> HtmlReportParts(const HealthReport& report);

// Given text, appends it with &, <, > and " written as entities.
void AppendHtmlEscaped(std::string& html, std::string_view text);

#endif  // HEALTH_REPORT_HTML_REPORT_H

// Files embedded into the program at build time: the chart library and the
// report page's own script and stylesheet.
#ifndef HEALTH_REPORT_REPORT_ASSETS_H
#define HEALTH_REPORT_REPORT_ASSETS_H

#include <string_view>

std::string_view UplotScript();       // third_party/uplot/uPlot.iife.min.js
std::string_view UplotStylesheet();   // third_party/uplot/uPlot.min.css
std::string_view ReportScript();      // health/report/report.js
std::string_view ReportStylesheet();  // health/report/report.css

#endif  // HEALTH_REPORT_REPORT_ASSETS_H

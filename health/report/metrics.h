// CalHealth.prom: the report's figures per camera in the Prometheus text
// exposition format, for a dashboard (node_exporter's textfile collector
// reads such files; the report writes it beside its final name and moves it
// there, as that collector requires).
#ifndef HEALTH_REPORT_METRICS_H
#define HEALTH_REPORT_METRICS_H

#include <string>

#include "health/findings/health_report.h"

// Given a report, returns the metrics, each family with its HELP and TYPE
// lines, every sample labelled with its camera (and open findings with their
// kind), in camera order: the status (0 OK, 1 WATCH, 2 ACTION, 3 UNKNOWN),
// open findings by kind (every kind, 0 included), the times of the newest
// and of the last good calibration (seconds since 1970), and of the newest
// calibration its pointing offset (arcmin), zero-point deficit (mag), star
// count and O-C sigma (arcmin). A value a camera does not have (no
// calibration, no last good one, no stars) is left out. Lines end with LF.
std::string MetricsText(const HealthReport& report);

#endif  // HEALTH_REPORT_METRICS_H

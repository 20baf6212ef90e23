// Findings: what the report says about a camera's calibrations.
#ifndef HEALTH_FINDINGS_FINDING_H
#define HEALTH_FINDINGS_FINDING_H

#include <string>

#include "common/findings_csv.h"

struct Finding {
    FindingKind kind = FindingKind::kMoved;
    int first = 0;         // index of the first calibration covered (for a change: the first after it)
    int last = 0;          // index of the last calibration covered
    int calibrations = 1;  // how many calibrations (for a duplicate: how many rows share the time)
    double size = 0.0;
    std::string unit;
    std::string detail;  // one plain-language sentence
};

#endif  // HEALTH_FINDINGS_FINDING_H

#include "health/findings/finding.h"

std::string_view KindName(FindingKind kind) {
    switch (kind) {
        case FindingKind::kMoved:
            return "moved";
        case FindingKind::kPointingOutlier:
            return "pointing_outlier";
        case FindingKind::kScaleChange:
            return "scale_change";
        case FindingKind::kZeroPointDrop:
            return "zero_point_drop";
        case FindingKind::kPoorFit:
            return "poor_fit";
        case FindingKind::kFewStars:
            return "few_stars";
        case FindingKind::kStale:
            return "stale";
        case FindingKind::kDuplicate:
            return "duplicate";
        case FindingKind::kPointingDrift:
            return "pointing_drift";
    }
    return "unknown";
}

bool IsAgainstCalibration(FindingKind kind) {
    return kind == FindingKind::kPointingOutlier || kind == FindingKind::kPoorFit ||
           kind == FindingKind::kFewStars || kind == FindingKind::kDuplicate ||
           kind == FindingKind::kZeroPointDrop;
}

#include "health/findings/finding.h"

bool IsAgainstCalibration(FindingKind kind) {
    return kind == FindingKind::kPointingOutlier || kind == FindingKind::kPoorFit ||
           kind == FindingKind::kFewStars || kind == FindingKind::kDuplicate ||
           kind == FindingKind::kZeroPointDrop;
}

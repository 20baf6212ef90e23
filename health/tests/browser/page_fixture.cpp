// health_page_fixture: writes a health report page of eight cameras whose
// statuses, findings and nights are known, for the browser checks
// (page_checks.js knows the same facts).
//
//   health_page_fixture PAGE.html
//
// 120 nights, one calibration a night at 02:00 UT from 2014-01-01, the
// network's present the last of them (night 119):
//   camera 1  OK
//   camera 2  ACTION  moved at night 100 (open); no calibration on night 90
//   camera 3  ACTION  zero_point_drop over nights 110..119 (open)
//   camera 4  WATCH   few_stars on night 115 (open)
//   camera 5  UNKNOWN no calibrations (its FitCoefs table gave no row)
//   camera 6  OK
//   camera 7  WATCH   pointing_drift over nights 60..119 (open)
//   camera 8  OK      poor_fit on night 10 (no longer open)
// Every camera's pointing offsets sit near -0.7 and -1234 arcmin, so that
// the axes carry negative labels of different widths.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "health/report/html_report.h"

namespace {

constexpr std::int64_t kFirstMs = 1388541600000;  // 2014-01-01 02:00 UT
constexpr std::int64_t kDayMs = 86400000;
constexpr int kNights = 120;

void Fill(QuantitySeries& s, const std::vector<double>& value, double spread) {
    s.value = s.centre = value;
    s.spread.assign(value.size(), spread);
    s.z.assign(value.size(), 0.0);
}

// Given a camera number and the nights it skips, returns its quantities:
// calibrations at 02:00 UT and gently varying series.
CameraAnalysis Camera(int number, const std::vector<int>& skipped = {}) {
    CameraAnalysis analysis;
    CameraQuantities& camera = analysis.quantities;
    camera.camera = number;
    camera.typical_hour_ut = 2.0;
    camera.pixel_arcmin = 2.5;
    std::vector<double> az, el, small, zero_point, stars;
    for (int night = 0; night < kNights; ++night) {
        bool skip = false;
        for (int s : skipped) skip = skip || s == night;
        if (skip) continue;
        Calibration c;
        c.time_ms = kFirstMs + night * kDayMs;
        camera.calibrations.push_back(c);
        camera.days.push_back(static_cast<double>(c.time_ms) / static_cast<double>(kDayMs));
        const double wave = std::sin(night * 0.3);
        az.push_back(-0.7 + 0.03 * wave);
        el.push_back(-1234.0 + 0.5 * wave);
        small.push_back(0.1 * wave);
        zero_point.push_back(12.0 + 0.05 * wave);
        stars.push_back(150.0 + 10.0 * wave);
    }
    Fill(camera.offset_az, az, 0.05);
    Fill(camera.offset_el, el, 0.05);
    Fill(camera.tilt, small, 0.02);
    Fill(camera.scale_change, small, 0.02);
    Fill(camera.oc_sigma, small, 0.02);
    Fill(camera.star_count, stars, 5.0);
    camera.zero_point = zero_point;
    analysis.zero_point.centre = zero_point;
    analysis.zero_point.threshold_mag = 0.3;
    analysis.assessment.last_good = static_cast<int>(camera.calibrations.size()) - 1;
    return analysis;
}

// Given a camera, adds a finding over calibrations first..last with its
// openness.
void Add(CameraAnalysis& analysis, FindingKind kind, int first, int last, double size,
         const std::string& unit, bool open) {
    Finding f;
    f.kind = kind;
    f.first = first;
    f.last = last;
    f.calibrations = last - first + 1;
    f.size = size;
    f.unit = unit;
    f.detail = std::string(KindName(kind)) + " made up for the browser checks";
    analysis.findings.push_back(f);
    analysis.assessment.open.push_back(open);
}

HealthReport FixtureReport() {
    HealthReport report;
    report.tables_folder = "fixture";
    std::vector<CameraAnalysis>& cameras = report.cameras;
    cameras.push_back(Camera(1));
    // Camera 2 skips night 90, so night 100 is its calibration 99.
    cameras.push_back(Camera(2, {90}));
    Add(cameras.back(), FindingKind::kMoved, 99, 118, 12.5, "arcmin", true);
    cameras.back().assessment.status = CameraStatus::kAction;
    cameras.push_back(Camera(3));
    Add(cameras.back(), FindingKind::kZeroPointDrop, 110, 119, 0.7, "mag", true);
    cameras.back().assessment.status = CameraStatus::kAction;
    cameras.push_back(Camera(4));
    Add(cameras.back(), FindingKind::kFewStars, 115, 115, 12, "stars", true);
    cameras.back().assessment.status = CameraStatus::kWatch;
    CameraAnalysis unknown;
    unknown.quantities.camera = 5;
    unknown.quantities.coefs_problem = "FitCoefs table has no readable row";
    Add(unknown, FindingKind::kUnreadableTable, -1, -1, 0.0, "", true);
    unknown.findings.back().calibrations = 0;
    unknown.findings.back().detail = unknown.quantities.coefs_problem;
    unknown.assessment.status = CameraStatus::kUnknown;
    cameras.push_back(unknown);
    cameras.push_back(Camera(6));
    cameras.push_back(Camera(7));
    Add(cameras.back(), FindingKind::kPointingDrift, 60, 119, 1.5, "arcmin/month", true);
    cameras.back().assessment.status = CameraStatus::kWatch;
    cameras.push_back(Camera(8));
    Add(cameras.back(), FindingKind::kPoorFit, 10, 10, 2.5, "arcmin", false);
    report.newest_ms = kFirstMs + (kNights - 1) * kDayMs;
    return report;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: health_page_fixture PAGE.html\n");
        return 2;
    }
    std::ofstream page(argv[1], std::ios::binary);
    page << HtmlReport(FixtureReport());
    page.close();
    return page ? 0 : 1;
}

// The page's first screen: the order of the overview, a camera's strip of
// nights, since when, and the times and ages it shows.
#include <gtest/gtest.h>

#include <string>

#include "common/civil_time.h"
#include "health/report/html_report.h"
#include "health/report/triage.h"

namespace {

constexpr std::int64_t kNight0 = 1388541600000;  // 2014-01-01 02:00 UT

// A camera calibrated at 02:00 UT on each of the given nights (counted from
// 2014-01-01), with the given status.
CameraAnalysis Camera(int number, const std::vector<int>& nights, CameraStatus status) {
    CameraAnalysis analysis;
    analysis.quantities.camera = number;
    analysis.quantities.typical_hour_ut = 2.0;
    for (int night : nights) {
        Calibration c;
        c.time_ms = kNight0 + night * kMillisecondsPerDay;
        analysis.quantities.calibrations.push_back(c);
        analysis.quantities.days.push_back(DaysFromMilliseconds(c.time_ms));
    }
    analysis.assessment.status = status;
    return analysis;
}

void AddFinding(CameraAnalysis& analysis, FindingKind kind, int first, int last, bool open) {
    Finding f;
    f.kind = kind;
    f.first = first;
    f.last = last;
    f.size = 0.7;
    f.unit = "mag";
    analysis.findings.push_back(f);
    analysis.assessment.open.push_back(open);
}

std::vector<int> Nights(int first, int last) {
    std::vector<int> nights;
    for (int n = first; n <= last; ++n) nights.push_back(n);
    return nights;
}

HealthReport Network(std::vector<CameraAnalysis> cameras, int present_night) {
    HealthReport report;
    report.cameras = std::move(cameras);
    report.newest_ms = kNight0 + present_night * kMillisecondsPerDay;
    return report;
}

std::string Order(const HealthReport& report) {
    std::string order;
    for (const TriageRow& row : TriageRows(report))
        order += std::to_string(report.cameras[row.index].quantities.camera) + " ";
    return order;
}

TEST(Triage, OverviewRunsActionUnknownWatchOkThenNewestTroubleFirst) {
    CameraAnalysis ok = Camera(1, Nights(0, 99), CameraStatus::kOk);
    CameraAnalysis old_move = Camera(2, Nights(0, 99), CameraStatus::kAction);
    AddFinding(old_move, FindingKind::kMoved, 80, 99, true);
    CameraAnalysis new_drop = Camera(3, Nights(0, 99), CameraStatus::kAction);
    AddFinding(new_drop, FindingKind::kZeroPointDrop, 95, 99, true);
    // A closed finding newer than everything does not make trouble recent.
    AddFinding(new_drop, FindingKind::kPoorFit, 10, 10, false);
    CameraAnalysis watch = Camera(4, Nights(0, 99), CameraStatus::kWatch);
    AddFinding(watch, FindingKind::kFewStars, 98, 98, true);
    CameraAnalysis unknown = Camera(5, {}, CameraStatus::kUnknown);
    AddFinding(unknown, FindingKind::kUnreadableTable, -1, -1, true);
    CameraAnalysis action_without_date = Camera(6, Nights(0, 99), CameraStatus::kAction);
    AddFinding(action_without_date, FindingKind::kUnreadableTable, 0, 99, true);
    const HealthReport report = Network({ok, old_move, new_drop, watch, unknown, action_without_date}, 99);
    EXPECT_EQ(Order(report), "3 2 6 5 4 1 ");
    const std::vector<TriageRow> rows = TriageRows(report);
    ASSERT_TRUE(rows[0].has_since);
    EXPECT_EQ(rows[0].since_ms, kNight0 + 95 * kMillisecondsPerDay);
    EXPECT_EQ(rows[0].happened.size(), 1u);  // the closed poor fit is not said
    EXPECT_FALSE(rows[2].has_since);         // a table's trouble has no date
    EXPECT_TRUE(rows[5].to_do.empty());
}

TEST(Triage, OneSentencePerKindFromItsNewestOpenFinding) {
    CameraAnalysis camera = Camera(1, Nights(0, 99), CameraStatus::kAction);
    AddFinding(camera, FindingKind::kZeroPointDrop, 40, 50, true);
    AddFinding(camera, FindingKind::kZeroPointDrop, 90, 99, true);
    const std::vector<TriageRow> rows = TriageRows(Network({camera}, 99));
    ASSERT_EQ(rows[0].to_do.size(), 1u);
    EXPECT_EQ(rows[0].to_do[0],
              "sensitivity down 0.70 mag since 2014-04-01 02:00 UT: check the lens for dew or dirt");
    EXPECT_EQ(rows[0].happened.size(), 2u);
}

TEST(Triage, StripColoursEachNightByItsWorstFindingAndChangesOnlyTheirNight) {
    // Nights 0..119 but for 100; the present is night 119, so the strip's
    // first night is 30.
    std::vector<int> nights = Nights(0, 119);
    nights.erase(nights.begin() + 100);
    CameraAnalysis camera = Camera(1, nights, CameraStatus::kAction);
    AddFinding(camera, FindingKind::kMoved, 104, 118, true);          // night 105 on
    AddFinding(camera, FindingKind::kZeroPointDrop, 109, 112, true);  // nights 110..113
    AddFinding(camera, FindingKind::kFewStars, 111, 111, false);      // night 112, below the drop
    AddFinding(camera, FindingKind::kStale, 118, 118, true);          // marks no night
    const HealthReport report = Network({camera}, 119);
    const std::string codes = NightCodes(report.cameras[0], StripNightAxis(report));
    ASSERT_EQ(codes.size(), static_cast<std::size_t>(kStripNights));
    const auto code = [](FindingKind kind) { return static_cast<char>('a' + static_cast<int>(kind)); };
    EXPECT_EQ(codes[0], kNightClear);                 // night 30
    EXPECT_EQ(codes[70], kNightNoCalibration);        // night 100
    EXPECT_EQ(codes[75], code(FindingKind::kMoved));  // night 105
    EXPECT_EQ(codes[76], kNightClear);                // the new pointing is not a finding each night
    EXPECT_EQ(codes.substr(80, 4), std::string(4, code(FindingKind::kZeroPointDrop)));
    EXPECT_EQ(codes[84], kNightClear);
    EXPECT_EQ(codes[89], kNightClear);  // stale says nothing about a night
}

TEST(Triage, NightsCentreOnTheUsualCalibrationHourAcrossMidnight) {
    // Cameras calibrating at 23:00 and 01:00 UT share a night centred on
    // midnight: 23:00 of one day and 01:00 of the next are one cell.
    CameraAnalysis late = Camera(1, {}, CameraStatus::kOk);
    CameraAnalysis early = Camera(2, {}, CameraStatus::kOk);
    late.quantities.typical_hour_ut = 23.0;
    early.quantities.typical_hour_ut = 1.0;
    const std::int64_t evening = kNight0 + 21 * kMillisecondsPerHour;  // 2014-01-01 23:00
    Calibration c;
    c.time_ms = evening;
    late.quantities.calibrations = {c};
    c.time_ms = evening + 2 * kMillisecondsPerHour;
    early.quantities.calibrations = {c};
    const HealthReport report = Network({late, early}, 1);
    const NightAxis axis = StripNightAxis(report);
    const std::string a = NightCodes(report.cameras[0], axis);
    const std::string b = NightCodes(report.cameras[1], axis);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a.find(kNightClear), a.rfind(kNightClear));
    EXPECT_NE(a.find(kNightClear), std::string::npos);
}

TEST(Triage, ShortTimesAndWholeDayAges) {
    EXPECT_EQ(ShortTime(kNight0 + 6 * 60000 + 59999), "2014-01-01 02:06 UT");
    EXPECT_EQ(AgeText(kNight0, kNight0 + kMillisecondsPerDay - 1), "0 days");
    EXPECT_EQ(AgeText(kNight0, kNight0 + kMillisecondsPerDay), "1 day");
    EXPECT_EQ(AgeText(kNight0, kNight0 + 12 * kMillisecondsPerDay + 5), "12 days");
}

TEST(HtmlReport, OkCamerasAreClosedLinesAndEveryTimeCarriesItsIsoTime) {
    CameraAnalysis ok = Camera(1, Nights(0, 9), CameraStatus::kOk);
    CameraAnalysis watch = Camera(2, {}, CameraStatus::kUnknown);
    AddFinding(watch, FindingKind::kUnreadableTable, -1, -1, true);
    const std::string html = HtmlReport(Network({ok, watch}, 9));
    EXPECT_NE(html.find("<details class=\"camera\" id=\"camera-1\" data-status=\"OK\">"), std::string::npos);
    EXPECT_NE(html.find("<details class=\"camera\" id=\"camera-2\" data-status=\"UNKNOWN\" open>"),
              std::string::npos);
    EXPECT_LT(html.find("id=\"camera-2\""), html.find("id=\"camera-1\""));
    EXPECT_NE(html.find("<time title=\"2014-01-10T02:00:00.000 UT\">2014-01-10 02:00 UT</time>"),
              std::string::npos);
    EXPECT_NE(html.find(">1 UNKNOWN</span> \u00b7 <span class=\"status status-OK\" data-status=\"OK\">1 OK<"),
              std::string::npos);
}

}  // namespace

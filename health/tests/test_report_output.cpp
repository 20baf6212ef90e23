// The report's files and command line: exact findings header, RFC 4180
// quoting, ISO times, escaping in the page, options.
#include <gtest/gtest.h>

#include "health/html_report.h"
#include "health/options.h"
#include "health/report_csv.h"

namespace {

HealthReport OneCameraReport() {
    HealthReport report;
    report.tables_folder = "tables";
    CameraAnalysis camera;
    camera.camera = 7;
    for (int i = 0; i < 3; ++i) {
        Calibration c;
        c.time_ms = 1388534400000 + i * 86400000LL + 5;
        camera.calibrations.push_back(c);
        camera.days.push_back(16071.0 + i);
    }
    for (QuantitySeries* s :
         {&camera.offset_az, &camera.offset_el, &camera.offset, &camera.tilt, &camera.scale,
          &camera.scale_change, &camera.aspect, &camera.skew, &camera.oc_mean, &camera.oc_sigma,
          &camera.zero_point, &camera.faint_limit, &camera.star_count}) {
        s->value = s->centre = s->spread = s->z = {1.0, 2.0, kNoValue};
    }
    camera.oc_mean_px = camera.oc_sigma_px = camera.zero_point_deficit = {0.1, 0.2, 0.3};
    Finding f;
    f.kind = FindingKind::kPoorFit;
    f.first = f.last = 1;
    f.size = 2.5;
    f.unit = "arcmin";
    f.detail = "a \"quoted\", <odd> detail";
    camera.findings.push_back(f);
    report.cameras.push_back(camera);
    report.newest_ms = camera.calibrations.back().time_ms;
    return report;
}

TEST(ReportCsv, FindingsTableHasTheExactHeaderAndQuotedText) {
    const std::string csv = FindingsCsv(OneCameraReport());
    EXPECT_EQ(csv,
              "camera,kind,start,end,calibrations,size,unit,detail\r\n"
              "7,poor_fit,2014-01-02T00:00:00.005,2014-01-02T00:00:00.005,1,2.500,\"arcmin\","
              "\"a \"\"quoted\"\", <odd> detail\"\r\n");
}

TEST(ReportCsv, CalibrationsTableHasOneRowPerCalibrationWithItsFindings) {
    const std::string csv = CalibrationsCsv(OneCameraReport());
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = csv.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(csv.substr(start, end - start));
    }
    ASSERT_EQ(lines.size(), 4u);
    const auto columns = [](const std::string& line) {
        return std::count(line.begin(), line.end(), ',') + 1;
    };
    for (const std::string& line : lines) EXPECT_EQ(columns(line), columns(lines[0]));
    EXPECT_EQ(lines[1].substr(0, 26), "7,2014-01-01T00:00:00.005,");
    EXPECT_EQ(lines[2].substr(lines[2].size() - 9), ",poor_fit");
    EXPECT_EQ(lines[3].back(), ',');  // no finding against it
}

TEST(HtmlReport, IsOnePageWithTheLibraryTheDataAndEscapedText) {
    const std::string html = HtmlReport(OneCameraReport());
    // Nothing is loaded from elsewhere: scripts and styles are inline.
    EXPECT_EQ(html.find("<link"), std::string::npos);
    EXPECT_EQ(html.find(" src="), std::string::npos);
    EXPECT_EQ(html.find("@import"), std::string::npos);
    EXPECT_NE(html.find("uPlot"), std::string::npos);
    EXPECT_NE(html.find("class=\"charts\" data-camera=\"7\""), std::string::npos);
    EXPECT_NE(html.find("data-charts-expected=\"6\""), std::string::npos);
    EXPECT_NE(html.find("a &quot;quoted&quot;, &lt;odd&gt; detail"), std::string::npos);
    EXPECT_EQ(html.find("<odd>"), std::string::npos);
    // Missing values are null in the data, never NaN.
    EXPECT_NE(html.find("\"offset_az\":[1,2,null]"), std::string::npos);
    EXPECT_EQ(html.find("nan"), std::string::npos);
}

struct OptionsCase {
    std::vector<std::string> arguments;
    bool ok;
};

class OptionsTest : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(OptionsTest, AcceptsTheDocumentedOptionsAndRefusesOthers) {
    HealthOptions options;
    std::string error;
    EXPECT_EQ(ParseOptions(GetParam().arguments, options, error), GetParam().ok) << error;
    EXPECT_EQ(error.empty(), GetParam().ok);
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, OptionsTest,
    ::testing::Values(OptionsCase{{"folder"}, true}, OptionsCase{{"--help"}, true},
                      OptionsCase{{"--version"}, true},
                      OptionsCase{{"--out", "o", "--window", "45", "--stale-after", "3.5", "f"}, true},
                      OptionsCase{{}, false}, OptionsCase{{"a", "b"}, false}, OptionsCase{{"--out"}, false},
                      OptionsCase{{"--window", "2", "f"}, false}, OptionsCase{{"--window", "x", "f"}, false},
                      OptionsCase{{"--stale-after", "-1", "f"}, false},
                      OptionsCase{{"--verbose", "f"}, false}));

TEST(Options, ValuesArrive) {
    HealthOptions options;
    std::string error;
    ASSERT_TRUE(ParseOptions({"--window", "45", "--stale-after", "3.5", "--out", "o", "f"}, options, error));
    EXPECT_EQ(options.settings.window_days, 45.0);
    EXPECT_EQ(options.settings.stale_after_days, 3.5);
    EXPECT_EQ(options.out, "o");
    EXPECT_EQ(options.folder, "f");
}

}  // namespace

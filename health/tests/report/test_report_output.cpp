// The report's files and command line: exact findings header, RFC 4180
// quoting, ISO times, escaping in the page, options.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <string>

#include "common/number_text.h"
#include "health/options.h"
#include "health/report/html_report.h"
#include "health/report/report_csv.h"
#include "tools/split_mix.h"

namespace {

HealthReport OneCameraReport() {
    HealthReport report;
    report.tables_folder = "tables";
    CameraAnalysis analysis;
    CameraQuantities& camera = analysis.quantities;
    camera.camera = 7;
    for (int i = 0; i < 3; ++i) {
        Calibration c;
        c.time_ms = 1388534400000 + i * 86400000LL + 5;
        camera.calibrations.push_back(c);
        camera.days.push_back(16071.0 + i);
    }
    for (QuantitySeries* s : {&camera.offset_az, &camera.offset_el, &camera.offset, &camera.tilt,
                              &camera.scale, &camera.scale_change, &camera.aspect, &camera.skew,
                              &camera.oc_mean, &camera.oc_sigma, &camera.faint_limit, &camera.star_count}) {
        s->value = s->centre = s->spread = s->z = {1.0, 2.0, kNoValue};
    }
    camera.zero_point = {1.0, 2.0, kNoValue};
    ZeroPointBaseline& zero_point = analysis.zero_point;
    zero_point.centre = zero_point.spread = zero_point.z = {1.0, 2.0, kNoValue};
    camera.oc_mean_px = camera.oc_sigma_px = zero_point.deficit = {0.1, 0.2, 0.3};
    Finding f;
    f.kind = FindingKind::kPoorFit;
    f.first = f.last = 1;
    f.size = 2.5;
    f.unit = "arcmin";
    f.detail = "a \"quoted\", <odd> detail";
    analysis.findings.push_back(f);
    analysis.assessment.open = {false};
    report.cameras.push_back(analysis);
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

// The fixed-point text the library gives (printing the exact binary value,
// rounded to nearest, ties to even), with the sign of a value rounded to
// zero left off and, trimmed, without trailing zeros; nothing when it takes
// more than 64 characters.
std::string LibraryFixed(double value, int decimals, bool trim) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return "";
    std::string text(buffer, result.ptr);
    if (trim && decimals > 0) {
        while (text.back() == '0') text.pop_back();
        if (text.back() == '.') text.pop_back();
    }
    if (text[0] == '-' && text.find_first_not_of("-0.") == std::string::npos) text.erase(0, 1);
    return text;
}

TEST(TextFormat, FixedPointTextIsTheLibrarysDigitForDigit) {
    // Ties of the exact binary value (0.125, 2.5, 1e-3 is none), values that
    // round to zero from either side, the edges of the exact road, and a
    // million values of every size and decimals.
    std::vector<double> values = {0.0,     -0.0,   0.125,   -0.125, 2.5,         3.5,   -2.5,     0.5,
                                  1.5,     0.0005, -0.0005, 1e-3,   0.045,       1.005, 999.9995, 1e-300,
                                  -1e-300, 5e-324, 1e9,     -1e9,   999999999.5, 1e15,  1.7e308};
    SplitMix64 rng = StreamFor(17, 1);
    for (int k = 0; k < 300000; ++k) {
        const double magnitude = std::pow(10.0, UniformIn(rng, -8.0, 10.0));
        const double value = (NextUnit(rng) < 0.5 ? -1 : 1) * magnitude;
        // Also values on a grid of decimals, as the tables' values are.
        values.push_back(k % 2 == 0 ? value : std::round(value * 1000.0) / 1000.0 + 0.0005);
    }
    for (double value : values) {
        for (int decimals = 0; decimals <= 7; ++decimals) {
            for (bool trim : {false, true}) {
                std::string text;
                AppendFixed(text, value, decimals, trim);
                ASSERT_EQ(text, LibraryFixed(value, decimals, trim))
                    << value << " " << decimals << " " << trim;
            }
        }
    }
    std::string text = "x";
    AppendFixed(text, std::nan(""), 2);
    AppendFixed(text, HUGE_VAL, 2);
    EXPECT_EQ(text, "x");
}

}  // namespace

// What the programs share: calendar fields in both directions, angles, and
// the findings table's rows written and read back.
#include <gtest/gtest.h>

#include <cmath>

#include "common/angles.h"
#include "common/civil_time.h"
#include "common/findings_csv.h"
#include "tools/split_mix.h"

namespace {

TEST(CivilTime, CalendarFieldsAndMillisecondsAreInversesOverTheWholeRange) {
    // 0001-01-01 to 9999-12-31, random instants and the days around eras.
    const std::int64_t first = *UnixMillisecondsFromInstant({1, 1, 1, 0, 0, 0, 0});
    const std::int64_t last = *UnixMillisecondsFromInstant({9999, 12, 31, 23, 59, 59, 999});
    SplitMix64 rng = StreamFor(17, 0);
    std::vector<std::int64_t> instants = {first, last, -1, 0, 951782400000 /* 2000-02-29 */};
    for (int k = 0; k < 20000; ++k)
        instants.push_back(first +
                           static_cast<std::int64_t>(NextUnit(rng) * static_cast<double>(last - first)));
    for (std::int64_t ms : instants) {
        const CalendarInstant t = InstantFromUnixMilliseconds(ms);
        ASSERT_EQ(UnixMillisecondsFromInstant(t), ms) << IsoTime(ms);
        ASSERT_EQ(ParseIsoTime(IsoTime(ms)), ms) << IsoTime(ms);
    }
    EXPECT_EQ(IsoTime(-1), "1969-12-31T23:59:59.999");
    EXPECT_EQ(IsoTime(951782400000), "2000-02-29T00:00:00.000");
}

TEST(CivilTime, ALayoutReadsOnlyTheFieldsItNames) {
    CalendarInstant t{2014, 1, 2, 3, 4, 5, 6};
    EXPECT_TRUE(ReadCalendarFields("11:22:33.444", "hh:mm:ss.fff", t));
    EXPECT_EQ(t.year, 2014);
    EXPECT_EQ(t.day, 2);
    EXPECT_EQ(t.hour, 11);
    EXPECT_EQ(t.millisecond, 444);
    EXPECT_FALSE(ReadCalendarFields("11-22:33.444", "hh:mm:ss.fff", t));  // a separator differs
    EXPECT_FALSE(ReadCalendarFields("11:22:33.44", "hh:mm:ss.fff", t));   // too short
    EXPECT_FALSE(ReadCalendarFields("11:2x:33.444", "hh:mm:ss.fff", t));  // not a digit
    EXPECT_FALSE(ParseIsoTime("2014-01-02T03:04:05.006Z").has_value());
    EXPECT_FALSE(ParseIsoTime("2014-02-29T03:04:05.006").has_value());
}

TEST(Angles, WrapIntoTheirHalfOpenRanges) {
    EXPECT_DOUBLE_EQ(WrapDegrees360(-0.5), 359.5);
    EXPECT_DOUBLE_EQ(WrapDegrees360(720.0), 0.0);
    EXPECT_DOUBLE_EQ(WrapDegrees180(180.0), -180.0);
    EXPECT_DOUBLE_EQ(WrapDegrees180(-181.0), 179.0);
    EXPECT_NEAR(WrapDegrees180(359.98), -0.02, 1e-9);
    // Across north: 359.9 and 0.1 degrees of azimuth on the horizon are 0.2 apart.
    EXPECT_NEAR(SeparationDeg(359.9, 0.0, 0.1, 0.0), 0.2, 1e-9);
    EXPECT_NEAR(SeparationDeg(10.0, 89.0, 190.0, 89.0), 2.0, 1e-9);
}

TEST(FindingsCsv, RowsReadBackFieldForFieldAndKindsByName) {
    for (int k = 0; k < kFindingKindCount; ++k) {
        const FindingKind kind = static_cast<FindingKind>(k);
        EXPECT_EQ(KindFromName(KindName(kind)), kind) << KindName(kind);
    }
    EXPECT_FALSE(KindFromName("Moved").has_value());
    std::string text;
    const std::string detail = "pointing moved \"far\", then back";
    AppendFindingsCsvRow(text, {44, FindingKind::kMoved, 0, 86400000, 3, -0.0004, "arcmin", detail});
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    const std::vector<std::string> fields = SplitCsvLine(text.substr(0, text.size() - 1));
    const std::vector<std::string> expected = {
        "44", "moved", "1970-01-01T00:00:00.000", "1970-01-02T00:00:00.000", "3", "0.000", "arcmin", detail};
    EXPECT_EQ(fields, expected);
    EXPECT_EQ(SplitCsvLine(kFindingsHeader).size(), 8u);
}

}  // namespace

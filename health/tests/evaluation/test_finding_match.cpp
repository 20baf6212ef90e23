// Scoring against the ground truth: a drop counts as dated anywhere from its
// first calibration to its first at half its depth, within the tolerance of
// its kind; the generator's dating table is read onto the truth.
#include <gtest/gtest.h>

#include <filesystem>

#include "health/evaluation/finding_match.h"
#include "tests/support/scratch_folder.h"

namespace {

// Calibrations of camera 7 on consecutive days at 21:00.
std::map<int, std::vector<std::string>> Times(int count) {
    std::map<int, std::vector<std::string>> times;
    for (int day = 1; day <= count; ++day) {
        times[7].push_back("2014-03-" + std::string(day < 10 ? "0" : "") + std::to_string(day) +
                           "T21:00:00.000");
    }
    return times;
}

FindingRow Row(const std::string& kind, const std::vector<std::string>& times, int first, int last) {
    FindingRow row;
    row.camera = 7;
    row.kind = kind;
    row.start = times[static_cast<std::size_t>(first)];
    row.end = times[static_cast<std::size_t>(last)];
    return row;
}

TEST(FindingMatch, ADropIsDatedAnywhereFromItsStartToItsLatestStart) {
    const auto times = Times(30);
    const std::vector<std::string>& t = times.at(7);
    FindingRow drop = Row("zero_point_drop", t, 10, 25);
    drop.latest_start = t[14];
    // Found one calibration before its start, inside, at its latest start,
    // one after it: dated. Two before or two after: found, misdated.
    for (const auto& [found_at, dated] : std::vector<std::pair<int, bool>>{
             {9, true}, {12, true}, {14, true}, {15, true}, {8, false}, {16, false}}) {
        Evaluation evaluation;
        ScoreRun({drop}, {Row("zero_point_drop", t, found_at, 25)}, times, evaluation);
        const KindScore& score = evaluation.kinds.at("zero_point_drop");
        EXPECT_EQ(score.detected, dated ? 1 : 0) << found_at;
        EXPECT_EQ(score.found_any_date, 1) << found_at;
        EXPECT_EQ(score.false_found, 0) << found_at;
    }
}

TEST(FindingMatch, TheDatingTableSetsTheLatestStartOfTheDropsItNames) {
    ScratchFolder folder;
    const auto times = Times(30);
    const std::vector<std::string>& t = times.at(7);
    std::vector<FindingRow> truth = {Row("moved", t, 5, 29), Row("zero_point_drop", t, 10, 25)};
    const std::filesystem::path table = folder.path / "network_truth_dating.csv";
    WriteFile(table, "camera,kind,start,latest_start\r\n7,zero_point_drop," + t[10] + "," + t[13] + "\r\n");
    std::string error;
    EXPECT_TRUE(ReadDatingRanges(table, truth, error)) << error;
    EXPECT_EQ(truth[0].latest_start, "");
    EXPECT_EQ(truth[1].latest_start, t[13]);

    // A missing table leaves the truth alone; a row naming no event is an error.
    EXPECT_TRUE(ReadDatingRanges(folder.path / "absent.csv", truth, error));
    WriteFile(table, "camera,kind,start,latest_start\r\n8,zero_point_drop," + t[10] + "," + t[13] + "\r\n");
    EXPECT_FALSE(ReadDatingRanges(table, truth, error));
    EXPECT_NE(error.find("no event"), std::string::npos) << error;
}

}  // namespace

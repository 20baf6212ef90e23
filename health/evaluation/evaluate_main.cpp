// health_evaluate: scores health reports of generated networks against their
// ground truth.
//
//   health_evaluate RUN_FOLDER...
//
// Each RUN_FOLDER holds network_truth.csv and network_truth_dating.csv
// (make_cal_files --network; a drop counts as dated from its first
// calibration to its first at half its depth) and
// Summary/CalHealth_findings.csv and Summary/CalHealth_calibrations.csv
// (Norv_CalHealth on its tables). Prints the scores of all runs together.
#include <cstdio>
#include <filesystem>

#include "health/evaluation/finding_match.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: health_evaluate RUN_FOLDER...\n");
        return 2;
    }
    Evaluation evaluation;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path run(argv[i]);
        std::string error;
        auto truth = ReadFindingRows(run / "network_truth.csv", error);
        if (error.empty()) ReadDatingRanges(run / "network_truth_dating.csv", truth, error);
        const auto found = ReadFindingRows(run / "Summary" / "CalHealth_findings.csv", error);
        const auto times = ReadCalibrationTimes(run / "Summary" / "CalHealth_calibrations.csv", error);
        if (!error.empty()) {
            std::fprintf(stderr, "health_evaluate: %s\n", error.c_str());
            return 1;
        }
        ScoreRun(truth, found, times, evaluation);
    }
    std::printf("%s", EvaluationText(evaluation).c_str());
    return 0;
}

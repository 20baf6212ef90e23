// The run summarized with 2 and 8 worker threads gives, byte for byte, the
// console text, the exit status and the tables of the run with one thread:
// on a generated network, on files that lean on the previous file's values,
// and on runs that end at a failing file part way through a camera. Each run
// is the whole program (RunSummaryProgram) in a child process, with its
// standard streams in files.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/summary_program.h"
#include "tests/support/cal_samples.h"
#include "tests/support/scratch_folder.h"
#include "tools/cal_network.h"
#include "tools/cal_text.h"

#ifndef _WIN32

namespace fs = std::filesystem;

namespace {

struct RunResult {
    int exit_status = -1;
    std::string console;
    std::string errors;                         // standard error
    std::map<std::string, std::string> tables;  // Summary/ file name -> bytes
};

// Runs the whole program on folder with the given worker count, in a child
// whose standard input answers the folder question and then the waits.
RunResult RunWithWorkers(const fs::path& scratch, const fs::path& folder, int workers) {
    fs::remove_all(folder / "Summary");
    const fs::path input = scratch / "stdin.txt";
    const fs::path output = scratch / "stdout.txt";
    const fs::path errors = scratch / "stderr.txt";
    WriteFile(input, folder.string() + "\n42\n\n");
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen(input.c_str(), "r", stdin) == nullptr ||
            std::freopen(output.c_str(), "w", stdout) == nullptr ||
            std::freopen(errors.c_str(), "w", stderr) == nullptr) {
            _exit(99);
        }
        RunSummaryProgram(workers);
    }
    RunResult result;
    int status = 0;
    if (child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status)) {
        result.exit_status = WEXITSTATUS(status);
    }
    result.console = ReadFile(output);
    result.errors = ReadFile(errors);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder / "Summary", error)) {
        result.tables[entry.path().filename().string()] = ReadFile(entry.path());
    }
    return result;
}

// A calibration of camera camera on day day of December 2013, at fit order
// order with stars stars, values that differ from file to file.
CalibrationSample Calibration(int camera, int day, int order, int stars) {
    CalibrationSample sample = BaseSample(camera);
    sample.time.day = day;
    SetPointing(sample, {10.0 * camera + day, 20.5 + day, 180.25, 45.5, 2.5, -1.25});
    SetFits(sample, {0.25 * day, 0.125, -2.5, 12.0 + day, -0.4, 8.0});
    SetPolynomial(sample, order, {0.001 * day, 0.0416, 0.0011, 2e-7, -3e-7, 4e-7, 1e-9, -2e-9, 3e-9, -4e-9},
                  {0.0211, -0.0012, 0.0417, 5e-7, 6e-7, -7e-7, 2e-9, 3e-9, -1e-9, 5e-9});
    for (int s = 0; s < stars; ++s) {
        sample.stars.push_back(StarOfColumns({200.0 + s, -10.0 - s, 400, 200, 1.0 + 0.01 * s, 0.2, 0.1, -0.2,
                                              3.5, 20, 4.0, 0.25 + 0.001 * s}));
    }
    return sample;
}

void WriteCalibration(const fs::path& folder, const CalibrationSample& sample, const std::string& text) {
    WriteFile(folder / CalFileName(sample), text);
}

// Replaces the line of text that begins with start (its line end kept).
std::string WithLine(std::string text, const std::string& start, const std::string& replacement) {
    const std::size_t at = text.find("\n" + start);
    if (at == std::string::npos) return text;
    const std::size_t end = text.find('\n', at + 1);
    text.replace(at + 1, end - at - 1, replacement);
    return text;
}

// The corpora, each written into folder.
void GeneratedNetwork(const fs::path& folder) {
    WriteCalNetwork(NetworkRequest{folder.string(), 240, 7, 11, 0, 300});
}

// A calibration whose decomposition reaches its sweep limit: an infinite
// coefficient makes the normal matrix NaN.
CalibrationSample InfiniteCoefficientFile() {
    return Calibration(7, 10, 3, 5);
}

// Files that take values from the file before them, skipped files, a file
// whose fit order line is missing after one of another order (read again
// with the inherited order), a star row cut short, a calibration whose
// decomposition reaches its sweep limit, and cameras alternating in the
// listing; a FIFO named like a CAL file is not listed, so it cannot block.
void FilesThatLeanOnEachOther(const fs::path& folder) {
    fs::create_directories(folder);
    for (int day = 1; day <= 9; ++day) {
        for (int camera : {3, 12, 7}) {
            const CalibrationSample sample = Calibration(camera, day, 1 + (day + camera) % 3, 20 + day);
            std::string text = CalText(sample);
            if (day == 4) text = WithLine(text, "Plate polynomial order", "");  // order inherited
            if (day == 5) text = WithLine(text, "Centre azimuth", "");          // values move up a line
            if (day == 6 && camera == 12) text = "";                            // no calibration
            if (day == 7) text = text.substr(0, text.size() - 40);              // last star row cut
            WriteCalibration(folder, sample, text);
        }
    }
    const CalibrationSample infinite = InfiniteCoefficientFile();
    WriteCalibration(folder, infinite, WithLine(CalText(infinite), " x ", " x   1e999 1e999"));
    mkfifo((folder / "CAL003_20131231_000000_000.txt").c_str(), 0600);
}

// A file that cannot be opened (its listed name is cut to one that is not
// there) part way through the second camera.
void UnreadableFileMidCamera(const fs::path& folder) {
    fs::create_directories(folder);
    for (int day = 1; day <= 6; ++day) {
        for (int camera : {5, 9})
            WriteCalibration(folder, Calibration(camera, day, 3, 50),
                             CalText(Calibration(camera, day, 3, 50)));
    }
    WriteFile(folder / "CAL009_20131203_120000_0001.txt", CalText(Calibration(9, 3, 3, 50)));
}

// A file of fit order 4 part way through the second camera.
void UnsupportedOrderMidCamera(const fs::path& folder) {
    fs::create_directories(folder);
    for (int day = 1; day <= 6; ++day) {
        for (int camera : {5, 9}) {
            CalibrationSample sample = Calibration(camera, day, 2, 50);
            if (camera == 9 && day == 4) sample.fit_order = 4;
            WriteCalibration(folder, sample, CalText(sample));
        }
    }
}

struct Corpus {
    const char* name;
    void (*write)(const fs::path& folder);
};

const Corpus kCorpora[] = {{"generated_network", GeneratedNetwork},
                           {"files_that_lean_on_each_other", FilesThatLeanOnEachOther},
                           {"unreadable_file_mid_camera", UnreadableFileMidCamera},
                           {"unsupported_order_mid_camera", UnsupportedOrderMidCamera}};

class SummaryPipeline : public ::testing::TestWithParam<std::tuple<Corpus, int>> {};

TEST_P(SummaryPipeline, GivesTheBytesOfTheSingleThreadedRun) {
    const auto& [corpus, workers] = GetParam();
    ScratchFolder scratch;
    const fs::path folder = scratch.path / "calibrations";
    corpus.write(folder);
    const RunResult serial = RunWithWorkers(scratch.path, folder, 1);
    ASSERT_EQ(serial.exit_status, 1);
    ASSERT_FALSE(serial.tables.empty()) << corpus.name;
    const RunResult parallel = RunWithWorkers(scratch.path, folder, workers);
    EXPECT_EQ(parallel.exit_status, serial.exit_status);
    EXPECT_EQ(parallel.console, serial.console) << corpus.name << " with " << workers << " workers";
    EXPECT_EQ(parallel.errors, serial.errors) << corpus.name << " with " << workers << " workers";
    ASSERT_EQ(parallel.tables.size(), serial.tables.size());
    for (const auto& [name, bytes] : serial.tables) {
        EXPECT_TRUE(parallel.tables.count(name) == 1 && parallel.tables.at(name) == bytes)
            << name << " of " << corpus.name << " with " << workers << " workers";
    }
}

INSTANTIATE_TEST_SUITE_P(Corpora, SummaryPipeline,
                         ::testing::Combine(::testing::ValuesIn(kCorpora), ::testing::Values(2, 8)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    std::to_string(std::get<1>(info.param)) + "_workers";
                         });

// The corpora do reach what they are meant to: the serial run's console.
TEST(SummaryPipelineCorpora, ReachTheWarningTheNoticeAndTheEnds) {
    ScratchFolder scratch;
    const struct {
        Corpus corpus;
        std::string expected;
    } checks[] = {{kCorpora[1], "Warning: Reached maximum number of sweeps (30) in SVD routine"},
                  {kCorpora[1], " No calibration in "},
                  {kCorpora[2], " Cannot open calibration file "},
                  {kCorpora[3], " fitorder 4 is not implemented in ReadCALfile"}};
    for (const auto& check : checks) {
        const fs::path folder = scratch.path / check.corpus.name;
        if (!fs::exists(folder)) check.corpus.write(folder);
        const RunResult serial = RunWithWorkers(scratch.path, folder, 1);
        EXPECT_NE(serial.console.find(check.expected), std::string::npos) << check.corpus.name;
    }
    // The warning names no file; standard error does, the same for any
    // number of workers (GivesTheBytesOfTheSingleThreadedRun).
    const fs::path folder = scratch.path / kCorpora[1].name;
    EXPECT_EQ(RunWithWorkers(scratch.path, folder, 1).errors,
              (folder / CalFileName(InfiniteCoefficientFile())).string() +
                  ": the inverse fit's SVD reached its sweep limit\n");
}

}  // namespace

#endif  // _WIN32

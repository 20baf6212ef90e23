// Helpers of the end-to-end tests: scratch folders, CAL files, and runs of the
// built program with a given standard input.
#ifndef TESTS_E2E_PROGRAM_RUN_H
#define TESTS_E2E_PROGRAM_RUN_H

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/cal_samples.h"
#include "tests/support/scratch_folder.h"
#include "tools/cal_text.h"

// The separator the program puts between a folder and a name.
#ifdef _WIN32
const std::string kSeparator = "\\";
#else
const std::string kSeparator = "/";
#endif

// Given text with line feeds, returns it as the program's standard output
// carries it: in text mode, which on Windows writes every line feed as
// carriage return and line feed.
std::string ConsoleText(std::string_view text);

// A calibration of the given camera and order whose values fit every column
// and are easy to find in the tables: two stars, coefficients for all ten terms
// (the file carries those the order uses).
CalibrationSample SampleCalibration(int camera, int fit_order);

// Console texts every run prints, with line feeds.
inline const std::string kBanner =
    "\n\n=========================================================\n"
    "  Calibration File Summary   1.61    \n"
    "=========================================================\n\n";
inline const std::string kClosing = "\n Done with processing \n";
// The cancel message and the closing prompt whose key wait keeps it readable.
inline const std::string kCancel =
    " ERROR getting CAL files folder pathname \n"
    "\n Enter CR to exit program \n";

struct ProgramRun {
    int exit_status = -1;
    std::string out;
    std::string err;
};

// Runs the program in work_folder with standard input from input_text, its
// standard output and standard error captured apart. A shell_prefix (POSIX
// shell commands and a ";", such as "ulimit -f 64;") runs before it in the
// same shell; Linux only.
ProgramRun RunProgram(const std::filesystem::path& work_folder, const std::string& input_text,
                      const std::string& shell_prefix = "");

// RunProgram for any program, given its path and its arguments as the
// command shell is to see them. Given an output_device (such as /dev/full),
// standard output goes there instead and out stays empty.
ProgramRun RunTool(const std::string& program, const std::string& arguments,
                   const std::filesystem::path& work_folder, const std::string& input_text,
                   const std::filesystem::path& output_device = {}, const std::string& shell_prefix = "");

#endif  // TESTS_E2E_PROGRAM_RUN_H

// Helpers of the end-to-end tests: scratch folders, CAL files, and runs of the
// built program with a given standard input.
#ifndef TESTS_E2E_PROGRAM_RUN_H
#define TESTS_E2E_PROGRAM_RUN_H

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/scratch_folder.h"

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

// Everything one CAL file says that the tables print, plus its polynomial.
struct CalFileContent {
    int camera = 0;
    int month = 12, day = 14, year = 2013;
    int hour = 3, minute = 15, second = 2, millisecond = 250;
    double ra_deg = 0, dec_deg = 0, azim_deg = 0, elev_deg = 0;
    double arcmin_per_pixel = 2.5, cam_tilt_deg = 0;
    double x_center = 360, y_center = 288;
    int fit_order = 1;
    double xcoef[10] = {};
    double ycoef[10] = {};
    double oc_mean = 0, oc_sigma = 0;
    double magfit_slope = 0, magfit_icept = 0, fluxfit_slope = 0, fluxfit_icept = 0;
    // Columns 1 to 12 of each star row.
    std::vector<std::vector<double>> stars;
    bool crlf = false;
};

// Text of a CAL file in the layout the reader takes.
std::string CalText(const CalFileContent& content);

// A calibration of the given camera and order whose values fit every column
// and are easy to find in the tables: two stars, coefficients for all ten terms
// (the file carries those the order uses).
CalFileContent SampleCalibration(int camera, int fit_order);

// Console texts every run prints, with line feeds.
inline const std::string kBanner =
    "\n\n=========================================================\n"
    "  Calibration File Summary   1.61    \n"
    "=========================================================\n\n";
inline const std::string kClosing = "\n Done with processing \n";
inline const std::string kCancel = " ERROR getting CAL files folder pathname \n";

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

void WriteFile(const std::filesystem::path& path, const std::string& text);
std::string ReadFile(const std::filesystem::path& path);

#endif  // TESTS_E2E_PROGRAM_RUN_H

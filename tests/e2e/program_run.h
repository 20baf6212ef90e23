// Helpers of the end-to-end tests: scratch folders, CAL files, and runs of the
// built program with a given standard input.
#ifndef TESTS_E2E_PROGRAM_RUN_H
#define TESTS_E2E_PROGRAM_RUN_H

#include <filesystem>
#include <string>
#include <vector>

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

// A fresh scratch folder under the system's temporary folder; removed with
// everything in it when the object goes.
struct ScratchFolder {
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path path;
};

struct ProgramRun {
    int exit_status = -1;
    std::string out;
    std::string err;
};

// Runs the program in work_folder with standard input from input_text.
ProgramRun RunProgram(const std::filesystem::path& work_folder, const std::string& input_text);

void WriteFile(const std::filesystem::path& path, const std::string& text);
std::string ReadFile(const std::filesystem::path& path);

#endif  // TESTS_E2E_PROGRAM_RUN_H

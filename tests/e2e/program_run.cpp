#include "program_run.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

void AppendF(std::string& text, const char* format, double value) {
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, value);
    text += buffer;
}

}  // namespace

std::string CalText(const CalFileContent& c) {
    static const char* const kTermNames[10] = {"1", "x", "y", "xx", "xy", "yy", "xxx", "xxy", "xyy", "yyy"};
    char line[512];
    std::string text;
    std::snprintf(line, sizeof line,
                  "Camera number            = %d\n"
                  "Calibration date         = %02d/%02d/%04d\n"
                  "Calibration time (UT)    = %02d:%02d:%02d.%03d\n"
                  "Longitude +west (deg)    = 77.0123\n"
                  "Latitude +north (deg)    = 39.1234\n"
                  "Height (km)              = 0.153\n"
                  "Frame size (cols x rows) = 720 x 576\n",
                  c.camera, c.month, c.day, c.year, c.hour, c.minute, c.second, c.millisecond);
    text += line;
    std::snprintf(line, sizeof line,
                  "Plate scale (arcmin/pix) = %.6f\n"
                  "Plate roll (deg)         = 1.250\n"
                  "Camera tilt (deg)        = %.6f\n"
                  "Frame rate (Hz)          = 25.0\n"
                  "Center RA (deg)          = %.6f\n"
                  "Center Dec (deg)         = %.6f\n"
                  "Center azimuth (deg)     = %.6f\n"
                  "Center elevation (deg)   = %.6f\n",
                  c.arcmin_per_pixel, c.cam_tilt_deg, c.ra_deg, c.dec_deg, c.azim_deg, c.elev_deg);
    text += line;
    std::snprintf(line, sizeof line,
                  "Center column (pixels)   = %.3f\n"
                  "Center row (pixels)      = %.3f\n"
                  "Fit order                = %02d\n",
                  c.x_center, c.y_center, c.fit_order);
    text += line;
    text +=
        "Camera description       = test camera, 12 mm lens\n"
        "Lens description         = f/1.2\n"
        "Focal length (mm)        = 12.0\n"
        "Focal ratio              = 1.2\n"
        "Pixel pitch H (um)       = 8.6\n"
        "Pixel pitch V (um)       = 8.3\n"
        "Spectral response B      = 0.45\n"
        "Spectral response V      = 0.70\n"
        "Spectral response R      = 0.72\n"
        "Spectral response I      = 0.60\n"
        "Vignetting (per degree)  = 0.0012\n"
        "Gamma                    = 1.0\n"
        "\n"
        "Plate polynomial: standard coordinates (deg) from pixel offsets\n"
        "  dx = col - center column, dy = center row - row\n"
        "  terms 1, x, y, xx, xy, yy, xxx, xxy, xyy, yyy as the fit order uses them\n"
        "\n"
        "Term       Xcoef            Ycoef\n"
        "----  ---------------  ---------------\n";
    const int terms = c.fit_order == 1 ? 3 : c.fit_order == 2 ? 6 : 10;
    for (int k = 0; k < terms; ++k) {
        std::snprintf(line, sizeof line, "%-4s %16.8e %16.8e\n", kTermNames[k], c.xcoef[k], c.ycoef[k]);
        text += line;
    }
    text += "\nAstrometric residuals\n";
    std::snprintf(line, sizeof line, "Mean O-C                 = %.3f +- %.3f arcmin\n\n", c.oc_mean,
                  c.oc_sigma);
    text += line;
    text += "Photometric fits\n";
    std::snprintf(line, sizeof line,
                  "Magnitude fit slope      = %.3f\n"
                  "Magnitude fit intercept  = %.3f\n"
                  "Flux fit against magnitude\n"
                  "Flux fit slope           = %.3f\n"
                  "Flux fit intercept       = %.3f  log10 flux at magnitude 0\n",
                  c.magfit_slope, c.magfit_icept, c.fluxfit_slope, c.fluxfit_icept);
    text += line;
    text +=
        "\n"
        " No   RA(deg)    Dec(deg)   col      row      Mv     B-V   dcol   drow  logI   bkgd  logF   O-C\n"
        " --  ---------  ---------  -------  -------  -----  ----  -----  -----  -----  ----  -----  ----\n"
        "(star table: catalogue position, plate position, magnitude, residuals)\n";
    int row_number = 1;
    for (const std::vector<double>& star : c.stars) {
        text += std::to_string(row_number++);
        for (double value : star) AppendF(text, " %.6f", value);
        text += '\n';
    }
    if (!c.crlf) return text;
    std::string crlf_text;
    for (char ch : text) {
        if (ch == '\n') crlf_text += '\r';
        crlf_text += ch;
    }
    return crlf_text;
}

std::string ConsoleText(std::string_view text) {
#ifdef _WIN32
    std::string console;
    for (char c : text) {
        if (c == '\n') console += '\r';
        console += c;
    }
    return console;
#else
    return std::string(text);
#endif
}

void WriteFile(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

namespace {

// RedirectedCommand: the command line for the platform's command shell that
// runs the program in work_folder with its standard streams redirected to the
// three files. ExitStatus: the program's exit status from what std::system
// returned for it, or -1 when it did not end normally.
#ifdef _WIN32
// cmd.exe: "cd /d" also changes the drive. The program's path is made
// absolute first, as the command changes the working folder before it.
std::string RedirectedCommand(const std::filesystem::path& work_folder, const std::filesystem::path& input,
                              const std::filesystem::path& output, const std::filesystem::path& errors,
                              const std::string&) {
    const std::string program = std::filesystem::absolute(NORV_PROGRAM).string();
    return "cd /d \"" + work_folder.string() + "\" && \"" + program + "\" < \"" + input.string() + "\" > \"" +
           output.string() + "\" 2> \"" + errors.string() + "\"";
}

int ExitStatus(int system_result) {
    return system_result;
}
#else
std::string RedirectedCommand(const std::filesystem::path& work_folder, const std::filesystem::path& input,
                              const std::filesystem::path& output, const std::filesystem::path& errors,
                              const std::string& shell_prefix) {
    return shell_prefix + "cd '" + work_folder.string() + "' && '" NORV_PROGRAM "' < '" + input.string() +
           "' > '" + output.string() + "' 2> '" + errors.string() + "'";
}

int ExitStatus(int system_result) {
    return system_result != -1 && WIFEXITED(system_result) ? WEXITSTATUS(system_result) : -1;
}
#endif

}  // namespace

ProgramRun RunProgram(const std::filesystem::path& work_folder, const std::string& input_text,
                      const std::string& shell_prefix) {
    const std::filesystem::path input = work_folder / "stdin.txt";
    const std::filesystem::path output = work_folder / "stdout.txt";
    const std::filesystem::path errors = work_folder / "stderr.txt";
    WriteFile(input, input_text);
    ProgramRun run;
    run.exit_status =
        ExitStatus(std::system(RedirectedCommand(work_folder, input, output, errors, shell_prefix).c_str()));
    run.out = ReadFile(output);
    run.err = ReadFile(errors);
    return run;
}

CalFileContent SampleCalibration(int camera, int fit_order) {
    CalFileContent c;
    c.camera = camera;
    c.ra_deg = 123.456;
    c.dec_deg = -5.5;
    c.azim_deg = 270;
    c.elev_deg = 45.25;
    c.arcmin_per_pixel = 2.5;
    c.cam_tilt_deg = -1.125;
    c.fit_order = fit_order;
    const double x[10] = {-0.0123, 0.0416, 0.0011, 2e-7, -3e-7, 4e-7, 1e-9, -2e-9, 3e-9, -4e-9};
    const double y[10] = {0.0211, -0.0012, 0.0417, 5e-7, 6e-7, -7e-7, 2e-9, 3e-9, -1e-9, 5e-9};
    for (int k = 0; k < 10; ++k) {
        c.xcoef[k] = x[k];
        c.ycoef[k] = y[k];
    }
    c.oc_mean = 0.412;
    c.oc_sigma = 0.187;
    c.magfit_slope = -2.512;
    c.magfit_icept = 12.346;
    c.fluxfit_slope = -0.401;
    c.fluxfit_icept = 8.123;
    c.stars = {{201.29824, -11.16132, 412.5, 233.25, 0.98, -0.23, 0.1, -0.2, 3.512, 20, 4.0, 0.25},
               {187.0, -3.5, 100, 500, 4.25, 1.1, 0.3, 0.4, 2.125, 18, 2.5, 1.375}};
    return c;
}

#include "program_run.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <cstdlib>

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

namespace {

// RedirectedCommand: the command line for the platform's command shell that
// runs the program in work_folder with its standard streams redirected to the
// three files. ExitStatus: the program's exit status from what std::system
// returned for it, or -1 when it did not end normally.
#ifdef _WIN32
// cmd.exe: "cd /d" also changes the drive. The program's path is made
// absolute first, as the command changes the working folder before it.
std::string RedirectedCommand(const std::string& program_path, const std::string& arguments,
                              const std::filesystem::path& work_folder, const std::filesystem::path& input,
                              const std::filesystem::path& output, const std::filesystem::path& errors,
                              const std::string&) {
    const std::string program = std::filesystem::absolute(program_path).string();
    return "cd /d \"" + work_folder.string() + "\" && \"" + program + "\" " + arguments + " < \"" +
           input.string() + "\" > \"" + output.string() + "\" 2> \"" + errors.string() + "\"";
}

int ExitStatus(int system_result) {
    return system_result;
}
#else
std::string RedirectedCommand(const std::string& program, const std::string& arguments,
                              const std::filesystem::path& work_folder, const std::filesystem::path& input,
                              const std::filesystem::path& output, const std::filesystem::path& errors,
                              const std::string& shell_prefix) {
    return shell_prefix + "cd '" + work_folder.string() + "' && '" + program + "' " + arguments + " < '" +
           input.string() + "' > '" + output.string() + "' 2> '" + errors.string() + "'";
}

int ExitStatus(int system_result) {
    return system_result != -1 && WIFEXITED(system_result) ? WEXITSTATUS(system_result) : -1;
}
#endif

}  // namespace

ProgramRun RunProgram(const std::filesystem::path& work_folder, const std::string& input_text,
                      const std::string& shell_prefix) {
    return RunTool(NORV_PROGRAM, "", work_folder, input_text, {}, shell_prefix);
}

ProgramRun RunTool(const std::string& program, const std::string& arguments,
                   const std::filesystem::path& work_folder, const std::string& input_text,
                   const std::filesystem::path& output_device, const std::string& shell_prefix) {
    const std::filesystem::path input = work_folder / "stdin.txt";
    const std::filesystem::path output = output_device.empty() ? work_folder / "stdout.txt" : output_device;
    const std::filesystem::path errors = work_folder / "stderr.txt";
    WriteFile(input, input_text);
    ProgramRun run;
    run.exit_status = ExitStatus(std::system(
        RedirectedCommand(program, arguments, work_folder, input, output, errors, shell_prefix).c_str()));
    if (output_device.empty()) run.out = ReadFile(output);
    run.err = ReadFile(errors);
    return run;
}

CalibrationSample SampleCalibration(int camera, int fit_order) {
    CalibrationSample c = BaseSample(camera);
    SetPointing(c, {123.456, -5.5, 270, 45.25, 2.5, -1.125});
    SetPolynomial(c, fit_order, {-0.0123, 0.0416, 0.0011, 2e-7, -3e-7, 4e-7, 1e-9, -2e-9, 3e-9, -4e-9},
                  {0.0211, -0.0012, 0.0417, 5e-7, 6e-7, -7e-7, 2e-9, 3e-9, -1e-9, 5e-9});
    SetFits(c, {0.412, 0.187, -2.512, 12.346, -0.401, 8.123});
    c.stars = {
        StarOfColumns({201.29824, -11.16132, 412.5, 233.25, 0.98, -0.23, 0.1, -0.2, 3.512, 20, 4.0, 0.25}),
        StarOfColumns({187.0, -3.5, 100, 500, 4.25, 1.1, 0.3, 0.4, 2.125, 18, 2.5, 1.375})};
    return c;
}

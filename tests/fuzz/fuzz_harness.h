// Support shared by the fuzz targets and their corpus replay programs.
//
// In these builds EndProcess does not end the process: it flushes standard
// output and throws ProcessEndRequest, which RunUntilProcessEnd catches. A
// thrown end unwinds the calibration model's frames, so its files are closed
// and its buffers freed exactly as on a normal return, and the next input
// starts from a clean process.
#ifndef TESTS_FUZZ_FUZZ_HARNESS_H
#define TESTS_FUZZ_FUZZ_HARNESS_H

#include <cstddef>
#include <cstdio>
#include <cstdlib>

// What the harness's EndProcess throws: the status the process would have
// ended with.
struct ProcessEndRequest {
    int status;
};

// Runs action() and returns true when it ended the process through
// EndProcess, storing that status in ended_status; false when it returned.
template <typename Action>
bool RunUntilProcessEnd(Action action, int& ended_status) {
    try {
        action();
    } catch (const ProcessEndRequest& request) {
        ended_status = request.status;
        return true;
    }
    return false;
}

// Points standard input at an empty source, so every wait for the operator
// returns at once, and sends standard output (the program's messages) to
// /dev/null so that millions of inputs do not flood the log. Safe to call
// more than once.
void SilenceConsole();

// Writes size bytes from data as the whole file at path; a file that cannot
// be written fails the run as a broken check does.
void WriteWholeFile(const char* path, const void* data, std::size_t size);

// Ends the run with a report on standard error: an invariant a target checks
// does not hold for the current input. abort() makes libFuzzer keep the
// input as a crash and makes the replay test fail.
[[noreturn]] void FuzzCheckFailed(const char* what);

#define FUZZ_CHECK(condition)                          \
    do {                                               \
        if (!(condition)) FuzzCheckFailed(#condition); \
    } while (0)

#endif  // TESTS_FUZZ_FUZZ_HARNESS_H

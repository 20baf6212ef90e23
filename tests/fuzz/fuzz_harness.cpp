#include "tests/fuzz/fuzz_harness.h"

#include <cstdio>
#include <cstdlib>

#include "calib/process_end.h"

// EndProcess for the fuzz builds: flushes standard output like the real one,
// then hands the status back to the harness instead of ending the process.
void EndProcess(int status) {
    std::fflush(stdout);
    throw ProcessEndRequest{status};
}

void SilenceConsole() {
    static bool silenced = false;
    if (silenced) return;
    silenced = true;
    if (std::freopen("/dev/null", "r", stdin) == nullptr) FuzzCheckFailed("stdin from /dev/null");
    if (std::freopen("/dev/null", "w", stdout) == nullptr) FuzzCheckFailed("stdout to /dev/null");
}

void WriteWholeFile(const char* path, const void* data, std::size_t size) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) FuzzCheckFailed("scratch CAL file can be written");
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) FuzzCheckFailed("scratch CAL file written whole");
}

void FuzzCheckFailed(const char* what) {
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

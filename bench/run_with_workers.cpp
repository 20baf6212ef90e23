// norv_run_with_workers: the summary program with a chosen number of worker
// threads, for the scaling table of bench/run.sh. The program itself uses
// one worker per processor and takes no arguments; this tool is the same run
// with the count given.
//
//   norv_run_with_workers WORKERS   (the folder and the answers on standard input)
#include <charconv>
#include <cstdio>
#include <cstring>

#include "app/summary_program.h"

int main(int argc, char** argv) {
    int workers = 0;
    if (argc != 2 || std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), workers).ec != std::errc() ||
        workers < 1 || workers > 256) {
        std::fprintf(stderr, "usage: norv_run_with_workers WORKERS (1 to 256)\n");
        return 2;
    }
    RunSummaryProgram(workers);
}

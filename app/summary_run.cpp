// Norv_CalSummary: summarizes a folder of camera calibration (CAL) files into
// two fixed-width tables per camera in the folder's Summary sub-folder.
// The process ends with exit status 1 on every path, the normal end included.
#include <thread>

#include "app/summary_program.h"

int main() {
    // One worker thread per processor of the machine: the program reads no
    // arguments and no settings, it uses what the machine has.
    const unsigned processors = std::thread::hardware_concurrency();
    RunSummaryProgram(processors == 0 ? 1 : static_cast<int>(processors));
}

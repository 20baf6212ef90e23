#include "calib/process_end.h"

#include <cstdio>
#include <cstdlib>

namespace {
void (*g_end_action)() = nullptr;
}  // namespace

void SetProcessEndAction(void (*action)()) {
    g_end_action = action;
}

void EndProcess(int status) {
    // Taken first, so that an action that itself ends the process cannot run twice.
    void (*const action)() = g_end_action;
    g_end_action = nullptr;
    if (action != nullptr) action();
    std::fflush(stdout);
    std::exit(status);
}

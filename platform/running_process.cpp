#include "platform/running_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <sys/types.h>

#include <cerrno>
#include <limits>
#endif

#ifdef _WIN32
bool ProcessIsRunning(long number) {
    // long is 32 bits here: every positive number is a possible process number.
    if (number <= 0) return false;
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(number));
    // No process of that number: the system takes the number for a bad argument.
    if (process == nullptr) return GetLastError() != ERROR_INVALID_PARAMETER;
    // A process that has ended stays openable while anyone holds a handle
    // to it; its exit code then tells.
    DWORD exit_code = 0;
    const bool ended = GetExitCodeProcess(process, &exit_code) != 0 && exit_code != STILL_ACTIVE;
    CloseHandle(process);
    return !ended;
}
#else
bool ProcessIsRunning(long number) {
    // kill() takes zero and negative numbers for process groups: never ask
    // with those.
    if (number <= 0 || number > std::numeric_limits<pid_t>::max()) return false;
    // Signal 0 is only the check: it reaches no process. Not being allowed
    // to signal the process still says that it exists.
    if (kill(static_cast<pid_t>(number), 0) == 0) return true;
    return errno != ESRCH;
}
#endif

// Whether a process of a given number runs on this machine: the test for
// whether a file named after a process may still be in that process's use.
#ifndef PLATFORM_RUNNING_PROCESS_H
#define PLATFORM_RUNNING_PROCESS_H

// ProcessIsRunning
// Given a process number, returns whether a process of that number exists on
// this machine (one that has ended but not yet been waited for counts as
// existing on POSIX systems). A number no process can have (zero, negative,
// or beyond the system's range) gives false; when the system cannot tell,
// the answer is true, so that nothing is taken from a process that may still
// be there. Never ends the process.
bool ProcessIsRunning(long number);

#endif  // PLATFORM_RUNNING_PROCESS_H

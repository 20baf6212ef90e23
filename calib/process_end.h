// EndProcess: the single way the calibration model ends the process.
// Every fatal path goes through it, so a build that must survive those paths
// (a fuzzing harness) can link its own definition instead of this one.
#ifndef CALIB_PROCESS_END_H
#define CALIB_PROCESS_END_H

// Given an exit status, flushes standard output and ends the process with it.
[[noreturn]] void EndProcess(int status);

#endif  // CALIB_PROCESS_END_H

// EndProcess: the single way the calibration model ends the process.
// Every fatal path goes through it, so a build that must survive those paths
// (a fuzzing harness) can link its own definition instead of this one.
#ifndef CALIB_PROCESS_END_H
#define CALIB_PROCESS_END_H

// Given an exit status, runs the action set by SetProcessEndAction (once),
// flushes standard output and ends the process with the status.
[[noreturn]] void EndProcess(int status);

// Given a function (or null), makes it the one EndProcess runs before the
// process ends: the run puts the tables it is writing in place there, so a
// failure met anywhere (a calibration file that cannot be read, say) still
// leaves them as far as they were written. Never ends the process.
void SetProcessEndAction(void (*action)());

#endif  // CALIB_PROCESS_END_H

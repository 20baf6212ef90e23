// Work spread over a few threads: the cameras of a report are independent.
#ifndef COMMON_PARALLEL_FOR_H
#define COMMON_PARALLEL_FOR_H

#include <functional>

// Threads a report's per-camera work uses at most: reading is bounded by the
// disk and memory bandwidth well before this.
constexpr int kMaxWorkerThreads = 8;

// Given a count and a task, runs task(0) .. task(count - 1), each once, on up
// to kMaxWorkerThreads threads (at least one; no more than the hardware
// has), and returns when all are done. Tasks must not touch each other's
// data. When a task throws, no further task starts and the first exception
// is thrown again here once every thread has stopped (a thread that let it
// escape would end the process).
void ParallelFor(int count, const std::function<void(int)>& task);

#endif  // COMMON_PARALLEL_FOR_H

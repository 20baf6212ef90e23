// Work spread over a few threads: the cameras of a report are independent.
#ifndef HEALTH_PARALLEL_FOR_H
#define HEALTH_PARALLEL_FOR_H

#include <functional>

// Given a count and a task, runs task(0) .. task(count - 1), each once, on up
// to max_threads threads (at least one; no more than the hardware has), and
// returns when all are done. Tasks must not touch each other's data.
void ParallelFor(int count, int max_threads, const std::function<void(int)>& task);

#endif  // HEALTH_PARALLEL_FOR_H

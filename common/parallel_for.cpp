#include "common/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

void ParallelFor(int count, const std::function<void(int)>& task) {
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::max(1, std::min({kMaxWorkerThreads, hardware, count}));
    std::atomic<int> next{0};
    std::exception_ptr failure;
    std::mutex failure_mutex;
    const auto work = [&]() {
        try {
            for (int i = next++; i < count; i = next++) task(i);
        } catch (...) {
            // No more tasks start; the first failure is passed on once all
            // threads are done.
            next = count;
            const std::lock_guard<std::mutex> lock(failure_mutex);
            if (!failure) failure = std::current_exception();
        }
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
    if (failure) std::rethrow_exception(failure);
}

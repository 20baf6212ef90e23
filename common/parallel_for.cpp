#include "common/parallel_for.h"

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

void ParallelFor(int count, const std::function<void(int)>& task) {
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int threads = std::max(1, std::min({kMaxWorkerThreads, hardware, count}));
    std::atomic<int> next{0};
    const auto work = [&]() {
        for (int i = next++; i < count; i = next++) task(i);
    };
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers) helper.join();
}

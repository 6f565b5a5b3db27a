#include "base/worker_threads.h"

#include <algorithm>
#include <sched.h>
#include <system_error>
#include <thread>
#include <vector>

unsigned ProcessorCount() {
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0)
        return unsigned(std::max(CPU_COUNT(&set), 1));
    return std::max(std::thread::hardware_concurrency(), 1u);
}

void RunOnThreads(std::size_t threadCount, const std::function<void()>& work) {
    std::vector<std::jthread> helpers;
    for (std::size_t i = 1; i < threadCount; ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer threads then
        }
    }
    work();
}

// Running one piece of work on several threads at once, for the image code that uses every
// processor.
#pragma once

#include <cstddef>
#include <functional>

// The processors this process may run on (at least 1).
unsigned ProcessorCount();

// Runs `work` on `threadCount` threads, the calling one included, and returns when every one
// has finished. When the system refuses a thread, fewer run; `work` must share out what is to
// be done among whoever calls it (a shared counter of the next item, say).
void RunOnThreads(std::size_t threadCount, const std::function<void()>& work);

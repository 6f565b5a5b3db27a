// Sharing the rows of a heavy transform among the processors. Every row is computed the
// same way whichever thread computes it, so the results do not depend on the thread count.
#pragma once

#include <atomic>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// How many threads the heavy transforms use. 0 (the default) lets each transform choose by
// the size of its work: every processor for large images, one thread for small ones. Any
// other number is used as it is, whatever the size (tests compare one thread with several).
void SetTransformThreads(unsigned count);
unsigned TransformThreads();

// The threads for `rowCount` rows of about `bytesPerRow` bytes of work each: 1 when the
// work is too small to gain from more, never more than the rows.
unsigned RowThreads(int rowCount, std::size_t bytesPerRow);

// Calls work(first, end) for ranges of rows that together cover [0, rowCount) once each,
// in no particular order, on RowThreads(rowCount, bytesPerRow) threads. The rows are cut
// into `bandsPerThread` bands per thread, taken by whichever thread is free next: more
// bands share the work more evenly when other programs keep a processor busy, fewer suit
// work that repeats something at each band's edges. The first exception thrown by `work`
// is rethrown here, after every thread has stopped.
void ForEachRowBand(int rowCount, std::size_t bytesPerRow,
                    const std::function<void(int first, int end)>& work, int bandsPerThread = 4);

// The first exception thrown on any of several threads working together: the others see
// Stopped() and end early, and the thread that started them rethrows it once all have ended.
class TFirstError {
public:
    // Runs work(), keeping what it throws unless another thread threw first.
    void Catch(const std::function<void()>& work);
    bool Stopped() const { return Stopped_.load(std::memory_order_relaxed); }
    // Rethrows the exception kept, if any.
    void Rethrow() const;

private:
    std::atomic<bool> Stopped_{false};
    std::mutex Lock_;
    std::exception_ptr Error_;
};

// Counts the rows finished on every thread, and passes the count on to `report` only on the
// thread that made it: progress reaches the user from the thread that started the work.
class TRowsDone {
public:
    explicit TRowsDone(std::function<void(int rows)> report);
    void Add(int rows = 1);

private:
    std::function<void(int)> Report_;
    std::thread::id Owner_;
    std::atomic<int> Done_{0};
};

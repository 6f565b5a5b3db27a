#include "imaging/parallel_rows.h"

#include "base/worker_threads.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <exception>
#include <mutex>

namespace {

std::atomic<unsigned> ChosenThreads{0};

// Starting a thread and handing it a band costs some tens of microseconds: a thread is worth
// it only for about a quarter of a megabyte of pixels or more.
constexpr std::size_t BytesPerThread = std::size_t(256) << 10;

} // namespace

void SetTransformThreads(unsigned count) {
    ChosenThreads.store(count, std::memory_order_relaxed);
}

unsigned TransformThreads() {
    return ChosenThreads.load(std::memory_order_relaxed);
}

unsigned RowThreads(int rowCount, std::size_t bytesPerRow) {
    if (rowCount <= 1)
        return 1;
    std::size_t threads = TransformThreads();
    if (threads == 0) {
        const std::size_t total = std::size_t(rowCount) * bytesPerRow;
        threads = std::min<std::size_t>(ProcessorCount(), total / BytesPerThread);
    }
    return unsigned(std::clamp<std::size_t>(threads, 1, std::size_t(rowCount)));
}

void ForEachRowBand(int rowCount, std::size_t bytesPerRow,
                    const std::function<void(int first, int end)>& work, int bandsPerThread) {
    if (rowCount <= 0)
        return;
    const unsigned threads = RowThreads(rowCount, bytesPerRow);
    if (threads == 1) {
        work(0, rowCount);
        return;
    }
    const int bands = std::min(rowCount, int(threads) * std::max(bandsPerThread, 1));
    std::atomic<int> nextBand{0};
    TFirstError error;
    RunOnThreads(threads, [&] {
        error.Catch([&] {
            for (int band; !error.Stopped() && (band = nextBand++) < bands;)
                work(int(int64_t(rowCount) * band / bands),
                     int(int64_t(rowCount) * (band + 1) / bands));
        });
    });
    error.Rethrow();
}

void TFirstError::Catch(const std::function<void()>& work) {
    try {
        work();
    } catch (...) {
        std::lock_guard guard(Lock_);
        if (!Error_)
            Error_ = std::current_exception();
        Stopped_ = true;
    }
}

void TFirstError::Rethrow() const {
    if (Error_)
        std::rethrow_exception(Error_);
}

TRowsDone::TRowsDone(std::function<void(int rows)> report)
    : Report_(std::move(report)), Owner_(std::this_thread::get_id()) {}

void TRowsDone::Add(int rows) {
    const int done = Done_.fetch_add(rows, std::memory_order_relaxed) + rows;
    if (Report_ && std::this_thread::get_id() == Owner_)
        Report_(done);
}

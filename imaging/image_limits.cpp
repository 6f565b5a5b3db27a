#include "imaging/image_limits.h"

#include "imaging/dib_graphic.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr std::size_t MiB = std::size_t(1) << 20;
constexpr std::size_t LargestBudget = std::size_t(4) << 30;

std::atomic<std::size_t> Budget{0}; // 0 until first asked: the default
std::atomic<std::size_t> InUse{0};

std::string MiBText(std::size_t bytes) {
    return std::to_string(bytes / MiB + (bytes % MiB != 0)) + " MiB";
}

// The memory the process may use: the machine's, or less when its control group says so.
std::size_t UsableMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES), pageSize = ::sysconf(_SC_PAGESIZE);
    std::size_t usable =
        pages > 0 && pageSize > 0 ? std::size_t(pages) * std::size_t(pageSize) : LargestBudget * 2;
    std::ifstream limitFile("/sys/fs/cgroup/memory.max"); // "max" when there is no limit
    unsigned long long limit = 0;
    if (limitFile >> limit && limit > 0)
        usable = std::min<std::size_t>(usable, std::size_t(limit));
    return usable;
}

[[noreturn]] void ThrowOverBudget(std::size_t bytes, const std::string& what, std::size_t used,
                                  std::size_t budget) {
    throw EImageError("Not enough working memory for " + what + ": it needs " + MiBText(bytes) +
                      ", and " + MiBText(used) + " of the budget of " + MiBText(budget) +
                      " are in use");
}

bool Fits(std::size_t bytes, std::size_t used, std::size_t budget) {
    return used <= budget && bytes <= budget - used;
}

} // namespace

void CheckImagePixels(int width, int height) {
    const int64_t pixels = int64_t(std::max(width, 0)) * int64_t(std::max(height, 0));
    if (pixels <= MaxImagePixels)
        return;
    throw EImageError("Image size " + std::to_string(width) + "x" + std::to_string(height) + " (" +
                      std::to_string(pixels / 1'000'000) + " megapixels) is over the limit of " +
                      std::to_string(MaxImagePixels / 1'000'000) + " megapixels");
}

std::size_t DefaultWorkingMemoryBudget() {
    static const std::size_t budget = std::min(LargestBudget, UsableMemory() / 2);
    return budget;
}

std::size_t WorkingMemoryBudget() {
    const std::size_t budget = Budget.load(std::memory_order_relaxed);
    return budget ? budget : DefaultWorkingMemoryBudget();
}

void SetWorkingMemoryBudget(std::size_t bytes) {
    Budget.store(bytes, std::memory_order_relaxed);
}

std::size_t WorkingMemoryInUse() {
    return InUse.load(std::memory_order_relaxed);
}

void ChargeWorkingMemory(std::size_t bytes, const std::string& what) {
    const std::size_t budget = WorkingMemoryBudget();
    std::size_t used = InUse.load(std::memory_order_relaxed);
    do {
        if (!Fits(bytes, used, budget))
            ThrowOverBudget(bytes, what, used, budget);
    } while (!InUse.compare_exchange_weak(used, used + bytes, std::memory_order_relaxed));
}

void CheckWorkingMemory(std::size_t bytes, const std::function<std::string()>& what) {
    const std::size_t budget = WorkingMemoryBudget();
    const std::size_t used = InUse.load(std::memory_order_relaxed);
    if (!Fits(bytes, used, budget))
        ThrowOverBudget(bytes, what(), used, budget);
}

void ReleaseWorkingMemory(std::size_t bytes) {
    InUse.fetch_sub(bytes, std::memory_order_relaxed);
}

void ThrowOutOfMemory(std::size_t bytes) {
    throw EImageError("Out of memory: the system could not give " + MiBText(bytes) +
                      " for image data");
}

TMemoryReservation::TMemoryReservation(std::size_t bytes, const std::string& what) {
    ChargeWorkingMemory(bytes, what);
    Bytes_ = bytes;
}

TMemoryReservation& TMemoryReservation::operator=(TMemoryReservation&& other) noexcept {
    if (this != &other) {
        ReleaseWorkingMemory(Bytes_);
        Bytes_ = other.Bytes_;
        other.Bytes_ = 0;
    }
    return *this;
}

void* MapLargeBlock(std::size_t bytes) noexcept {
    constexpr std::size_t HugePageBytes = std::size_t(2) << 20;
    const std::size_t length = (bytes + HugePageBytes - 1) / HugePageBytes * HugePageBytes;
    // One huge page more than needed, to start the block at a huge page's boundary.
    void* mapped = ::mmap(nullptr, length + HugePageBytes, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t block = (start + HugePageBytes - 1) / HugePageBytes * HugePageBytes;
    if (block > start)
        ::munmap(mapped, block - start);
    if (const std::size_t tail = start + HugePageBytes - block)
        ::munmap(reinterpret_cast<void*>(block + length), tail);
    void* const pointer = reinterpret_cast<void*>(block);
    // Advice only: where the kernel declines, the pages come one by one at the first write.
    ::madvise(pointer, length, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    ::madvise(pointer, length, MADV_POPULATE_WRITE);
#endif
    return pointer;
}

void UnmapLargeBlock(void* block, std::size_t bytes) noexcept {
    constexpr std::size_t HugePageBytes = std::size_t(2) << 20;
    ::munmap(block, (bytes + HugePageBytes - 1) / HugePageBytes * HugePageBytes);
}

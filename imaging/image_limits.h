// How large an image may be and how much memory the images of one process may take at once.
//
// Every raster is refused beyond MaxImagePixels. The memory held for images at any moment (the
// pixels of every raster, an image file being read, the work buffers of decoders and
// transforms) stays within the working-memory budget: an allocation that would pass it is
// refused with EImageError naming the sizes, before anything is allocated. A command line
// command is one process, so the budget bounds each command; in the window it bounds
// everything the program holds for images together.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

// 300 million pixels (for example 20000 x 15000): a true-colour raster of 900 MB.
inline constexpr int64_t MaxImagePixels = 300'000'000;

// Throws EImageError "Image size 22000x22000 (484 megapixels) is over the limit of 300
// megapixels" for an image with more pixels than MaxImagePixels.
void CheckImagePixels(int width, int height);

// The budget: half of the machine's memory (or of the memory its control group may use),
// at most 4 GiB.
std::size_t DefaultWorkingMemoryBudget();
std::size_t WorkingMemoryBudget();
// Replaces the budget (tests set a small one); 0 brings back the default.
void SetWorkingMemoryBudget(std::size_t bytes);
// Bytes charged to the budget now.
std::size_t WorkingMemoryInUse();

// Charges `bytes` to the budget, or throws EImageError "Not enough working memory for
// `what`: it needs N MiB, and M MiB of the budget of B MiB are in use" and charges nothing.
void ChargeWorkingMemory(std::size_t bytes, const std::string& what);
void ReleaseWorkingMemory(std::size_t bytes);
// Throws the same error when `bytes` more would not fit now, and charges nothing; `what`
// is asked for the text only then.
void CheckWorkingMemory(std::size_t bytes, const std::function<std::string()>& what);
// Throws EImageError "Out of memory: the system could not give N MiB for image data".
[[noreturn]] void ThrowOutOfMemory(std::size_t bytes);

// Memory charged to the budget for as long as the object lives, for memory the imaging
// layer does not allocate itself (a picture converted for the screen).
class TMemoryReservation {
public:
    TMemoryReservation() = default;
    TMemoryReservation(std::size_t bytes, const std::string& what);
    ~TMemoryReservation() { ReleaseWorkingMemory(Bytes_); }
    TMemoryReservation(TMemoryReservation&& other) noexcept : Bytes_(other.Bytes_) {
        other.Bytes_ = 0;
    }
    TMemoryReservation& operator=(TMemoryReservation&& other) noexcept;
    TMemoryReservation(const TMemoryReservation&) = delete;
    TMemoryReservation& operator=(const TMemoryReservation&) = delete;

    std::size_t Bytes() const { return Bytes_; }

private:
    std::size_t Bytes_ = 0;
};

// An allocator whose memory is charged to the budget: a container that uses it refuses to
// grow past the budget with EImageError, and a system without memory left gives the same
// error instead of std::bad_alloc.
template <typename T> class TBudgetAllocator {
public:
    using value_type = T;

    TBudgetAllocator() = default;
    template <typename U> TBudgetAllocator(const TBudgetAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        const std::size_t bytes =
            count > std::size_t(-1) / sizeof(T) ? std::size_t(-1) : count * sizeof(T);
        ChargeWorkingMemory(bytes, "image data");
        try {
            return std::allocator<T>().allocate(count);
        } catch (const std::bad_alloc&) {
            ReleaseWorkingMemory(bytes);
            ThrowOutOfMemory(bytes);
        }
    }
    void deallocate(T* pointer, std::size_t count) noexcept {
        std::allocator<T>().deallocate(pointer, count);
        ReleaseWorkingMemory(count * sizeof(T));
    }

    template <typename U> bool operator==(const TBudgetAllocator<U>&) const noexcept {
        return true;
    }
};

template <typename T> using TBudgetVector = std::vector<T, TBudgetAllocator<T>>;

// Large blocks, from this size on, are mapped from the system on their own (MapLargeBlock):
// new memory the kernel hands over zeroed, on huge pages where it has them, with its pages put
// in place at once instead of faulted in one by one at the first write to each. The
// sanitizer build keeps them on the heap, where overruns are caught.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr std::size_t LargeBlockBytes = std::size_t(-1);
#else
inline constexpr std::size_t LargeBlockBytes = std::size_t(2) << 20;
#endif
// A zeroed block of `bytes` (LargeBlockBytes or more); nullptr when the system has no memory
// left. UnmapLargeBlock gives it back.
void* MapLargeBlock(std::size_t bytes) noexcept;
void UnmapLargeBlock(void* block, std::size_t bytes) noexcept;

// The budget allocator for memory that is written before it is read (rasters, the bytes of a
// file): a container's `resize(n)` and `vector(n)` leave the new elements as the memory holds
// them (`vector(n, value)` still fills), and large blocks are mapped as above, so a new block
// of LargeBlockBytes or more is zero without anyone filling it.
template <typename T> class TRawBudgetAllocator {
public:
    using value_type = T;

    TRawBudgetAllocator() = default;
    template <typename U> TRawBudgetAllocator(const TRawBudgetAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        const std::size_t bytes =
            count > std::size_t(-1) / sizeof(T) ? std::size_t(-1) : count * sizeof(T);
        ChargeWorkingMemory(bytes, "image data");
        if (bytes >= LargeBlockBytes) {
            if (void* block = MapLargeBlock(bytes))
                return static_cast<T*>(block);
            ReleaseWorkingMemory(bytes);
            ThrowOutOfMemory(bytes);
        }
        try {
            return std::allocator<T>().allocate(count);
        } catch (const std::bad_alloc&) {
            ReleaseWorkingMemory(bytes);
            ThrowOutOfMemory(bytes);
        }
    }
    void deallocate(T* pointer, std::size_t count) noexcept {
        if (count * sizeof(T) >= LargeBlockBytes)
            UnmapLargeBlock(pointer, count * sizeof(T));
        else
            std::allocator<T>().deallocate(pointer, count);
        ReleaseWorkingMemory(count * sizeof(T));
    }

    template <typename U>
    void construct(U* pointer) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(pointer)) U;
    }
    template <typename U, typename... TArgs> void construct(U* pointer, TArgs&&... arguments) {
        ::new (static_cast<void*>(pointer)) U(std::forward<TArgs>(arguments)...);
    }

    template <typename U> bool operator==(const TRawBudgetAllocator<U>&) const noexcept {
        return true;
    }
};

template <typename T> using TRawBudgetVector = std::vector<T, TRawBudgetAllocator<T>>;

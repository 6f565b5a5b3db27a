#include "imaging/resample.h"

#include "imaging/bgr_rows_p.h"
#include "imaging/parallel_rows.h"
#include "imaging/rounding_p.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <memory>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

float Box(float x) {
    return x > -0.5f && x <= 0.5f ? 1.0f : 0.0f;
}

float Triangle(float x) {
    const float t = std::fabs(x);
    return t < 1.0f ? 1.0f - t : 0.0f;
}

float Hermite(float x) {
    const float t = std::fabs(x);
    return t < 1.0f ? (2.0f * t - 3.0f) * t * t + 1.0f : 0.0f;
}

float Bell(float x) {
    const float t = std::fabs(x);
    if (t < 0.5f)
        return 0.75f - t * t;
    if (t < 1.5f) {
        const float u = t - 1.5f;
        return 0.5f * u * u;
    }
    return 0.0f;
}

float BSpline(float x) {
    const float t = std::fabs(x);
    if (t < 1.0f)
        return 0.5f * t * t * t - t * t + 2.0f / 3.0f;
    if (t < 2.0f) {
        const float u = 2.0f - t;
        return u * u * u / 6.0f;
    }
    return 0.0f;
}

float Sinc(float x) {
    if (x == 0.0f)
        return 1.0f;
    x *= std::numbers::pi_v<float>;
    return std::sin(x) / x;
}

float Lanczos3(float x) {
    const float t = std::fabs(x);
    return t < 3.0f ? Sinc(t) * Sinc(t / 3.0f) : 0.0f;
}

// Mitchell-Netravali with B = C = 1/3.
float Mitchell(float x) {
    const float t = std::fabs(x);
    if (t < 1.0f)
        return (7.0f * t * t * t - 12.0f * t * t + 16.0f / 3.0f) / 6.0f;
    if (t < 2.0f)
        return (-7.0f / 3.0f * t * t * t + 12.0f * t * t - 20.0f * t + 32.0f / 3.0f) / 6.0f;
    return 0.0f;
}

struct TContributor {
    int Pixel;
    float Weight;
};

// The source pixels (and their weights) that make up each destination pixel along one axis,
// all lists in one array: pixel i's run from Start[i] to Start[i + 1].
struct TContributorLists {
    std::vector<int> Start;
    std::vector<TContributor> Contributors;
};

TContributorLists BuildContributors(int sourceSize, int destSize, TFilterFunction filter,
                                    float support) {
    // The ends of the two axes meet: scale (D - 1) / (S - 1). A single source pixel spreads
    // over the whole destination (D / S); a single destination pixel, where (D - 1) would be
    // 0, takes the same D / S instead of dividing by zero.
    const float scale = sourceSize == 1 || destSize == 1
                            ? float(destSize) / float(sourceSize)
                            : float(destSize - 1) / float(sourceSize - 1);
    TContributorLists lists;
    lists.Start.reserve(std::size_t(destSize) + 1);
    for (int i = 0; i < destSize; ++i) {
        lists.Start.push_back(int(lists.Contributors.size()));
        const float centre = float(i) / scale;
        // Shrinking widens the filter so that every source pixel is heard.
        const float width = scale >= 1.0f ? support : support / scale;
        const int left = int(std::floor(centre - width));
        const int right = int(std::ceil(centre + width));
        for (int j = left; j <= right; ++j) {
            const float weight = scale >= 1.0f ? filter(centre - float(j))
                                               : filter((centre - float(j)) * scale) * scale;
            if (weight == 0.0f)
                continue;
            // Beyond an edge the picture is mirrored.
            int pixel = j < 0 ? -j : (j >= sourceSize ? 2 * sourceSize - 1 - j : j);
            if (pixel < 0 || pixel >= sourceSize)
                continue;
            lists.Contributors.push_back({pixel, weight});
        }
    }
    lists.Start.push_back(int(lists.Contributors.size()));
    return lists;
}

inline uint8_t ToChannel(float sum) {
    if (sum > 255.0f)
        return 255;
    if (sum < 0.0f)
        return 0;
    return uint8_t(RoundHalfEven(sum));
}

// The blue, green and red sums of one pixel (and a fourth lane that is not used), added lane
// by lane. Each lane is the same single-precision multiply and add, in the same order, as
// three separate sums would be, so the results do not change; the lanes only let one
// instruction do the three channels.
using TPixelSums = float __attribute__((vector_size(16)));

// A row of 24-bit pixels as floats, three to a pixel, and one more float at the end, so that
// every pixel can be read as four floats.
void RowToFloats(const uint8_t* in, std::size_t count, float* out) {
    std::size_t i = 0;
#if defined(__SSE2__)
    // Sixteen bytes at a time: widened to 16 and 32 bits, then converted (exactly).
    const __m128i zero = _mm_setzero_si128();
    for (; i + 16 <= count; i += 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + i));
        const __m128i low = _mm_unpacklo_epi8(bytes, zero);
        const __m128i high = _mm_unpackhi_epi8(bytes, zero);
        _mm_storeu_ps(out + i, _mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero)));
        _mm_storeu_ps(out + i + 4, _mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero)));
        _mm_storeu_ps(out + i + 8, _mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero)));
        _mm_storeu_ps(out + i + 12, _mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero)));
    }
#endif
    for (; i < count; ++i)
        out[i] = float(in[i]);
    out[count] = 0.0f;
}

inline TPixelSums PixelAt(const float* row, int pixel) {
    TPixelSums value;
    std::memcpy(&value, row + 3 * pixel, sizeof value);
    return value;
}

template <bool Swap> inline void StorePixel(const TPixelSums& sums, uint8_t* out) {
    out[Swap ? 2 : 0] = ToChannel(sums[0]);
    out[1] = ToChannel(sums[1]);
    out[Swap ? 0 : 2] = ToChannel(sums[2]);
}

// Four pixels' sums stored as StorePixel does, limited and rounded four channels at a time
// (the processor's rounding is to nearest with halves to even).
template <bool Swap> inline void StoreFourPixels(const TPixelSums (&sums)[4], uint8_t* out) {
#if defined(__SSE2__)
    const __m128 lowest = _mm_setzero_ps(), highest = _mm_set1_ps(255.0f);
    __m128i whole[4];
    for (int i = 0; i < 4; ++i) {
        __m128 lanes = sums[i];
        if constexpr (Swap)
            lanes = _mm_shuffle_ps(lanes, lanes, _MM_SHUFFLE(3, 0, 1, 2));
        whole[i] = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(lanes, lowest), highest));
    }
    alignas(16) uint8_t bytes[16]; // blue, green, red and an unused byte, four times
    _mm_store_si128(
        reinterpret_cast<__m128i*>(bytes),
        _mm_packus_epi16(_mm_packs_epi32(whole[0], whole[1]), _mm_packs_epi32(whole[2], whole[3])));
    for (int i = 0; i < 4; ++i)
        for (int c = 0; c < 3; ++c)
            out[3 * i + c] = bytes[4 * i + c];
#else
    for (int i = 0; i < 4; ++i)
        StorePixel<Swap>(sums[i], out + 3 * i);
#endif
}

// One row stretched by the contributor lists: destination pixel x is the sum of its
// contributors' weighted pixels, taken in list order. Four destination pixels are summed side
// by side, each in its own order: the additions of one pixel wait for each other, those of
// four pixels do not.
// With `Swap`, the first and third channel trade places on the way out.
template <bool Swap>
void StretchRow(const float* row, const TContributorLists& lists, uint8_t* out, int width) {
    const TContributor* contributors = lists.Contributors.data();
    const auto sumFrom = [&](int x, int k, TPixelSums sums) {
        for (; k < lists.Start[x + 1]; ++k)
            sums += contributors[k].Weight * PixelAt(row, contributors[k].Pixel);
        return sums;
    };
    int x = 0;
    for (; x + 4 <= width; x += 4) {
        const int* start = lists.Start.data() + x;
        const int common = std::min(
            {start[1] - start[0], start[2] - start[1], start[3] - start[2], start[4] - start[3]});
        TPixelSums sums[4] = {};
        for (int k = 0; k < common; ++k)
            for (int i = 0; i < 4; ++i) {
                const TContributor& c = contributors[start[i] + k];
                sums[i] += c.Weight * PixelAt(row, c.Pixel);
            }
        for (int i = 0; i < 4; ++i)
            sums[i] = sumFrom(x + i, start[i] + common, sums[i]);
        StoreFourPixels<Swap>(sums, out + 3 * x);
    }
    for (; x < width; ++x)
        StorePixel<Swap>(sumFrom(x, lists.Start[x], TPixelSums{}), out + 3 * x);
}

// One destination row from its contributors' work rows: each byte the sum, in list order, of
// weight times the work rows' byte. Sixteen bytes at a time go through every contributor in
// registers; each lane does the very multiplications and additions, in the same order, that
// byte by byte would. The first product is the sum as it stands (0 + p is p, but for the sign
// of a zero, which makes no difference once rounded).
void CombineRows(const uint8_t* const* inputs, const float* weights, int count, uint8_t* out,
                 std::size_t bytes) {
    if (count == 0) {
        std::memset(out, 0, bytes);
        return;
    }
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const auto widen = [&](const uint8_t* in, __m128(&lanes)[4]) {
        const __m128i bytes16 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        const __m128i low = _mm_unpacklo_epi8(bytes16, zero);
        const __m128i high = _mm_unpackhi_epi8(bytes16, zero);
        lanes[0] = _mm_cvtepi32_ps(_mm_unpacklo_epi16(low, zero));
        lanes[1] = _mm_cvtepi32_ps(_mm_unpackhi_epi16(low, zero));
        lanes[2] = _mm_cvtepi32_ps(_mm_unpacklo_epi16(high, zero));
        lanes[3] = _mm_cvtepi32_ps(_mm_unpackhi_epi16(high, zero));
    };
    const __m128 lowest = _mm_setzero_ps(), highest = _mm_set1_ps(255.0f);
    for (; i + 16 <= bytes; i += 16) {
        __m128 sums[4], values[4];
        widen(inputs[0] + i, values);
        const __m128 firstWeight = _mm_set1_ps(weights[0]);
        for (int lane = 0; lane < 4; ++lane)
            sums[lane] = _mm_mul_ps(firstWeight, values[lane]);
        for (int k = 1; k < count; ++k) {
            widen(inputs[k] + i, values);
            const __m128 weight = _mm_set1_ps(weights[k]);
            for (int lane = 0; lane < 4; ++lane)
                sums[lane] = _mm_add_ps(sums[lane], _mm_mul_ps(weight, values[lane]));
        }
        // Limited to 0..255, then rounded to nearest with halves to even (the processor's
        // rounding), as ToChannel does.
        __m128i whole[4];
        for (int lane = 0; lane < 4; ++lane)
            whole[lane] = _mm_cvtps_epi32(_mm_min_ps(_mm_max_ps(sums[lane], lowest), highest));
        const __m128i packed = _mm_packus_epi16(_mm_packs_epi32(whole[0], whole[1]),
                                                _mm_packs_epi32(whole[2], whole[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), packed);
    }
#endif
    for (; i < bytes; ++i) {
        float sum = weights[0] * float(inputs[0][i]);
        for (int k = 1; k < count; ++k)
            sum += weights[k] * float(inputs[k][i]);
        out[i] = ToChannel(sum);
    }
}

} // namespace

const std::array<TResampleFilter, 7> ResampleFilters = {{
    {"Box", Box, 0.5f},
    {"Triangle", Triangle, 1.0f},
    {"Hermite", Hermite, 1.0f},
    {"Bell", Bell, 1.5f},
    {"B-Spline", BSpline, 2.0f},
    {"Lanczos3", Lanczos3, 3.0f},
    {"Mitchell", Mitchell, 2.0f},
}};

const TResampleFilter* FindResampleFilter(std::string_view name) {
    for (const auto& filter : ResampleFilters) {
        const std::string_view filterName = filter.Name;
        if (std::equal(name.begin(), name.end(), filterName.begin(), filterName.end(),
                       [](char a, char b) {
                           return std::tolower(uint8_t(a)) == std::tolower(uint8_t(b));
                       }))
            return &filter;
    }
    return nullptr;
}

namespace {

// Destination rows [first, end) of `result`. The first pass stretches source rows to the new
// width ("work rows"); the second combines work rows into each destination row. A work row is
// made when a destination row first needs it and dropped after the last one that does, so
// only the rows one destination row reaches (with its neighbours') are held at once, not the
// whole picture. Each row range holds its own work rows: ranges on different threads make the
// rows at their edges each for themselves, which gives the same bytes.
void ResampleRows(const TRowSource& source, const TContributorLists& columns,
                  const TContributorLists& rows, TDibGraphic& result, int first, int end) {
    const int sourceWidth = source.Width, sourceHeight = source.Height;
    const int width = result.Width(), height = result.Height();
    std::vector<int> firstUse(std::size_t(sourceHeight), -1),
        lastUse(std::size_t(sourceHeight), -1);
    for (int y = first; y < end; ++y)
        for (int k = rows.Start[y]; k < rows.Start[y + 1]; ++k) {
            const std::size_t row = std::size_t(rows.Contributors[k].Pixel);
            if (firstUse[row] < 0)
                firstUse[row] = y;
            lastUse[row] = y;
        }
    // The most work rows held at once: those whose first use lies at or before a destination
    // row and whose last use lies at or after it.
    std::vector<int> held(std::size_t(end - first) + 1, 0);
    for (int row = 0; row < sourceHeight; ++row)
        if (firstUse[std::size_t(row)] >= 0) {
            ++held[std::size_t(firstUse[std::size_t(row)] - first)];
            --held[std::size_t(lastUse[std::size_t(row)] - first) + 1];
        }
    std::size_t slots = 0;
    for (int y = first, count = 0; y < end; ++y)
        slots = std::max(slots, std::size_t(count += held[std::size_t(y - first)]));

    const std::size_t rowBytes = std::size_t(width) * 3;
    const std::size_t workBytes = rowBytes * slots;
    CheckWorkingMemory(workBytes, [&] {
        return "resampling " + std::to_string(sourceWidth) + "x" + std::to_string(sourceHeight) +
               " to " + std::to_string(width) + "x" + std::to_string(height) + " (" +
               std::to_string(slots) + " rows of " + std::to_string(width) +
               " pixels held at once)";
    });
    // Every slot is written before it is read: no need to clear it first.
    const TMemoryReservation workCharge(workBytes, "resampling work rows");
    std::unique_ptr<uint8_t[]> work;
    try {
        work.reset(new uint8_t[std::max<std::size_t>(workBytes, 1)]);
    } catch (const std::bad_alloc&) {
        ThrowOutOfMemory(workBytes);
    }
    std::vector<int> slotOf(std::size_t(sourceHeight), -1); // where each held row is
    std::vector<int> freeSlots(slots);
    for (std::size_t i = 0; i < slots; ++i)
        freeSlots[i] = int(slots - 1 - i);

    const std::size_t sourceRowBytes = std::size_t(sourceWidth) * 3;
    std::vector<float> sourceRow(sourceRowBytes + 1);
    std::vector<uint8_t> rowScratch(sourceRowBytes);
    auto workRow = [&](int row) -> const uint8_t* {
        int& slot = slotOf[std::size_t(row)];
        if (slot >= 0)
            return work.get() + rowBytes * std::size_t(slot);
        slot = freeSlots.back();
        freeSlots.pop_back();
        uint8_t* out = work.get() + rowBytes * std::size_t(slot);
        RowToFloats(source.Row(row, rowScratch.data()), sourceRowBytes, sourceRow.data());
        if (source.RedFirst)
            StretchRow<true>(sourceRow.data(), columns, out, width);
        else
            StretchRow<false>(sourceRow.data(), columns, out, width);
        return out;
    };

    std::vector<const uint8_t*> inputs;
    std::vector<float> weights;
    for (int y = first; y < end; ++y) {
        const int k0 = rows.Start[y], k1 = rows.Start[y + 1];
        inputs.clear();
        weights.clear();
        for (int k = k0; k < k1; ++k) {
            inputs.push_back(workRow(rows.Contributors[k].Pixel));
            weights.push_back(rows.Contributors[k].Weight);
        }
        CombineRows(inputs.data(), weights.data(), int(inputs.size()), result.ScanLine(y),
                    rowBytes);
        for (int k = k0; k < k1; ++k) {
            const int row = rows.Contributors[k].Pixel;
            int& slot = slotOf[std::size_t(row)];
            if (lastUse[std::size_t(row)] == y && slot >= 0) {
                freeSlots.push_back(slot);
                slot = -1;
            }
        }
    }
}

// `threaded`: the source's rows may be asked for from several threads at once, in any order.
void Resample(const TRowSource& source, TDibGraphic& dest, TFilterFunction filter, float support,
              int xDpi, int yDpi, bool threaded) {
    const int sourceWidth = source.Width, sourceHeight = source.Height;
    if (sourceWidth <= 0 || sourceHeight <= 0)
        throw EImageError("Source bitmap too small");
    const int width = dest.Width(), height = dest.Height();
    TDibGraphic result;
    result.NewImage(width, height, ifTrueColor, nullptr, xDpi, yDpi);
    if (result.Empty()) {
        dest = std::move(result);
        return;
    }
    const TContributorLists columns = BuildContributors(sourceWidth, width, filter, support);
    const TContributorLists rows = BuildContributors(sourceHeight, height, filter, support);
    if (!threaded) {
        ResampleRows(source, columns, rows, result, 0, height);
    } else {
        // A destination row costs its own bytes and its share of the source's.
        const std::size_t bytes = std::size_t(width) * 3 * std::size_t(height) +
                                  std::size_t(sourceWidth) * 3 * std::size_t(sourceHeight);
        ForEachRowBand(
            height, bytes / std::size_t(height),
            [&](int first, int end) { ResampleRows(source, columns, rows, result, first, end); },
            2);
    }
    dest = std::move(result);
}

} // namespace

void ResampleStretch(const TDibGraphic& source, TDibGraphic& dest, TFilterFunction filter,
                     float support) {
    if (source.Empty())
        throw EImageError("Source bitmap too small");
    TDibGraphic expanded;
    const TDibGraphic& colors = AsTrueColor(source, expanded);
    const TRowSource rows{colors.Width(), colors.Height(), false,
                          [&colors](int y, uint8_t*) { return colors.ScanLine(y); }};
    Resample(rows, dest, filter, support, source.XDpi(), source.YDpi(), true);
}

void ResampleStretch(const TRowSource& source, TDibGraphic& dest, TFilterFunction filter,
                     float support) {
    TDibGraphic defaults;
    Resample(source, dest, filter, support, defaults.XDpi(), defaults.YDpi(), false);
}

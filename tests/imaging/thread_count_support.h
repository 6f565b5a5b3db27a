// Running a transform on one thread and on several, for the tests that sharing the rows among
// threads changes no byte of the result.
#pragma once

#include "imaging/dib_graphic.h"
#include "imaging/parallel_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>

// Sizes where the cutting into bands has edges to get wrong: one pixel, one row, one column,
// tiny, primes, and one large enough that even the automatic choice splits it.
struct TOddSize {
    int Width;
    int Height;
};
inline constexpr TOddSize OddSizes[] = {{1, 1}, {1, 23}, {23, 1}, {2, 3}, {97, 61}, {641, 479}};

// The heavy transforms run on `count` threads (0: their own choice) while this lives.
class TTransformThreadsScope {
public:
    explicit TTransformThreadsScope(unsigned count) { SetTransformThreads(count); }
    ~TTransformThreadsScope() { SetTransformThreads(0); }
    TTransformThreadsScope(const TTransformThreadsScope&) = delete;
    TTransformThreadsScope& operator=(const TTransformThreadsScope&) = delete;
};

// The very same raster: size, format, palette, resolution and every byte of the pixels.
inline ::testing::AssertionResult SameBytes(const TDibGraphic& expected,
                                            const TDibGraphic& actual) {
    if (expected.Width() != actual.Width() || expected.Height() != actual.Height() ||
        expected.ImageFormat() != actual.ImageFormat())
        return ::testing::AssertionFailure()
               << actual.Width() << "x" << actual.Height() << " format " << actual.ImageFormat()
               << ", expected " << expected.Width() << "x" << expected.Height() << " format "
               << expected.ImageFormat();
    if (expected.Palette() != actual.Palette())
        return ::testing::AssertionFailure() << "the palettes differ";
    if (expected.XPelsPerMeter() != actual.XPelsPerMeter() ||
        expected.YPelsPerMeter() != actual.YPelsPerMeter())
        return ::testing::AssertionFailure() << "the resolutions differ";
    if (expected.ImageSize() != actual.ImageSize() ||
        std::memcmp(expected.Bits(), actual.Bits(), expected.ImageSize()) != 0) {
        for (int y = 0; y < expected.Height(); ++y)
            if (std::memcmp(expected.ScanLine(y), actual.ScanLine(y), expected.RowStride()) != 0)
                return ::testing::AssertionFailure() << "row " << y << " differs";
        return ::testing::AssertionFailure() << "the pixel blocks differ";
    }
    return ::testing::AssertionSuccess();
}

// make() on one thread, then on 2 and 7 threads and on the transforms' own choice: every
// result must be the one-thread result, byte for byte.
inline void ExpectSameOnAnyThreadCount(const std::function<TDibGraphic()>& make,
                                       const std::string& what) {
    TDibGraphic single;
    {
        TTransformThreadsScope one(1);
        single = make();
    }
    for (unsigned threads : {2u, 7u, 0u}) {
        TTransformThreadsScope scope(threads);
        EXPECT_TRUE(SameBytes(single, make())) << what << " on " << threads << " threads";
    }
}

// A photograph's kind of picture: smooth gradients with grain, thousands of colours.
inline TDibGraphic GrainyGradient(int width, int height, TImageFormat format = ifTrueColor) {
    std::mt19937 random(unsigned(width * 7919 + height));
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor, nullptr, 120, 72);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int grain = int(random() % 17) - 8;
            image.SetPixel(x, y,
                           MakeColor(std::clamp(30 + x * 200 / width + grain, 0, 255),
                                     std::clamp(240 - y * 180 / height + grain, 0, 255),
                                     std::clamp((x + y) % 256 - grain, 0, 255)));
        }
    if (format == ifTrueColor)
        return image;
    // Palette formats: the same picture through each colour's nearest entry.
    TDibGraphic mapped;
    mapped.NewImage(width, height, format, nullptr, 120, 72);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            mapped.SetPixel(x, y, image.Pixel(x, y));
    return mapped;
}

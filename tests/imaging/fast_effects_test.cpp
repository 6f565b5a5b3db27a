#include "imaging/fast_effects.h"

#include "image_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>
#include <random>

// The effects are checked against plain transcriptions of their rules: pixel by pixel, columns
// walked top to bottom for the wave, 32-bit positions shifted logically for the rotation. The
// effects themselves walk rows with byte pointers and tables; both must give the same bytes.

namespace {

struct TDepth {
    int Bits;
    int Layout;
};
constexpr TDepth EveryDepth[] = {{1, 0},    {4, 0},  {8, 0},    {16, 565},
                                 {16, 555}, {24, 0}, {32, 888}, {32, 565}};

std::string Name(const TDepth& depth) {
    return std::to_string(depth.Bits) + " bits, layout " + std::to_string(depth.Layout);
}

TFastDIB RandomBuffer(int width, int height, const TDepth& depth, unsigned seed) {
    TFastDIB buffer;
    buffer.SetSize(width, height, depth.Bits, depth.Layout);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y)
        for (std::size_t i = 0; i < buffer.RowStride(); ++i)
            buffer.Row(y)[i] = uint8_t(random());
    return buffer;
}

// A pixel as stored: its index, or its bytes as a little-endian number.
uint32_t Value(const TFastDIB& buffer, int x, int y) {
    const uint8_t* row = buffer.Row(y);
    switch (buffer.BitsPerPixel()) {
    case 1:
        return (row[x / 8] >> (7 - x % 8)) & 1;
    case 4:
        return x % 2 ? row[x / 2] & 15 : row[x / 2] >> 4;
    default: {
        const int bytes = buffer.BitsPerPixel() / 8;
        uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value |= uint32_t(row[x * bytes + i]) << (8 * i);
        return value;
    }
    }
}

void SetValue(TFastDIB& buffer, int x, int y, uint32_t value) {
    uint8_t* row = buffer.Row(y);
    switch (buffer.BitsPerPixel()) {
    case 1: {
        const int mask = 0x80 >> (x % 8);
        row[x / 8] = uint8_t(value ? row[x / 8] | mask : row[x / 8] & ~mask);
        break;
    }
    case 4:
        row[x / 2] =
            uint8_t(x % 2 ? (row[x / 2] & 0xF0) | value : (row[x / 2] & 0x0F) | value << 4);
        break;
    default:
        for (int i = 0; i < buffer.BitsPerPixel() / 8; ++i)
            row[x * (buffer.BitsPerPixel() / 8) + i] = uint8_t(value >> (8 * i));
    }
}

void ReferenceBlur(TFastDIB& buffer, int64_t distance, TBlurEdges edges = TBlurEdges::Nearest) {
    const int64_t d = distance < 0 ? -distance : distance;
    const int64_t width = buffer.Width(), height = buffer.Height();
    const bool own = edges == TBlurEdges::Own;
    for (int y = 0; y < height; ++y) {
        const int u = int(y - d >= 0 ? y - d : own ? y : 0);
        const int l = int(y + d < height ? y + d : own ? y : height - 1);
        for (int x = 0; x < width; ++x) {
            const int c0 = int(x - d >= 0 ? x - d : own ? x : 0);
            const int c1 = int(x + d < width ? x + d : own ? x : width - 1);
            const uint32_t a = Value(buffer, c0, u), b = Value(buffer, c1, u),
                           c = Value(buffer, c0, l), e = Value(buffer, c1, l);
            uint32_t result = 0;
            switch (buffer.BitsPerPixel()) {
            case 16:
                for (uint32_t m : buffer.Masks())
                    result |= (((a & m) + (b & m) + (c & m) + (e & m)) / 4) & m;
                break;
            case 24:
            case 32:
                result = Value(buffer, x, y) & 0xFF000000; // the fourth byte stays
                for (int shift = 0; shift < 24; shift += 8)
                    result |= (((a >> shift & 255) + (b >> shift & 255) + (c >> shift & 255) +
                                (e >> shift & 255)) /
                               4)
                              << shift;
                break;
            default:
                result = (a + b + c + e) / 4;
            }
            SetValue(buffer, x, y, result);
        }
    }
}

int64_t RoundEven(double value) {
    return int64_t(std::nearbyint(value)); // the default rounding: halves to even
}

void ReferenceRotate(const TFastDIB& source, TFastDIB& dest, int cx, int cy, double angle,
                     bool wrap) {
    const double theta = -angle * std::numbers::pi / 180;
    const double s = std::sin(theta), c = std::cos(theta);
    const double xd = (dest.Width() - source.Width()) / 2.0;
    const double yd = (dest.Height() - source.Height()) / 2.0;
    const auto is = uint32_t(RoundEven(s * 65536)), ic = uint32_t(RoundEven(c * 65536));
    const int sw = source.Width(), sh = source.Height();
    for (int y = 0; y < dest.Height(); ++y) {
        auto sx = uint32_t(RoundEven((-cx * c + cx - (y - cy) * s - xd) * 65536));
        auto sy = uint32_t(RoundEven((-cx * s + cy + (y - cy) * c - yd) * 65536));
        for (int x = 0; x < dest.Width(); ++x) {
            if (!wrap) {
                const uint32_t ix = sx >> 16, iy = sy >> 16;
                if (ix < uint32_t(sw) && iy < uint32_t(sh))
                    SetValue(dest, x, y, Value(source, int(ix), int(iy)));
            } else {
                auto wrapped = [](int32_t position, int size) {
                    if (position < 0)
                        return size - ((-position) >> 16) % size - 1;
                    int i = position >> 16;
                    return i > size - 1 ? i % size : i;
                };
                SetValue(dest, x, y,
                         Value(source, wrapped(int32_t(sx), sw), wrapped(int32_t(sy), sh)));
            }
            sx += ic;
            sy += is;
        }
    }
}

void ReferenceWave(const TFastDIB& source, TFastDIB& dest, double amplitude, double px, double py,
                   bool wrap) {
    const int sw = source.Width(), sh = source.Height();
    std::vector<int> rowOffset(std::size_t(dest.Height()));
    for (int y = 0; y < dest.Height(); ++y)
        rowOffset[std::size_t(y)] = int(RoundEven(amplitude * std::sin(y / py)));
    for (int x = 0; x < dest.Width(); ++x) {
        const int columnOffset = int(RoundEven(amplitude * std::sin(x / px)));
        if (!wrap) {
            for (int y = 0; y < dest.Height(); ++y) {
                const int sy = columnOffset + y;
                if (sy >= sh)
                    break;
                const int sx = x + rowOffset[std::size_t(y)];
                if (sy >= 0 && sx >= 0 && sx < sw)
                    SetValue(dest, x, y, Value(source, sx, sy));
            }
            continue;
        }
        int sy = columnOffset;
        if (sy < 0)
            sy = sh - ((-sy) % sh) - 1;
        else if (sy >= sh)
            sy %= sh;
        for (int y = 0; y < dest.Height(); ++y) {
            int sx = x + rowOffset[std::size_t(y)];
            if (sx < 0)
                sx = sw - ((-sx) % sw) - 1;
            else if (sx >= sw)
                sx %= sw;
            SetValue(dest, x, y, Value(source, sx, sy));
            if (++sy == sh)
                sy = 0;
        }
    }
}

::testing::AssertionResult SameBytes(const TFastDIB& expected, const TFastDIB& actual) {
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            if (Value(expected, x, y) != Value(actual, x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << Value(actual, x, y)
                       << ", expected " << Value(expected, x, y);
    return ::testing::AssertionSuccess();
}

// An 8-bit buffer whose pixels are 1..w*h (never 255), and one filled with 255.
TFastDIB Numbered(int width, int height) {
    TFastDIB buffer;
    buffer.SetSize(width, height, 8);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            buffer.Row(y)[x] = uint8_t(1 + (y * width + x) % 250);
    return buffer;
}

TFastDIB Marked(int width, int height) {
    TFastDIB buffer;
    buffer.SetSize(width, height, 8);
    for (int y = 0; y < height; ++y)
        std::fill_n(buffer.Row(y), width, uint8_t(255));
    return buffer;
}

} // namespace

TEST(FastSplitBlur, DistanceZeroAndOnePixelBuffersStayUnchanged) {
    for (const TDepth& depth : EveryDepth) {
        SCOPED_TRACE(Name(depth));
        TFastDIB buffer = RandomBuffer(9, 7, depth, 1);
        const TFastDIB before(buffer);
        FastSplitBlur(buffer, 0);
        EXPECT_TRUE(SameBytes(before, buffer));

        TFastDIB single = RandomBuffer(1, 1, depth, 2);
        const TFastDIB singleBefore(single);
        FastSplitBlur(single, 1);
        EXPECT_TRUE(SameBytes(singleBefore, single));
    }
}

TEST(FastSplitBlur, ReadsPixelsItHasAlreadyBlurred) {
    // One row of greys 0, 40, 80 with distance 1: (0+40+0+40)/4 = 20, then (20+80+20+80)/4 = 50
    // from the new left neighbour, then (50+80+50+80)/4 = 65.
    TFastDIB buffer;
    buffer.SetSize(3, 1, 24);
    for (int x = 0; x < 3; ++x)
        std::fill_n(buffer.Row(0) + 3 * x, 3, uint8_t(40 * x));
    FastSplitBlur(buffer, 1);
    EXPECT_EQ(buffer.PixelColor(0, 0), 0x141414u);
    EXPECT_EQ(buffer.PixelColor(1, 0), 0x323232u);
    EXPECT_EQ(buffer.PixelColor(2, 0), 0x414141u);
}

TEST(FastSplitBlur, EveryDepthFollowsTheRule) {
    for (const TDepth& depth : EveryDepth)
        for (TBlurEdges edges : {TBlurEdges::Nearest, TBlurEdges::Own})
            for (int64_t distance : {1, 2, -3, 6, 100, 1000000000}) {
                SCOPED_TRACE(Name(depth) + ", distance " + std::to_string(distance) +
                             (edges == TBlurEdges::Own ? ", own edges" : ", nearest edges"));
                TFastDIB buffer = RandomBuffer(13, 9, depth, unsigned(distance + depth.Bits));
                TFastDIB expected(buffer);
                ReferenceBlur(expected, distance, edges);
                FastSplitBlur(buffer, int(std::clamp<int64_t>(distance, INT_MIN, INT_MAX)), edges);
                EXPECT_TRUE(SameBytes(expected, buffer));
            }
    // The most negative distance has no positive twin in an int; it blurs as a huge one.
    TFastDIB buffer = RandomBuffer(5, 4, {24, 0}, 3);
    TFastDIB expected(buffer);
    ReferenceBlur(expected, 1000000000);
    FastSplitBlur(buffer, INT_MIN);
    EXPECT_TRUE(SameBytes(expected, buffer));
}

TEST(FastRotate, ByZeroCopiesTheSource) {
    for (const TDepth& depth : EveryDepth)
        for (TFastEdges edges : {TFastEdges::Clip, TFastEdges::Wrap}) {
            SCOPED_TRACE(Name(depth));
            const TFastDIB source = RandomBuffer(10, 6, depth, 4);
            TFastDIB dest = RandomBuffer(10, 6, depth, 5);
            FastRotate(source, dest, 5, 3, 0, edges);
            EXPECT_TRUE(SameBytes(source, dest));
        }
}

TEST(FastRotate, ByHalfATurnLeavesTheFirstRowAndColumnUnwritten) {
    const TFastDIB source = Numbered(8, 6);
    TFastDIB dest = Marked(8, 6);
    FastRotate(source, dest, 4, 3, 180, TFastEdges::Clip);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            // The source positions of row 0 and column 0 are h and w, just outside.
            const int expected = x == 0 || y == 0 ? 255 : source.Row(6 - y)[8 - x];
            EXPECT_EQ(dest.Row(y)[x], expected) << x << "," << y;
        }
}

TEST(FastRotate, EveryDepthAndSizeFollowsTheRule) {
    struct Case {
        int SourceWidth, SourceHeight, DestWidth, DestHeight, CenterX, CenterY;
        double Angle;
    };
    const Case cases[] = {
        {12, 8, 12, 8, 6, 4, 90},      {12, 8, 12, 8, 6, 4, 33.3},  {12, 8, 12, 8, 0, 0, -47.5},
        {12, 8, 20, 15, 10, 7, 212},   {12, 8, 7, 5, 3, 2, 359.9},  {9, 9, 9, 9, 40, -30, 15},
        {5, 3, 30, 20, -100, 80, 1e6}, {12, 8, 12, 8, 6, 4, 180.0}, {1, 1, 6, 4, 3, 2, 45},
    };
    for (const TDepth& depth : EveryDepth)
        for (const Case& c : cases)
            for (bool wrap : {false, true}) {
                SCOPED_TRACE(Name(depth) + ", angle " + std::to_string(c.Angle) +
                             (wrap ? ", wrapped" : ", clipped"));
                const TFastDIB source = RandomBuffer(c.SourceWidth, c.SourceHeight, depth, 6);
                TFastDIB dest = RandomBuffer(c.DestWidth, c.DestHeight, depth, 7);
                TFastDIB expected(dest);
                ReferenceRotate(source, expected, c.CenterX, c.CenterY, c.Angle, wrap);
                FastRotate(source, dest, c.CenterX, c.CenterY, c.Angle,
                           wrap ? TFastEdges::Wrap : TFastEdges::Clip);
                EXPECT_TRUE(SameBytes(expected, dest));
            }
}

TEST(FastWave, AmplitudeZeroCopiesTheSource) {
    for (const TDepth& depth : EveryDepth)
        for (TFastEdges edges : {TFastEdges::Clip, TFastEdges::Wrap}) {
            SCOPED_TRACE(Name(depth));
            const TFastDIB source = RandomBuffer(10, 6, depth, 8);
            TFastDIB dest = RandomBuffer(10, 6, depth, 9);
            FastWave(source, dest, 0, 0.01, 0.01, edges);
            EXPECT_TRUE(SameBytes(source, dest));
        }
}

TEST(FastWave, ClippedColumnsMoveUpAndStopAtTheBottom) {
    // Column offsets round(sin(x)): 0, 1, 1; the row offsets round(sin(y / 1e9)) are all 0.
    const TFastDIB source = Numbered(3, 3);
    TFastDIB dest = Marked(3, 3);
    FastWave(source, dest, 1, 1, 1e9, TFastEdges::Clip);
    const int expected[3][3] = {{1, 5, 6}, {4, 8, 9}, {7, 255, 255}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(dest.Row(y)[x], expected[y][x]) << x << "," << y;
}

TEST(FastWave, EveryDepthAndSizeFollowsTheRule) {
    struct Case {
        int SourceWidth, SourceHeight, DestWidth, DestHeight;
        double Amplitude, PeriodX, PeriodY;
    };
    const Case cases[] = {
        {16, 10, 16, 10, 3, 2.5, 1.7},    {16, 10, 16, 10, -7.3, 0.4, 13},
        {16, 10, 16, 10, 40, 0.9, 0.33},  {16, 10, 25, 14, 5, 3, 2},
        {16, 10, 9, 6, 12.5, 1.1, 0.7},   {3, 2, 12, 9, 9.5, 0.5, 0.25},
        {16, 10, 16, 10, 0.5, 1.5708, 1}, {16, 10, 16, 10, 1000, -2, 5},
    };
    for (const TDepth& depth : EveryDepth)
        for (const Case& c : cases)
            for (bool wrap : {false, true}) {
                SCOPED_TRACE(Name(depth) + ", amplitude " + std::to_string(c.Amplitude) +
                             (wrap ? ", wrapped" : ", clipped"));
                const TFastDIB source = RandomBuffer(c.SourceWidth, c.SourceHeight, depth, 10);
                TFastDIB dest = RandomBuffer(c.DestWidth, c.DestHeight, depth, 11);
                TFastDIB expected(dest);
                ReferenceWave(source, expected, c.Amplitude, c.PeriodX, c.PeriodY, wrap);
                FastWave(source, dest, c.Amplitude, c.PeriodX, c.PeriodY,
                         wrap ? TFastEdges::Wrap : TFastEdges::Clip);
                EXPECT_TRUE(SameBytes(expected, dest));
            }
}

TEST(FastEffects, WrappedEdgesWriteEveryPixel) {
    const TFastDIB source = Numbered(7, 5);
    for (double angle : {30.0, 135.0, -200.0}) {
        TFastDIB dest = Marked(11, 9);
        FastRotate(source, dest, 2, 7, angle, TFastEdges::Wrap);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_NE(dest.Row(y)[x], 255) << angle << ": " << x << "," << y;
    }
    for (double amplitude : {4.0, 1e300, -1e300}) {
        TFastDIB dest = Marked(11, 9);
        FastWave(source, dest, amplitude, 0.3, 0.7, TFastEdges::Wrap);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 11; ++x)
                ASSERT_NE(dest.Row(y)[x], 255) << amplitude << ": " << x << "," << y;
    }
}

TEST(FastEffects, ABufferTurnedIntoItselfReadsItsOwnUntouchedPixels) {
    const TFastDIB original = Numbered(9, 7);
    TFastDIB expected(original);
    FastRotate(original, expected, 4, 3, 30, TFastEdges::Clip);
    TFastDIB buffer(original);
    FastRotate(buffer, buffer, 4, 3, 30, TFastEdges::Clip);
    EXPECT_TRUE(SameBytes(expected, buffer));

    TFastDIB waved(original);
    expected = original;
    FastWave(original, expected, 3, 0.5, 0.5, TFastEdges::Wrap);
    FastWave(waved, waved, 3, 0.5, 0.5, TFastEdges::Wrap);
    EXPECT_TRUE(SameBytes(expected, waved));
}

TEST(FastEffects, RefusedParametersAndEmptySources) {
    const TFastDIB source = Numbered(4, 4);
    TFastDIB dest = Marked(4, 4);
    ExpectImageError([&] { FastRotate(source, dest, 2, 2, std::nan(""), TFastEdges::Clip); },
                     "Invalid rotation angle");
    ExpectImageError([&] { FastWave(source, dest, 1, 0, 1, TFastEdges::Wrap); },
                     "Invalid wave parameters");
    ExpectImageError([&] { FastWave(source, dest, INFINITY, 1, 1, TFastEdges::Clip); },
                     "Invalid wave parameters");
    TFastDIB trueColour;
    trueColour.SetSize(4, 4, 24);
    ExpectImageError([&] { FastRotate(source, trueColour, 2, 2, 10, TFastEdges::Clip); },
                     "Source and destination buffers differ in pixel format");
    ExpectImageError([&] { FastWave(source, trueColour, 1, 1, 1, TFastEdges::Clip); },
                     "Source and destination buffers differ in pixel format");

    // Nothing to read from: the destination keeps what it holds, even when wrapping.
    TFastDIB empty;
    empty.SetSize(0, 0, 8);
    FastRotate(empty, dest, 2, 2, 10, TFastEdges::Wrap);
    FastWave(empty, dest, 3, 1, 1, TFastEdges::Wrap);
    EXPECT_TRUE(SameBytes(Marked(4, 4), dest));
}

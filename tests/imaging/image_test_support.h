// Images with known pixels for the codec tests, and pixel-by-pixel comparison.
#pragma once

#include "imaging/dib_graphic.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

// A palette that is not a grey ramp, so readers cannot mistake it for one.
inline TPalette ColorfulPalette(int entries) {
    TPalette palette(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i)
        palette[std::size_t(i)] = {uint8_t(i * 255 / (entries - 1)), uint8_t((i * 97) & 255),
                                   uint8_t(255 - ((i * 41) & 255))};
    return palette;
}

// Every pixel different from its neighbours; colour formats get ColorfulPalette.
inline TDibGraphic PatternImage(TImageFormat format, int width = 13, int height = 7, int xDpi = 300,
                                int yDpi = 150) {
    TDibGraphic image;
    const TPalette palette = format == ifColor16    ? ColorfulPalette(16)
                             : format == ifColor256 ? ColorfulPalette(256)
                                                    : TPalette();
    image.NewImage(width, height, format, palette.empty() ? nullptr : &palette, xDpi, yDpi);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == ifTrueColor)
                image.SetPixel(x, y, MakeColor(x * 19 + y, y * 37 + x * 3, (x * y * 11) & 255));
            else
                image.SetPixelIndex(x, y, (x * 7 + y * 3) % int(image.Palette().size()));
        }
    return image;
}

inline ::testing::AssertionResult SamePixels(const TDibGraphic& expected,
                                             const TDibGraphic& actual) {
    if (expected.Width() != actual.Width() || expected.Height() != actual.Height())
        return ::testing::AssertionFailure()
               << "size " << actual.Width() << "x" << actual.Height() << ", expected "
               << expected.Width() << "x" << expected.Height();
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            if (expected.Pixel(x, y) != actual.Pixel(x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << actual.Pixel(x, y)
                       << ", expected " << expected.Pixel(x, y);
    return ::testing::AssertionSuccess();
}

// The largest difference of one channel between two images of the same size.
inline int LargestChannelDifference(const TDibGraphic& a, const TDibGraphic& b) {
    int largest = 0;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x) {
            const uint32_t p = a.Pixel(x, y), q = b.Pixel(x, y);
            for (int shift = 0; shift < 24; shift += 8)
                largest =
                    std::max(largest, std::abs(int((p >> shift) & 255) - int((q >> shift) & 255)));
        }
    return largest;
}

inline std::vector<uint8_t> ReadFixture(const std::string& name) {
    const char* folder = std::getenv("KARVIN_TEST_DATA");
    const std::string path = std::string(folder ? folder : "tests/data") + "/imaging/" + name;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        ADD_FAILURE() << "missing fixture " << path;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

// A file of the source tree, by its path from the top.
inline std::vector<uint8_t> ReadFixtureFile(const std::string& path) {
    const char* top = std::getenv("KARVIN_SOURCE_DIR");
    std::ifstream file(std::string(top ? top : ".") + "/" + path, std::ios::binary);
    if (!file)
        ADD_FAILURE() << "missing file " << path;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), {});
}

inline uint32_t LittleEndian32(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return uint32_t(bytes[offset]) | (uint32_t(bytes[offset + 1]) << 8) |
           (uint32_t(bytes[offset + 2]) << 16) | (uint32_t(bytes[offset + 3]) << 24);
}

inline uint16_t LittleEndian16(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return uint16_t(bytes[offset] | (bytes[offset + 1] << 8));
}

// The three 7x5 patterns of the fixtures made by tests/data/imaging/make_fixtures.sh.
enum class TPattern { Colour, Grey, Bilevel };

inline uint32_t PatternColor(TPattern pattern, int x, int y) {
    static const uint32_t colours[8] = {0xFF0000, 0x008000, 0x0000FF, 0xFFFF00,
                                        0x00FFFF, 0xFF00FF, 0xFFFFFF, 0x000000};
    static const int greys[8] = {0, 51, 102, 153, 204, 255, 68, 136};
    const int i = (x + 2 * y) % 8;
    switch (pattern) {
    case TPattern::Colour:
        return colours[i];
    case TPattern::Grey:
        return MakeColor(greys[i], greys[i], greys[i]);
    case TPattern::Bilevel:
        return (x + 2 * y) % 3 == 0 ? 0x000000 : 0xFFFFFF;
    }
    return 0;
}

inline TDibGraphic FixturePattern(TPattern pattern) {
    TDibGraphic image;
    image.NewImage(7, 5, ifTrueColor);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x)
            image.SetPixel(x, y, PatternColor(pattern, x, y));
    return image;
}

// A file made by another program, what reading it must give.
struct TFixture {
    const char* Name;
    TImageFormat Format;
    TPattern Pattern;
    int Tolerance = 0; // largest channel difference allowed (lossy files)
    int Dpi = 0;       // 0: not checked
};

template <typename TLoad>
void ExpectFixturesRead(std::initializer_list<TFixture> fixtures, TLoad load) {
    for (const TFixture& fixture : fixtures) {
        SCOPED_TRACE(fixture.Name);
        try {
            const TDibGraphic image = load(ReadFixture(fixture.Name));
            EXPECT_EQ(image.ImageFormat(), fixture.Format);
            const TDibGraphic expected = FixturePattern(fixture.Pattern);
            if (fixture.Tolerance == 0) {
                EXPECT_TRUE(SamePixels(expected, image));
            } else {
                ASSERT_EQ(image.Width(), expected.Width());
                ASSERT_EQ(image.Height(), expected.Height());
                EXPECT_LE(LargestChannelDifference(expected, image), fixture.Tolerance);
            }
            if (fixture.Dpi) {
                EXPECT_EQ(image.XDpi(), fixture.Dpi);
                EXPECT_EQ(image.YDpi(), fixture.Dpi);
            }
        } catch (const EImageError& error) {
            ADD_FAILURE() << error.what();
        }
    }
}

// `action` must throw EImageError with exactly `message`.
template <typename TAction> void ExpectImageError(TAction action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "no error; expected \"" << message << "\"";
    } catch (const EImageError& error) {
        EXPECT_EQ(error.what(), message);
    }
}

// Every prefix of a valid file shorter than `needed` bytes (the whole file by default) must be
// refused with an error, never read past its end.
template <typename TLoad>
void ExpectTruncationsRefused(const std::vector<uint8_t>& file, TLoad load,
                              std::size_t needed = 0) {
    if (needed == 0)
        needed = file.size();
    for (std::size_t length = 0; length < needed; ++length) {
        const std::vector<uint8_t> cut(file.begin(), file.begin() + std::ptrdiff_t(length));
        EXPECT_THROW(load(cut), EImageError) << "cut at " << length << " of " << file.size();
    }
}

#include "imaging/mirror.h"

#include "test_images.h"

#include <gtest/gtest.h>

namespace {

// One row (or column) of distinct colours "A", "B", ... as the letters' codes.
TDibGraphic Letters(int count, bool across) {
    return MakeImage(across ? count : 2, across ? 2 : count, [&](int x, int y) {
        return MakeColor('A' + (across ? x : y), across ? y : x, 7);
    });
}

std::string Read(const TDibGraphic& image, bool across) {
    std::string letters;
    const int count = across ? image.Width() : image.Height();
    for (int i = 0; i < count; ++i)
        letters += char(ColorRed(across ? image.Pixel(i, 1) : image.Pixel(1, i)));
    return letters;
}

} // namespace

TEST(Mirror, LeftHalfOntoRightAndTopHalfOntoBottom) {
    struct {
        int Count;
        const char* Expected;
    } cases[] = {{1, "A"}, {2, "AA"}, {3, "ABA"}, {4, "ABBA"}, {5, "ABCBA"}, {6, "ABCCBA"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Count);
        const TDibGraphic right = MirroredRight(Letters(c.Count, true));
        EXPECT_EQ(Read(right, true), c.Expected);
        const TDibGraphic down = MirroredDown(Letters(c.Count, false));
        EXPECT_EQ(Read(down, false), c.Expected);
        // The other coordinate is untouched: the second row or column keeps its green 1.
        EXPECT_EQ(ColorGreen(right.Pixel(0, 1)), 1);
        EXPECT_EQ(ColorGreen(down.Pixel(1, 0)), 1);
    }
}

TEST(Mirror, PaletteImagesBecomeTrueColourInTheirColours) {
    const TDibGraphic source = MakeIndexImage(5, 3, ifColor16, [](int x, int y) { return x + y; });
    const TDibGraphic right = MirroredRight(source);
    ASSERT_EQ(right.ImageFormat(), ifTrueColor);
    EXPECT_EQ(right.XDpi(), source.XDpi());
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(right.Pixel(4, y), source.Pixel(0, y));
        EXPECT_EQ(right.Pixel(2, y), source.Pixel(2, y));
    }
    // The source is left alone.
    EXPECT_EQ(source.ImageFormat(), ifColor16);
}

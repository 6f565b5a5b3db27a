#include "imaging/resize_transform.h"

#include "test_images.h"

#include <gtest/gtest.h>

namespace {

TDibGraphic Resize(const TDibGraphic& source, int width, int height) {
    TResizeTransform resize;
    resize.Width = width;
    resize.Height = height;
    TDibGraphic dest;
    resize.ApplyOnDest(source, dest);
    return dest;
}

uint32_t Stripes(int x, int) {
    return x & 1 ? MakeColor(255, 255, 255) : MakeColor(0, 0, 0);
}

} // namespace

TEST(ResizeTransform, SmallSourcesDropPixelsLargerOnesAverage) {
    // 32 x 32 = 1024 pixels: not above the limit, so every other column is simply dropped.
    const TDibGraphic small = Resize(MakeImage(32, 32, Stripes), 16, 16);
    EXPECT_EQ(small.Pixel(5, 5), Gray(0));
    // 34 x 32 = 1088 pixels: each destination pixel averages one black and one white column
    // (127.5, which rounds to the even 128).
    const TDibGraphic large = Resize(MakeImage(34, 32, Stripes), 17, 16);
    EXPECT_EQ(large.Pixel(5, 5), Gray(128));
    EXPECT_EQ(large.Pixel(16, 15), Gray(128));
}

TEST(ResizeTransform, AveragingWeighsPartlyCoveredPixels) {
    // Three columns 0, 90, 210 into two: the middle column is half in each.
    const uint32_t columns[] = {Gray(0), Gray(90), Gray(210)};
    const TDibGraphic dest =
        Resize(MakeImage(3, 400, [&](int x, int) { return columns[x]; }), 2, 1);
    EXPECT_EQ(dest.Pixel(0, 0), Gray(30));  // (0 + 45) / 1.5
    EXPECT_EQ(dest.Pixel(1, 0), Gray(170)); // (45 + 210) / 1.5
}

TEST(ResizeTransform, EnlargingRepeatsPixels) {
    const TDibGraphic source = MakeImage(2, 2, [](int x, int y) { return MakeColor(x, y, 9); });
    const TDibGraphic dest = Resize(source, 4, 6);
    EXPECT_EQ(dest.Pixel(1, 2), MakeColor(0, 0, 9));
    EXPECT_EQ(dest.Pixel(2, 3), MakeColor(1, 1, 9));
    EXPECT_EQ(dest.Pixel(3, 5), MakeColor(1, 1, 9));
}

TEST(ResizeTransform, FormatAndPalette) {
    const TPalette palette{{0, 0, 0}, {200, 0, 0}, {0, 0, 200}};
    const TDibGraphic source = MakeIndexImage(
        4, 4, ifColor256, [](int x, int) { return x % 3; }, &palette);
    TDibGraphic kept = Resize(source, 2, 2);
    EXPECT_EQ(kept.ImageFormat(), ifColor256);
    EXPECT_EQ(kept.Palette(), palette);
    EXPECT_EQ(kept.PixelIndex(1, 1), 2);

    TResizeTransform toTrueColor;
    toTrueColor.Width = 2;
    toTrueColor.Height = 2;
    toTrueColor.ChangeFormat = true;
    TDibGraphic changed;
    toTrueColor.ApplyOnDest(source, changed);
    EXPECT_EQ(changed.ImageFormat(), ifTrueColor);
    EXPECT_EQ(changed.Pixel(1, 0), MakeColor(0, 0, 200));

    toTrueColor.TargetFormat = ifGray16; // another format gets its default palette
    toTrueColor.ApplyOnDest(source, changed);
    EXPECT_EQ(changed.Palette(), DefaultPalette(ifGray16));
}

TEST(ResizeTransform, EmptySizesGiveEmptyImages) {
    EXPECT_TRUE(Resize(MakeNoise(5, 5), 0, 3).Empty());
    EXPECT_EQ(Resize(TDibGraphic(), 3, 3).Width(), 3); // nothing to draw: stays black
    EXPECT_THROW(Resize(MakeNoise(5, 5), -1, 3), EImageError);
}

#include "imaging/convert_to_gray_transform.h"

#include "test_images.h"

#include <gtest/gtest.h>

TEST(ConvertToGrayTransform, WeighsRedGreenAndBlueInThousandths) {
    const uint32_t colors[] = {MakeColor(255, 0, 0), MakeColor(0, 255, 0), MakeColor(0, 0, 255),
                               MakeColor(255, 255, 255), MakeColor(0, 0, 0)};
    const TDibGraphic source = MakeImage(
        5, 1, [&](int x, int) { return colors[x]; }, ifTrueColor);
    TDibGraphic dest;
    TConvertToGrayTransform().ApplyOnDest(source, dest);
    EXPECT_EQ(dest.ImageFormat(), ifGray256);
    EXPECT_EQ(dest.Palette(), DefaultPalette(ifGray256));
    EXPECT_EQ(Indices(dest), (std::vector<int>{76, 149, 29, 255, 0}));
}

TEST(ConvertToGrayTransform, OtherTargetsAndWeights) {
    const TDibGraphic source = MakeImage(
        2, 1, [](int x, int) { return x ? MakeColor(255, 255, 255) : MakeColor(100, 50, 10); });
    TConvertToGrayTransform gray;
    gray.TargetFormat = ifTrueColor;
    gray.RedWeight = 1.0;
    gray.GreenWeight = 1.0;
    gray.BlueWeight = -1.0;
    TDibGraphic dest;
    gray.ApplyOnDest(source, dest);
    EXPECT_EQ(dest.Pixel(0, 0), Gray(140));
    EXPECT_EQ(dest.Pixel(1, 0), Gray(255)); // 510 is limited to 255

    gray.RedWeight = -1.0; // a negative sum is black, not a wrapped byte
    gray.ApplyOnDest(source, dest);
    EXPECT_EQ(dest.Pixel(0, 0), Gray(0));

    TConvertToGrayTransform toGray16;
    toGray16.TargetFormat = ifGray16;
    toGray16.ApplyOnDest(source, dest); // level 63 -> nearest of 0, 17, 34, ... is 68
    EXPECT_EQ(dest.PixelIndex(0, 0), 4);
    EXPECT_EQ(dest.PixelIndex(1, 0), 15);
}

TEST(ConvertToGrayTransform, ReadsPaletteImagesThroughTheirPalette) {
    const TPalette palette{{0, 0, 255}, {0, 255, 0}};
    const TDibGraphic source = MakeIndexImage(
        9, 1, ifBlackWhite, [](int x, int) { return x & 1; }, &palette);
    TDibGraphic dest;
    TConvertToGrayTransform().ApplyOnDest(source, dest);
    EXPECT_EQ(dest.PixelIndex(0, 0), 29);
    EXPECT_EQ(dest.PixelIndex(8, 0), 29);
    EXPECT_EQ(dest.PixelIndex(7, 0), 149);
}

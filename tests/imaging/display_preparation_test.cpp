#include "imaging/display_preparation.h"

#include "test_images.h"

#include <gtest/gtest.h>

TEST(DisplayPreparation, ScreenDepthAndCaptureFormatChooseTheReduction) {
    struct Case {
        uint64_t ScreenColors;
        bool Jpeg;
        TImageFormat Result;
    };
    const Case cases[] = {
        {256, true, ifGray256},  {256, false, ifColor256},         {16, false, ifColor16},
        {16, true, ifTrueColor}, {16777216, false, ifTrueColor},   {65536, true, ifTrueColor},
        {2, false, ifTrueColor}, {4294967296, false, ifTrueColor},
    };
    for (const auto& c : cases) {
        TDibGraphic image =
            MakeImage(20, 20, [](int x, int y) { return MakeColor(x * 12, y * 12, 90); });
        const bool converted = PrepareForPaletteDisplay(image, c.ScreenColors, c.Jpeg);
        EXPECT_EQ(image.ImageFormat(), c.Result) << c.ScreenColors << " " << c.Jpeg;
        EXPECT_EQ(converted, c.Result != ifTrueColor);
    }
}

TEST(DisplayPreparation, PaletteIsFittedAndNotDithered) {
    // Two colours, each met often: the palette holds exactly them (in colour-key order, as
    // there are fewer than 16), every pixel its own.
    const uint32_t dark = MakeColor(40, 80, 120), light = MakeColor(200, 208, 216);
    TDibGraphic image = MakeImage(9, 9, [&](int x, int) { return x < 4 ? dark : light; });
    PrepareForPaletteDisplay(image, 16, false);
    ASSERT_EQ(image.ImageFormat(), ifColor16);
    EXPECT_EQ(image.Palette()[0], (TPaletteEntry{40, 80, 120}));
    EXPECT_EQ(image.Palette()[1], (TPaletteEntry{200, 208, 216}));
    EXPECT_EQ(image.PixelIndex(3, 8), 0);
    EXPECT_EQ(image.PixelIndex(4, 8), 1);
}

TEST(DisplayPreparation, ImagesAlreadyInTheFormatAreLeftAlone) {
    const TPalette palette{{1, 1, 1}, {2, 2, 2}};
    TDibGraphic image = MakeIndexImage(
        3, 3, ifColor256, [](int, int) { return 1; }, &palette);
    EXPECT_FALSE(PrepareForPaletteDisplay(image, 256, false));
    EXPECT_EQ(image.Palette(), palette);
}

TEST(DisplayPreparation, TrueColourThroughThePalette) {
    const TPalette palette{{10, 20, 30}, {250, 0, 5}};
    TDibGraphic image = MakeIndexImage(
        9, 2, ifBlackWhite, [](int x, int) { return x & 1; }, &palette);
    EXPECT_TRUE(PrepareTrueColor(image));
    EXPECT_EQ(image.ImageFormat(), ifTrueColor);
    EXPECT_EQ(image.Pixel(7, 1), MakeColor(250, 0, 5));
    EXPECT_EQ(image.Pixel(8, 0), MakeColor(10, 20, 30));
    EXPECT_FALSE(PrepareTrueColor(image));
}

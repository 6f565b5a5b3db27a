#include "imaging/true_color.h"

#include <gtest/gtest.h>

TEST(ExpandToTrueColor, EveryPaletteFormatTakesItsEntryColours) {
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256}) {
        TDibGraphic image;
        image.NewImage(13, 3, format, nullptr, 72, 150);
        const int entries = int(image.Palette().size());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 13; ++x)
                image.SetPixelIndex(x, y, (x * 5 + y * 3) % entries);

        const TDibGraphic result = ExpandToTrueColor(image);
        ASSERT_EQ(result.ImageFormat(), ifTrueColor);
        ASSERT_EQ(result.Width(), 13);
        ASSERT_EQ(result.Height(), 3);
        EXPECT_EQ(result.XDpi(), 72);
        EXPECT_EQ(result.YDpi(), 150);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 13; ++x)
                ASSERT_EQ(result.Pixel(x, y), image.Pixel(x, y))
                    << "format " << format << " at " << x << "," << y;
    }
}

TEST(ExpandToTrueColor, IndexBeyondAShortPaletteIsBlack) {
    const TPalette palette{{255, 0, 0}, {0, 255, 0}};
    TDibGraphic image;
    image.NewImage(3, 1, ifColor256, &palette);
    image.SetPixelIndex(0, 0, 1);
    image.SetPixelIndex(1, 0, 7);
    const TDibGraphic result = ExpandToTrueColor(image);
    EXPECT_EQ(result.Pixel(0, 0), MakeColor(0, 255, 0));
    EXPECT_EQ(result.Pixel(1, 0), MakeColor(0, 0, 0));
    EXPECT_EQ(result.Pixel(2, 0), MakeColor(255, 0, 0));
}

TEST(ExpandToTrueColor, TrueColourComesBackUnchanged) {
    TDibGraphic image;
    image.NewImage(2, 2, ifTrueColor, nullptr, 300, 300);
    image.SetPixel(1, 1, MakeColor(1, 2, 3));
    const TDibGraphic result = ExpandToTrueColor(image);
    EXPECT_EQ(result.Pixel(1, 1), MakeColor(1, 2, 3));
    EXPECT_EQ(result.XPelsPerMeter(), image.XPelsPerMeter());
}

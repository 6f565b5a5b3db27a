#include "imaging/flip_transform.h"

#include "test_images.h"

#include <gtest/gtest.h>

TEST(FlipTransform, MirrorsEveryFormatKeepingPaletteIndices) {
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifColor256, ifTrueColor}) {
        const int levels = format == ifBlackWhite ? 2 : 16;
        const auto index = [&](int x, int y) { return (x * 5 + y * 3) % levels; };
        const TDibGraphic source =
            format == ifTrueColor
                ? MakeImage(11, 3, [](int x, int y) { return MakeColor(x, y, 1); })
                : MakeIndexImage(11, 3, format, index);
        TDibGraphic horizontal, vertical;
        TFlipHorizontalTransform().ApplyOnDest(source, horizontal);
        TFlipVerticalTransform().ApplyOnDest(source, vertical);
        ASSERT_EQ(horizontal.ImageFormat(), format);
        ASSERT_EQ(vertical.Palette(), source.Palette());
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 11; ++x) {
                EXPECT_EQ(horizontal.Pixel(10 - x, y), source.Pixel(x, y)) << format;
                EXPECT_EQ(horizontal.PixelIndex(10 - x, y), source.PixelIndex(x, y)) << format;
                EXPECT_EQ(vertical.Pixel(x, 2 - y), source.Pixel(x, y)) << format;
                EXPECT_EQ(vertical.PixelIndex(x, 2 - y), source.PixelIndex(x, y)) << format;
            }
    }
}

TEST(FlipTransform, SinglePixelColumnOrRowIsCopied) {
    TDibGraphic column = MakeNoise(1, 4), row = MakeNoise(4, 1);
    const auto columnPixels = Pixels(column), rowPixels = Pixels(row);
    TFlipHorizontalTransform().Apply(column);
    TFlipVerticalTransform().Apply(row);
    EXPECT_EQ(Pixels(column), columnPixels);
    EXPECT_EQ(Pixels(row), rowPixels);
}

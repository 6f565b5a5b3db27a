#include "imaging/image_format_transform.h"

#include "test_images.h"
#include "thread_count_support.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TImageFormatTransform Conversion(TImageFormat target, bool optimise, bool dither) {
    TImageFormatTransform transform;
    transform.TargetFormat = target;
    transform.Optimise = optimise;
    transform.Dither = dither;
    return transform;
}

TDibGraphic Convert(const TDibGraphic& source, TImageFormatTransform transform) {
    TDibGraphic dest;
    transform.ApplyOnDest(source, dest);
    return dest;
}

} // namespace

TEST(ImageFormatTransform, ApplyLeavesAnImageAlreadyInTheTargetFormatAlone) {
    const TPalette palette{{1, 2, 3}, {250, 250, 250}};
    TDibGraphic image = MakeIndexImage(
        5, 5, ifColor256, [](int x, int y) { return (x + y) & 1; }, &palette);
    auto transform = Conversion(ifColor256, true, true);
    transform.Apply(image);
    EXPECT_EQ(image.Palette(), palette);

    // ApplyOnDest builds anew, here with a palette fitted to the image.
    const TDibGraphic rebuilt = Convert(image, transform);
    EXPECT_EQ(rebuilt.Palette().size(), 256u);
    EXPECT_EQ(rebuilt.Palette()[1], (TPaletteEntry{248, 248, 248}));
}

TEST(ImageFormatTransform, WithoutDitherEveryPixelTakesItsNearestEntry) {
    const TDibGraphic source = MakeNoise(37, 23);
    for (TImageFormat target : {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256}) {
        const TDibGraphic dest = Convert(source, Conversion(target, false, false));
        ASSERT_EQ(dest.ImageFormat(), target);
        EXPECT_EQ(dest.Palette(), DefaultPalette(target));
        for (int y = 0; y < 23; ++y)
            for (int x = 0; x < 37; ++x)
                ASSERT_EQ(dest.PixelIndex(x, y), dest.NearestPaletteIndex(source.Pixel(x, y)))
                    << target << " " << x << "," << y;
    }
}

TEST(ImageFormatTransform, ToTrueColourReadsThroughThePalette) {
    const TPalette palette{{9, 8, 7}, {200, 100, 0}};
    const TDibGraphic source = MakeIndexImage(
        10, 2, ifBlackWhite, [](int x, int) { return x % 2; }, &palette);
    TDibGraphic dest = Convert(source, Conversion(ifTrueColor, true, true));
    EXPECT_EQ(dest.ImageFormat(), ifTrueColor);
    EXPECT_EQ(dest.Pixel(0, 1), MakeColor(9, 8, 7));
    EXPECT_EQ(dest.Pixel(9, 0), MakeColor(200, 100, 0));
}

TEST(ImageFormatTransform, DiffusionPassesNothingOnFromTheEdgeColumns) {
    // Grey 100 into black and white, worked by hand. Row 0: pixel 0 is black and passes its
    // error on to nobody; pixel 1 is black and passes 100 * 7 div 16 = 43 to pixel 2 (143,
    // white) and 18, 31, 6 to the next row. Row 1: 118 black, 131 white (error -124, whose
    // parts below are limited to 0), 106 - 54 = 52 black. Row 2 starts afresh like row 0.
    const TDibGraphic source = MakeImage(3, 3, [](int, int) { return Gray(100); });
    const TDibGraphic dest = Convert(source, Conversion(ifBlackWhite, false, true));
    EXPECT_EQ(Indices(dest), (std::vector<int>{0, 0, 1, 0, 1, 0, 0, 0, 1}));
}

TEST(ImageFormatTransform, NarrowImagesAreMappedWithoutDiffusion) {
    for (int width : {1, 2}) {
        const TDibGraphic source = MakeNoise(width, 40, unsigned(width));
        for (TImageFormat target : {ifBlackWhite, ifColor16}) {
            const TDibGraphic dithered = Convert(source, Conversion(target, false, true));
            const TDibGraphic mapped = Convert(source, Conversion(target, false, false));
            EXPECT_EQ(Indices(dithered), Indices(mapped)) << width << " " << target;
        }
    }
}

TEST(ImageFormatTransform, PaletteOfTheTransformWhenNotOptimised) {
    auto transform = Conversion(ifColor16, false, false);
    transform.Palette = TPalette(20, TPaletteEntry{0, 0, 0});
    transform.Palette[17] = {255, 255, 255}; // beyond what a 4-bit pixel can name
    transform.Palette[3] = {250, 250, 250};
    const TDibGraphic dest =
        Convert(MakeImage(2, 1, [](int, int) { return Gray(255); }), transform);
    EXPECT_EQ(dest.Palette().size(), 16u);
    EXPECT_EQ(Indices(dest), (std::vector<int>{3, 3}));

    // Optimising keeps the fitted palette in the transform.
    auto optimising = Conversion(ifColor16, true, false);
    TDibGraphic dest2;
    optimising.ApplyOnDest(MakeImage(4, 1, [](int, int) { return Gray(16); }), dest2);
    ASSERT_EQ(optimising.Palette.size(), 16u);
    EXPECT_EQ(optimising.Palette[0], (TPaletteEntry{16, 16, 16}));
}

TEST(ImageFormatTransform, ProgressRisesThroughPaletteAndRows) {
    std::vector<std::pair<bool, bool>> settings{{true, true}, {true, false}, {false, true}};
    for (auto [optimise, dither] : settings) {
        auto transform = Conversion(ifColor16, optimise, dither);
        std::vector<int> reported;
        transform.SetProgressCallback(
            [&](TImageTransform&, int percent) { reported.push_back(percent); });
        // 50 colours, each met 32 times: more candidates than entries.
        std::mt19937 random(5);
        std::vector<uint32_t> colors(50);
        for (auto& color : colors)
            color = random() & 0xFFFFFF;
        Convert(MakeImage(40, 40, [&](int x, int y) { return colors[(x + 40 * y) % 50]; }),
                transform);
        ASSERT_FALSE(reported.empty());
        EXPECT_EQ(reported.front(), 0);
        EXPECT_EQ(reported.back(), 100);
        EXPECT_TRUE(std::is_sorted(reported.begin(), reported.end())) << optimise << dither;
        if (optimise && dither) { // the palette is the first half, the rows the second
            EXPECT_NE(std::find(reported.begin(), reported.end(), 46), reported.end());
        }
    }
}

TEST(ImageFormatTransform, EmptyImagesConvertToEmptyImages) {
    for (TImageFormat target : {ifBlackWhite, ifColor16, ifColor256, ifTrueColor})
        for (bool dither : {false, true}) {
            TDibGraphic dest = Convert(TDibGraphic(), Conversion(target, true, dither));
            EXPECT_TRUE(dest.Empty());
            EXPECT_EQ(dest.ImageFormat(), target);
        }
}

TEST(ImageFormatTransform, EveryThreadCountGivesTheSameBytes) {
    const TImageFormat targets[] = {ifColor256, ifColor16, ifGray256, ifGray16, ifBlackWhite};
    for (const TOddSize size : OddSizes) {
        const TDibGraphic source = GrainyGradient(size.Width, size.Height);
        for (const TImageFormat target : targets)
            for (const bool optimise : {false, true})
                for (const bool dither : {false, true}) {
                    // Only palette targets build a palette; a large one takes its time.
                    if (optimise && ((target != ifColor256 && target != ifColor16) ||
                                     (target == ifColor16 && size.Width * size.Height > 100000)))
                        continue;
                    ExpectSameOnAnyThreadCount(
                        [&] { return Convert(source, Conversion(target, optimise, dither)); },
                        FormatDescription(target) + (optimise ? " optimised" : "") +
                            (dither ? " dithered " : " ") + std::to_string(size.Width) + "x" +
                            std::to_string(size.Height));
                }
    }
}

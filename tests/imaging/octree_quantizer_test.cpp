#include "imaging/octree_quantizer.h"

#include "image_test_support.h"
#include "thread_count_support.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

TEST(OctreeQuantizer, PaletteIsTheLeavesInOrderOfChildIndex) {
    TOctreeQuantizer quantizer(236);
    quantizer.AddColor(255, 0, 0); // child 4 at the first level
    quantizer.AddColor(0, 0, 255); // child 1
    quantizer.AddColor(0, 255, 0); // child 2
    quantizer.AddColor(255, 0, 0);
    EXPECT_EQ(quantizer.Palette(), (TPalette{{0, 0, 255}, {0, 255, 0}, {255, 0, 0}}));
}

TEST(OctreeQuantizer, MergesTheNewestNodeOfTheDeepestLevel) {
    // Two pairs of colours that differ only in the last bit. When the fourth colour makes one
    // leaf too many, the pair created last is merged (integer means: 254.5 -> 254), not the
    // first pair.
    TOctreeQuantizer quantizer(3);
    quantizer.AddColor(0, 0, 0);
    quantizer.AddColor(0, 0, 1);
    quantizer.AddColor(255, 255, 255);
    quantizer.AddColor(255, 255, 254);
    EXPECT_EQ(quantizer.Palette(), (TPalette{{0, 0, 0}, {0, 0, 1}, {255, 255, 254}}));
}

TEST(OctreeQuantizer, NeverHoldsMoreLeavesThanAllowed) {
    TOctreeQuantizer quantizer(236);
    for (int red = 0; red < 256; red += 5)
        for (int green = 0; green < 256; green += 7)
            for (int blue = 0; blue < 256; blue += 11)
                quantizer.AddColor(uint8_t(red), uint8_t(green), uint8_t(blue));
    const TPalette palette = quantizer.Palette();
    EXPECT_LE(palette.size(), 236u);
    EXPECT_GT(palette.size(), 200u);
}

TEST(ReduceColorsForGif, StaticColoursSurroundTheQuantisedOnes) {
    const TDibGraphic reduced = ReduceColorsForGif(PatternImage(ifTrueColor, 40, 30));
    ASSERT_EQ(reduced.ImageFormat(), ifColor256);
    const TPalette& palette = reduced.Palette();
    ASSERT_EQ(palette.size(), 256u);
    const TPalette& system = StaticSystemColors();
    const TPalette expected{{0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},
                            {0, 0, 128},     {128, 0, 128},   {0, 128, 128},   {192, 192, 192},
                            {192, 220, 192}, {166, 202, 240}, {255, 251, 240}, {160, 160, 164},
                            {128, 128, 128}, {255, 0, 0},     {0, 255, 0},     {255, 255, 0},
                            {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    EXPECT_EQ(system, expected);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(palette[std::size_t(i)], system[std::size_t(i)]) << i;
        EXPECT_EQ(palette[std::size_t(246 + i)], system[std::size_t(10 + i)]) << 246 + i;
    }
}

TEST(ReduceColorsForGif, FewColoursComeThroughExactlyAtEntriesTenOn) {
    // Colours chosen away from the static colours' cells of the 15-bit memory.
    const uint32_t colours[] = {0x123456, 0x654321, 0xA0B0C0, 0x0C0B0A, 0x7F3F1F};
    TDibGraphic image;
    image.NewImage(5, 2, ifTrueColor, nullptr, 72, 72);
    for (int x = 0; x < 5; ++x) {
        image.SetPixel(x, 0, colours[x]);
        image.SetPixel(x, 1, colours[4 - x]);
    }
    const TDibGraphic reduced = ReduceColorsForGif(image);
    EXPECT_TRUE(SamePixels(image, reduced));
    EXPECT_EQ(reduced.XDpi(), 72);
    for (int x = 0; x < 5; ++x)
        EXPECT_GE(reduced.PixelIndex(x, 0), 10);
    // Five leaves; the rest of entries 10 to 245 stays black.
    EXPECT_EQ(reduced.Palette()[15], (TPaletteEntry{0, 0, 0}));
}

TEST(ReduceColorsForGif, PaletteColourClaimsItsCellBeforeAnyPixelIsMapped) {
    // (199, 199, 199) is an exact leaf, but the static grey (192, 192, 192) at entry 7 shares
    // its 15-bit cell and was entered there first.
    TDibGraphic image;
    image.NewImage(2, 1, ifTrueColor);
    image.SetPixel(0, 0, MakeColor(199, 199, 199));
    image.SetPixel(1, 0, MakeColor(200, 200, 200));
    const TDibGraphic reduced = ReduceColorsForGif(image);
    EXPECT_EQ(reduced.PixelIndex(0, 0), 7);
    EXPECT_EQ(reduced.Pixel(1, 0), MakeColor(200, 200, 200));
}

TEST(ReduceColorsForGif, PaletteImagesAreReducedByTheirColours) {
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifColor16, ifGray256}) {
        SCOPED_TRACE(format);
        const TDibGraphic image = PatternImage(format, 17, 5);
        const TDibGraphic reduced = ReduceColorsForGif(image);
        EXPECT_LE(LargestChannelDifference(image, reduced), 8);
    }
}

TEST(ReduceColorsForGif, EveryThreadCountGivesTheSameBytes) {
    // Each cell's answer is that of its first colour in reading order, whichever band of rows
    // meets it first; palette sources go through their colours.
    for (const TImageFormat format : {ifTrueColor, ifColor256, ifColor16, ifBlackWhite})
        for (const TOddSize size : OddSizes) {
            const TDibGraphic source = GrainyGradient(size.Width, size.Height, format);
            ExpectSameOnAnyThreadCount([&] { return ReduceColorsForGif(source); },
                                       FormatDescription(format) + " " +
                                           std::to_string(size.Width) + "x" +
                                           std::to_string(size.Height));
        }
}

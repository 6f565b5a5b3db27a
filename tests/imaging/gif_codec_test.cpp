#include "imaging/image_codecs.h"
#include "imaging/octree_quantizer.h"

#include "image_test_support.h"

#include <gtest/gtest.h>

namespace {

TDibGraphic Load(const std::vector<uint8_t>& bytes) {
    return LoadGif(bytes);
}

} // namespace

TEST(GifCodec, FileCarriesTheReducedPaletteAsItsGlobalTable) {
    const TDibGraphic image = PatternImage(ifTrueColor, 40, 30);
    const std::vector<uint8_t> file = SaveGif(image);
    ASSERT_GT(file.size(), 13u + 768u);
    EXPECT_EQ(std::string(file.begin(), file.begin() + 3), "GIF");
    EXPECT_EQ(LittleEndian16(file, 6), 40);
    EXPECT_EQ(LittleEndian16(file, 8), 30);
    EXPECT_EQ(file[10] & 0x87, 0x87); // a global table of 256 entries
    const TPalette expected = ReduceColorsForGif(image).Palette();
    for (std::size_t i = 0; i < 256; ++i) {
        const TPaletteEntry entry{file[13 + i * 3], file[14 + i * 3], file[15 + i * 3]};
        ASSERT_EQ(entry, expected[i]) << i;
    }
    EXPECT_EQ(file.back(), ';');
}

TEST(GifCodec, RoundTripGivesTheReducedImageInTrueColour) {
    for (TImageFormat format : {ifBlackWhite, ifColor16, ifColor256, ifTrueColor}) {
        SCOPED_TRACE(format);
        const TDibGraphic image = PatternImage(format, 21, 9);
        const TDibGraphic read = LoadGif(SaveGif(image));
        EXPECT_EQ(read.ImageFormat(), ifTrueColor);
        EXPECT_TRUE(SamePixels(ReduceColorsForGif(image), read));
    }
}

TEST(GifCodec, ReadsFilesOfOtherPrograms) {
    ExpectFixturesRead({{"gif_palette.gif", ifTrueColor, TPattern::Colour},
                        {"gif_interlaced.gif", ifTrueColor, TPattern::Colour},
                        {"gif_giffix.gif", ifTrueColor, TPattern::Colour}},
                       Load);
}

TEST(GifCodec, TransparentPixelsShowTheBlackBehind) {
    const TDibGraphic image = LoadGif(ReadFixture("gif_transparent.gif"));
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) {
            const uint32_t colour = PatternColor(TPattern::Colour, x, y);
            ASSERT_EQ(image.Pixel(x, y), colour == 0xFF0000 ? 0u : colour) << x << "," << y;
        }
}

TEST(GifCodec, FrameIsDrawnOverTheFramesBeforeIt) {
    // Frame 1 the pattern; frame 2 a yellow 2x2 square at (3, 1), disposed of by clearing to
    // the background; frame 3 a blue pixel at (0, 0).
    const std::vector<uint8_t> file = ReadFixture("gif_animated.gif");
    TDibGraphic expected = FixturePattern(TPattern::Colour);
    EXPECT_TRUE(SamePixels(expected, LoadGif(file, 1)));
    for (int y = 1; y <= 2; ++y)
        for (int x = 3; x <= 4; ++x)
            expected.SetPixel(x, y, 0xFFFF00);
    EXPECT_TRUE(SamePixels(expected, LoadGif(file, 2)));
    for (int y = 1; y <= 2; ++y)
        for (int x = 3; x <= 4; ++x)
            expected.SetPixel(x, y, 0x000000);
    expected.SetPixel(0, 0, 0x0000FF);
    EXPECT_TRUE(SamePixels(expected, LoadGif(file, 3)));
    ExpectImageError([&] { LoadGif(file, 4); }, "GIF file has no frame 4");
}

TEST(GifCodec, DamagedFilesAreRefusedWithGiflibsMessage) {
    const std::vector<uint8_t> file = SaveGif(PatternImage(ifTrueColor, 16, 8));
    ExpectTruncationsRefused(file, Load, file.size() - 1); // the trailer is not needed
    ExpectImageError(
        [&] {
            LoadGif(std::vector<uint8_t>{'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
        },
        "GIF: Data is not in GIF format");
    // A screen of 60000x60000 pixels claimed by a file of a few bytes is not allocated.
    std::vector<uint8_t> huge{'G', 'I', 'F', '8', '9', 'a', 0x60, 0xEA, 0x60, 0xEA, 0, 0, 0, ';'};
    ExpectImageError([&] { LoadGif(huge); },
                     "GIF image size 60000x60000 is larger than the file's data can hold");
}

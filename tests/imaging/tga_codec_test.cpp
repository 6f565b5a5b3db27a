#include "imaging/image_codecs.h"

#include "image_test_support.h"

#include <gtest/gtest.h>

namespace {

TDibGraphic Load(const std::vector<uint8_t>& bytes) {
    return LoadTga(bytes);
}

std::vector<uint8_t> Header(int type, int mapType, int mapLength, int mapBits, int width,
                            int height, int bits, int descriptor) {
    return {0,
            uint8_t(mapType),
            uint8_t(type),
            0,
            0,
            uint8_t(mapLength),
            uint8_t(mapLength >> 8),
            uint8_t(mapBits),
            0,
            0,
            0,
            0,
            uint8_t(width),
            uint8_t(width >> 8),
            uint8_t(height),
            uint8_t(height >> 8),
            uint8_t(bits),
            uint8_t(descriptor)};
}

} // namespace

TEST(TgaCodec, TrueColourFileIsHeaderAndBottomUpRows) {
    const TDibGraphic image = PatternImage(ifTrueColor, 5, 3);
    const std::vector<uint8_t> file = SaveTga(image);
    EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 18),
              Header(2, 0, 0, 0, 5, 3, 24, 0));
    ASSERT_EQ(file.size(), 18u + 5 * 3 * 3);
    // The bottom row comes first, blue, green, red per pixel, no padding.
    const uint32_t bottomLeft = image.Pixel(0, 2);
    EXPECT_EQ(file[18], ColorBlue(bottomLeft));
    EXPECT_EQ(file[19], ColorGreen(bottomLeft));
    EXPECT_EQ(file[20], ColorRed(bottomLeft));
    const uint32_t topRight = image.Pixel(4, 0);
    EXPECT_EQ(file[file.size() - 1], ColorRed(topRight));
}

TEST(TgaCodec, EightBitImagesAreColourMappedWithAFullMap) {
    for (TImageFormat format : {ifGray256, ifColor256}) {
        SCOPED_TRACE(format);
        const TDibGraphic image = PatternImage(format, 5, 3);
        const std::vector<uint8_t> file = SaveTga(image);
        EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 18),
                  Header(1, 1, 256, 24, 5, 3, 8, 0));
        ASSERT_EQ(file.size(), 18u + 768 + 15);
        const TPaletteEntry& entry = image.Palette()[200];
        EXPECT_EQ(file[18 + 600], entry.Blue);
        EXPECT_EQ(file[18 + 601], entry.Green);
        EXPECT_EQ(file[18 + 602], entry.Red);
        EXPECT_EQ(file[18 + 768], image.PixelIndex(0, 2));
    }
}

TEST(TgaCodec, TwoAndSixteenColourImagesAreRefused) {
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifColor16}) {
        ExpectImageError([&] { SaveTga(PatternImage(format)); },
                         "TARGA image must be true color or 8 bit with palette");
    }
}

TEST(TgaCodec, ReadsFilesOfOtherPrograms) {
    ExpectFixturesRead({{"tga_24.tga", ifTrueColor, TPattern::Colour},
                        {"tga_24_rle_top.tga", ifTrueColor, TPattern::Colour},
                        {"tga_palette.tga", ifColor256, TPattern::Colour},
                        {"tga_palette_rle.tga", ifColor256, TPattern::Colour},
                        {"tga_grey.tga", ifGray256, TPattern::Grey},
                        {"tga_grey_rle_top.tga", ifGray256, TPattern::Grey},
                        {"tga_32.tga", ifTrueColor, TPattern::Colour}},
                       Load);
}

TEST(TgaCodec, ReadsSixteenBitPixelsRightToLeftAndPacketsAcrossRows) {
    // 2x2, 16-bit (x-5-5-5), top-down and right-to-left, run-length coded: one run packet of
    // three white pixels crosses from row 0 into row 1, then one raw red pixel.
    std::vector<uint8_t> file = Header(10, 0, 0, 0, 2, 2, 16, 0x30);
    file.insert(file.end(), {0x82, 0xFF, 0x7F, 0x00, 0x00, 0x7C});
    const TDibGraphic image = LoadTga(file);
    EXPECT_EQ(image.Pixel(0, 0), 0xFFFFFFu);
    EXPECT_EQ(image.Pixel(1, 0), 0xFFFFFFu);
    EXPECT_EQ(image.Pixel(1, 1), 0xFFFFFFu); // stored first in row 1: the right-hand pixel
    EXPECT_EQ(image.Pixel(0, 1), 0xFF0000u);
}

TEST(TgaCodec, ColourMapCanStartAfterEntryZero) {
    // Map of two 24-bit entries starting at index 5: pixel value 6 is the second entry.
    std::vector<uint8_t> file = Header(1, 1, 2, 24, 1, 1, 8, 0);
    file[3] = 5;
    file.insert(file.end(), {0, 0, 255, 255, 0, 0, 6});
    EXPECT_EQ(LoadTga(file).Pixel(0, 0), 0x0000FFu);
}

TEST(TgaCodec, DamagedFilesAreRefused) {
    ExpectTruncationsRefused(SaveTga(PatternImage(ifColor256, 4, 3)), Load);

    std::vector<uint8_t> rle = Header(10, 0, 0, 0, 60000, 60000, 24, 0);
    rle.insert(rle.end(), {0xFF, 1, 2, 3});
    struct Case {
        std::vector<uint8_t> File;
        const char* Message;
    };
    const Case cases[] = {
        {Header(0, 0, 0, 0, 1, 1, 24, 0), "Not a TARGA file or an unsupported image type 0"},
        {Header(2, 0, 0, 0, 0, 1, 24, 0), "TARGA image has an invalid size 0x1"},
        {Header(2, 0, 0, 0, 1, 1, 12, 0), "Unsupported TARGA true-colour depth 12"},
        {Header(1, 1, 2, 24, 1, 1, 16, 0), "Unsupported TARGA colour-mapped image of 16 bits"},
        {Header(2, 0, 0, 0, 1000, 1000, 24, 0), "TARGA file is truncated"},
        {rle, "TARGA file is truncated"},
    };
    for (const Case& c : cases) {
        ExpectImageError([&] { LoadTga(c.File); }, c.Message);
    }
}

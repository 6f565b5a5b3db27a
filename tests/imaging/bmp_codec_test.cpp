#include "imaging/image_codecs.h"

#include "bmp_test_files.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

namespace {

TDibGraphic Load(const std::vector<uint8_t>& bytes) {
    return LoadBmp(bytes);
}

} // namespace

TEST(BmpCodec, TrueColourFileIsHeadersAndRowsExactly) {
    const TDibGraphic image = PatternImage(ifTrueColor, 13, 7, 96, 96);
    const std::vector<uint8_t> file = SaveBmp(image);
    const std::size_t stride = (13 * 24 + 31) / 32 * 4;
    ASSERT_EQ(file.size(), 54 + 7 * stride);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(LittleEndian32(file, 2), file.size());
    EXPECT_EQ(LittleEndian32(file, 6), 0u);   // reserved words
    EXPECT_EQ(LittleEndian32(file, 10), 54u); // pixel offset
    EXPECT_EQ(LittleEndian32(file, 14), 40u);
    EXPECT_EQ(LittleEndian32(file, 18), 13u);
    EXPECT_EQ(LittleEndian32(file, 22), 7u);
    EXPECT_EQ(LittleEndian16(file, 26), 1);
    EXPECT_EQ(LittleEndian16(file, 28), 24);
    EXPECT_EQ(LittleEndian32(file, 30), 0u); // no compression
    EXPECT_EQ(LittleEndian32(file, 34), 7 * stride);
    EXPECT_EQ(LittleEndian32(file, 38), 3780u);
    EXPECT_EQ(LittleEndian32(file, 42), 3780u);
    EXPECT_EQ(LittleEndian32(file, 46), 0u); // no palette
    EXPECT_TRUE(std::equal(file.begin() + 54, file.end(), image.Bits()));
}

TEST(BmpCodec, PaletteFileCarriesEveryEntryAsBlueGreenRedZero) {
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifColor16, ifGray256, ifColor256}) {
        SCOPED_TRACE(format);
        const TDibGraphic image = PatternImage(format, 5, 3);
        const std::vector<uint8_t> file = SaveBmp(image);
        const std::size_t entries = std::size_t(1) << image.BitsPerPixel();
        EXPECT_EQ(LittleEndian32(file, 10), 54 + entries * 4);
        EXPECT_EQ(LittleEndian32(file, 2), 54 + entries * 4 + image.ImageSize());
        EXPECT_EQ(LittleEndian16(file, 28), image.BitsPerPixel());
        EXPECT_EQ(LittleEndian32(file, 46), entries);
        const TPaletteEntry& last = image.Palette().back();
        const std::size_t at = 54 + (image.Palette().size() - 1) * 4;
        EXPECT_EQ(file[at], last.Blue);
        EXPECT_EQ(file[at + 1], last.Green);
        EXPECT_EQ(file[at + 2], last.Red);
        EXPECT_EQ(file[at + 3], 0);
    }
}

TEST(BmpCodec, ReadsFilesOfOtherPrograms) {
    ExpectFixturesRead(
        {
            {"bmp_24.bmp", ifTrueColor, TPattern::Colour},
            {"bmp_palette.bmp", ifColor16, TPattern::Colour},
            {"bmp_rle8.bmp", ifColor256, TPattern::Colour},
            {"bmp_1.bmp", ifBlackWhite, TPattern::Bilevel},
            {"bmp_grey.bmp", ifTrueColor, TPattern::Grey},
            {"bmp_os2.bmp", ifTrueColor, TPattern::Colour},
            {"bmp_32_bitfields.bmp", ifTrueColor, TPattern::Colour},
            // 5-6-5 bits cannot hold 128 exactly
            {"bmp_16_565.bmp", ifTrueColor, TPattern::Colour, 4},
        },
        Load);
}

TEST(BmpCodec, RunLengthCodedFourBitsWithDeltaAndAbsoluteRuns) {
    // 6x3, bottom row first: row 2 = run of 3 of colours 1/2, then absolute 3,4,5; then end of
    // line; a delta of (2, 1) skips to row 0 column 2, where a run of 2 of colour 6 follows.
    const std::vector<uint8_t> data{3, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 2, 1, 2, 0x66, 0, 1};
    std::vector<uint32_t> colours;
    for (uint32_t i = 0; i < 16; ++i)
        colours.push_back(i * 0x111111);
    const TDibGraphic image =
        LoadBmp(InfoHeaderFile(6, 3, 4, 2, colours, data)); // 2: four-bit runs
    ASSERT_EQ(image.ImageFormat(), ifGray16);
    const int bottom[6] = {1, 2, 1, 3, 4, 5};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(image.PixelIndex(x, 2), bottom[x]) << x;
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(image.PixelIndex(x, 1), 0) << x; // skipped rows stay entry 0
    EXPECT_EQ(image.PixelIndex(1, 0), 0);
    EXPECT_EQ(image.PixelIndex(2, 0), 6);
    EXPECT_EQ(image.PixelIndex(3, 0), 6);
    EXPECT_EQ(image.PixelIndex(4, 0), 0);
}

TEST(BmpCodec, TopDownRowsAndCoreHeader) {
    // Height -2: the first row in the file is the top row.
    const std::vector<uint8_t> topDown =
        InfoHeaderFile(1, -2, 24, 0, {}, {0x00, 0x00, 0xFF, 0, 0xFF, 0x00, 0x00, 0});
    const TDibGraphic image = LoadBmp(topDown);
    EXPECT_EQ(image.Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(image.Pixel(0, 1), 0x0000FFu);
    EXPECT_EQ(image.XDpi(), 72);

    // OS/2 core header: 12 bytes, 16-bit sizes, palette entries of 3 bytes.
    std::vector<uint8_t> core = FileHeader(14 + 12 + 6, 14 + 12 + 6 + 4);
    Put32(core, 12);
    Put16(core, 2);
    Put16(core, 1);
    Put16(core, 1);
    Put16(core, 1);
    core.insert(core.end(), {0, 0, 255, 0, 255, 0}); // red, green
    core.insert(core.end(), {0x40, 0, 0, 0});        // pixels 0, 1
    const TDibGraphic coreImage = LoadBmp(core);
    EXPECT_EQ(coreImage.ImageFormat(), ifColor16);
    EXPECT_EQ(coreImage.Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(coreImage.Pixel(1, 0), 0x00FF00u);
}

TEST(BmpCodec, DamagedFilesAreRefused) {
    const std::vector<uint8_t> file = SaveBmp(PatternImage(ifColor256, 8, 4));
    ExpectTruncationsRefused(file, Load);

    struct Case {
        std::vector<uint8_t> File;
        const char* Message;
    };
    const Case cases[] = {
        {{'P', 'K', 3, 4}, "Not a BMP file"},
        {InfoHeaderFile(0, 1, 24, 0, {}, {}), "BMP image has an invalid size 0x1"},
        // Found by fuzzing: a core header of width 0 gave an image of no columns but 255 rows.
        {ReadFixtureFile("fuzz/regressions/bmp/core-header-zero-width.bmp"),
         "BMP image has an invalid size 0x255"},
        {InfoHeaderFile(3, 1, 7, 0, {}, {0, 0, 0, 0}), "Unsupported BMP bit count 7"},
        {InfoHeaderFile(1, 1, 24, 4, {}, {0, 0, 0, 0}), "Unsupported BMP compression 4"},
        {InfoHeaderFile(1, 1, 24, 1, {}, {0, 0, 0, 0}), "Invalid run-length coded BMP file"},
        // A huge image claimed by a few bytes of run-length data is not allocated.
        {InfoHeaderFile(1000000, 1000000, 8, 1, {}, {0, 1}),
         "BMP image size 1000000x1000000 is larger than the file's data can hold"},
        {InfoHeaderFile(100000, 100000, 24, 0, {}, {1, 2, 3}), "BMP file is truncated"},
    };
    for (const Case& c : cases) {
        ExpectImageError([&] { LoadBmp(c.File); }, c.Message);
    }
}

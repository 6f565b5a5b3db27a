#include "imaging/image_codecs.h"

#include "image_test_support.h"

#include <gtest/gtest.h>

namespace {

TDibGraphic Load(const std::vector<uint8_t>& bytes) {
    return LoadPcx(bytes);
}

// A 128-byte header of our own choosing for hand-made files.
std::vector<uint8_t> Header(int bits, int planes, int width, int height, int lineBytes) {
    std::vector<uint8_t> header(128, 0);
    header[0] = 10;
    header[1] = 5;
    header[2] = 1;
    header[3] = uint8_t(bits);
    header[8] = uint8_t(width - 1);
    header[10] = uint8_t(height - 1);
    header[65] = uint8_t(planes);
    header[66] = uint8_t(lineBytes);
    header[68] = 1;
    return header;
}

} // namespace

TEST(PcxCodec, HeaderDescribesEachPixelFormat) {
    struct Case {
        TImageFormat Format;
        int Bits, Planes, LineBytes; // for a 13 pixel wide image
    };
    for (const Case& c :
         {Case{ifBlackWhite, 1, 1, 2}, Case{ifGray16, 4, 1, 8}, Case{ifColor16, 4, 1, 8},
          Case{ifGray256, 8, 1, 14}, Case{ifColor256, 8, 1, 14}, Case{ifTrueColor, 8, 3, 14}}) {
        SCOPED_TRACE(c.Format);
        const TDibGraphic image = PatternImage(c.Format, 13, 7, 300, 150);
        const std::vector<uint8_t> file = SavePcx(image);
        ASSERT_GT(file.size(), 128u);
        EXPECT_EQ(file[0], 10);
        EXPECT_EQ(file[1], 5);
        EXPECT_EQ(file[2], 1);
        EXPECT_EQ(file[3], c.Bits);
        EXPECT_EQ(LittleEndian16(file, 4), 0);
        EXPECT_EQ(LittleEndian16(file, 6), 0);
        EXPECT_EQ(LittleEndian16(file, 8), 12);
        EXPECT_EQ(LittleEndian16(file, 10), 6);
        EXPECT_EQ(LittleEndian16(file, 12), 300);
        EXPECT_EQ(LittleEndian16(file, 14), 150);
        EXPECT_EQ(file[64], 0);
        EXPECT_EQ(file[65], c.Planes);
        EXPECT_EQ(LittleEndian16(file, 66), c.LineBytes);
        EXPECT_EQ(LittleEndian16(file, 68), 1);
        for (std::size_t i = 70; i < 128; ++i)
            EXPECT_EQ(file[i], 0) << i;
        // Only 4-bit images carry the 16-entry palette in the header.
        const TPaletteEntry expected = c.Bits == 4 ? image.Palette()[5] : TPaletteEntry{};
        EXPECT_EQ((TPaletteEntry{file[31], file[32], file[33]}), expected);
    }
}

TEST(PcxCodec, EightBitFileEndsWithTwelveAndTheWholePalette) {
    const TDibGraphic image = PatternImage(ifColor256);
    const std::vector<uint8_t> file = SavePcx(image);
    ASSERT_GT(file.size(), 128u + 769u);
    const std::size_t trailer = file.size() - 769;
    EXPECT_EQ(file[trailer], 12);
    for (std::size_t i = 0; i < 256; ++i) {
        const TPaletteEntry entry{file[trailer + 1 + i * 3], file[trailer + 2 + i * 3],
                                  file[trailer + 3 + i * 3]};
        ASSERT_EQ(entry, image.Palette()[i]) << i;
    }
}

TEST(PcxCodec, RunsStopAtSixtyThreeAndHighBytesAreAlwaysCounted) {
    // One row of 70 bytes of 0xC5 then 0x07 0xC0: runs of 63 and 7, then a lone low byte, then
    // a lone high byte (which must be written as a run of one), then the even padding.
    const TPalette palette = DefaultPalette(ifGray256);
    TDibGraphic image;
    image.NewImage(72, 1, ifGray256, &palette);
    for (int x = 0; x < 70; ++x)
        image.SetPixelIndex(x, 0, 0xC5);
    image.SetPixelIndex(70, 0, 0x07);
    image.SetPixelIndex(71, 0, 0xC0);
    const std::vector<uint8_t> file = SavePcx(image);
    const std::vector<uint8_t> expected{0xFF, 0xC5, 0xC7, 0xC5, 0x07, 0xC1, 0xC0};
    ASSERT_EQ(file.size(), 128 + expected.size() + 769);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), file.begin() + 128));
    EXPECT_TRUE(SamePixels(image, LoadPcx(file)));
}

TEST(PcxCodec, BlackAndWhiteWithDarkSecondEntryIsWrittenInverted) {
    const TPalette inverted{{255, 255, 255}, {0, 0, 0}};
    TDibGraphic image;
    image.NewImage(8, 1, ifBlackWhite, &inverted);
    image.SetPixelIndex(0, 0, 1); // black
    const std::vector<uint8_t> file = SavePcx(image);
    // 1 = white in the file: the black pixel is a 0 bit, the rest 1 bits, then the padding.
    EXPECT_EQ(std::vector<uint8_t>(file.begin() + 128, file.end()),
              (std::vector<uint8_t>{0x7F, 0x00}));
}

TEST(PcxCodec, ReadsFilesOfOtherPrograms) {
    ExpectFixturesRead({{"pcx_24.pcx", ifTrueColor, TPattern::Colour},
                        {"pcx_palette.pcx", ifColor256, TPattern::Colour},
                        {"pcx_1.pcx", ifTrueColor, TPattern::Bilevel}},
                       Load);
}

TEST(PcxCodec, ReadsFourBitPlanesAndRunsAcrossLines) {
    // 3x2 image of four one-bit planes (EGA); plane k holds bit k of each index. Row 0 is
    // 1, 2, 15; row 1 is 0, 2, 14. The zeros that end row 0 and start row 1 are one run, as
    // some writers code them.
    std::vector<uint8_t> file = Header(1, 4, 3, 2, 2);
    for (int i = 0; i < 16; ++i) {
        file[16 + i * 3] = uint8_t(i * 16);
        file[18 + i * 3] = uint8_t(255 - i * 16);
    }
    file.insert(file.end(), {0xA0, 0x00, 0x60, 0x00, 0x20, 0x00, 0x20}); // row 0 but its end
    file.insert(file.end(), {0xC3, 0x00});                               // 00 | 00 00
    file.insert(file.end(), {0x60, 0x00, 0x20, 0x00, 0x20, 0x00});       // rest of row 1
    const TDibGraphic image = LoadPcx(file);
    ASSERT_EQ(image.ImageFormat(), ifColor16);
    const int expected[2][3] = {{1, 2, 15}, {0, 2, 14}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(image.PixelIndex(x, y), expected[y][x]) << x << "," << y;
    EXPECT_EQ(image.Pixel(2, 0), MakeColor(240, 0, 15));
}

TEST(PcxCodec, DamagedFilesAreRefused) {
    // The palette trailer is optional (files without it read as grey), the pixels are not.
    const std::vector<uint8_t> file = SavePcx(PatternImage(ifTrueColor, 8, 4));
    ExpectTruncationsRefused(file, Load);

    struct Case {
        std::vector<uint8_t> File;
        const char* Message;
    };
    std::vector<uint8_t> huge = Header(8, 3, 200, 200, 200);
    huge.insert(huge.end(), {0xFF, 0x00});
    const Case cases[] = {
        {{10, 5, 1}, "PCX file is truncated"},
        {std::vector<uint8_t>(128, 0), "Not a PCX file"},
        {Header(3, 1, 4, 4, 2), "Unsupported PCX format: 1 planes of 3 bits"},
        {Header(8, 1, 40, 1, 20), "Invalid PCX line length 20"},
        // 200 rows of 600 bytes cannot come out of two bytes of runs.
        {huge, "PCX file is truncated"},
    };
    for (const Case& c : cases) {
        ExpectImageError([&] { LoadPcx(c.File); }, c.Message);
    }
}

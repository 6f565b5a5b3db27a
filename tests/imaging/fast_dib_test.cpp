#include "imaging/fast_dib.h"

#include "imaging/image_codecs.h"

#include "bmp_test_files.h"
#include "image_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <unistd.h>

namespace {

TFastDIB Loaded(const std::vector<uint8_t>& file) {
    TFastDIB buffer;
    buffer.LoadFromBmp(file);
    return buffer;
}

void FillRandom(TFastDIB& buffer, unsigned seed) {
    std::mt19937 random(seed);
    for (int y = 0; y < buffer.Height(); ++y)
        for (std::size_t i = 0; i < buffer.RowStride(); ++i)
            buffer.Row(y)[i] = uint8_t(random());
}

void ClearPadding(TFastDIB& buffer) {
    const std::size_t usedBits = std::size_t(buffer.Width()) * std::size_t(buffer.BitsPerPixel());
    for (int y = 0; y < buffer.Height(); ++y) {
        uint8_t* row = buffer.Row(y);
        if (usedBits % 8)
            row[usedBits / 8] &= uint8_t(0xFF << (8 - usedBits % 8));
        std::fill(row + (usedBits + 7) / 8, row + buffer.RowStride(), uint8_t(0));
    }
}

struct TDepth {
    int Bits;
    int Layout;
};
constexpr TDepth EveryDepth[] = {{1, 0},    {4, 0},  {8, 0},    {16, 565},
                                 {16, 555}, {24, 0}, {32, 888}, {32, 565}};

// Colours of a buffer read back through the image codec must be the buffer's own.
::testing::AssertionResult SameColors(const TFastDIB& buffer, const TDibGraphic& image) {
    if (buffer.Width() != image.Width() || buffer.Height() != image.Height())
        return ::testing::AssertionFailure() << "size differs";
    for (int y = 0; y < buffer.Height(); ++y)
        for (int x = 0; x < buffer.Width(); ++x)
            if (buffer.PixelColor(x, y) != image.Pixel(x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << buffer.PixelColor(x, y)
                       << ", the codec reads " << image.Pixel(x, y);
    return ::testing::AssertionSuccess();
}

} // namespace

TEST(FastDIB, SetSizeGivesStrideGapLayoutAndMasks) {
    struct Case {
        int Width, Bits, Layout;
        std::size_t Stride, Gap;
        int ExpectedLayout;
        std::array<uint32_t, 3> Masks;
    };
    const Case cases[] = {
        {3, 24, 0, 12, 3, 0, {0, 0, 0}},
        {5, 8, 0, 8, 3, 0, {0, 0, 0}},
        {9, 4, 0, 8, 4, 0, {0, 0, 0}}, // 9 div 2 = 4 bytes of pixels
        {5, 1, 0, 4, 4, 0, {0, 0, 0}}, // 5 div 8 = 0 bytes of pixels
        {3, 16, 0, 8, 2, 565, {0xF800, 0x07E0, 0x001F}},
        {3, 16, 555, 8, 2, 555, {0x7C00, 0x03E0, 0x001F}},
        {2, 32, 0, 8, 0, 888, {0xFF0000, 0x00FF00, 0x0000FF}},
        {2, 32, 565, 8, 0, 565, {0xF800, 0x07E0, 0x001F}},
        {2, 24, 565, 8, 2, 0, {0, 0, 0}}, // layouts are for 16 and 32 bits only
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Bits));
        TFastDIB buffer;
        buffer.SetSize(c.Width, -3, c.Bits, c.Layout); // a negative height counts as 3
        EXPECT_EQ(buffer.Width(), c.Width);
        EXPECT_EQ(buffer.Height(), 3);
        EXPECT_EQ(buffer.BitsPerPixel(), c.Bits);
        EXPECT_EQ(buffer.RowStride(), c.Stride);
        EXPECT_EQ(buffer.Gap(), c.Gap);
        EXPECT_EQ(buffer.Layout(), c.ExpectedLayout);
        EXPECT_EQ(buffer.Masks(), c.Masks);
        EXPECT_EQ(buffer.ImageSize(), 3 * c.Stride);
        // The row table: the top row first, one stride apart.
        for (int y = 0; y < 3; ++y)
            EXPECT_EQ(buffer.Row(y), buffer.Bits() + std::size_t(y) * c.Stride);
        EXPECT_EQ(buffer.ColorTable().size(), c.Bits <= 8 ? std::size_t(1) << c.Bits : 0);
    }
}

TEST(FastDIB, SetSizeKeepsPixelsWhenNothingChangesAndEmptiesAtZero) {
    TFastDIB buffer;
    buffer.SetSize(4, 2, 24);
    buffer.Row(1)[5] = 77;
    buffer.SetSize(4, -2, 24, 0);
    EXPECT_EQ(buffer.Row(1)[5], 77);
    buffer.SetSize(5, 2, 24);
    EXPECT_EQ(buffer.Row(1)[5], 0);

    buffer.SetSize(0, 0, 24);
    EXPECT_TRUE(buffer.Empty());
    EXPECT_EQ(buffer.ImageSize(), 0u);

    // 0 bits: the screen's depth; 16 bits without a layout: the screen's 16-bit layout.
    SetFastDIBScreenFormat(16, 555);
    buffer.SetSize(2, 2, 0);
    EXPECT_EQ(buffer.BitsPerPixel(), 16);
    EXPECT_EQ(buffer.Layout(), 555);
    SetFastDIBScreenFormat(32, 565);
    buffer.SetSize(2, 2, 0);
    EXPECT_EQ(buffer.BitsPerPixel(), 32);
    EXPECT_EQ(buffer.Layout(), 888);
}

TEST(FastDIB, SetSizeRefusesWhatNoBufferCanBe) {
    const struct {
        int Width, Height, Bits, Layout;
        const char* Message;
    } cases[] = {
        {4, 4, 2, 0, "Unsupported bits per pixel 2"},
        {4, 4, 16, 888, "Invalid layout 888 for 16 bits per pixel"},
        {4, 4, 32, 1000, "Invalid layout 1000 for 32 bits per pixel"},
        {-1, 4, 24, 0, "Invalid image size -1x4"},
        {1 << 20, 1 << 20, 32, 0, "Image too large: 1048576x1048576"},
    };
    for (const auto& c : cases) {
        TFastDIB buffer;
        buffer.SetSize(2, 2, 24);
        ExpectImageError([&] { buffer.SetSize(c.Width, c.Height, c.Bits, c.Layout); }, c.Message);
        EXPECT_EQ(buffer.Width(), 2); // unchanged
    }
}

TEST(FastDIB, CopiesOwnTheirPixels) {
    TFastDIB buffer;
    buffer.SetSize(3, 2, 8);
    FillRandom(buffer, 3);
    TFastDIB copy(buffer);
    ASSERT_NE(copy.Bits(), buffer.Bits());
    EXPECT_EQ(copy.Row(1), copy.Bits() + copy.RowStride());
    EXPECT_TRUE(std::equal(copy.Bits(), copy.Bits() + copy.ImageSize(), buffer.Bits()));
    copy.Row(0)[0] = uint8_t(buffer.Row(0)[0] + 1);
    EXPECT_NE(copy.Row(0)[0], buffer.Row(0)[0]);

    TFastDIB moved(std::move(copy));
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(moved.Row(1), moved.Bits() + moved.RowStride());
}

TEST(FastDIB, ThreeByTwoTrueColourFileIsFiftyBytesWithTheCoreHeader) {
    TFastDIB buffer;
    buffer.SetSize(3, 2, 24);
    for (int y = 0; y < 2; ++y)
        for (std::size_t i = 0; i < 9; ++i)
            buffer.Row(y)[i] = uint8_t(10 * y + i + 1);
    const std::vector<uint8_t> file = buffer.SaveToBmp();
    const std::vector<uint8_t> expected{
        'B', 'M', 50, 0,  0,  0,  0,  0,  0,  0, 26, 0, 0, 0, // file header
        12,  0,   0,  0,  3,  0,  2,  0,  1,  0, 24, 0,       // core header
        11,  12,  13, 14, 15, 16, 17, 18, 19, 0, 0,  0,       // bottom row first
        1,   2,   3,  4,  5,  6,  7,  8,  9,  0, 0,  0,
    };
    EXPECT_EQ(file, expected);

    // Both readers take it back.
    EXPECT_EQ(Loaded(file).SaveToBmp(), file);
    EXPECT_TRUE(SameColors(buffer, LoadBmp(file)));
}

TEST(FastDIB, HeaderOfTheWrittenFileFollowsTheDepth) {
    struct Case {
        int Bits, Layout;
        std::size_t Offset;
        uint32_t HeaderSize;
    };
    const Case cases[] = {
        {1, 0, 14 + 12 + 2 * 3, 12}, {4, 0, 14 + 12 + 16 * 3, 12}, {8, 0, 14 + 12 + 256 * 3, 12},
        {16, 565, 14 + 40 + 12, 40}, {16, 555, 14 + 40 + 12, 40},  {32, 888, 14 + 40 + 12, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Bits);
        TFastDIB buffer;
        buffer.SetSize(5, 3, c.Bits, c.Layout);
        FillRandom(buffer, unsigned(c.Bits));
        if (c.Bits <= 8)
            buffer.SetColorTable(ColorfulPalette(1 << c.Bits));
        // Bytes and bits past the last pixel of a row are not the buffer's to keep.
        ClearPadding(buffer);
        const std::vector<uint8_t> file = buffer.SaveToBmp();
        EXPECT_EQ(LittleEndian32(file, 10), c.Offset);
        EXPECT_EQ(LittleEndian32(file, 14), c.HeaderSize);
        EXPECT_EQ(file.size(), c.Offset + 3 * buffer.RowStride());
        if (c.HeaderSize == 40) {
            EXPECT_EQ(LittleEndian32(file, 30), 3u); // bit fields
            EXPECT_EQ(LittleEndian32(file, 54), buffer.Masks()[0]);
            EXPECT_EQ(LittleEndian32(file, 58), buffer.Masks()[1]);
            EXPECT_EQ(LittleEndian32(file, 62), buffer.Masks()[2]);
        }

        const TFastDIB back = Loaded(file);
        EXPECT_EQ(back.BitsPerPixel(), c.Bits);
        EXPECT_EQ(back.Layout(), buffer.Layout());
        EXPECT_EQ(back.ColorTable(), buffer.ColorTable());
        EXPECT_TRUE(std::equal(back.Bits(), back.Bits() + back.ImageSize(), buffer.Bits()));
        EXPECT_TRUE(SameColors(buffer, LoadBmp(file)));
    }
}

TEST(FastDIB, BuffersTooWideForTheCoreHeaderKeepTheirSizeAndColours) {
    // Found by fuzzing: a 4-bit buffer 65536 pixels wide lost its colour table.
    TFastDIB buffer;
    buffer.SetSize(70000, 2, 4);
    buffer.SetColorTable(ColorfulPalette(16));
    buffer.Row(1)[34999] = 0x5A;
    const std::vector<uint8_t> file = buffer.SaveToBmp();
    EXPECT_EQ(LittleEndian32(file, 14), 40u);
    EXPECT_EQ(LittleEndian32(file, 10), 54u + 16 * 4);
    const TFastDIB back = Loaded(file);
    EXPECT_EQ(back.Width(), 70000);
    EXPECT_EQ(back.ColorTable(), buffer.ColorTable());
    EXPECT_EQ(back.ColorsUsed(), 0);
    EXPECT_EQ(back.Row(1)[34999], 0x5A);
}

TEST(FastDIB, UsedColoursOfAFileAreWrittenBackWithTheInformationHeader) {
    // 8 bits, 3 colours used.
    const std::vector<uint8_t> file =
        InfoHeaderFile(2, 1, 8, 0, {0x00FF0000, 0x0000FF00, 0x000000FF}, {0, 2, 0, 0});
    const TFastDIB buffer = Loaded(file);
    EXPECT_EQ(buffer.ColorsUsed(), 3);
    EXPECT_EQ(buffer.PixelColor(0, 0), 0xFF0000u);
    EXPECT_EQ(buffer.PixelColor(1, 0), 0x0000FFu);
    const std::vector<uint8_t> written = buffer.SaveToBmp();
    EXPECT_EQ(LittleEndian32(written, 10), 54u + 12);
    EXPECT_EQ(LittleEndian32(written, 46), 3u);
    EXPECT_EQ(LittleEndian32(written, 54), 0x00FF0000u);
    EXPECT_EQ(written.size(), 54u + 12 + 4);
}

TEST(FastDIB, ReadsWhatTheImageCodecReads) {
    for (const char* name :
         {"bmp_24.bmp", "bmp_palette.bmp", "bmp_rle8.bmp", "bmp_1.bmp", "bmp_grey.bmp",
          "bmp_os2.bmp", "bmp_32_bitfields.bmp", "bmp_16_565.bmp"}) {
        SCOPED_TRACE(name);
        const std::vector<uint8_t> file = ReadFixture(name);
        EXPECT_TRUE(SameColors(Loaded(file), LoadBmp(file)));
    }
    EXPECT_EQ(Loaded(ReadFixture("bmp_16_565.bmp")).Layout(), 565);
    EXPECT_EQ(Loaded(ReadFixture("bmp_32_bitfields.bmp")).Layout(), 888);
    EXPECT_EQ(Loaded(ReadFixture("bmp_rle8.bmp")).BitsPerPixel(), 8);
}

TEST(FastDIB, RunLengthCodedFourBitsKeepTheirIndices) {
    // 6x3, bottom row first: a run of 3 of indices 1/2, an absolute run 3,4,5, end of line,
    // a delta of (2, 1) to row 0 column 2, a run of 2 of index 6, end of bitmap.
    const std::vector<uint8_t> data{3, 0x12, 0, 3, 0x34, 0x50, 0, 0, 0, 2, 2, 1, 2, 0x66, 0, 1};
    std::vector<uint32_t> colours;
    for (uint32_t i = 0; i < 16; ++i)
        colours.push_back(i * 0x111111);
    const TFastDIB buffer = Loaded(InfoHeaderFile(6, 3, 4, 2, colours, data));
    ASSERT_EQ(buffer.BitsPerPixel(), 4);
    const std::vector<uint8_t> rows{0x00, 0x66, 0x00, 0, // top
                                    0x00, 0x00, 0x00, 0, //
                                    0x12, 0x13, 0x45, 0};
    EXPECT_TRUE(std::equal(rows.begin(), rows.end(), buffer.Bits()));
}

TEST(FastDIB, BitFieldsAnywhereMoveToTheirLayoutAndTopDownFilesStayUpright) {
    // 16 bits with red in the lowest bits: 5-6-5, stored as blue 5 bits at the top.
    const uint16_t pixel = 0x1F | (0x2A << 5) | (0x03 << 11); // red 31, green 42, blue 3
    const TFastDIB moved = Loaded(InfoHeaderFile(1, 1, 16, 3, {0x001F, 0x07E0, 0xF800},
                                                 {uint8_t(pixel), uint8_t(pixel >> 8), 0, 0}));
    EXPECT_EQ(moved.Layout(), 565);
    const uint16_t expected = (31 << 11) | (0x2A << 5) | 3;
    EXPECT_EQ(moved.Row(0)[0] | (moved.Row(0)[1] << 8), expected);

    // Height -2: the first row of the file is the top row.
    const TFastDIB topDown =
        Loaded(InfoHeaderFile(1, -2, 24, 0, {}, {0x00, 0x00, 0xFF, 0, 0xFF, 0x00, 0x00, 0}));
    EXPECT_EQ(topDown.PixelColor(0, 0), 0xFF0000u);
    EXPECT_EQ(topDown.PixelColor(0, 1), 0x0000FFu);
}

TEST(FastDIB, RowColoursAreThePixelColours) {
    for (const TDepth& depth : EveryDepth) {
        SCOPED_TRACE(depth.Bits * 1000 + depth.Layout);
        TFastDIB buffer;
        buffer.SetSize(11, 3, depth.Bits, depth.Layout);
        FillRandom(buffer, 7);
        if (depth.Bits <= 8)
            buffer.SetColorTable(ColorfulPalette(1 << depth.Bits));
        std::vector<uint32_t> colors(11);
        for (int y = 0; y < 3; ++y) {
            buffer.RowColors(y, colors.data());
            for (int x = 0; x < 11; ++x)
                EXPECT_EQ(colors[std::size_t(x)], buffer.PixelColor(x, y)) << x << "," << y;
        }
    }
}

TEST(FastDIB, FlipRowsExchangesTopAndBottom) {
    TFastDIB buffer;
    buffer.SetSize(1, 3, 8);
    for (int y = 0; y < 3; ++y)
        buffer.Row(y)[0] = uint8_t(y);
    buffer.FlipRows();
    EXPECT_EQ(buffer.Row(0)[0], 2);
    EXPECT_EQ(buffer.Row(1)[0], 1);
    EXPECT_EQ(buffer.Row(2)[0], 0);
}

TEST(FastDIB, DamagedFilesAreRefusedAndTheBufferKept) {
    TFastDIB original;
    original.SetSize(4, 3, 24);
    FillRandom(original, 5);
    ExpectTruncationsRefused(original.SaveToBmp(), Loaded);

    struct Case {
        std::vector<uint8_t> File;
        const char* Message;
    };
    const Case cases[] = {
        {{'P', 'K', 3, 4}, "Not a BMP file"},
        {InfoHeaderFile(2, 1, 2, 0, {0, 0xFFFFFF}, {0, 0, 0, 0}), "Unsupported BMP bit count 2"},
        // A channel of 10 bits has no digit in the layout code.
        {InfoHeaderFile(1, 1, 32, 3, {0x3FF00000, 0x000FFC00, 0x000003FF}, {0, 0, 0, 0}),
         "Unsupported BMP bit fields"},
        {InfoHeaderFile(1, 1, 16, 1, {}, {0, 1}), "Invalid run-length coded BMP file"},
        {InfoHeaderFile(1000000, 1000000, 8, 1, {}, {0, 1}),
         "BMP image size 1000000x1000000 is larger than the file's data can hold"},
    };
    for (const Case& c : cases) {
        TFastDIB buffer(original);
        ExpectImageError([&] { buffer.LoadFromBmp(c.File); }, c.Message);
        EXPECT_EQ(buffer.SaveToBmp(), original.SaveToBmp());
    }
}

TEST(FastDIB, BothReadersRefuseBitFieldsThatDescribeNoPixel) {
    const std::vector<std::vector<uint32_t>> masks{
        {0, 0, 0},                // no bits at all
        {0xF800, 0x0FE0, 0x001F}, // red and green overlap
        {0xF800, 0x07A0, 0x001F}, // green is not one run of bits
        {0xF8000, 0x07E0, 0x001F} // red lies outside a 16-bit pixel
    };
    for (const auto& fields : masks) {
        const std::vector<uint8_t> file = InfoHeaderFile(1, 1, 16, 3, fields, {0, 0, 0, 0});
        ExpectImageError([&] { LoadBmp(file); }, "Invalid BMP bit fields");
        ExpectImageError([&] { Loaded(file); }, "Invalid BMP bit fields");
    }
}

TEST(FastDIB, RunsPastTheRowOrTheImageAreCut) {
    // 2x2 of 8 bits: a run of 5 in a row of 2, a delta far beyond the top, end of bitmap.
    // No colour table: the pixel data starts right after the header.
    const std::vector<uint8_t> data{5, 7, 0, 0, 3, 9, 0, 2, 200, 200, 4, 8, 0, 1};
    const std::vector<uint8_t> file = InfoHeaderFile(2, 2, 8, 1, {}, data);
    const TFastDIB buffer = Loaded(file);
    const TDibGraphic image = LoadBmp(file);
    for (int x = 0; x < 2; ++x) {
        EXPECT_EQ(buffer.Row(1)[x], 7);
        EXPECT_EQ(buffer.Row(0)[x], 9);
        EXPECT_EQ(image.PixelIndex(x, 1), 7);
        EXPECT_EQ(image.PixelIndex(x, 0), 9);
    }
}

TEST(FastDIB, FilesRoundTripAndAMissingFileIsAnError) {
    const std::string folder = ::testing::TempDir() + "fast_dib_" + std::to_string(::getpid());
    std::filesystem::create_directories(folder);
    TFastDIB buffer;
    buffer.SetSize(7, 5, 24);
    FillRandom(buffer, 9);
    ClearPadding(buffer);
    buffer.SaveToFile(folder + "/transfer.bmp");
    TFastDIB back;
    back.LoadFromFile(folder + "/transfer.bmp");
    EXPECT_EQ(back.SaveToBmp(), buffer.SaveToBmp());
    EXPECT_THROW(back.LoadFromFile(folder + "/missing.bmp"), EImageError);
    EXPECT_EQ(back.Width(), 7);
    std::filesystem::remove_all(folder);
}

#include "imaging/dib_graphic.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(DibGraphic, RowsAreBottomUpAndPaddedToFourBytes) {
    TDibGraphic image;
    image.NewImage(5, 3, ifTrueColor);
    EXPECT_EQ(image.RowStride(), 16u); // 15 bytes of pixels padded to 16
    EXPECT_EQ(image.ImageSize(), 48u);
    image.SetPixel(0, 0, MakeColor(1, 2, 3));
    // The top row is stored last, blue first.
    EXPECT_EQ(image.Bits()[32], 3);
    EXPECT_EQ(image.Bits()[33], 2);
    EXPECT_EQ(image.Bits()[34], 1);
    EXPECT_EQ(image.Pixel(0, 0), MakeColor(1, 2, 3));
}

TEST(DibGraphic, StridesFollowBitsPerPixel) {
    struct Case {
        TImageFormat Format;
        int Width;
        std::size_t Stride;
    };
    for (auto c : {Case{ifBlackWhite, 33, 8}, Case{ifGray16, 9, 8}, Case{ifColor256, 4, 4},
                   Case{ifColor256, 5, 8}, Case{ifTrueColor, 1, 4}}) {
        TDibGraphic image;
        image.NewImage(c.Width, 2, c.Format);
        EXPECT_EQ(image.RowStride(), c.Stride) << c.Format << " " << c.Width;
    }
}

TEST(DibGraphic, DefaultPalettes) {
    EXPECT_EQ(DefaultPalette(ifBlackWhite), (TPalette{{0, 0, 0}, {255, 255, 255}}));
    auto gray16 = DefaultPalette(ifGray16);
    ASSERT_EQ(gray16.size(), 16u);
    EXPECT_EQ(gray16[3], (TPaletteEntry{51, 51, 51}));
    auto gray256 = DefaultPalette(ifGray256);
    ASSERT_EQ(gray256.size(), 256u);
    EXPECT_EQ(gray256[200], (TPaletteEntry{200, 200, 200}));
    EXPECT_EQ(DefaultPalette(ifColor16).size(), 16u);
    EXPECT_EQ(DefaultPalette(ifColor256).size(), 256u);
    EXPECT_TRUE(DefaultPalette(ifTrueColor).empty());
}

TEST(DibGraphic, ColourOnPaletteImageTakesNearestEntryFirstWins) {
    TDibGraphic image;
    const TPalette palette{{0, 0, 0}, {10, 10, 10}, {10, 10, 10}, {255, 255, 255}};
    image.NewImage(4, 1, ifColor256, &palette);
    image.SetPixel(0, 0, MakeColor(9, 9, 9));
    image.SetPixel(1, 0, MakeColor(200, 200, 200));
    image.SetPixel(2, 0, MakeColor(4, 4, 4)); // nearer to 0 than to 10
    image.SetPixel(3, 0, MakeColor(5, 5, 5)); // tie between 0 and 1: the first wins
    EXPECT_EQ(image.PixelIndex(0, 0), 1);
    EXPECT_EQ(image.PixelIndex(1, 0), 3);
    EXPECT_EQ(image.PixelIndex(2, 0), 0);
    EXPECT_EQ(image.PixelIndex(3, 0), 0);
}

TEST(DibGraphic, PackedIndicesReadBackPerPixel) {
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifColor16}) {
        TDibGraphic image;
        image.NewImage(11, 2, format);
        const int levels = format == ifBlackWhite ? 2 : 16;
        for (int x = 0; x < 11; ++x)
            image.SetPixelIndex(x, 1, (x * 7) % levels);
        for (int x = 0; x < 11; ++x) {
            EXPECT_EQ(image.PixelIndex(x, 1), (x * 7) % levels) << format << " x=" << x;
            EXPECT_EQ(image.PixelIndex(x, 0), 0);
        }
    }
}

TEST(DibGraphic, ResolutionStoredAsPixelsPerMetre) {
    TDibGraphic image;
    image.NewImage(1, 1, ifTrueColor, nullptr, 96, 300);
    EXPECT_EQ(image.XPelsPerMeter(), 3780);
    EXPECT_EQ(image.YPelsPerMeter(), 11811);
    EXPECT_EQ(image.XDpi(), 96);
    EXPECT_EQ(image.YDpi(), 300);
}

TEST(DibGraphic, RefusesFormatNumbersOutsideTheTable) {
    EXPECT_THROW(ImageFormatFromNumber(6), EImageError);
    EXPECT_THROW(ImageFormatFromNumber(-1), EImageError);
    try {
        ImageFormatFromNumber(9);
    } catch (const EImageError& error) {
        EXPECT_STREQ(error.what(), "Internal error: Invalid image format");
    }
}

TEST(DibGraphic, RefusesSizesThatCannotBeAPicture) {
    TDibGraphic image;
    EXPECT_THROW(image.NewImage(-1, 5, ifTrueColor), EImageError);
    EXPECT_THROW(image.NewImage(1000000, 1000000, ifTrueColor), EImageError);
    image.NewImage(0, 0, ifTrueColor);
    EXPECT_TRUE(image.Empty());
}

TEST(DibGraphic, ScreenColorNameByDepth) {
    struct Case {
        int Bits;
        const char* Name;
    };
    for (const Case& c :
         {Case{1, "2 Colors MonoChrome"}, Case{4, "16 Colors"}, Case{8, "256 Colors"},
          Case{15, "32768 Colors"}, Case{16, "65536 Colors HiColor (16 Bit)"},
          Case{24, "16777216 Colors TrueColor (24 Bit)"},
          Case{32, "4294967296 Colors TrueColor (32 Bit)"},
          Case{64, "18446744073709551616 Colors UltraColor (64 Bit)"}})
        EXPECT_EQ(ScreenColorName(c.Bits), c.Name) << c.Bits;
}

TEST(DibGraphic, NewPixelsAreZeroOrLeftToTheCallerWithZeroRowEnds) {
    // Memory that held a picture before, small (the heap) and large (mapped on its own).
    for (const int width : {5, 1001}) {
        for (const TImageFormat format : {ifBlackWhite, ifColor16, ifColor256, ifTrueColor}) {
            SCOPED_TRACE(testing::Message() << width << " wide, format " << format);
            {
                TDibGraphic used;
                used.NewImage(width, 900, format);
                std::fill_n(used.Bits(), used.ImageSize(), uint8_t(0xA5));
            }
            TDibGraphic zero;
            zero.NewImage(width, 900, format);
            EXPECT_EQ(std::count(zero.Bits(), zero.Bits() + zero.ImageSize(), 0),
                      std::ptrdiff_t(zero.ImageSize()));

            TDibGraphic left;
            left.NewImage(width, 900, format, nullptr, 0, 0, TNewPixels::ToOverwrite);
            // From the byte that holds the last pixel (all of it when that pixel ends the byte
            // before) to the row's end.
            const std::size_t from = std::size_t(width) * std::size_t(left.BitsPerPixel()) / 8;
            for (int y = 0; y < left.Height(); ++y)
                for (std::size_t i = from; i < left.RowStride(); ++i)
                    ASSERT_EQ(left.ScanLine(y)[i], 0) << "row " << y << ", byte " << i;
        }
    }
}

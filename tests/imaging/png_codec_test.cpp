#include "imaging/image_codecs.h"

#include "image_test_support.h"
#include "test_images.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TDibGraphic Load(const std::vector<uint8_t>& bytes) {
    return LoadPng(bytes);
}

uint32_t BigEndian32(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return (uint32_t(bytes[offset]) << 24) | (uint32_t(bytes[offset + 1]) << 16) |
           (uint32_t(bytes[offset + 2]) << 8) | uint32_t(bytes[offset + 3]);
}

struct TChunk {
    std::string Name;
    std::vector<uint8_t> Data;
    std::size_t Offset; // of the length field
};

std::vector<TChunk> Chunks(const std::vector<uint8_t>& file) {
    std::vector<TChunk> chunks;
    for (std::size_t at = 8; at + 12 <= file.size();) {
        const uint32_t length = BigEndian32(file, at);
        TChunk chunk{std::string(file.begin() + std::ptrdiff_t(at + 4),
                                 file.begin() + std::ptrdiff_t(at + 8)),
                     std::vector<uint8_t>(file.begin() + std::ptrdiff_t(at + 8),
                                          file.begin() + std::ptrdiff_t(at + 8 + length)),
                     at};
        chunks.push_back(chunk);
        at += 12 + length;
    }
    return chunks;
}

const TChunk* Find(const std::vector<TChunk>& chunks, const std::string& name) {
    for (const TChunk& chunk : chunks)
        if (chunk.Name == name)
            return &chunk;
    return nullptr;
}

} // namespace

TEST(PngCodec, HeaderChunksFollowThePixelFormat) {
    struct Case {
        TImageFormat Format;
        int ColorType, BitDepth;
        std::size_t PaletteEntries; // 0: no PLTE
    };
    for (const Case& c :
         {Case{ifBlackWhite, 0, 1, 0}, Case{ifGray16, 0, 4, 0}, Case{ifGray256, 0, 8, 0},
          Case{ifColor16, 3, 4, 16}, Case{ifColor256, 3, 8, 256}, Case{ifTrueColor, 2, 8, 0}}) {
        SCOPED_TRACE(c.Format);
        const std::vector<uint8_t> file = SavePng(PatternImage(c.Format, 13, 7, 96, 96));
        const std::vector<TChunk> chunks = Chunks(file);
        std::vector<std::string> names;
        for (const TChunk& chunk : chunks)
            if (names.empty() || names.back() != chunk.Name)
                names.push_back(chunk.Name);
        std::vector<std::string> expected{"IHDR", "gAMA", "pHYs", "IDAT", "IEND"};
        if (c.PaletteEntries)
            expected.insert(expected.begin() + 2, "PLTE");
        EXPECT_EQ(names, expected);

        const TChunk& header = chunks.front();
        ASSERT_EQ(header.Name, "IHDR");
        EXPECT_EQ(BigEndian32(header.Data, 0), 13u);
        EXPECT_EQ(BigEndian32(header.Data, 4), 7u);
        EXPECT_EQ(header.Data[8], c.BitDepth);
        EXPECT_EQ(header.Data[9], c.ColorType);
        EXPECT_EQ(header.Data[10], 0); // compression method
        EXPECT_EQ(header.Data[11], 0); // filter method
        EXPECT_EQ(header.Data[12], 1); // Adam7

        EXPECT_EQ(BigEndian32(Find(chunks, "gAMA")->Data, 0), 50000u); // gamma 0.5
        const TChunk* physical = Find(chunks, "pHYs");
        EXPECT_EQ(BigEndian32(physical->Data, 0), 3780u);
        EXPECT_EQ(BigEndian32(physical->Data, 4), 3780u);
        EXPECT_EQ(physical->Data[8], 1); // metre
        if (c.PaletteEntries) {
            EXPECT_EQ(Find(chunks, "PLTE")->Data.size(), c.PaletteEntries * 3);
        }
        // Deflate level 5 is what zlib calls a fast level (2 in the header's level field
        // would be its default, 6).
        EXPECT_EQ(Find(chunks, "IDAT")->Data[1] >> 6, 1);
    }
}

TEST(PngCodec, PhysicalSizeIsTheResolutionInPixelsPerMetre) {
    const std::vector<TChunk> chunks = Chunks(SavePng(PatternImage(ifTrueColor, 3, 3, 300, 72)));
    EXPECT_EQ(BigEndian32(Find(chunks, "pHYs")->Data, 0), 11811u);
    EXPECT_EQ(BigEndian32(Find(chunks, "pHYs")->Data, 4), 2835u);
}

TEST(PngCodec, ShortPaletteIsPaddedToTheHighestIndexUsed) {
    const TPalette palette{{255, 0, 0}, {0, 255, 0}};
    TDibGraphic image;
    image.NewImage(4, 1, ifColor256, &palette);
    image.SetPixelIndex(3, 0, 5);
    const std::vector<uint8_t> file = SavePng(image);
    EXPECT_EQ(Find(Chunks(file), "PLTE")->Data.size(), 6u * 3);
    EXPECT_TRUE(SamePixels(image, LoadPng(file)));
}

TEST(PngCodec, ReadsEveryColourTypeAndDepth) {
    ExpectFixturesRead({{"png_rgb.png", ifTrueColor, TPattern::Colour},
                        {"png_rgba.png", ifTrueColor, TPattern::Colour},
                        {"png_rgb16.png", ifTrueColor, TPattern::Colour},
                        {"png_palette8.png", ifColor256, TPattern::Colour},
                        {"png_palette4.png", ifColor16, TPattern::Colour},
                        {"png_palette_trns.png", ifColor16, TPattern::Colour},
                        {"png_interlaced.png", ifTrueColor, TPattern::Colour},
                        {"png_pngfix.png", ifTrueColor, TPattern::Colour},
                        {"png_grey1.png", ifBlackWhite, TPattern::Bilevel},
                        {"png_grey2.png", ifGray16, TPattern::Bilevel},
                        {"png_grey4.png", ifGray16, TPattern::Grey},
                        {"png_grey8.png", ifGray256, TPattern::Grey},
                        {"png_grey16.png", ifGray256, TPattern::Grey},
                        {"png_grey_alpha.png", ifGray256, TPattern::Grey}},
                       Load);
}

TEST(PngCodec, DamagedFilesAreRefusedWithLibpngsMessage) {
    const std::vector<uint8_t> file = SavePng(PatternImage(ifTrueColor, 9, 5));
    // Everything up to the end of the pixel data is needed; the end chunk is not.
    ExpectTruncationsRefused(file, Load, Find(Chunks(file), "IEND")->Offset);

    std::vector<uint8_t> badCrc = file;
    badCrc[29] ^= 0xFF; // last byte of IHDR's CRC
    ExpectImageError([&] { LoadPng(badCrc); }, "PNG: IHDR: CRC error");
    ExpectImageError([&] { Load({'G', 'I', 'F', '8', '9', 'a', 0, 0}); }, "Not a PNG file");
}

TEST(PngCodec, ScreenPicturesAndPhotographsBothKeepEveryPixel) {
    // Flat areas and text-like edges, as on a screen, are written unfiltered; noise, as in a
    // photograph, through the library's own filter choice. Both must read back exactly.
    const TDibGraphic screen = MakeImage(64, 40, [](int x, int y) {
        if (y < 8)
            return MakeColor(0, 0, 128);
        return (x % 9 == 3 && y % 7 < 5) ? MakeColor(0, 0, 0) : MakeColor(236, 233, 216);
    });
    const TDibGraphic greyBands =
        MakeIndexImage(64, 40, ifGray256, [](int x, int y) { return (x / 8 + y) % 256; });
    const TDibGraphic noise = MakeNoise(64, 40);
    for (const TDibGraphic* image : {&screen, &greyBands, &noise})
        EXPECT_TRUE(SamePixels(*image, LoadPng(SavePng(*image))));
}

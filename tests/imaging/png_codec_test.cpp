#include "imaging/fit_thumbnail.h"
#include "imaging/image_codecs.h"

#include "image_test_support.h"
#include "test_images.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <random>
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

// An 8-bit RGB or RGBA picture of random bytes, as the file stores it: red first.
struct TRawPicture {
    int Width, Height, Channels;
    std::vector<uint8_t> Bytes;
};

TRawPicture RandomPicture(int width, int height, int channels, unsigned seed) {
    std::mt19937 random(seed);
    TRawPicture picture{width, height, channels, {}};
    // Runs of equal pixels among the noise, so that every filter has something to do.
    for (int i = 0; i < width * height; ++i) {
        const uint32_t value = (i % 5 < 2 && i > 0) ? 0 : uint32_t(random());
        for (int c = 0; c < channels; ++c)
            picture.Bytes.push_back(value == 0 ? picture.Bytes[picture.Bytes.size() - channels]
                                               : uint8_t(value >> (8 * c)));
    }
    return picture;
}

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* file = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    file->insert(file->end(), data, data + length);
}

// The picture written by libpng with only `filters` allowed for its rows.
std::vector<uint8_t> WriteWithLibpng(const TRawPicture& picture, bool interlaced, int filters) {
    std::vector<uint8_t> file;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        ADD_FAILURE() << "libpng could not write the test picture";
        return {};
    }
    png_set_write_fn(png, &file, AppendToVector, nullptr);
    png_set_IHDR(png, info, png_uint_32(picture.Width), png_uint_32(picture.Height), 8,
                 picture.Channels == 3 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA,
                 interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
    png_set_compression_level(png, 1);
    png_write_info(png, info);
    std::vector<png_bytep> rows;
    for (int y = 0; y < picture.Height; ++y)
        rows.push_back(const_cast<png_bytep>(picture.Bytes.data()) +
                       std::size_t(y) * std::size_t(picture.Width * picture.Channels));
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return file;
}

::testing::AssertionResult ShowsPicture(const TDibGraphic& image, const TRawPicture& picture) {
    if (image.Width() != picture.Width || image.Height() != picture.Height)
        return ::testing::AssertionFailure() << "size " << image.Width() << "x" << image.Height();
    for (int y = 0; y < picture.Height; ++y)
        for (int x = 0; x < picture.Width; ++x) {
            const uint8_t* p = picture.Bytes.data() +
                               std::size_t(y * picture.Width + x) * std::size_t(picture.Channels);
            if (image.Pixel(x, y) != MakeColor(p[0], p[1], p[2]))
                return ::testing::AssertionFailure() << "pixel " << x << "," << y;
        }
    return ::testing::AssertionSuccess();
}

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(value >> shift));
}

void AppendChunk(std::vector<uint8_t>& file, const char* name, const std::vector<uint8_t>& data) {
    PutBigEndian32(file, uint32_t(data.size()));
    const std::size_t start = file.size();
    file.insert(file.end(), name, name + 4);
    file.insert(file.end(), data.begin(), data.end());
    PutBigEndian32(file, uint32_t(crc32(0, file.data() + start, uInt(file.size() - start))));
}

// A non-interlaced RGB file of `width` x `height` whose image data is exactly `rows` (filter
// bytes included) compressed, in IDAT chunks of at most `chunkSize` bytes.
std::vector<uint8_t> HandMadePng(int width, int height, const std::vector<uint8_t>& rows,
                                 std::size_t chunkSize = 1 << 20) {
    std::vector<uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    PutBigEndian32(header, uint32_t(width));
    PutBigEndian32(header, uint32_t(height));
    header.insert(header.end(), {8, 2, 0, 0, 0});
    AppendChunk(file, "IHDR", header);
    std::vector<uint8_t> compressed(compressBound(uLong(rows.size())));
    uLongf size = uLongf(compressed.size());
    compress2(compressed.data(), &size, rows.data(), uLong(rows.size()), 6);
    for (std::size_t at = 0; at < size; at += chunkSize)
        AppendChunk(file, "IDAT",
                    std::vector<uint8_t>(compressed.begin() + std::ptrdiff_t(at),
                                         compressed.begin() + std::ptrdiff_t(std::min<std::size_t>(
                                                                  at + chunkSize, size))));
    AppendChunk(file, "IEND", {});
    return file;
}

} // namespace

TEST(PngCodec, TrueColourFilesReadTheSameWithEveryFilterAndLayout) {
    struct Case {
        int Width, Height, Channels;
        bool Interlaced;
        int Filters;
    };
    std::vector<Case> cases;
    for (int filters : {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG,
                        PNG_FILTER_PAETH, PNG_ALL_FILTERS})
        for (int channels : {3, 4})
            for (bool interlaced : {false, true})
                cases.push_back({37, 23, channels, interlaced, filters});
    // Pictures so small that some interlace passes are empty.
    for (const auto& [width, height] : {std::pair{1, 1}, {1, 9}, {9, 1}, {3, 2}, {5, 5}})
        for (bool interlaced : {false, true})
            cases.push_back({width, height, 3, interlaced, PNG_ALL_FILTERS});
    unsigned seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.Width << "x" << c.Height << " channels " << c.Channels << " interlaced "
                     << c.Interlaced << " filters " << c.Filters);
        const TRawPicture picture = RandomPicture(c.Width, c.Height, c.Channels, seed++);
        const std::vector<uint8_t> file = WriteWithLibpng(picture, c.Interlaced, c.Filters);
        const TDibGraphic image = LoadPng(file);
        EXPECT_EQ(image.ImageFormat(), ifTrueColor);
        EXPECT_TRUE(ShowsPicture(image, picture));

        // Row by row, and fitted from its rows, it is the same picture.
        TPngRowReader reader;
        ASSERT_TRUE(reader.Read(file));
        std::vector<uint8_t> row(std::size_t(c.Width) * 3);
        for (int y = 0; y < c.Height; ++y) {
            reader.Row(y, row.data());
            EXPECT_TRUE(std::equal(row.begin(), row.end(), image.ScanLine(y))) << "row " << y;
        }
        // Red first, as the thumbnails take them.
        const TRowSource rows{c.Width, c.Height, true, [&](int y, uint8_t* scratch) {
                                  return reader.RedFirstRow(y, scratch);
                              }};
        EXPECT_EQ(Pixels(FitThumbnail(rows, 12, 9)), Pixels(FitThumbnail(image, 12, 9)));
        EXPECT_EQ(Pixels(FitThumbnail(rows, 120, 90)), Pixels(FitThumbnail(image, 120, 90)));
        reader.Finish();
    }
}

TEST(PngCodec, OddImageDataIsJudgedAsLibpngJudgesIt) {
    // 3 x 2 pixels, unfiltered: filter byte, then red, green, blue.
    const std::vector<uint8_t> rows{0, 1,  2,  3,  4,  5,  6,  7,  8,  9,
                                    0, 11, 12, 13, 14, 15, 16, 17, 18, 19};
    const auto expectPixels = [](const std::vector<uint8_t>& file) {
        const TDibGraphic image = LoadPng(file);
        EXPECT_EQ(image.Pixel(0, 0), MakeColor(1, 2, 3));
        EXPECT_EQ(image.Pixel(2, 1), MakeColor(17, 18, 19));
    };
    expectPixels(HandMadePng(3, 2, rows));
    expectPixels(HandMadePng(3, 2, rows, 3)); // in IDAT chunks of 3 bytes

    // More data than the image needs: libpng warns and reads the image.
    std::vector<uint8_t> longer = rows;
    longer.insert(longer.end(), {0, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    expectPixels(HandMadePng(3, 2, longer));

    std::vector<uint8_t> shorter(rows.begin(), rows.end() - 10);
    ExpectImageError([&] { LoadPng(HandMadePng(3, 2, shorter)); }, "PNG: Not enough image data");

    std::vector<uint8_t> badFilter = rows;
    badFilter[10] = 5;
    ExpectImageError([&] { LoadPng(HandMadePng(3, 2, badFilter)); },
                     "PNG: bad adaptive filter value");

    std::vector<uint8_t> badCrc = HandMadePng(3, 2, rows);
    badCrc[badCrc.size() - 13] ^= 0xFF; // last byte of IDAT's CRC
    ExpectImageError([&] { LoadPng(badCrc); }, "PNG: IDAT: CRC error");

    std::vector<uint8_t> badCheck = HandMadePng(3, 2, rows);
    badCheck[badCheck.size() - 17] ^= 0xFF; // last byte of the zlib stream's Adler-32
    ExpectImageError([&] { LoadPng(badCheck); }, "PNG: IDAT: incorrect data check");
}

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

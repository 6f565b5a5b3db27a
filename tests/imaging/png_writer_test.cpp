#include "imaging/image_codecs.h"

#include "image_test_support.h"
#include "test_images.h"

#include <png.h>

#include <gtest/gtest.h>

#include <array>
#include <csetjmp>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// What libpng reads from a file with none of its transforms but the interlace handling: the
// samples of each row at the file's own depth.
struct TLibpngImage {
    png_uint_32 Width = 0, Height = 0;
    int BitDepth = 0, ColorType = 0, Interlace = 0;
    std::vector<png_color> Palette;
    std::vector<std::vector<uint8_t>> Rows;
    std::vector<png_bytep> RowPointers;
    char Error[256] = "";

    // Sample `channel` of pixel x in row y.
    int Sample(int x, int y, int channel = 0) const {
        const uint8_t* row = Rows[std::size_t(y)].data();
        if (BitDepth == 8)
            return row[std::size_t(x) * (ColorType == PNG_COLOR_TYPE_RGB ? 3 : 1) +
                       std::size_t(channel)];
        const int bit = x * BitDepth;
        return (row[bit / 8] >> (8 - BitDepth - bit % 8)) & ((1 << BitDepth) - 1);
    }
};

struct TMemoryInput {
    const std::vector<uint8_t>* Data;
    std::size_t Position = 0;
};

void ReadFromMemory(png_structp png, png_bytep target, png_size_t length) {
    auto* input = static_cast<TMemoryInput*>(png_get_io_ptr(png));
    if (length > input->Data->size() - input->Position)
        png_error(png, "read past the end");
    std::memcpy(target, input->Data->data() + input->Position, length);
    input->Position += length;
}

void OnError(png_structp png, png_const_charp message) {
    auto* image = static_cast<TLibpngImage*>(png_get_error_ptr(png));
    std::snprintf(image->Error, sizeof image->Error, "%s", message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp png, png_const_charp message) {
    OnError(png, message); // a file we write must not even warn
}

// Everything that owns memory lives in `image`, so the jump skips no destructor.
bool ReadRows(png_structp png, png_infop info, TMemoryInput& input, TLibpngImage& image) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &input, ReadFromMemory);
    png_read_info(png, info);
    png_get_IHDR(png, info, &image.Width, &image.Height, &image.BitDepth, &image.ColorType,
                 &image.Interlace, nullptr, nullptr);
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries))
        image.Palette.assign(palette, palette + entries);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image.Rows.assign(image.Height, std::vector<uint8_t>(png_get_rowbytes(png, info)));
    for (std::vector<uint8_t>& row : image.Rows)
        image.RowPointers.push_back(row.data());
    png_read_image(png, image.RowPointers.data());
    png_read_end(png, nullptr);
    return true;
}

TLibpngImage ReadWithLibpng(const std::vector<uint8_t>& file) {
    TLibpngImage image;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &image, OnError, OnWarning);
    png_infop info = png_create_info_struct(png);
    TMemoryInput input{&file};
    if (!ReadRows(png, info, input, image))
        ADD_FAILURE() << "libpng: " << image.Error;
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}

// libpng reads from `file` exactly the pixels of `image`, in the layout the writer promises.
::testing::AssertionResult LibpngReadsThePixels(const TDibGraphic& image,
                                                const std::vector<uint8_t>& file) {
    const TLibpngImage read = ReadWithLibpng(file);
    if (read.Rows.empty())
        return ::testing::AssertionFailure() << "libpng read nothing";
    if (int(read.Width) != image.Width() || int(read.Height) != image.Height() ||
        read.Interlace != PNG_INTERLACE_ADAM7)
        return ::testing::AssertionFailure()
               << "header " << read.Width << "x" << read.Height << " interlace " << read.Interlace;
    const bool inverted = image.ImageFormat() == ifBlackWhite && image.Palette().size() >= 2 &&
                          image.Palette()[1] == TPaletteEntry{0, 0, 0};
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) {
            // Samples as read and as expected; palette images add the entry's colour.
            std::array<int, 4> expected{}, actual{};
            switch (image.ImageFormat()) {
            case ifTrueColor: {
                const uint32_t color = image.Pixel(x, y);
                expected = {ColorRed(color), ColorGreen(color), ColorBlue(color), 0};
                actual = {read.Sample(x, y, 0), read.Sample(x, y, 1), read.Sample(x, y, 2), 0};
                break;
            }
            case ifColor16:
            case ifColor256: {
                const int index = image.PixelIndex(x, y);
                const TPaletteEntry entry = image.Palette()[std::size_t(index)];
                const png_color stored = read.Palette.at(std::size_t(read.Sample(x, y)));
                expected = {index, entry.Red, entry.Green, entry.Blue};
                actual = {read.Sample(x, y), stored.red, stored.green, stored.blue};
                break;
            }
            case ifBlackWhite:
                expected[0] = inverted ? 1 - image.PixelIndex(x, y) : image.PixelIndex(x, y);
                actual[0] = read.Sample(x, y);
                break;
            case ifGray16:
            case ifGray256:
                expected[0] = image.PixelIndex(x, y);
                actual[0] = read.Sample(x, y);
                break;
            }
            if (expected != actual)
                return ::testing::AssertionFailure() << "pixel " << x << "," << y << " differs";
        }
    return ::testing::AssertionSuccess();
}

// Random pixels: every index of the palette, or any colour.
TDibGraphic RandomImage(TImageFormat format, int width, int height, const TPalette* palette,
                        unsigned seed) {
    std::mt19937 random(seed);
    TDibGraphic image;
    image.NewImage(width, height, format, palette, 96, 96);
    const int entries = int(image.Palette().size());
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (format == ifTrueColor)
                image.SetPixel(x, y, uint32_t(random() & 0xFFFFFF));
            else
                image.SetPixelIndex(x, y, int(random() % unsigned(entries)));
        }
    return image;
}

} // namespace

TEST(PngWriter, LibpngReadsEveryDepthAndPaletteAsWritten) {
    // Sizes that leave Adam7 passes empty, rows that end inside a byte, and wider ones.
    const std::vector<std::pair<int, int>> sizes{{1, 1}, {2, 3}, {5, 9},   {9, 5},
                                                 {4, 1}, {1, 6}, {17, 13}, {45, 31}};
    const TPalette whiteOnBlack{{255, 255, 255}, {0, 0, 0}};
    const TPalette colors16 = ColorfulPalette(16), colors256 = ColorfulPalette(256);
    struct Case {
        const char* Name;
        TImageFormat Format;
        const TPalette* Palette;
    };
    for (const Case& c :
         {Case{"black and white", ifBlackWhite, nullptr},
          Case{"black and white, inverted", ifBlackWhite, &whiteOnBlack},
          Case{"16 greys", ifGray16, nullptr}, Case{"256 greys", ifGray256, nullptr},
          Case{"16 colours", ifColor16, &colors16}, Case{"256 colours", ifColor256, &colors256},
          Case{"true colour", ifTrueColor, nullptr}}) {
        for (const auto& [width, height] : sizes) {
            SCOPED_TRACE(std::string(c.Name) + " " + std::to_string(width) + "x" +
                         std::to_string(height));
            const TDibGraphic image = RandomImage(c.Format, width, height, c.Palette, 5);
            const std::vector<uint8_t> file = SavePng(image);
            EXPECT_TRUE(LibpngReadsThePixels(image, file));
            EXPECT_TRUE(SamePixels(image, LoadPng(file)));
        }
    }
}

TEST(PngWriter, LargeImagesCompressedInPartsReadBackWhole) {
    // Several parts each, with the parts' joins inside passes: a screen of flat colour and
    // text (written unfiltered), a photograph (filtered, partly noise), and packed pixels.
    const TDibGraphic screen = MakeImage(1500, 900, [](int x, int y) {
        if (x > 1200 && y > 700)
            return uint32_t((x * 2654435761u + y * 40503u) >> 8) & 0xFFFFFF; // a small photo
        return (x % 9 == 3 && y % 17 < 11) ? MakeColor(20, 20, 20) : MakeColor(236, 233, 216);
    });
    std::mt19937 random(11);
    const TDibGraphic photo = MakeImage(1300, 800, [&](int x, int y) {
        const int grain = int(random() % 9);
        return MakeColor((x / 5 + grain) & 255, (y / 4 + grain) & 255, (x + y) / 9 & 255);
    });
    const TDibGraphic grey = RandomImage(ifGray256, 1100, 1000, nullptr, 3);
    const TDibGraphic bilevel = RandomImage(ifBlackWhite, 3000, 3000, nullptr, 4);
    const TPalette colors256 = ColorfulPalette(256);
    const TDibGraphic palette = RandomImage(ifColor256, 1200, 1000, &colors256, 6);
    for (const TDibGraphic* image : {&screen, &photo, &grey, &bilevel, &palette}) {
        const std::vector<uint8_t> file = SavePng(*image);
        EXPECT_TRUE(LibpngReadsThePixels(*image, file));
    }
}

TEST(PngWriter, AnEmptyImageIsRefused) {
    ExpectImageError([] { SavePng(TDibGraphic()); }, "PNG: the image has no pixels");
}

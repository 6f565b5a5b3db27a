#include "imaging/image_codecs.h"

#include "image_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <map>

namespace {

TDibGraphic Load(const std::vector<uint8_t>& bytes) {
    return LoadTiff(bytes);
}

// The tags of the first directory of a little-endian file: tag -> values (numbers), or the
// text of an ASCII tag, or numerator/denominator pairs of a RATIONAL tag.
struct TTag {
    int Type = 0;
    std::vector<uint32_t> Values;
    std::string Text;
};

std::map<int, TTag> Tags(const std::vector<uint8_t>& file) {
    EXPECT_EQ(file[0], 'I');
    EXPECT_EQ(LittleEndian16(file, 2), 42);
    const uint32_t directory = LittleEndian32(file, 4);
    const int count = LittleEndian16(file, directory);
    std::map<int, TTag> tags;
    for (int i = 0; i < count; ++i) {
        const std::size_t entry = directory + 2 + std::size_t(i) * 12;
        TTag tag;
        tag.Type = LittleEndian16(file, entry + 2);
        const uint32_t values = LittleEndian32(file, entry + 4);
        const std::size_t size = tag.Type == 3 ? 2 : tag.Type == 4 ? 4 : tag.Type == 5 ? 8 : 1;
        const std::size_t at = size * values <= 4 ? entry + 8 : LittleEndian32(file, entry + 8);
        for (uint32_t v = 0; v < values; ++v) {
            if (tag.Type == 2)
                tag.Text += char(file[at + v]);
            else if (tag.Type == 3)
                tag.Values.push_back(LittleEndian16(file, at + v * 2));
            else if (tag.Type == 4)
                tag.Values.push_back(LittleEndian32(file, at + v * 4));
            else if (tag.Type == 5) {
                tag.Values.push_back(LittleEndian32(file, at + v * 8));
                tag.Values.push_back(LittleEndian32(file, at + v * 8 + 4));
            }
        }
        tags[LittleEndian16(file, entry)] = tag;
    }
    return tags;
}

// "yyyy:mm:dd hh:nn:ss" and the closing zero byte.
bool IsDateTime(const std::string& text) {
    const std::string shape = "dddd:dd:dd dd:dd:dd";
    if (text.size() != shape.size() + 1 || text.back() != '\0')
        return false;
    for (std::size_t i = 0; i < shape.size(); ++i)
        if (shape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(text[i]))
                            : text[i] != shape[i])
            return false;
    return true;
}

} // namespace

TEST(TiffCodec, DirectoryHoldsTheTagsOfEachPixelFormat) {
    struct Case {
        TImageFormat Format;
        std::vector<uint32_t> Bits;
        uint32_t Photometric;
    };
    for (const Case& c :
         {Case{ifBlackWhite, {1}, 1}, Case{ifGray16, {4}, 1}, Case{ifGray256, {8}, 1},
          Case{ifColor16, {4}, 3}, Case{ifColor256, {8}, 3}, Case{ifTrueColor, {8, 8, 8}, 2}}) {
        SCOPED_TRACE(c.Format);
        const TDibGraphic image = PatternImage(c.Format, 13, 33, 300, 150);
        const std::map<int, TTag> tags = Tags(SaveTiff(image));
        std::vector<int> numbers;
        for (const auto& [number, tag] : tags)
            numbers.push_back(number);
        std::vector<int> expected{256, 257, 258, 259, 262, 273, 277, 278,
                                  279, 282, 283, 284, 296, 305, 306};
        if (c.Photometric == 3)
            expected.push_back(320);
        EXPECT_EQ(numbers, expected);

        EXPECT_EQ(tags.at(256).Values, std::vector<uint32_t>{13});
        EXPECT_EQ(tags.at(257).Values, std::vector<uint32_t>{33});
        EXPECT_EQ(tags.at(258).Values, c.Bits);
        EXPECT_EQ(tags.at(259).Values, std::vector<uint32_t>{1}); // no compression
        EXPECT_EQ(tags.at(262).Values, std::vector<uint32_t>{c.Photometric});
        EXPECT_EQ(tags.at(277).Values, std::vector<uint32_t>{uint32_t(c.Bits.size())});
        EXPECT_EQ(tags.at(278).Values, std::vector<uint32_t>{16});
        EXPECT_EQ(tags.at(273).Values.size(), 3u); // 33 rows: strips of 16, 16 and 1
        EXPECT_EQ(tags.at(284).Values, std::vector<uint32_t>{1});
        EXPECT_EQ(tags.at(296).Values, std::vector<uint32_t>{2}); // inch
        EXPECT_EQ(tags.at(282).Values, (std::vector<uint32_t>{300, 1}));
        EXPECT_EQ(tags.at(283).Values, (std::vector<uint32_t>{150, 1}));
        EXPECT_EQ(tags.at(305).Text, std::string("Envision Image Library\0", 23));
        EXPECT_TRUE(IsDateTime(tags.at(306).Text)) << tags.at(306).Text;
        if (c.Photometric == 3) {
            const std::vector<uint32_t>& map = tags.at(320).Values;
            const std::size_t entries = std::size_t(1) << c.Bits[0];
            ASSERT_EQ(map.size(), entries * 3);
            const TPaletteEntry& entry = image.Palette()[entries - 1];
            EXPECT_EQ(map[entries - 1], entry.Red * 257u);
            EXPECT_EQ(map[2 * entries - 1], entry.Green * 257u);
            EXPECT_EQ(map[3 * entries - 1], entry.Blue * 257u);
        }
    }
}

TEST(TiffCodec, TrueColourIsStoredRedFirst) {
    TDibGraphic image;
    image.NewImage(1, 1, ifTrueColor);
    image.SetPixel(0, 0, MakeColor(10, 20, 30));
    const std::vector<uint8_t> file = SaveTiff(image);
    const uint32_t strip = Tags(file).at(273).Values[0];
    EXPECT_EQ((std::vector<uint8_t>(file.begin() + strip, file.begin() + strip + 3)),
              (std::vector<uint8_t>{10, 20, 30}));
}

TEST(TiffCodec, ReadsFilesOfOtherProgramsAndLibtiffsTools) {
    ExpectFixturesRead({{"tiff_rgb.tif", ifTrueColor, TPattern::Colour, 0, 200},
                        {"tiff_lzw.tif", ifTrueColor, TPattern::Colour},
                        {"tiff_zip.tif", ifTrueColor, TPattern::Colour},
                        {"tiff_packbits.tif", ifTrueColor, TPattern::Colour},
                        {"tiff_palette.tif", ifColor16, TPattern::Colour},
                        {"tiff_rgb16.tif", ifTrueColor, TPattern::Colour},
                        {"tiff_grey8.tif", ifGray256, TPattern::Grey},
                        {"tiff_grey4.tif", ifGray16, TPattern::Grey},
                        {"tiff_g4.tif", ifBlackWhite, TPattern::Bilevel},
                        {"tiff_density_cm.tif", ifTrueColor, TPattern::Colour, 0, 102},
                        {"tiff_ppm2tiff.tif", ifTrueColor, TPattern::Colour},
                        {"tiff_tiled.tif", ifTrueColor, TPattern::Colour, 0, 200},
                        {"tiff_separate.tif", ifTrueColor, TPattern::Colour, 0, 200},
                        {"tiff_jpeg.tif", ifTrueColor, TPattern::Colour, 8, 200}},
                       Load);
}

TEST(TiffCodec, DamagedFilesAreRefusedWithLibtiffsMessages) {
    const std::vector<uint8_t> file = SaveTiff(PatternImage(ifColor256, 5, 20));
    // Everything up to the end of the directory's entries is needed; a tag value cut short
    // after them (the date) costs only that tag.
    const uint32_t directory = LittleEndian32(file, 4);
    ExpectTruncationsRefused(file, Load, directory + 2 + LittleEndian16(file, directory) * 12);
    ExpectImageError(
        [&] {
            LoadTiff(std::vector<uint8_t>{'M', 'Z', 0, 0, 0, 0, 0, 0});
        },
        "TIFF: memory: Not a TIFF or MDI file, bad magic number 23117 (0x5a4d)");
    // A strip that lies past the end of the file.
    std::vector<uint8_t> damaged = file;
    for (int i = 0; i < LittleEndian16(file, directory); ++i) {
        const std::size_t entry = directory + 2 + std::size_t(i) * 12;
        if (LittleEndian16(file, entry) == 273) {
            const uint32_t offsets = LittleEndian32(file, entry + 8);
            damaged[offsets + 4] = 0xF0; // second strip's offset, far beyond the end
            damaged[offsets + 5] = 0xFF;
        }
    }
    try {
        LoadTiff(damaged);
        ADD_FAILURE();
    } catch (const EImageError& error) {
        EXPECT_EQ(std::string(error.what()).rfind("TIFF: ", 0), 0u) << error.what();
    }
}

namespace {

// A little-endian file of one uncompressed strip whose directory holds `entries` (tag, type,
// value), followed by the strip's bytes.
std::vector<uint8_t> HandMadeTiff(const std::vector<std::array<uint32_t, 3>>& entries,
                                  const std::vector<uint8_t>& strip) {
    const std::size_t stripBytes = strip.size();
    std::vector<uint8_t> file = {'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint32_t v) {
        file.push_back(uint8_t(v));
        file.push_back(uint8_t(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(v & 0xFFFF);
        put16(v >> 16);
    };
    const uint32_t stripOffset = uint32_t(8 + 2 + (entries.size() + 2) * 12 + 4);
    std::vector<std::array<uint32_t, 3>> all = entries;
    all.push_back({273, 4, stripOffset});
    all.push_back({279, 4, uint32_t(stripBytes)});
    std::sort(all.begin(), all.end());
    put16(uint32_t(all.size()));
    for (const auto& [tag, type, value] : all) {
        put16(tag);
        put16(type);
        put32(1);
        if (type == 3) {
            put16(value);
            put16(0);
        } else {
            put32(value);
        }
    }
    put32(0);
    file.insert(file.end(), strip.begin(), strip.end());
    return file;
}

} // namespace

TEST(TiffCodec, ScanLinesLargerThanTheDataCanDescribeAreRefused) {
    // A few bytes that claim lines of tens of thousands of 16-bit samples per pixel: refused
    // before a line is allocated.
    const std::vector<uint8_t> file = HandMadeTiff({{256, 4, 40000}, // width
                                                    {257, 4, 1},     // height
                                                    {258, 3, 16},    // bits per sample
                                                    {259, 3, 1},     // no compression
                                                    {262, 3, 2},     // RGB
                                                    {277, 3, 60000}, // samples per pixel
                                                    {278, 4, 1}},    // rows per strip
                                                   std::vector<uint8_t>(64, 0x80));
    ExpectImageError([&] { LoadTiff(file); },
                     "TIFF image size 40000x1 is larger than the file's data can hold");
}

TEST(TiffCodec, WhiteIsZeroGreysAreTurnedAroundOnRowsOfEveryLength) {
    // Short rows go pixel by pixel, long ones byte by byte; both give the same levels.
    for (const int bits : {1, 4})
        for (const int width : {13, 2100}) {
            const int height = 3;
            const std::size_t rowBytes = (std::size_t(width) * bits + 7) / 8;
            std::vector<uint8_t> strip(rowBytes * height);
            for (std::size_t i = 0; i < strip.size(); ++i)
                strip[i] = uint8_t(i * 37 + 11);
            const TDibGraphic image = LoadTiff(HandMadeTiff({{256, 4, uint32_t(width)},
                                                             {257, 4, uint32_t(height)},
                                                             {258, 3, uint32_t(bits)},
                                                             {259, 3, 1},
                                                             {262, 3, 0}, // white is zero
                                                             {277, 3, 1},
                                                             {278, 4, uint32_t(height)}},
                                                            strip));
            ASSERT_EQ(image.ImageFormat(), bits == 1 ? ifBlackWhite : ifGray16);
            const int top = (1 << bits) - 1;
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const std::size_t bit = std::size_t(y) * rowBytes * 8 + std::size_t(x) * bits;
                    const int level = (strip[bit / 8] >> (8 - bits - int(bit % 8))) & top;
                    ASSERT_EQ(image.PixelIndex(x, y), top - level)
                        << bits << " bits, width " << width << " at " << x << "," << y;
                }
        }
}

#include "imaging/image_codecs.h"

#include "image_test_support.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TDibGraphic Load(const std::vector<uint8_t>& bytes) {
    return LoadJpeg(bytes);
}

// The header segments of a JPEG file up to the first scan: marker -> contents of the first
// segment with that marker.
std::map<int, std::vector<uint8_t>> Segments(const std::vector<uint8_t>& file) {
    std::map<int, std::vector<uint8_t>> segments;
    for (std::size_t at = 2; at + 4 <= file.size();) {
        const int marker = file[at + 1];
        const std::size_t length = std::size_t(file[at + 2] << 8 | file[at + 3]);
        segments.emplace(marker,
                         std::vector<uint8_t>(file.begin() + std::ptrdiff_t(at + 4),
                                              file.begin() + std::ptrdiff_t(at + 2 + length)));
        if (marker == 0xDA)
            break;
        at += 2 + length;
    }
    return segments;
}

// A smooth picture that JPEG keeps within a few levels.
TDibGraphic Gradient(TImageFormat format, int xDpi = 96, int yDpi = 96) {
    TDibGraphic image;
    image.NewImage(32, 24, format, nullptr, xDpi, yDpi);
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            image.SetPixel(x, y,
                           format == ifGray256 ? MakeColor(x * 8, x * 8, x * 8)
                                               : MakeColor(x * 8, y * 10, 128));
    return image;
}

} // namespace

TEST(JpegCodec, OnlyGreyAndTrueColourAreWritten) {
    for (TImageFormat format : {ifBlackWhite, ifGray16, ifColor16, ifColor256}) {
        ExpectImageError([&] { SaveJpeg(PatternImage(format)); },
                         "JPEG image must be gray scale or true color");
    }
}

TEST(JpegCodec, FileHoldsComponentsDensityAndPlainHuffmanTables) {
    struct Case {
        TImageFormat Format;
        int Components;
    };
    for (const Case& c : {Case{ifGray256, 1}, Case{ifTrueColor, 3}}) {
        SCOPED_TRACE(c.Format);
        const auto segments = Segments(SaveJpeg(Gradient(c.Format, 300, 150)));
        ASSERT_TRUE(segments.count(0xC0)) << "baseline frame";
        EXPECT_EQ(segments.at(0xC0)[5], c.Components);
        const std::vector<uint8_t>& jfif = segments.at(0xE0);
        EXPECT_EQ(std::string(jfif.begin(), jfif.begin() + 5), std::string("JFIF\0", 5));
        EXPECT_EQ(jfif[7], 1); // dots per inch
        EXPECT_EQ(jfif[8] << 8 | jfif[9], 300);
        EXPECT_EQ(jfif[10] << 8 | jfif[11], 150);
        // Without optimisation the luminance DC table is the standard one.
        const std::vector<uint8_t> standardCounts{0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
        const std::vector<uint8_t>& huffman = segments.at(0xC4);
        EXPECT_EQ(std::vector<uint8_t>(huffman.begin() + 1, huffman.begin() + 17), standardCounts);
    }
}

TEST(JpegCodec, QualityScalesTheQuantisationTables) {
    struct Case {
        int Quality;
        int FirstLuminanceStep; // the standard table's 16 scaled by the quality
    };
    for (const Case& c : {Case{80, 6}, Case{50, 16}, Case{100, 1}, Case{10, 80}}) {
        TJpegOptions options;
        options.Quality = c.Quality;
        const auto segments = Segments(SaveJpeg(Gradient(ifTrueColor), options));
        EXPECT_EQ(segments.at(0xDB)[1], c.FirstLuminanceStep) << c.Quality;
    }
    EXPECT_EQ(Segments(SaveJpeg(Gradient(ifTrueColor))).at(0xDB)[1], 6) << "default 80";
}

TEST(JpegCodec, ProgressiveFileHasAProgressiveFrame) {
    TJpegOptions options;
    options.Progressive = true;
    const std::vector<uint8_t> file = SaveJpeg(Gradient(ifTrueColor), options);
    const auto segments = Segments(file);
    EXPECT_TRUE(segments.count(0xC2));
    EXPECT_FALSE(segments.count(0xC0));
    EXPECT_LE(LargestChannelDifference(Gradient(ifTrueColor), LoadJpeg(file)), 12);
}

TEST(JpegCodec, RoundTripKeepsFormatResolutionAndPixelsClose) {
    for (TImageFormat format : {ifGray256, ifTrueColor}) {
        SCOPED_TRACE(format);
        TJpegOptions options;
        options.Quality = 95;
        const TDibGraphic image = Gradient(format, 200, 100);
        const TDibGraphic read = LoadJpeg(SaveJpeg(image, options));
        EXPECT_EQ(read.ImageFormat(), format);
        EXPECT_EQ(read.XDpi(), 200);
        EXPECT_EQ(read.YDpi(), 100);
        EXPECT_LE(LargestChannelDifference(image, read), 8);
    }
}

TEST(JpegCodec, ReadsFilesOfOtherProgramsAndTheirDensities) {
    ExpectFixturesRead({{"jpeg_rgb.jpg", ifTrueColor, TPattern::Colour, 8, 72},
                        {"jpeg_grey.jpg", ifGray256, TPattern::Grey, 4},
                        {"jpeg_progressive.jpg", ifTrueColor, TPattern::Colour, 8},
                        // 40 dots per centimetre: 101.6 dots per inch
                        {"jpeg_density_cm.jpg", ifTrueColor, TPattern::Colour, 8, 102},
                        {"jpeg_cjpeg.jpg", ifTrueColor, TPattern::Colour, 8},
                        {"jpeg_cjpeg_grey.jpg", ifGray256, TPattern::Grey, 4}},
                       Load);
}

TEST(JpegCodec, FileWithoutDensityUnitTakesTheScreenResolution) {
    std::vector<uint8_t> file = SaveJpeg(Gradient(ifTrueColor, 300, 300));
    file[2 + 4 + 7] = 0; // JFIF units: none (the densities then give only the aspect ratio)
    SetScreenLogicalDpi(120);
    const TDibGraphic image = LoadJpeg(file);
    SetScreenLogicalDpi(96);
    EXPECT_EQ(image.XDpi(), 120);
}

TEST(JpegCodec, DamagedFilesAreRefusedWithLibjpegsMessage) {
    ExpectImageError([&] { LoadJpeg(ReadFixture("jpeg_cmyk.jpg")); },
                     "Invalid number of samples, 4");

    const std::vector<uint8_t> file = SaveJpeg(Gradient(ifTrueColor));
    ExpectTruncationsRefused(file, Load, file.size() - 2); // all but the end marker
    ExpectImageError([&] { LoadJpeg(std::vector<uint8_t>(file.begin(), file.end() - 40)); },
                     "JPEG: Premature end of JPEG file");
    ExpectImageError(
        [&] {
            LoadJpeg(std::vector<uint8_t>{0x89, 'P', 'N', 'G'});
        },
        "JPEG: Not a JPEG file: starts with 0x89 0x50");
}

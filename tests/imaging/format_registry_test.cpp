#include "imaging/format_registry.h"
#include "imaging/image_codecs.h"

#include "bmp_test_files.h"
#include "image_test_support.h"
#include "tests/store/file_replacement_rules.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace {

struct TRoundTrip {
    TImageCodec Codec;
    TImageFormat Written;
    TImageFormat Read;
    bool KeepsResolution;
};

std::string Name(TImageCodec codec) {
    static const char* const Names[] = {"BMP", "JPEG", "PCX", "PNG", "TGA", "TIFF", "GIF"};
    return Names[int(codec)];
}

} // namespace

TEST(FormatRegistry, LosslessFormatsKeepEveryPixelOfEveryFormatTheyAccept) {
    const TRoundTrip cases[] = {
        {TImageCodec::Bmp, ifBlackWhite, ifBlackWhite, true},
        {TImageCodec::Bmp, ifGray16, ifGray16, true},
        {TImageCodec::Bmp, ifGray256, ifGray256, true},
        {TImageCodec::Bmp, ifColor16, ifColor16, true},
        {TImageCodec::Bmp, ifColor256, ifColor256, true},
        {TImageCodec::Bmp, ifTrueColor, ifTrueColor, true},
        {TImageCodec::Pcx, ifBlackWhite, ifBlackWhite, true},
        {TImageCodec::Pcx, ifGray16, ifGray16, true},
        {TImageCodec::Pcx, ifGray256, ifGray256, true},
        {TImageCodec::Pcx, ifColor16, ifColor16, true},
        {TImageCodec::Pcx, ifColor256, ifColor256, true},
        {TImageCodec::Pcx, ifTrueColor, ifTrueColor, true},
        {TImageCodec::Png, ifBlackWhite, ifBlackWhite, true},
        {TImageCodec::Png, ifGray16, ifGray16, true},
        {TImageCodec::Png, ifGray256, ifGray256, true},
        {TImageCodec::Png, ifColor16, ifColor16, true},
        {TImageCodec::Png, ifColor256, ifColor256, true},
        {TImageCodec::Png, ifTrueColor, ifTrueColor, true},
        {TImageCodec::Tiff, ifBlackWhite, ifBlackWhite, true},
        {TImageCodec::Tiff, ifGray16, ifGray16, true},
        {TImageCodec::Tiff, ifGray256, ifGray256, true},
        {TImageCodec::Tiff, ifColor16, ifColor16, true},
        {TImageCodec::Tiff, ifColor256, ifColor256, true},
        {TImageCodec::Tiff, ifTrueColor, ifTrueColor, true},
        {TImageCodec::Tga, ifGray256, ifGray256, false},
        {TImageCodec::Tga, ifColor256, ifColor256, false},
        {TImageCodec::Tga, ifTrueColor, ifTrueColor, false},
    };
    for (const TRoundTrip& c : cases) {
        for (int width : {1, 13, 32}) {
            SCOPED_TRACE(Name(c.Codec) + " format " + std::to_string(c.Written) + " width " +
                         std::to_string(width));
            const TDibGraphic image = PatternImage(c.Written, width, 7, 300, 150);
            const TDibGraphic read = DecodeImage(EncodeImage(image, c.Codec), c.Codec);
            EXPECT_EQ(read.ImageFormat(), c.Read);
            EXPECT_TRUE(SamePixels(image, read));
            if (c.KeepsResolution) {
                EXPECT_EQ(read.XDpi(), 300);
                EXPECT_EQ(read.YDpi(), 150);
            }
        }
    }
}

TEST(FormatRegistry, InvertedBlackAndWhiteKeepsItsLookInEveryFormat) {
    // Entry 0 white, entry 1 black: formats that store black-is-zero grey must not show it
    // as a negative.
    const TPalette inverted{{255, 255, 255}, {0, 0, 0}};
    TDibGraphic image;
    image.NewImage(11, 3, ifBlackWhite, &inverted);
    for (int x = 0; x < 11; x += 3)
        image.SetPixelIndex(x, 1, 1);
    for (TImageCodec codec :
         {TImageCodec::Bmp, TImageCodec::Pcx, TImageCodec::Png, TImageCodec::Tiff}) {
        SCOPED_TRACE(Name(codec));
        const TDibGraphic read = DecodeImage(EncodeImage(image, codec), codec);
        EXPECT_EQ(read.ImageFormat(), ifBlackWhite);
        EXPECT_TRUE(SamePixels(image, read));
    }
}

TEST(FormatRegistry, ExtensionsMapToTheirCodecsInAnyCase) {
    struct Case {
        const char* Path;
        TImageCodec Codec;
        const char* Description;
    };
    for (const Case& c :
         {Case{"a.bmp", TImageCodec::Bmp, "Bitmap file"}, Case{"a.JPG", TImageCodec::Jpeg, "JPEG"},
          Case{"a.jpeg", TImageCodec::Jpeg, "JPEG"},
          Case{"a.Pcx", TImageCodec::Pcx, "ZSoft PC Paintbrush"},
          Case{"a.pcc", TImageCodec::Pcx, "ZSoft PC Paintbrush"},
          Case{"a.png", TImageCodec::Png, "Portable Network Graphic"},
          Case{"a.tga", TImageCodec::Tga, "Truevision Targa"},
          Case{"a.vst", TImageCodec::Tga, "Truevision Vista"},
          Case{"a.afi", TImageCodec::Tga, "Truevision Targa"},
          Case{"/x.y/a.tif", TImageCodec::Tiff, "TIFF file"},
          Case{"a.TIFF", TImageCodec::Tiff, "TIFF file"},
          Case{"a.gif", TImageCodec::Gif, "GIF image"}}) {
        const TImageFileFormat& format = ImageFileFormatOf(c.Path);
        EXPECT_EQ(format.Codec, c.Codec) << c.Path;
        EXPECT_STREQ(format.Description, c.Description) << c.Path;
    }
}

TEST(FormatRegistry, UnknownExtensionIsRefusedWithItsDot) {
    struct Case {
        const char* Path;
        const char* Message;
    };
    for (const Case& c :
         {Case{"/tmp/a.xyz", "Graphic files of .xyz format are not supported or not registered"},
          Case{"/tmp/a.Ico", "Graphic files of .Ico format are not supported or not registered"},
          Case{"/tmp.d/noext", "Graphic files of  format are not supported or not registered"}}) {
        TDibGraphic image = PatternImage(ifTrueColor);
        ExpectImageError([&] { SaveImageFile(image, c.Path); }, c.Message);
        ExpectImageError([&] { LoadImageFile(c.Path); }, c.Message);
    }
}

TEST(FormatRegistry, StatusText) {
    TDibGraphic image;
    image.NewImage(640, 480, ifTrueColor);
    EXPECT_EQ(ImageStatusText("/home/u/pic1.gif", image), "/home/u/pic1.gif, 640x480x256");
    EXPECT_EQ(ImageStatusText("/home/u/pic1.GIF", image), "/home/u/pic1.GIF, 640x480x256");
    EXPECT_EQ(ImageStatusText("/home/u/pic1.png", image), "/home/u/pic1.png, 640x480, High Color");
    image.NewImage(2, 3, ifGray16);
    EXPECT_EQ(ImageStatusText("p.bmp", image), "p.bmp, 2x3, 16 gray colors");
}

class FormatRegistryFiles : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = std::filesystem::temp_directory_path() /
                 ("karvin-registry-" + std::to_string(::getpid()));
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
    }
    void TearDown() override { std::filesystem::remove_all(Folder); }
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Folder))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    std::filesystem::path Folder;
};

TEST_F(FormatRegistryFiles, SaveReplacesTheFileWholeAndLeavesNoTemporaryFile) {
    const std::string path = (Folder / "pic1.png").string();
    std::ofstream(path) << "old contents";
    const TDibGraphic image = PatternImage(ifTrueColor);
    SaveImageFile(image, path);
    EXPECT_EQ(Entries(), std::vector<std::string>{"pic1.png"});
    EXPECT_TRUE(SamePixels(image, LoadImageFile(path)));
}

TEST_F(FormatRegistryFiles, SaveKeepsTheFilesPermissionsAndLinks) {
    const TDibGraphic image = PatternImage(ifTrueColor);
    ExpectFileReplacementRules(
        Folder, [&](const std::string& path) { SaveImageFile(image, path); },
        [&](const std::string& path) -> bool {
            try {
                return SamePixels(image, LoadImageFile(path));
            } catch (const EImageError&) {
                return false;
            }
        });
}

TEST_F(FormatRegistryFiles, BitmapFilesAreWrittenAsTheEncoderMakesThem) {
    // Saving writes a bitmap's pixel block straight from the image; the file must be the
    // encoder's bytes all the same, palette and row padding included.
    const std::string path = (Folder / "pic1.bmp").string();
    for (const TImageFormat format : {ifBlackWhite, ifColor16, ifColor256, ifTrueColor}) {
        SCOPED_TRACE(format);
        const TDibGraphic image = PatternImage(format, 13, 7);
        SaveImageFile(image, path);
        std::ifstream file(path, std::ios::binary);
        const std::vector<uint8_t> written((std::istreambuf_iterator<char>(file)), {});
        EXPECT_EQ(written, SaveBmp(image));
    }
}

TEST_F(FormatRegistryFiles, BitmapFilesReadFromDiskAreWhatTheDecoderMakesOfTheirBytes) {
    // Plain bitmaps are read into the image without the file in memory; every file must give
    // the decoder's image all the same, row ends included, whatever the file holds there.
    const auto rows = [](std::size_t stride, int height, uint8_t seed) {
        std::vector<uint8_t> pixels(stride * std::size_t(height));
        for (std::size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = uint8_t(seed + i * 37);
        return pixels;
    };
    const std::vector<uint32_t> blackWhite{0x000000, 0xFFFFFF}, colours16(16, 0x123456),
        grays256 = [] {
            std::vector<uint32_t> palette(256);
            for (uint32_t i = 0; i < 256; ++i)
                palette[i] = i * 0x010101;
            return palette;
        }();
    struct TCase {
        const char* Name;
        std::vector<uint8_t> File;
    };
    std::vector<TCase> cases = {
        {"24 bits, a byte of padding", InfoHeaderFile(5, 3, 24, 0, {}, rows(16, 3, 1))},
        {"1 bit, 9 wide", InfoHeaderFile(9, 4, 1, 0, blackWhite, rows(4, 4, 2))},
        {"1 bit, other colours", InfoHeaderFile(9, 4, 1, 0, {0x112233, 0x445566}, rows(4, 4, 3))},
        {"4 bits, 3 wide", InfoHeaderFile(3, 2, 4, 0, colours16, rows(4, 2, 4))},
        {"8 bits, 6 wide", InfoHeaderFile(6, 3, 8, 0, grays256, rows(8, 3, 5))},
        {"top-down", InfoHeaderFile(5, -3, 24, 0, {}, rows(16, 3, 6))},
        {"run-length coded", InfoHeaderFile(4, 2, 8, 1, grays256, {3, 7, 0, 0, 4, 9, 0, 1})},
        {"last row without its padding", InfoHeaderFile(5, 3, 24, 0, {}, rows(16, 3, 7))},
        {"a row missing", InfoHeaderFile(5, 3, 24, 0, {}, rows(16, 2, 8))},
        {"large, 2997 bytes to a row", InfoHeaderFile(999, 1000, 24, 0, {}, rows(3000, 1000, 9))},
    };
    cases[7].File.resize(cases[7].File.size() - 1);
    // Pixels placed after a gap of 70000 bytes: past the first read of the file.
    std::vector<uint8_t> gap = InfoHeaderFile(5, 3, 24, 0, {}, {});
    gap.resize(gap.size() + 70000, 0xEE);
    const std::vector<uint8_t> pixels = rows(16, 3, 10);
    gap.insert(gap.end(), pixels.begin(), pixels.end());
    gap[10] = uint8_t(54 + 70000);
    gap[11] = uint8_t((54 + 70000) >> 8);
    gap[12] = uint8_t((54 + 70000) >> 16);
    cases.push_back({"pixels far from the headers", gap});

    const std::string path = (Folder / "pic.bmp").string();
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.Name);
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(test.File.data()),
                   std::streamsize(test.File.size()));
        std::string decoderError, fileError;
        TDibGraphic decoded, read;
        try {
            decoded = LoadBmp(test.File);
        } catch (const EImageError& error) {
            decoderError = error.what();
        }
        try {
            read = LoadImageFile(path);
        } catch (const EImageError& error) {
            fileError = error.what();
        }
        ASSERT_EQ(fileError, decoderError);
        ASSERT_TRUE(SamePixels(decoded, read));
        EXPECT_EQ(read.ImageFormat(), decoded.ImageFormat());
        EXPECT_EQ(read.Palette(), decoded.Palette());
        EXPECT_EQ(read.XPelsPerMeter(), decoded.XPelsPerMeter());
        ASSERT_EQ(read.ImageSize(), decoded.ImageSize());
        EXPECT_TRUE(std::equal(read.Bits(), read.Bits() + read.ImageSize(), decoded.Bits()));
    }
}

TEST_F(FormatRegistryFiles, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    const std::string path = (Folder / "pic1.tga").string();
    std::ofstream(path) << "old contents";
    EXPECT_THROW(SaveImageFile(PatternImage(ifColor16), path), EImageError);
    EXPECT_EQ(Entries(), std::vector<std::string>{"pic1.tga"});
    std::ifstream file(path);
    std::string contents((std::istreambuf_iterator<char>(file)), {});
    EXPECT_EQ(contents, "old contents");
}

TEST_F(FormatRegistryFiles, MissingFileAndMissingFolderGiveTheSystemsReason) {
    try {
        LoadImageFile((Folder / "none.bmp").string());
        ADD_FAILURE();
    } catch (const EImageError& error) {
        EXPECT_NE(std::string(error.what()).find("No such file or directory"), std::string::npos)
            << error.what();
    }
    EXPECT_THROW(SaveImageFile(PatternImage(ifTrueColor), (Folder / "no/pic.bmp").string()),
                 EImageError);
}

TEST_F(FormatRegistryFiles, GifFramesAreCountedFromOne) {
    const std::string path = (Folder / "a.gif").string();
    SaveImageFile(PatternImage(ifColor16), path);
    EXPECT_EQ(LoadImageFile(path, 1).Width(), 13);
    EXPECT_THROW(LoadImageFile(path, 2), EImageError);
    EXPECT_THROW(LoadImageFile(path, 0), EImageError);
}

namespace {

const TImageCodec AllCodecs[] = {TImageCodec::Bmp, TImageCodec::Jpeg, TImageCodec::Pcx,
                                 TImageCodec::Png, TImageCodec::Tga,  TImageCodec::Tiff,
                                 TImageCodec::Gif};

// The header must say what decoding gives: size, pixel format, palette and resolution (none
// given is the screen's).
::testing::AssertionResult HeaderDescribes(const TImageHeader& header, const TDibGraphic& image) {
    const int screen = DpiToPelsPerMeter(ScreenLogicalDpi());
    const int x = header.XPelsPerMeter ? header.XPelsPerMeter : screen;
    const int y = header.YPelsPerMeter ? header.YPelsPerMeter : screen;
    if (header.Width != image.Width() || header.Height != image.Height() ||
        header.Format != image.ImageFormat() || x != image.XPelsPerMeter() ||
        y != image.YPelsPerMeter())
        return ::testing::AssertionFailure()
               << "header " << header.Width << "x" << header.Height << " format " << header.Format
               << " " << x << "/" << y << " per metre; image " << image.Width() << "x"
               << image.Height() << " format " << image.ImageFormat() << " "
               << image.XPelsPerMeter() << "/" << image.YPelsPerMeter();
    if (header.Format != ifTrueColor && header.Palette != image.Palette())
        return ::testing::AssertionFailure() << "the palettes differ";
    return ::testing::AssertionSuccess();
}

// Files of every codec: the fixtures other programs made and what our writers make.
std::vector<std::pair<std::string, TImageCodec>>
FilesOfEveryCodec(std::vector<std::vector<uint8_t>>& contents) {
    std::vector<std::pair<std::string, TImageCodec>> files;
    const char* data = std::getenv("KARVIN_TEST_DATA");
    for (const auto& entry : std::filesystem::directory_iterator(
             std::string(data ? data : "tests/data") + "/imaging")) {
        const std::string name = entry.path().filename().string();
        if (const TImageFileFormat* format = FindImageFileFormat(FileExtension(name))) {
            files.emplace_back(name, format->Codec);
            contents.push_back(ReadFixture(name));
        }
    }
    for (TImageCodec codec : AllCodecs)
        for (TImageFormat format :
             {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor}) {
            try {
                contents.push_back(EncodeImage(PatternImage(format), codec));
                files.emplace_back(Name(codec) + " written from format " + std::to_string(format),
                                   codec);
            } catch (const EImageError&) { // a format the writer does not take
            }
        }
    // A BMP whose pixels start right after the header: no room for a palette, so the image
    // gets the format's own.
    std::vector<uint8_t> noPalette = EncodeImage(PatternImage(ifColor256), TImageCodec::Bmp);
    noPalette[10] = 54;
    noPalette[11] = 0;
    contents.push_back(noPalette);
    files.emplace_back("BMP without room for its palette", TImageCodec::Bmp);
    return files;
}

} // namespace

TEST(FormatRegistry, HeadersTellWhatDecodingGivesAndNeverGuessFromPartOfAFile) {
    std::vector<std::vector<uint8_t>> contents;
    const auto files = FilesOfEveryCodec(contents);
    ASSERT_GT(files.size(), 60u);
    for (std::size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(files[i].first);
        const std::vector<uint8_t>& file = contents[i];
        const TImageCodec codec = files[i].second;
        TImageHeader header;
        try {
            const TDibGraphic image = DecodeImage(file, codec);
            header = ReadImageHeader(file, codec);
            EXPECT_TRUE(HeaderDescribes(header, image));
        } catch (const EImageError& error) {
            // A file the reader refuses for what its header says: the header reader agrees.
            try {
                ReadImageHeader(file, codec);
            } catch (const EImageError& headerError) {
                EXPECT_STREQ(headerError.what(), error.what());
            }
            continue;
        }
        // Given only the start of the file, a header reader answers as for the whole file or
        // refuses; it never describes the image differently.
        const std::size_t step = std::max<std::size_t>(1, file.size() / 300);
        for (std::size_t length = 0; length < file.size(); length += length < 1024 ? 1 : step) {
            const std::span<const uint8_t> start(file.data(), length);
            try {
                const TImageHeader partial = ReadImageHeader(start, codec, false);
                EXPECT_EQ(partial.Width, header.Width) << "from " << length << " bytes";
                EXPECT_EQ(partial.Height, header.Height) << "from " << length << " bytes";
                EXPECT_EQ(partial.Format, header.Format) << "from " << length << " bytes";
                EXPECT_EQ(partial.Palette, header.Palette) << "from " << length << " bytes";
                EXPECT_EQ(partial.XPelsPerMeter, header.XPelsPerMeter) << "from " << length;
                EXPECT_EQ(partial.YPelsPerMeter, header.YPelsPerMeter) << "from " << length;
            } catch (const EImageError&) {
            }
        }
    }
}

TEST_F(FormatRegistryFiles, FileHeadersAreFoundPastLargeBlocksAndAtTheEndOfTheFile) {
    // PNG: a large chunk before the resolution and the pixels.
    std::vector<uint8_t> png = EncodeImage(PatternImage(ifTrueColor), TImageCodec::Png);
    std::vector<uint8_t> chunk = {0, 0x04, 0x93, 0xE0, 'p', 'r', 'V', 't'}; // 300000 bytes
    chunk.resize(8 + 300000, 'x');
    const uint32_t crc = uint32_t(crc32(0, chunk.data() + 4, uInt(chunk.size() - 4)));
    for (int shift = 24; shift >= 0; shift -= 8)
        chunk.push_back(uint8_t(crc >> shift));
    png.insert(png.begin() + 33, chunk.begin(), chunk.end()); // after the signature and IHDR
    // TIFF: libtiff writes the directory after the pixels.
    const std::vector<uint8_t> tiff =
        EncodeImage(PatternImage(ifColor256, 400, 300), TImageCodec::Tiff);
    // PCX: a 256-colour palette follows the pixels at the end.
    const std::vector<uint8_t> pcx =
        EncodeImage(PatternImage(ifColor256, 400, 300), TImageCodec::Pcx);
    const std::pair<const char*, const std::vector<uint8_t>*> files[] = {
        {"big.png", &png}, {"big.tif", &tiff}, {"big.pcx", &pcx}};
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        ASSERT_GT(bytes->size(), std::size_t(100000));
        const std::string path = (Folder / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes->data()), std::streamsize(bytes->size()));
        EXPECT_TRUE(HeaderDescribes(ReadImageFileHeader(path), LoadImageFile(path)));
    }
}

TEST_F(FormatRegistryFiles, FileHeadersDescribeImagesBeyondTheLimitsWithoutDecodingThem) {
    // A BMP header claiming 20000 x 20000 true-colour pixels, with no pixels behind it.
    std::vector<uint8_t> bmp = EncodeImage(PatternImage(ifTrueColor, 1, 1), TImageCodec::Bmp);
    for (std::size_t offset : {18, 22})
        for (int i = 0; i < 4; ++i)
            bmp[offset + std::size_t(i)] = uint8_t(20000 >> (8 * i));
    const std::string path = (Folder / "huge.bmp").string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), std::streamsize(bmp.size()));
    const TImageHeader header = ReadImageFileHeader(path);
    EXPECT_EQ(header.Width, 20000);
    EXPECT_EQ(header.Height, 20000);
    EXPECT_EQ(header.Format, ifTrueColor);
    ExpectImageError([&] { LoadImageFile(path); }, "BMP file is truncated");
}

TEST_F(FormatRegistryFiles, OnlyRegularFilesAreReadAndNothingWaitsForAWriter) {
    const std::string pipe = (Folder / "pipe.png").string();
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string folder = (Folder / "folder.bmp").string();
    std::filesystem::create_directory(folder);
    const std::string device = (Folder / "zero.tga").string();
    std::filesystem::create_symlink("/dev/zero", device);
    const std::pair<std::string, std::string> cases[] = {
        {pipe, "it is a named pipe, not a regular file"},
        {folder, "it is a folder, not a file"},
        {device, "it is a device, not a regular file"},
    };
    const std::function<void(const std::string&)> readers[] = {
        [](const std::string& path) { LoadImageFile(path); },
        [](const std::string& path) { ReadImageFileHeader(path); },
        [](const std::string& path) { ReadImageFileData(path); },
    };
    for (const auto& [path, reason] : cases)
        for (const auto& read : readers) {
            SCOPED_TRACE(path);
            auto refusal = std::async(std::launch::async, [&] {
                try {
                    read(path);
                } catch (const EImageError& error) {
                    return std::string(error.what());
                }
                return std::string("no error");
            });
            if (refusal.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
                // Let the reader go (it waits for a writer) before failing.
                ::close(::open(pipe.c_str(), O_WRONLY | O_NONBLOCK));
                ADD_FAILURE() << "the reader waited";
            }
            EXPECT_EQ(refusal.get(), "Cannot read file \"" + path + "\": " + reason);
        }
}

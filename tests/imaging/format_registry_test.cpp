#include "imaging/format_registry.h"
#include "imaging/image_codecs.h"

#include "image_test_support.h"
#include "tests/store/file_replacement_rules.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <filesystem>
#include <fstream>

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

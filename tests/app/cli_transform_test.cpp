#include "app/cli_transform.h"

#include "imaging/annotation.h"
#include "imaging/anti_alias_transform.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/convolution_transform.h"
#include "imaging/fit_thumbnail.h"
#include "imaging/format_registry.h"
#include "imaging/image_format_transform.h"
#include "imaging/resample.h"
#include "imaging/resize_transform.h"
#include "imaging/rotate_transform.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

TDibGraphic Picture() {
    TDibGraphic image;
    image.NewImage(12, 8, ifTrueColor, nullptr, 96, 96);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            image.SetPixel(x, y, MakeColor(x * 20, y * 30, 100));
    return image;
}

TDibGraphic Transformed(const std::string& text) {
    TDibGraphic image = Picture();
    ParseTransformOperation(text).Run(image);
    return image;
}

} // namespace

TEST(CliTransform, EveryOperationParsesAndRuns) {
    struct Case {
        const char* Text;
        int Width, Height;
        TImageFormat Format;
    };
    const Case cases[] = {
        {"gray", 12, 8, ifGray256},
        {"negative", 12, 8, ifTrueColor},
        {"flip-h", 12, 8, ifTrueColor},
        {"flip-v", 12, 8, ifTrueColor},
        {"rotate:90", 8, 12, ifTrueColor},
        {"rotate:-90.0004", 8, 12, ifTrueColor},
        {"rotate:1e300", 12, 8, ifTrueColor}, // whole, and far beyond a turn: no hang
        {"sharpen", 12, 8, ifTrueColor},
        {"sharpen:100", 12, 8, ifTrueColor},
        {"smooth:0", 12, 8, ifTrueColor},
        {"emboss", 12, 8, ifTrueColor},
        {"crop:1,2,3,4", 6, 4, ifTrueColor},
        {"antialias", 12, 8, ifTrueColor},
        {"display-resize:5x3", 5, 3, ifTrueColor},
        {"convert:bw", 12, 8, ifBlackWhite},
        {"convert:gray16:dither", 12, 8, ifGray16},
        {"convert:color16:optimise:dither", 12, 8, ifColor16},
        {"convert:color256:dither:optimise", 12, 8, ifColor256},
        {"convert:truecolor", 12, 8, ifTrueColor},
        {"resample:30x4:Lanczos3", 30, 4, ifTrueColor},
        {"resample:3x3:b-spline", 3, 3, ifTrueColor},
        {"fit:6x6", 6, 4, ifTrueColor},
        {"fit:6x6:plain", 6, 4, ifTrueColor},
        {"fit:100x10:Mitchell", 15, 10, ifTrueColor},
        {"rect:1,1,8,5", 12, 8, ifTrueColor},
        {"rect:-5,-5,100,100:#00ff00:100", 12, 8, ifTrueColor},
        {"arrow:0,0,11,7:Blue:1", 12, 8, ifTrueColor},
        {"text:1,1:Hi", 12, 8, ifTrueColor},
        {"text:1,1:a\\:b\\\\c\\nd:6:FFFFFF", 12, 8, ifTrueColor},
        {"redact:2,2,3,3", 12, 8, ifTrueColor},
        {"pixelate:0,0,12,8:1000", 12, 8, ifTrueColor},
    };
    for (const auto& c : cases) {
        TDibGraphic image;
        ASSERT_NO_THROW(image = Transformed(c.Text)) << c.Text;
        EXPECT_EQ(image.ImageFormat(), c.Format) << c.Text;
        if (std::string(c.Text) != "rotate:1e300") {
            EXPECT_EQ(image.Width(), c.Width) << c.Text;
            EXPECT_EQ(image.Height(), c.Height) << c.Text;
        }
    }
    EXPECT_EQ(Transformed("convert:color16").Palette(), DefaultPalette(ifColor16)); // not optimised
    EXPECT_EQ(Transformed("negative").Pixel(0, 0), MakeColor(255, 255, 155));
}

namespace {

// Colours that vary unevenly from pixel to pixel, so that filters and dithering show.
TDibGraphic BusyPicture() {
    TDibGraphic image;
    image.NewImage(12, 8, ifTrueColor, nullptr, 96, 96);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            image.SetPixel(x, y,
                           MakeColor((x * x * 37 + y * 11) & 255, (y * y * 53 + x * 7) & 255,
                                     (x * y * 29 + 60) & 255));
    return image;
}

TDibGraphic BusyTransformed(const std::string& text) {
    TDibGraphic image = BusyPicture();
    ParseTransformOperation(text).Run(image);
    return image;
}

// `picture` with every pixel taken from `source(x, y)` of the original picture.
TDibGraphic Moved(const TDibGraphic& picture, int width, int height,
                  const std::function<std::pair<int, int>(int x, int y)>& source) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor, nullptr, 96, 96);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto [sx, sy] = source(x, y);
            image.SetPixel(x, y, picture.Pixel(sx, sy));
        }
    return image;
}

TDibGraphic Inverted(TDibGraphic image) {
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.SetPixel(x, y, image.Pixel(x, y) ^ 0xFFFFFF);
    return image;
}

template <typename TTransform> TDibGraphic AppliedTo(TDibGraphic image, TTransform transform) {
    transform.Apply(image);
    return image;
}

TDibGraphic Resampled(const TDibGraphic& picture, int width, int height, const char* filter) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor);
    ResampleStretch(picture, image, FindResampleFilter(filter)->Function,
                    FindResampleFilter(filter)->Support);
    return image;
}

TImageFormatTransform Conversion(TImageFormat format, bool optimise, bool dither) {
    TImageFormatTransform convert;
    convert.TargetFormat = format;
    convert.Optimise = optimise;
    convert.Dither = dither;
    return convert;
}

bool SameImage(const TDibGraphic& a, const TDibGraphic& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.ImageFormat() != b.ImageFormat())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.Pixel(x, y) != b.Pixel(x, y))
                return false;
    return true;
}

} // namespace

TEST(CliTransform, EveryOperationDoesWhatItsNameSays) {
    const TDibGraphic picture = BusyPicture();
    TSharpenTransform sharpen50;
    sharpen50.Strength = 50;
    TSmoothTransform smooth5;
    smooth5.Strength = 5;
    TResizeTransform resize;
    resize.Width = 5;
    resize.Height = 3;
    TRotateTransform rotate30;
    rotate30.Angle = 30;
    struct Case {
        std::string Text;
        TDibGraphic Expected;
    };
    std::vector<Case> cases = {
        {"gray", AppliedTo(picture, TConvertToGrayTransform())},
        {"negative", Inverted(picture)},
        {"flip-h", Moved(picture, 12, 8,
                         [](int x, int y) {
                             return std::pair{11 - x, y};
                         })},
        {"flip-v", Moved(picture, 12, 8,
                         [](int x, int y) {
                             return std::pair{x, 7 - y};
                         })},
        // Clockwise: the left column becomes the top row.
        {"rotate:90", Moved(picture, 8, 12,
                            [](int x, int y) {
                                return std::pair{y, 7 - x};
                            })},
        {"rotate:30", AppliedTo(picture, rotate30)},
        {"sharpen", AppliedTo(picture, TSharpenTransform())},
        {"sharpen:50", AppliedTo(picture, sharpen50)},
        {"smooth", AppliedTo(picture, TSmoothTransform())},
        {"smooth:5", AppliedTo(picture, smooth5)},
        {"emboss", AppliedTo(picture, TEmbossTransform())},
        {"crop:1,2,3,4", Moved(picture, 6, 4,
                               [](int x, int y) {
                                   return std::pair{x + 2, y + 1};
                               })},
        {"display-resize:5x3", AppliedTo(picture, resize)},
        {"convert:gray16", AppliedTo(picture, Conversion(ifGray16, false, false))},
        {"convert:gray16:dither", AppliedTo(picture, Conversion(ifGray16, false, true))},
        {"convert:color16", AppliedTo(picture, Conversion(ifColor16, false, false))},
        {"convert:color16:dither", AppliedTo(picture, Conversion(ifColor16, false, true))},
        {"convert:color16:optimise", AppliedTo(picture, Conversion(ifColor16, true, false))},
        {"convert:color16:dither:optimise", AppliedTo(picture, Conversion(ifColor16, true, true))},
        {"fit:6x6", FitThumbnail(picture, 6, 6)},
        {"fit:6x6:plain", FitThumbnail(picture, 6, 6, nullptr)},
        {"fit:6x6:Box", FitThumbnail(picture, 6, 6, FindResampleFilter("Box"))},
    };
    auto marked = [&](TMarkKind kind, std::vector<TMarkPoint> points, uint32_t color, int width,
                      std::string text = "", int size = 24, int block = MinPixelateBlock) {
        TMark mark;
        mark.Kind = kind;
        mark.Points = std::move(points);
        mark.Color = color;
        mark.Width = width;
        mark.Text = std::move(text);
        mark.FontSize = size;
        mark.Block = block;
        TDibGraphic image = picture;
        DrawMark(image, mark);
        return image;
    };
    const std::vector<Case> marks = {
        {"rect:1,1,8,5", marked(TMarkKind::Rectangle, {{1, 1}, {9, 6}}, 0xFF0000, 3)},
        {"rect:1,1,8,5:#0000FF:1", marked(TMarkKind::Rectangle, {{1, 1}, {9, 6}}, 0x0000FF, 1)},
        {"rect:-2,3,20,2:yellow", marked(TMarkKind::Rectangle, {{-2, 3}, {18, 5}}, 0xFFFF00, 3)},
        {"arrow:1,1,10,6", marked(TMarkKind::Arrow, {{1.5, 1.5}, {10.5, 6.5}}, 0xFF0000, 3)},
        {"arrow:10,6,1,1:00ff00:2",
         marked(TMarkKind::Arrow, {{10.5, 6.5}, {1.5, 1.5}}, 0x00FF00, 2)},
        {"text:1,0:Hi", marked(TMarkKind::Text, {{1, 0}}, 0x000000, 3, "Hi")},
        {"text:-3,-2:W\\:x:12:White", marked(TMarkKind::Text, {{-3, -2}}, 0xFFFFFF, 3, "W:x", 12)},
        {"redact:2,1,5,4", marked(TMarkKind::Redact, {{2, 1}, {7, 5}}, 0x000000, 3)},
        {"pixelate:0,0,12,8", marked(TMarkKind::Pixelate, {{0, 0}, {12, 8}}, 0, 3)},
        {"pixelate:3,2,20,20:13",
         marked(TMarkKind::Pixelate, {{3, 2}, {23, 22}}, 0, 3, "", 24, 13)},
    };
    for (const Case& c : marks) {
        EXPECT_FALSE(SameImage(c.Expected, picture)) << c.Text; // the mark shows
        cases.push_back(c);
    }
    for (const TResampleFilter& filter : ResampleFilters)
        cases.push_back({std::string("resample:17x11:") + filter.Name,
                         Resampled(picture, 17, 11, filter.Name)});
    for (const Case& c : cases)
        EXPECT_TRUE(SameImage(BusyTransformed(c.Text), c.Expected)) << c.Text;

    // Antialias smooths black and white into 16 greys.
    TDibGraphic bw = BusyTransformed("convert:bw");
    ParseTransformOperation("antialias").Run(bw);
    EXPECT_TRUE(SameImage(bw, AppliedTo(BusyTransformed("convert:bw"), TAntiAliasTransform())));
    EXPECT_EQ(bw.ImageFormat(), ifGray16);

    // The checks above can tell each operation from its neighbours: these give other pictures.
    const std::vector<std::vector<std::string>> differing = {
        {"flip-h", "flip-v", "rotate:90", "rotate:30"},
        {"sharpen", "sharpen:50", "smooth", "smooth:5", "emboss"},
        {"convert:gray16", "convert:gray16:dither"},
        {"convert:color16", "convert:color16:dither"},
        {"fit:6x6", "fit:6x6:plain", "fit:6x6:Box"},
        {"resample:17x11:Box", "resample:17x11:Triangle", "resample:17x11:Hermite",
         "resample:17x11:Bell", "resample:17x11:B-Spline", "resample:17x11:Lanczos3",
         "resample:17x11:Mitchell"},
    };
    auto expected = [&](const std::string& text) -> const TDibGraphic& {
        for (const Case& c : cases)
            if (c.Text == text)
                return c.Expected;
        throw std::logic_error(text);
    };
    for (const auto& group : differing)
        for (std::size_t i = 0; i < group.size(); ++i)
            for (std::size_t j = i + 1; j < group.size(); ++j)
                EXPECT_FALSE(SameImage(expected(group[i]), expected(group[j])))
                    << group[i] << " and " << group[j];
}

TEST(CliTransform, WrongOperationsAndArgumentsAreRefusedWithTheReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "unknown operation \"\""},
        {"blur", "unknown operation \"blur\""},
        {"Gray", "unknown operation \"Gray\""},
        {"gray:1", "\"gray:1\": takes no arguments"},
        {"rotate", "the angle must be a number of degrees"},
        {"rotate:", "the angle must be a number of degrees"},
        {"rotate:30deg", "the angle must be a number of degrees"},
        {"rotate:nan", "the angle must be a number of degrees"},
        {"rotate:inf", "the angle must be a number of degrees"},
        {"sharpen:101", "the strength must be a whole number from 0 to 100"},
        {"sharpen:-1", "the strength must be a whole number from 0 to 100"},
        {"smooth:5.5", "the strength must be a whole number from 0 to 100"},
        {"smooth:1:2", "the strength must be a whole number from 0 to 100"},
        {"crop:1,2,3", "four whole numbers"},
        {"crop:1,2,3,4,5", "four whole numbers"},
        {"crop:a,0,0,0", "four whole numbers"},
        {"crop:99999999999,0,0,0", "four whole numbers"},
        {"display-resize:10", "the size must be WIDTHxHEIGHT, both at least 1"},
        {"display-resize:0x5", "the size must be WIDTHxHEIGHT, both at least 1"},
        {"display-resize", "needs the size"},
        {"convert", "needs the format"},
        {"convert:cmyk", "unknown format \"cmyk\""},
        {"convert:bw:fast", "only \"optimise\" and \"dither\", once each"},
        {"convert:bw:dither:dither", "only \"optimise\" and \"dither\", once each"},
        {"resample:10x10", "needs the size and a filter"},
        {"resample:10x10:Gauss", "unknown filter \"Gauss\""},
        {"resample:0x10:Box", "both at least 1"},
        {"fit", "needs the box"},
        {"fit:10x10:Gauss", "unknown filter \"Gauss\""},
        {"fit:10x10:plain:x", "needs the box"},
        {"rect", "needs the area: rect:X,Y,W,H[:COLOR[:WIDTH]]"},
        {"rect:1,2,3", "the area must be X,Y,WIDTH,HEIGHT in whole numbers"},
        {"rect:1,2,0,5", "the width and height at least 1"},
        {"rect:1,2,3,4:purple", "unknown colour \"purple\" (RRGGBB in hex"},
        {"rect:1,2,3,4:#12345", "unknown colour \"#12345\""},
        {"rect:1,2,3,4:0x1234", "unknown colour"},
        {"rect:1,2,3,4:red:0", "the line width must be a whole number from 1 to 100"},
        {"rect:1,2,3,4:red:101", "the line width must be a whole number from 1 to 100"},
        {"rect:1,2,3,4:red:2:x", "needs the area"},
        {"arrow:1,2,3", "the ends must be X1,Y1,X2,Y2 in whole numbers"},
        {"arrow:1,2,1,2", "the arrow's ends must differ"},
        {"arrow:1,2,3,4:red:-1", "the line width must be a whole number from 1 to 100"},
        {"text:1,2", "needs the place and the text"},
        {"text:1:Hi", "the place must be X,Y in whole numbers"},
        {"text:1,2:Hi:5", "the font size must be a whole number from 6 to 400"},
        {"text:1,2:Hi:401", "the font size must be a whole number from 6 to 400"},
        {"text:1,2:Hi:20:nocolour", "unknown colour \"nocolour\""},
        {"text:1,2:a:b:20:red", "needs the place and the text"},
        {"redact:1,2,3,4:red", "needs the area: redact:X,Y,W,H"},
        {"redact:1,2,3,-4", "the width and height at least 1"},
        {"pixelate:1,2,3,4:11", "the block must be a whole number from 12 to 1000"},
        {"pixelate:1,2,3,4:1001", "the block must be a whole number from 12 to 1000"},
    };
    for (auto [text, reason] : cases) {
        try {
            ParseTransformOperation(text);
            ADD_FAILURE() << text;
        } catch (const ETransformUsage& e) {
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos)
                << text << ": " << e.what();
        }
    }
}

TEST(CliTransform, MarksOutsideTheImageAndEmptyTextChangeNothing) {
    const TDibGraphic picture = Picture();
    for (const char* text : {"rect:20,0,5,5", "arrow:-10,-10,-1,-5", "text:0,20:Hi", "text:0,0:",
                             "text:0,0::12:red", "redact:-10,0,10,8", "pixelate:0,8,12,8"})
        EXPECT_TRUE(SameImage(Transformed(text), picture)) << text;
}

TEST(CliTransform, OperationErrorsOnTheImageAreImageErrors) {
    EXPECT_THROW(Transformed("crop:0,0,8,0"), EImageError); // "Invalid crop parameters"
}

class CliTransformCommand : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = fs::temp_directory_path() / ("karvin-cli-" + std::to_string(::getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder);
        Source = (Folder / "in.bmp").string();
        SaveImageFile(Picture(), Source);
    }
    void TearDown() override { fs::remove_all(Folder); }

    int Command(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "transform");
        std::vector<char*> argv;
        for (auto& argument : arguments)
            argv.push_back(argument.data());
        ::testing::internal::CaptureStderr();
        const int code = RunTransformCommand(int(argv.size()), argv.data());
        Errors = ::testing::internal::GetCapturedStderr();
        return code;
    }

    fs::path Folder;
    std::string Source, Errors;
};

TEST_F(CliTransformCommand, ChainRunsInOrderAndWritesTheResult) {
    const std::string target = (Folder / "out.png").string();
    EXPECT_EQ(Command({Source, target, "crop:0,0,0,2", "rotate:90", "gray"}), 0) << Errors;
    const TDibGraphic result = LoadImageFile(target);
    EXPECT_EQ(result.Width(), 8);
    EXPECT_EQ(result.Height(), 10);
    EXPECT_EQ(result.ImageFormat(), ifGray256);
}

TEST_F(CliTransformCommand, WrongCommandLinesExitWith2AndTouchNothing) {
    const std::string target = (Folder / "out.bmp").string();
    EXPECT_EQ(Command({Source, target}), 2);
    EXPECT_NE(Errors.find("Usage: karvin transform SRC DST"), std::string::npos);
    EXPECT_EQ(Command({Source, target, "gray", "swirl"}), 2);
    EXPECT_NE(Errors.find("karvin transform: unknown operation \"swirl\""), std::string::npos);
    EXPECT_FALSE(fs::exists(target));
}

TEST_F(CliTransformCommand, FailuresExitWith1AndSayWhere) {
    EXPECT_EQ(Command({(Folder / "missing.bmp").string(), (Folder / "o.bmp").string(), "gray"}), 1);
    EXPECT_NE(Errors.find("karvin transform: reading "), std::string::npos);
    EXPECT_EQ(Command({Source, (Folder / "o.bmp").string(), "crop:0,0,8,0"}), 1);
    EXPECT_NE(Errors.find("karvin transform: crop:0,0,8,0: Invalid crop parameters"),
              std::string::npos);
    // A 16-colour TGA is refused by the writer, with its own message.
    EXPECT_EQ(Command({Source, (Folder / "o.tga").string(), "convert:color16"}), 1);
    EXPECT_NE(Errors.find("writing "), std::string::npos);
    EXPECT_FALSE(fs::exists(Folder / "o.bmp"));
}

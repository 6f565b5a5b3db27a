#include "imaging/fit_thumbnail.h"

#include "imaging/format_registry.h"

#include "image_test_support.h"
#include "test_images.h"

#include <climits>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

TEST(FitThumbnail, FitsByAspectRatioAndCentres) {
    struct Case {
        int W, H, BoxWidth, BoxHeight;
        TThumbnailPlacement Expected;
    };
    const Case cases[] = {
        {300, 400, 120, 90, {68, 90, 26, 0}}, // 67.5 to the even 68
        {400, 300, 120, 90, {120, 90, 0, 0}},
        {1000, 500, 120, 90, {120, 60, 0, 15}},
        {500, 180, 160, 120, {160, 58, 0, 31}}, // 57.6 -> 58; (120 - 58) / 2 = 31
        {190, 100, 120, 60, {114, 60, 3, 0}},   // 120 wide would be 63 high: shrink to fit
        {10, 10, 120, 90, {90, 90, 15, 0}},     // small pictures are enlarged
        {1000, 1, 120, 90, {120, 1, 0, 44}},    // never thinner than one pixel (44.5 -> 44)
        {300, 400, INT_MAX, 90, {68, 90, 1073741790, 0}},
        {3, 2, 1 << 30, 1 << 30, {1 << 30, 715827883, 0, 178956970}},
        {0, 5, 120, 90, {}},
        {5, 5, 0, 90, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FitThumbnailSize(c.W, c.H, c.BoxWidth, c.BoxHeight), c.Expected)
            << c.W << "x" << c.H << " into " << c.BoxWidth << "x" << c.BoxHeight;
}

TEST(FitThumbnail, ResamplesOrStretchesToTheFittedSize) {
    const TDibGraphic picture = MakeImage(
        4, 2, [](int x, int y) { return MakeColor(x * 60, y * 100, 0); }, ifColor256);
    const TDibGraphic plain = FitThumbnail(picture, 2, 2, nullptr);
    ASSERT_EQ(plain.Width(), 2);
    ASSERT_EQ(plain.Height(), 1);
    EXPECT_EQ(plain.ImageFormat(), ifTrueColor);
    EXPECT_EQ(plain.Pixel(1, 0), picture.Pixel(2, 0));

    const TDibGraphic hermite = FitThumbnail(picture, 8, 8);
    EXPECT_EQ(hermite.Width(), 8);
    EXPECT_EQ(hermite.Height(), 4);
    EXPECT_EQ(hermite.ImageFormat(), ifTrueColor);

    EXPECT_THROW(FitThumbnail(TDibGraphic(), 8, 8), EImageError);
    EXPECT_THROW(FitThumbnail(TDibGraphic(), 8, 8, nullptr), EImageError);
    EXPECT_TRUE(FitThumbnail(picture, 0, 8).Empty());
}

// A file's thumbnail is the thumbnail of its whole picture, whatever the filter, also where a
// true-colour PNG file is fitted straight from its rows; odd sizes reach every interlace pass
// and both fitting directions.
TEST(FitThumbnail, AFileFitsAsItsWholePictureWithEveryFilter) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("karvin-fit-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    struct TCase {
        int Width, Height, BoxWidth, BoxHeight;
    };
    const TCase cases[] = {{97, 61, 120, 90}, {61, 97, 120, 90}, {5, 3, 120, 90}, {1, 1, 8, 8}};
    std::vector<const TResampleFilter*> filters{nullptr};
    for (const TResampleFilter& filter : ResampleFilters)
        filters.push_back(&filter);
    for (const TCase& c : cases) {
        const TDibGraphic picture = MakeNoise(c.Width, c.Height);
        for (const char* extension : {".png", ".bmp"}) {
            const std::string path = (folder / (std::string("p") + extension)).string();
            SaveImageFile(picture, path);
            for (const TResampleFilter* filter : filters) {
                SCOPED_TRACE(path + " " + std::to_string(c.Width) + "x" + std::to_string(c.Height) +
                             " " + (filter ? filter->Name : "plain"));
                const TFittedThumbnail fitted =
                    LoadFittedThumbnail(path, c.BoxWidth, c.BoxHeight, filter);
                EXPECT_EQ(fitted.SourceWidth, c.Width);
                EXPECT_EQ(fitted.SourceHeight, c.Height);
                EXPECT_TRUE(SamePixels(fitted.Picture,
                                       FitThumbnail(picture, c.BoxWidth, c.BoxHeight, filter)));
            }
        }
    }
    std::filesystem::remove_all(folder);
    EXPECT_THROW(LoadFittedThumbnail((folder / "gone.png").string(), 8, 8), EImageError);
}

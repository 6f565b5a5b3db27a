#include "imaging/image_transform.h"

#include "imaging/anti_alias_transform.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/convolution_transform.h"
#include "imaging/crop_transform.h"
#include "imaging/flip_transform.h"
#include "imaging/image_format_transform.h"
#include "imaging/negative_transform.h"
#include "imaging/resize_transform.h"
#include "imaging/rotate_transform.h"
#include "test_images.h"

#include <gtest/gtest.h>

// A transform that forgot to implement its work.
class TUnfinishedTransform : public TImageTransform {};

namespace {

// Exposes the progress step to the tests.
class TStepper : public TImageTransform {
public:
    using TImageTransform::StepProgress;
};

} // namespace

TEST(ImageTransform, ApplyOnDestOfAClassWithoutItNamesTheMethodAndTheClass) {
    TDibGraphic source = MakeImage(2, 2, [](int, int) { return 0u; }), dest;
    TImageTransform base;
    TUnfinishedTransform unfinished;
    try {
        base.ApplyOnDest(source, dest);
        FAIL();
    } catch (const EImageError& e) {
        EXPECT_STREQ(e.what(), "Method \"ApplyOnDest\" not implemented for TImageTransform class");
    }
    try {
        unfinished.Apply(source);
        FAIL();
    } catch (const EImageError& e) {
        EXPECT_STREQ(e.what(),
                     "Method \"ApplyOnDest\" not implemented for TUnfinishedTransform class");
    }
    EXPECT_EQ(source.Width(), 2); // Apply left the image as it was
}

TEST(ImageTransform, StepProgressIsIntegerPercentLimitedTo0To100) {
    struct Case {
        int64_t Current, Start, End;
        int Percent;
    };
    const Case cases[] = {
        {0, 0, 100, 0}, {1, 0, 3, 33},       {2, 0, 3, 66},
        {3, 0, 3, 100}, {5, 0, 0, 100},      {7, 0, 4, 100},
        {-1, 0, 4, 0},  {150, 100, 200, 50}, {3, 0, 1000000000000, 0},
    };
    for (const auto& c : cases) {
        TStepper stepper;
        std::vector<int> reported;
        stepper.SetProgressCallback(
            [&](TImageTransform&, int percent) { reported.push_back(percent); });
        stepper.StepProgress(c.Current, c.Start, c.End);
        EXPECT_EQ(reported, std::vector<int>{c.Percent}) << c.Current << "/" << c.End;
        EXPECT_EQ(stepper.LastPercent(), c.Percent);
        stepper.StepProgress(c.Current, c.Start, c.End); // the same percent is not repeated
        EXPECT_EQ(reported.size(), 1u);
    }
}

TEST(ImageTransform, ReportsEachRowOnceFromZeroTo100) {
    TConvertToGrayTransform gray;
    std::vector<int> reported;
    gray.SetProgressCallback([&](TImageTransform& sender, int percent) {
        EXPECT_EQ(&sender, &gray);
        reported.push_back(percent);
    });
    TDibGraphic image = MakeNoise(3, 5);
    gray.Apply(image);
    EXPECT_EQ(reported, (std::vector<int>{0, 25, 50, 75, 100}));

    reported.clear();
    TDibGraphic row = MakeNoise(3, 1);
    gray.Apply(row); // a single row is all of the work at once
    EXPECT_EQ(reported, (std::vector<int>{0, 100}));
}

TEST(ImageTransform, ApplyOnDestIntoItsOwnSourceTransformsIt) {
    TConvertToGrayTransform gray;
    TDibGraphic image = MakeImage(2, 1, [](int, int) { return MakeColor(255, 0, 0); });
    gray.ApplyOnDest(image, image);
    EXPECT_EQ(image.ImageFormat(), ifGray256);
    EXPECT_EQ(image.PixelIndex(1, 0), 76);
}

// Every transform on empty, one-pixel and one-line images of every format: a result of the
// expected size, never a crash (the test build runs with the address sanitizer).
TEST(ImageTransform, TinyImagesOfEveryFormatGiveDefinedResults) {
    TCropTransform crop;
    TRotateTransform quarter, free;
    free.Angle = 33.3;
    TResizeTransform resize;
    resize.Width = 3;
    resize.Height = 2;
    TImageFormatTransform toColor16, toBlackWhite;
    toColor16.TargetFormat = ifColor16;
    toBlackWhite.TargetFormat = ifBlackWhite;
    TConvertToGrayTransform gray;
    TNegativeTransform negative;
    TSharpenTransform sharpen;
    TEmbossTransform emboss;
    TFlipHorizontalTransform flipH;
    TFlipVerticalTransform flipV;
    TAntiAliasTransform antiAlias;
    const std::vector<TImageTransform*> transforms{
        &crop,     &quarter, &free,   &resize, &toColor16, &toBlackWhite, &gray,
        &negative, &sharpen, &emboss, &flipH,  &flipV,     &antiAlias};

    const std::pair<int, int> sizes[] = {{0, 0}, {0, 5}, {5, 0}, {1, 1}, {1, 7}, {7, 1}, {2, 2}};
    for (TImageFormat format :
         {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor})
        for (auto [width, height] : sizes) {
            TDibGraphic source;
            source.NewImage(width, height, format);
            for (TImageTransform* transform : transforms) {
                TDibGraphic dest;
                ASSERT_NO_THROW(transform->ApplyOnDest(source, dest))
                    << transform->ClassName() << " " << format << " " << width << "x" << height;
                if (transform == &quarter) {
                    EXPECT_EQ(dest.Width(), height);
                    EXPECT_EQ(dest.Height(), width);
                } else if (transform == &resize) {
                    EXPECT_EQ(dest.Width(), 3);
                } else if (transform != &free || width * height == 0) {
                    EXPECT_EQ(dest.Width(), width) << transform->ClassName();
                    EXPECT_EQ(dest.Height(), height) << transform->ClassName();
                }
            }
        }
}

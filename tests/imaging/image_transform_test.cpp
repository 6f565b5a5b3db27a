#include "imaging/image_transform.h"

#include "imaging/convert_to_gray_transform.h"
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

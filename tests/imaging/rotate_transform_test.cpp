#include "imaging/rotate_transform.h"

#include "test_images.h"
#include "thread_count_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace {

TDibGraphic Rotate(const TDibGraphic& source, double angle) {
    TRotateTransform rotate;
    rotate.Angle = angle;
    TDibGraphic dest;
    rotate.ApplyOnDest(source, dest);
    return dest;
}

uint32_t Coordinates(int x, int y) {
    return MakeColor(x, y, 200);
}

const uint32_t White = MakeColor(255, 255, 255);

} // namespace

TEST(RotateTransform, WholeAnglesAreJudgedAtThreeDecimals) {
    const std::pair<double, int> cases[] = {
        {90, 90},
        {-90, 270},
        {450, 90},
        {90.004, 90},
        {89.996, 90},
        {90.006, -1},
        {0, 0},
        {360, 0},
        {-720, 0},
        {-0.0001, 0},
        {45, 45},
        {180.5, -1},
        {1e300, int(std::fmod(1e300, 360))},
    };
    for (auto [angle, whole] : cases)
        EXPECT_EQ(TRotateTransform::WholeAngle(angle), whole) << angle;
}

TEST(RotateTransform, QuarterTurnsMovePixelsExactly) {
    const TDibGraphic source = MakeImage(3, 2, Coordinates);
    const TDibGraphic turned = Rotate(source, 90);
    ASSERT_EQ(turned.Width(), 2);
    ASSERT_EQ(turned.Height(), 3);
    EXPECT_EQ(turned.Pixel(1, 0), Coordinates(0, 0)); // top-left goes to top-right
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(turned.Pixel(1 - y, x), source.Pixel(x, y));
            EXPECT_EQ(Rotate(source, 180).Pixel(2 - x, 1 - y), source.Pixel(x, y));
            EXPECT_EQ(Rotate(source, 270).Pixel(y, 2 - x), source.Pixel(x, y));
        }
    EXPECT_EQ(Pixels(Rotate(source, -90)), Pixels(Rotate(source, 270)));
    EXPECT_EQ(Pixels(Rotate(source, 450)), Pixels(turned));
    EXPECT_EQ(Pixels(Rotate(source, 90.004)), Pixels(turned));
    EXPECT_EQ(Pixels(Rotate(source, 360)), Pixels(source));
}

TEST(RotateTransform, QuarterTurnsKeepPaletteIndices) {
    const TDibGraphic source =
        MakeIndexImage(9, 2, ifColor16, [](int x, int y) { return (x + 7 * y) % 16; });
    const TDibGraphic turned = Rotate(source, 270);
    EXPECT_EQ(turned.ImageFormat(), ifColor16);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(turned.PixelIndex(y, 8 - x), source.PixelIndex(x, y));
}

TEST(RotateTransform, FreeRotationGrowsTheImageAndFillsCornersWithWhite) {
    // 10 x 6 about (5, 3) by 45 degrees: the corners turn to x 0..10 and y -3..7.
    const TDibGraphic source = MakeImage(10, 6, Coordinates);
    const TDibGraphic turned = Rotate(source, 45);
    ASSERT_EQ(turned.Width(), 11);
    ASSERT_EQ(turned.Height(), 11);
    EXPECT_EQ(turned.Pixel(0, 0), White);
    EXPECT_EQ(turned.Pixel(10, 0), White);
    EXPECT_EQ(turned.Pixel(0, 10), White);
    EXPECT_EQ(turned.Pixel(10, 10), White);
    EXPECT_EQ(turned.Pixel(5, 5), Coordinates(5, 3)); // the centres meet
    // One step right in the result is a step of (cos, -sin) in the source: (5.7, 2.3) -> (6, 2).
    EXPECT_EQ(turned.Pixel(6, 5), Coordinates(6, 2));
}

TEST(RotateTransform, FreeRotationOfPaletteImagesUsesTheEntryNearestTheBackground) {
    const TPalette palette{{0, 0, 0}, {250, 250, 240}, {255, 0, 0}};
    const TDibGraphic source = MakeIndexImage(
        8, 8, ifColor256, [](int, int) { return 2; }, &palette);
    const TDibGraphic turned = Rotate(source, 30);
    EXPECT_EQ(turned.Palette(), palette);
    EXPECT_EQ(turned.PixelIndex(0, 0), 1);
    EXPECT_EQ(turned.PixelIndex(turned.Width() / 2, turned.Height() / 2), 2);
}

TEST(RotateTransform, OddInputGivesAResultOrAClearError) {
    for (double angle :
         {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity()}) {
        try {
            Rotate(MakeNoise(3, 3), angle);
            ADD_FAILURE() << angle;
        } catch (const EImageError& e) {
            EXPECT_STREQ(e.what(), "Invalid rotation angle");
        }
    }
    EXPECT_FALSE(Rotate(MakeNoise(4, 3), 1e300).Empty());
    EXPECT_FALSE(Rotate(MakeNoise(4, 3), -1e-300).Empty());
    EXPECT_TRUE(Rotate(TDibGraphic(), 33).Empty());
    const TDibGraphic pixel = Rotate(MakeImage(1, 1, Coordinates), 45);
    ASSERT_EQ(pixel.Width(), 1);
    EXPECT_EQ(pixel.Pixel(0, 0), Coordinates(0, 0));
}

TEST(RotateTransform, FreeRotationGivesTheSameBytesOnEveryThreadCount) {
    const TImageFormat formats[] = {ifTrueColor, ifColor256, ifColor16, ifBlackWhite};
    for (const TImageFormat format : formats)
        for (const TOddSize size : OddSizes) {
            const TDibGraphic source = GrainyGradient(size.Width, size.Height, format);
            for (const double angle : {30.0, -45.5, 137.0, 0.3})
                ExpectSameOnAnyThreadCount(
                    [&] { return Rotate(source, angle); },
                    FormatDescription(format) + " " + std::to_string(size.Width) + "x" +
                        std::to_string(size.Height) + " by " + std::to_string(angle));
        }
}

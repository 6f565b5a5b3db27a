#include "imaging/convolution_transform.h"

#include "test_images.h"
#include "thread_count_support.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

// Red 0, 10, ..., 80 in reading order; green 1; blue 255.
const TDibGraphic Ramp3x3 =
    MakeImage(3, 3, [](int x, int y) { return MakeColor(10 * (3 * y + x), 1, 255); });

// A centre of `centre` among neighbours of 50, in every channel.
TDibGraphic Spot(int centre) {
    return MakeImage(3, 3, [&](int x, int y) { return Gray(x == 1 && y == 1 ? centre : 50); });
}

uint32_t Centre(TConvolutionTransform& transform, const TDibGraphic& source) {
    TDibGraphic dest;
    transform.ApplyOnDest(source, dest);
    EXPECT_EQ(dest.ImageFormat(), ifTrueColor);
    return dest.Pixel(1, 1);
}

template <typename TTransform> TDibGraphic Apply(TTransform transform, const TDibGraphic& source) {
    TDibGraphic dest;
    transform.ApplyOnDest(source, dest);
    return dest;
}

} // namespace

TEST(ConvolutionTransform, SumsNineNeighboursPerChannelAndLimitsTheResult) {
    struct Case {
        std::array<int8_t, 9> Coefficients;
        int8_t Divisor;
        uint32_t Centre;
    };
    const Case cases[] = {
        {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 1, MakeColor(40, 1, 255)},   // the default
        {{1, 2, 3, 4, 5, 6, 7, 8, 9}, 10, MakeColor(240, 4, 255)}, // blue 1147 -> 255
        {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 0, MakeColor(255, 9, 255)},  // divisor 0 counts as 1
        {{0, 0, 0, 0, -1, 0, 0, 0, 0}, 1, MakeColor(0, 0, 0)},     // below 0 -> 0
        {{-1, 0, 0, 0, 0, 0, 0, 0, 1}, 2, MakeColor(40, 0, 0)},    // (80 - 0) div 2
        {{0, 0, 0, 0, 1, 0, 0, 0, 0}, -2, MakeColor(0, 0, 0)},     // never a wrapped byte
    };
    for (const auto& c : cases) {
        TConvolutionTransform convolution;
        convolution.Coefficients = c.Coefficients;
        convolution.Divisor = c.Divisor;
        EXPECT_EQ(Centre(convolution, Ramp3x3), c.Centre) << int(c.Divisor);
    }
}

TEST(ConvolutionTransform, FrameKeepsTheSourceColoursAndResultIsTrueColour) {
    const TDibGraphic source = MakeImage(
        5, 4, [](int x, int y) { return MakeColor(x * 60, y * 80, 30); }, ifColor256);
    TDibGraphic dest;
    TEmbossTransform().ApplyOnDest(source, dest);
    ASSERT_EQ(dest.ImageFormat(), ifTrueColor);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            if (x == 0 || y == 0 || x == 4 || y == 3) {
                EXPECT_EQ(dest.Pixel(x, y), source.Pixel(x, y)) << x << "," << y;
            }
}

TEST(ConvolutionTransform, ImagesBelowThreePixelsAreCopied) {
    for (auto [width, height] : {std::pair{2, 5}, std::pair{5, 2}, std::pair{0, 0}}) {
        const TDibGraphic source =
            MakeIndexImage(width, height, ifColor16, [](int x, int y) { return x + y; });
        TDibGraphic dest;
        TSharpenTransform().ApplyOnDest(source, dest);
        EXPECT_EQ(dest.ImageFormat(), ifColor16);
        EXPECT_EQ(Indices(dest), Indices(source));
    }
}

TEST(ConvolutionTransform, SharpenAndSmoothStrengths) {
    // Sharpen: a = round((100 - s) / 4), centre a + 15, divisor a + 3; default 10 gives
    // a = 22 (22.5 to the even 22): (37 * 100 - 12 * 50) div 25 = 124.
    // Smooth: centre a + 15, divisor a + 27; default 20 gives (35 * 100 + 12 * 50) div 47 = 87.
    TSharpenTransform sharpen;
    EXPECT_EQ(Centre(sharpen, Spot(100)), Gray(124));
    TSmoothTransform smooth;
    EXPECT_EQ(Centre(smooth, Spot(100)), Gray(87));

    struct Case {
        int Strength, Sharpened, Smoothed;
    };
    // A centre of 70: strength 100 (a = 0) sharpens to (1050 - 600) div 3 = 150 and smooths
    // to (1050 + 600) div 27 = 61; strength 0 (a = 25) gives 2200 div 28 = 78 and
    // 3400 div 52 = 65.
    const Case cases[] = {
        {100, 150, 61},
        {0, 78, 65},
        {250, 150, 61}, // outside 0..100: the nearest end
        {-7, 78, 65},
    };
    for (const auto& c : cases) {
        sharpen.Strength = c.Strength;
        smooth.Strength = c.Strength;
        EXPECT_EQ(Centre(sharpen, Spot(70)), Gray(c.Sharpened)) << c.Strength;
        EXPECT_EQ(Centre(smooth, Spot(70)), Gray(c.Smoothed)) << c.Strength;
    }
}

TEST(ConvolutionTransform, UniformAreasKeepTheirColour) {
    const TDibGraphic uniform = MakeImage(4, 4, [](int, int) { return MakeColor(90, 150, 210); });
    TSharpenTransform sharpen;
    TSmoothTransform smooth;
    TEmbossTransform emboss;
    for (TConvolutionTransform* transform :
         std::initializer_list<TConvolutionTransform*>{&sharpen, &smooth, &emboss}) {
        TDibGraphic dest;
        transform->ApplyOnDest(uniform, dest);
        EXPECT_EQ(Pixels(dest), Pixels(uniform)) << transform->ClassName();
    }
}

TEST(ConvolutionTransform, EveryThreadCountGivesTheSameBytes) {
    TConvolutionTransform general; // large and negative coefficients, a negative divisor
    general.Coefficients = {-128, 127, 5, 0, -7, 100, 3, -1, 9};
    general.Divisor = -3;
    const std::pair<const char*, std::function<TDibGraphic(const TDibGraphic&)>> filters[] = {
        {"sharpen", [](const TDibGraphic& s) { return Apply(TSharpenTransform(), s); }},
        {"sharpen 100",
         [](const TDibGraphic& s) {
             TSharpenTransform sharpen;
             sharpen.Strength = 100;
             return Apply(sharpen, s);
         }},
        {"smooth", [](const TDibGraphic& s) { return Apply(TSmoothTransform(), s); }},
        {"emboss", [](const TDibGraphic& s) { return Apply(TEmbossTransform(), s); }},
        {"general", [&](const TDibGraphic& s) { return Apply(general, s); }},
    };
    for (const TOddSize size : OddSizes)
        for (const TImageFormat format : {ifTrueColor, ifColor16}) {
            const TDibGraphic source = GrainyGradient(size.Width, size.Height, format);
            for (const auto& [name, filter] : filters)
                ExpectSameOnAnyThreadCount([&] { return filter(source); },
                                           std::string(name) + " " + std::to_string(size.Width) +
                                               "x" + std::to_string(size.Height));
        }
}

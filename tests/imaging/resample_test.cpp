#include "imaging/resample.h"

#include "test_images.h"

#include <gtest/gtest.h>

namespace {

const TResampleFilter& Filter(const char* name) {
    return *FindResampleFilter(name);
}

TDibGraphic Stretch(const TDibGraphic& source, int width, int height, const char* filter) {
    TDibGraphic dest;
    dest.NewImage(width, height, ifTrueColor);
    ResampleStretch(source, dest, Filter(filter).Function, Filter(filter).Support);
    return dest;
}

std::vector<int> Reds(const TDibGraphic& image) {
    std::vector<int> reds;
    for (uint32_t color : Pixels(image))
        reds.push_back(ColorRed(color));
    return reds;
}

TDibGraphic RedRow(const std::vector<int>& reds) {
    return MakeImage(int(reds.size()), 1, [&](int x, int) { return MakeColor(reds[x], 0, 0); });
}

} // namespace

TEST(ResampleFilters, TableAndValuesAtTheEdges) {
    const std::pair<const char*, float> table[] = {
        {"Box", 0.5f},      {"Triangle", 1.0f}, {"Hermite", 1.0f}, {"Bell", 1.5f},
        {"B-Spline", 2.0f}, {"Lanczos3", 3.0f}, {"Mitchell", 2.0f}};
    for (std::size_t i = 0; i < 7; ++i) {
        EXPECT_STREQ(ResampleFilters[i].Name, table[i].first);
        EXPECT_EQ(ResampleFilters[i].Support, table[i].second);
    }
    EXPECT_EQ(FindResampleFilter("lanczos3"), &ResampleFilters[Lanczos3FilterIndex]);
    EXPECT_EQ(FindResampleFilter("Lanczos"), nullptr);

    const auto box = Filter("Box").Function;
    EXPECT_EQ(box(0.5f), 1.0f);
    EXPECT_EQ(box(-0.5f), 0.0f);
    EXPECT_EQ(box(0.0f), 1.0f);
    const auto lanczos = Filter("Lanczos3").Function;
    EXPECT_EQ(lanczos(0.0f), 1.0f);
    EXPECT_NEAR(lanczos(1.0f), 0.0f, 1e-6);
    EXPECT_NEAR(lanczos(-2.0f), 0.0f, 1e-6);
    EXPECT_EQ(lanczos(3.0f), 0.0f);
    EXPECT_NEAR(lanczos(0.5f), 0.6079271f, 1e-6);

    struct Value {
        const char* Name;
        float X, Y;
    };
    const Value values[] = {
        {"Triangle", 0.25f, 0.75f},     {"Hermite", 0.5f, 0.5f},
        {"Bell", 0.25f, 0.6875f},       {"Bell", 1.0f, 0.125f},
        {"B-Spline", 0.0f, 2.0f / 3},   {"B-Spline", 1.5f, 0.125f / 6},
        {"Mitchell", 0.0f, 16.0f / 18}, {"Mitchell", 1.0f, 1.0f / 18},
        {"Mitchell", 2.0f, 0.0f},
    };
    for (const auto& v : values)
        EXPECT_NEAR(Filter(v.Name).Function(v.X), v.Y, 1e-6) << v.Name << " " << v.X;
}

TEST(ResampleStretch, EnlargingMeetsTheEndsAndShrinkingMirrorsAtTheEdges) {
    // Scale (3 - 1) / (2 - 1) = 2: the middle pixel lies half way.
    EXPECT_EQ(Reds(Stretch(RedRow({0, 200}), 3, 1, "Triangle")), (std::vector<int>{0, 100, 200}));
    // Scale 2 / 4: the Box widens to one source pixel on each side; the first destination
    // pixel takes half of pixel 0 and half of pixel -1, which is pixel 1 mirrored.
    EXPECT_EQ(Reds(Stretch(RedRow({10, 20, 30, 40, 50}), 3, 1, "Box")),
              (std::vector<int>{15, 25, 45}));
}

TEST(ResampleStretch, WeightsAreNotNormalised) {
    // Half way between the two pixels the Lanczos3 weights of indices -1..3 add up to 0.970
    // (index -2 mirrors to 2, still outside, and is dropped), so a flat 100 dips to 97.
    const TDibGraphic flat = MakeImage(2, 1, [](int, int) { return Gray(100); });
    EXPECT_EQ(Reds(Stretch(flat, 3, 1, "Lanczos3")), (std::vector<int>{100, 97, 100}));
}

TEST(ResampleStretch, ASinglePixelWideSourceUsesTheScaleWOverOne) {
    // Centres 0, 0.2, 0.4, 0.6, 0.8. Mirroring happens once: index 1 comes back as pixel 0,
    // every other index stays outside and is dropped.
    const TDibGraphic source = MakeImage(1, 1, [](int, int) { return MakeColor(200, 0, 0); });
    const auto lanczos = Filter("Lanczos3").Function;
    std::vector<int> expected;
    for (int i = 0; i < 5; ++i) {
        const float centre = float(i) / 5.0f;
        float sum = 0;
        for (int j = 0; j <= 1; ++j)
            sum += lanczos(centre - float(j)) * 200.0f;
        expected.push_back(int(std::nearbyint(std::min(sum, 255.0f))));
    }
    EXPECT_EQ(Reds(Stretch(source, 5, 1, "Lanczos3")), expected);
    EXPECT_NE(expected[1], expected[0]); // the offsets matter
}

TEST(ResampleStretch, ResultIsTrueColourOfTheRequestedSize) {
    const TDibGraphic source = MakeIndexImage(16, 8, ifColor16, [](int x, int) { return x; });
    const TDibGraphic dest = Stretch(source, 5, 3, "Hermite");
    EXPECT_EQ(dest.ImageFormat(), ifTrueColor);
    EXPECT_EQ(dest.Width(), 5);
    EXPECT_EQ(dest.Height(), 3);
}

TEST(ResampleStretch, OddSizes) {
    TDibGraphic dest = MakeNoise(2, 2);
    try {
        ResampleStretch(TDibGraphic(), dest, Filter("Box").Function, 0.5f);
        FAIL();
    } catch (const EImageError& e) {
        EXPECT_STREQ(e.what(), "Source bitmap too small");
    }
    EXPECT_EQ(dest.Width(), 2); // unchanged

    const TDibGraphic source = MakeImage(7, 5, [](int, int) { return Gray(90); });
    EXPECT_TRUE(Stretch(source, 0, 4, "Lanczos3").Empty());
    EXPECT_TRUE(Stretch(source, 4, 0, "Lanczos3").Empty());
    // One destination pixel from many: a defined colour, no division by zero.
    EXPECT_EQ(Stretch(source, 1, 1, "Triangle").Pixel(0, 0), Gray(90));
    EXPECT_EQ(Stretch(source, 1, 5, "Box").Width(), 1);
    // One source pixel into one, Bell: index -1 mirrors to 1 and is dropped, index 1 mirrors
    // to 0, so each pass weighs 0.75 + 0.125: 7 -> 6.125 -> 6, then 6 -> 5.25 -> 5.
    EXPECT_EQ(Stretch(MakeImage(1, 1, [](int, int) { return Gray(7); }), 1, 1, "Bell").Pixel(0, 0),
              Gray(5));
}

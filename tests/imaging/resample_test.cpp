#include "imaging/resample.h"

#include "image_test_support.h"
#include "imaging/image_limits.h"
#include "test_images.h"
#include "thread_count_support.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

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

// The two passes as written down, through a work picture of the destination's width and the
// source's height: what the resampler must give, however little of that picture it holds.
TDibGraphic StretchThroughWholeWorkPicture(const TDibGraphic& source, int width, int height,
                                           const TResampleFilter& filter) {
    auto contributors = [&](int from, int to, int i) {
        const float scale =
            from == 1 || to == 1 ? float(to) / float(from) : float(to - 1) / float(from - 1);
        const float centre = float(i) / scale;
        const float reach = scale >= 1 ? filter.Support : filter.Support / scale;
        std::vector<std::pair<int, float>> list;
        for (int j = int(std::floor(centre - reach)); j <= int(std::ceil(centre + reach)); ++j) {
            const float weight = scale >= 1 ? filter.Function(centre - float(j))
                                            : filter.Function((centre - float(j)) * scale) * scale;
            const int pixel = j < 0 ? -j : j >= from ? 2 * from - 1 - j : j;
            if (weight != 0 && pixel >= 0 && pixel < from)
                list.emplace_back(pixel, weight);
        }
        return list;
    };
    auto channel = [](float sum) {
        return sum > 255 ? 255 : sum < 0 ? 0 : int(std::nearbyint(sum));
    };
    const TDibGraphic work = MakeImage(width, source.Height(), [&](int x, int y) {
        float sums[3] = {0, 0, 0};
        for (auto [pixel, weight] : contributors(source.Width(), width, x))
            for (int c = 0; c < 3; ++c)
                sums[c] += weight * float((source.Pixel(pixel, y) >> (8 * c)) & 255);
        return uint32_t(channel(sums[0]) | channel(sums[1]) << 8 | channel(sums[2]) << 16);
    });
    return MakeImage(width, height, [&](int x, int y) {
        float sums[3] = {0, 0, 0};
        for (auto [pixel, weight] : contributors(source.Height(), height, y))
            for (int c = 0; c < 3; ++c)
                sums[c] += weight * float((work.Pixel(x, pixel) >> (8 * c)) & 255);
        return uint32_t(channel(sums[0]) | channel(sums[1]) << 8 | channel(sums[2]) << 16);
    });
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

TEST(ResampleStretch, HoldingFewWorkRowsGivesWhatTheWholeWorkPictureGives) {
    struct Case {
        int SourceWidth, SourceHeight, Width, Height;
    };
    // Shrinking far (each destination row reaches many source rows, mirrored at both ends),
    // enlarging, single rows and columns, a destination taller than wide.
    const Case cases[] = {{3, 300, 5, 7}, {4, 3, 9, 40}, {1, 9, 4, 3},  {6, 1, 2, 5},
                          {2, 20, 3, 19}, {5, 5, 5, 5},  {7, 50, 3, 2}, {9, 4, 1, 1}};
    for (const Case& c : cases)
        for (const TResampleFilter& filter : ResampleFilters) {
            SCOPED_TRACE(std::string(filter.Name) + " " + std::to_string(c.SourceWidth) + "x" +
                         std::to_string(c.SourceHeight) + " to " + std::to_string(c.Width) + "x" +
                         std::to_string(c.Height));
            const TDibGraphic source = MakeNoise(c.SourceWidth, c.SourceHeight, 7);
            EXPECT_TRUE(
                SamePixels(StretchThroughWholeWorkPicture(source, c.Width, c.Height, filter),
                           Stretch(source, c.Width, c.Height, filter.Name)));
        }
}

TEST(ResampleStretch, WorkRowsKeepToTheMemoryBudget) {
    const std::size_t before = WorkingMemoryInUse();
    // A tall, narrow picture made wide and short: a work picture of the new width and the old
    // height would take 1000 x 6000 x 3 = 18 MB besides the result; the rows one destination row
    // reaches (about 61 with Lanczos3 at a tenth of the height) take 0.2 MB.
    const TDibGraphic tall = MakeNoise(3, 6000);
    SetWorkingMemoryBudget(WorkingMemoryInUse() + (std::size_t(5) << 20));
    TDibGraphic wide;
    wide.NewImage(1000, 600, ifTrueColor);
    EXPECT_NO_THROW(ResampleStretch(tall, wide, Filter("Lanczos3").Function, 3.0f));

    // Shrunk to 4 rows, each destination row reaches a third of the source: refused before
    // the work rows are allocated, with the sizes in the message, and the destination stays.
    TDibGraphic flat;
    flat.NewImage(1000, 4, ifTrueColor);
    try {
        ResampleStretch(tall, flat, Filter("Triangle").Function, 1.0f);
        ADD_FAILURE() << "no error";
    } catch (const EImageError& error) {
        EXPECT_NE(std::string(error.what())
                      .find("Not enough working memory for resampling 3x6000 to 1000x4 ("),
                  std::string::npos)
            << error.what();
    }
    EXPECT_EQ(flat.Width(), 1000);
    SetWorkingMemoryBudget(0);
    EXPECT_EQ(WorkingMemoryInUse() - before,
              tall.ImageSize() + wide.ImageSize() + flat.ImageSize());
}

TEST(ResampleStretch, EveryChannelIsTheSumOfItsContributorsInListOrder) {
    // The two passes written out plainly, one channel at a time, in single precision: the
    // resampler must give exactly these bytes whatever way it groups its sums.
    const auto contributors = [](int source, int dest, const TResampleFilter& f) {
        const float scale = source == 1 || dest == 1 ? float(dest) / float(source)
                                                     : float(dest - 1) / float(source - 1);
        std::vector<std::vector<std::pair<int, float>>> lists(dest);
        for (int i = 0; i < dest; ++i) {
            const float centre = float(i) / scale;
            const float width = scale >= 1.0f ? f.Support : f.Support / scale;
            for (int j = int(std::floor(centre - width)); j <= int(std::ceil(centre + width));
                 ++j) {
                const float weight = scale >= 1.0f
                                         ? f.Function(centre - float(j))
                                         : f.Function((centre - float(j)) * scale) * scale;
                const int pixel = j < 0 ? -j : (j >= source ? 2 * source - 1 - j : j);
                if (weight != 0.0f && pixel >= 0 && pixel < source)
                    lists[i].push_back({pixel, weight});
            }
        }
        return lists;
    };
    const auto channel = [](float sum) {
        return sum > 255.0f ? 255 : sum < 0.0f ? 0 : int(std::nearbyint(sum));
    };
    std::mt19937 random(5);
    for (int round = 0; round < 40; ++round) {
        const int w = 1 + int(random() % 90), h = 1 + int(random() % 40);
        const int width = 1 + int(random() % 90), height = 1 + int(random() % 40);
        const TResampleFilter& f = ResampleFilters[round % ResampleFilters.size()];
        const TDibGraphic source = MakeNoise(w, h, round);
        const auto columns = contributors(w, width, f);
        const auto rows = contributors(h, height, f);
        const TDibGraphic result = Stretch(source, width, height, f.Name);
        for (int c = 0; c < 3; ++c) {
            const auto value = [&](uint32_t color) { return int(color >> (8 * c) & 0xFF); };
            std::vector<int> work(std::size_t(width) * h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < width; ++x) {
                    float sum = 0;
                    for (const auto& [pixel, weight] : columns[x])
                        sum += weight * float(value(source.Pixel(pixel, y)));
                    work[std::size_t(y) * width + x] = channel(sum);
                }
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    float sum = 0;
                    for (const auto& [pixel, weight] : rows[y])
                        sum += weight * float(work[std::size_t(pixel) * width + x]);
                    ASSERT_EQ(value(result.Pixel(x, y)), channel(sum))
                        << f.Name << " " << w << "x" << h << " -> " << width << "x" << height
                        << " at " << x << "," << y << " channel " << c;
                }
        }
    }
}

TEST(ResampleStretch, EveryThreadCountGivesTheSameBytes) {
    // Each filter shrinking, enlarging, and both at once, from every odd size; the large size
    // only to sizes that stay moderate.
    for (const TResampleFilter& filter : ResampleFilters)
        for (const TOddSize size : OddSizes) {
            const TDibGraphic source = GrainyGradient(size.Width, size.Height);
            const bool large = size.Width * size.Height > 100000;
            const TOddSize targets[] = {
                {std::max(1, size.Width / 2), std::max(1, size.Height / 2)},
                {large ? size.Width + 59 : 2 * size.Width + 1,
                 large ? size.Height + 21 : 2 * size.Height + 1},
                {size.Width * 3 / 2 + 1, std::max(1, size.Height / 3)},
            };
            for (const TOddSize target : targets)
                ExpectSameOnAnyThreadCount(
                    [&] { return Stretch(source, target.Width, target.Height, filter.Name); },
                    std::string(filter.Name) + " " + std::to_string(size.Width) + "x" +
                        std::to_string(size.Height) + " to " + std::to_string(target.Width) + "x" +
                        std::to_string(target.Height));
        }
    // A palette source is expanded first, on any thread count alike.
    const TDibGraphic palette = GrainyGradient(97, 61, ifColor256);
    ExpectSameOnAnyThreadCount([&] { return Stretch(palette, 150, 40, "Lanczos3"); },
                               "Lanczos3 of a 256-colour picture");
}

#include "imaging/optimised_palette.h"

#include "test_images.h"

#include <gtest/gtest.h>

namespace {

// An image holding each colour of `counts` that many times, row after row.
TDibGraphic WithCounts(const std::vector<std::pair<uint32_t, int>>& counts, int width = 64) {
    std::vector<uint32_t> pixels;
    for (auto [color, count] : counts)
        pixels.insert(pixels.end(), count, color);
    const int height = int((pixels.size() + width - 1) / width);
    pixels.resize(std::size_t(width) * height, counts.front().first);
    return MakeImage(width, height, [&](int x, int y) { return pixels[y * width + x]; });
}

// The colour of 15-bit key k (5 bits each of red, green, blue).
uint32_t KeyColor(int key) {
    return MakeColor((key & 31) << 3, ((key >> 5) & 31) << 3, ((key >> 10) & 31) << 3);
}

const TPaletteEntry Black{0, 0, 0};

} // namespace

TEST(OptimisedPalette, FewCandidatesAreTakenInKeyOrderAndTheRestIsBlack) {
    // Three times is often enough, twice is not (fewer than 1250 distinct colours).
    const TDibGraphic image = WithCounts(
        {{MakeColor(0, 0, 200), 3}, {MakeColor(8, 0, 0), 2}, {MakeColor(100, 0, 0), 10}}, 5);
    const TPalette palette = BuildOptimisedPalette(image, 16);
    ASSERT_EQ(palette.size(), 16u);
    EXPECT_EQ(palette[0], (TPaletteEntry{96, 0, 0})); // key order: red bits come lowest
    EXPECT_EQ(palette[1], (TPaletteEntry{0, 0, 200}));
    for (int i = 2; i < 16; ++i)
        EXPECT_EQ(palette[i], Black);
}

TEST(OptimisedPalette, TheBarRisesWithTheNumberOfDistinctColours) {
    // `fillers` distinct colours met once each, plus colour A met exactly `bar` times and
    // colour B once more: only B may become a candidate.
    struct Case {
        int Fillers, Bar;
    };
    const Case cases[] = {{10, 2},    {1247, 2},  {1248, 5},  {2497, 5},
                          {2498, 10}, {4998, 15}, {9997, 15}, {9998, 20}};
    const uint32_t a = KeyColor(32767), b = KeyColor(32766);
    for (const auto& c : cases) {
        std::vector<std::pair<uint32_t, int>> counts{{a, c.Bar}, {b, c.Bar + 1}};
        for (int key = 0; key < c.Fillers; ++key)
            counts.push_back({KeyColor(key), 1});
        // Padding repeats colour A, so the last row is not padded: the width divides evenly.
        const int total = c.Bar * 2 + 1 + c.Fillers;
        const TDibGraphic image = WithCounts(counts, total);
        const TPalette palette = BuildOptimisedPalette(image, 2);
        EXPECT_EQ(palette[0], (TPaletteEntry{uint8_t(ColorRed(b)), uint8_t(ColorGreen(b)),
                                             uint8_t(ColorBlue(b))}))
            << c.Fillers;
        EXPECT_EQ(palette[1], Black) << c.Fillers;
    }
}

TEST(OptimisedPalette, CountersStopAt65535InsteadOfWrapping) {
    // 65538 pixels of one colour would wrap a 16-bit counter to 2, below the bar.
    const TDibGraphic image = MakeImage(3641, 18, [](int, int) { return MakeColor(80, 80, 80); });
    EXPECT_EQ(BuildOptimisedPalette(image, 4)[0], (TPaletteEntry{80, 80, 80}));
}

TEST(OptimisedPalette, StartsNearestWhiteThenTakesTheFarthestColour) {
    const TDibGraphic image = WithCounts({{MakeColor(200, 0, 0), 3},
                                          {MakeColor(0, 0, 0), 3},
                                          {MakeColor(240, 240, 240), 3},
                                          {MakeColor(0, 0, 120), 3}});
    const TPalette palette = BuildOptimisedPalette(image, 3);
    // Black is farther from the light grey than red is; then red is farther from both than
    // dark blue.
    EXPECT_EQ(palette, (TPalette{{240, 240, 240}, {0, 0, 0}, {200, 0, 0}}));
}

// The selection written the slow way: every score summed anew over all chosen colours.
TEST(OptimisedPalette, SelectionMatchesScoresSummedAfresh) {
    std::mt19937 random(3);
    std::vector<std::pair<uint32_t, int>> counts;
    for (int i = 0; i < 120; ++i)
        counts.push_back({uint32_t(random() & 0xF8F8F8), 3 + int(random() % 5)});
    const TDibGraphic image = WithCounts(counts);

    std::vector<TPaletteEntry> candidates;
    {
        std::vector<int> histogram(32768, 0);
        for (uint32_t color : Pixels(image))
            ++histogram[(ColorRed(color) >> 3) | (ColorGreen(color) >> 3) << 5 |
                        (ColorBlue(color) >> 3) << 10];
        for (int key = 0; key < 32768; ++key)
            if (histogram[key] > 2)
                candidates.push_back({uint8_t((key & 31) << 3), uint8_t(((key >> 5) & 31) << 3),
                                      uint8_t(((key >> 10) & 31) << 3)});
    }
    const auto distance = [](const TPaletteEntry& a, const TPaletteEntry& b) {
        const int dr = a.Red - b.Red, dg = a.Green - b.Green, db = a.Blue - b.Blue;
        return int64_t(dr * dr + dg * dg + db * db);
    };
    const int n = 40;
    ASSERT_GT(candidates.size(), std::size_t(n));
    std::size_t chosen = 0;
    for (std::size_t p = 1; p < candidates.size(); ++p)
        if (distance(candidates[p], {255, 255, 255}) <
            distance(candidates[chosen], {255, 255, 255}))
            chosen = p;
    for (int i = 0; i < n; ++i) {
        std::swap(candidates[chosen], candidates[i]);
        chosen = i + 1;
        int64_t best = int64_t(1) << 30;
        for (std::size_t p = i + 1; p < candidates.size(); ++p) {
            int64_t score = 0;
            for (int q = 0; q <= i; ++q)
                score += (int64_t(1) << 30) / distance(candidates[q], candidates[p]);
            if (score < best) {
                best = score;
                chosen = p;
            }
        }
    }
    candidates.resize(n);
    EXPECT_EQ(BuildOptimisedPalette(image, n), candidates);
}

TEST(OptimisedPalette, ReportsThePercentOfEntriesChosen) {
    std::vector<std::pair<uint32_t, int>> counts;
    for (int i = 0; i < 10; ++i)
        counts.push_back({MakeColor(i * 25, 0, 0), 3});
    std::vector<int> reported;
    BuildOptimisedPalette(WithCounts(counts), 4, [&](int percent) { reported.push_back(percent); });
    EXPECT_EQ(reported, (std::vector<int>{0, 25, 50, 75}));
}

TEST(OptimisedPalette, EmptyAndOddRequests) {
    EXPECT_EQ(BuildOptimisedPalette(TDibGraphic(), 16), TPalette(16));
    const TDibGraphic image = MakeNoise(8, 8);
    EXPECT_TRUE(BuildOptimisedPalette(image, 0).empty());
    EXPECT_TRUE(BuildOptimisedPalette(image, -3).empty());
    EXPECT_EQ(BuildOptimisedPalette(image, 1000).size(), 256u);
}

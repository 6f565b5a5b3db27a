#include "imaging/anti_alias_transform.h"

#include "test_images.h"

#include <gtest/gtest.h>

namespace {

// A black-and-white image from rows of '#' (white) and '.' (black).
TDibGraphic Bits(const std::vector<std::string>& rows) {
    return MakeIndexImage(int(rows[0].size()), int(rows.size()), ifBlackWhite,
                          [&](int x, int y) { return rows[y][x] == '#' ? 1 : 0; });
}

std::vector<int> Levels(const TDibGraphic& image, int y) {
    std::vector<int> levels;
    for (int x = 0; x < image.Width(); ++x)
        levels.push_back(image.PixelIndex(x, y));
    return levels;
}

} // namespace

TEST(AntiAliasTransform, EachLevelCountsTheWhiteBitsOfItsTwoByTwoBlock) {
    TDibGraphic image = Bits({"##.#.#..", "##..##..", "........"});
    TAntiAliasTransform().Apply(image);
    ASSERT_EQ(image.ImageFormat(), ifGray16);
    EXPECT_EQ(image.Palette(), DefaultPalette(ifGray16));
    // Pixel 0: four white bits -> 15. Pixel 1: its block holds two -> 7.5 -> 8. Pixel 2: one
    // -> 3.75 -> 4. Pixel 3 ends the group of four and counts only its own column: one white
    // bit, 7.5 -> 8.
    EXPECT_EQ(Levels(image, 0), (std::vector<int>{15, 8, 4, 8, 11, 8, 0, 0}));
    EXPECT_EQ(Levels(image, 1), (std::vector<int>{8, 4, 0, 0, 8, 4, 0, 0}));
}

TEST(AntiAliasTransform, LastRowIsItsOwnLowerNeighbour) {
    TDibGraphic image = Bits({"#..#####.#"});
    TAntiAliasTransform().Apply(image);
    EXPECT_EQ(Levels(image, 0), (std::vector<int>{8, 0, 8, 15, 15, 15, 15, 15, 8, 8}));
}

TEST(AntiAliasTransform, OtherFormatsAreLeftAlone) {
    TDibGraphic image = MakeNoise(5, 4);
    const auto pixels = Pixels(image);
    TAntiAliasTransform transform;
    transform.Apply(image);
    EXPECT_EQ(Pixels(image), pixels);
    TDibGraphic dest;
    transform.ApplyOnDest(image, dest);
    EXPECT_EQ(Pixels(dest), pixels);
}

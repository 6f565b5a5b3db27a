#include "imaging/palette_matcher.h"

#include "thread_count_support.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

// The matcher must give exactly the raster's own answer, ties included.
TEST(PaletteMatcher, AgreesWithTheRastersNearestEntry) {
    std::mt19937 random(7);
    for (int round = 0; round < 12; ++round) {
        const int entries = round == 0 ? 1 : int(random() % 256) + 1;
        TPalette palette(entries);
        for (auto& e : palette) {
            // Coarse levels make many equal distances, and some duplicate entries.
            const int step = round % 2 ? 1 : 51;
            e = {uint8_t(random() % 256 / step * step), uint8_t(random() % 256 / step * step),
                 uint8_t(random() % 256 / step * step)};
        }
        TDibGraphic raster;
        raster.NewImage(1, 1, ifColor256, &palette);
        TPaletteMatcher matcher(palette);
        // A second matcher learns the colours from a picture first, on three threads, and
        // then answers without learning.
        std::vector<uint32_t> colors(20000);
        for (uint32_t& color : colors)
            color = random() & 0xFFFFFF;
        TDibGraphic picture;
        picture.NewImage(200, 100, ifTrueColor);
        for (std::size_t i = 0; i < colors.size(); ++i)
            picture.SetPixel(int(i % 200), int(i / 200), colors[i]);
        TPaletteMatcher learnt(palette);
        {
            TTransformThreadsScope threads(3);
            learnt.LearnColorsOf(picture);
        }
        for (const uint32_t color : colors) {
            const int expected = raster.NearestPaletteIndex(color);
            ASSERT_EQ(matcher.Nearest(color), expected)
                << "round " << round << " colour " << std::hex << color;
            ASSERT_EQ(learnt.NearestLearnt(ColorRed(color), ColorGreen(color), ColorBlue(color)),
                      expected)
                << "learnt, round " << round << " colour " << std::hex << color;
        }
    }
    EXPECT_EQ(TPaletteMatcher({}).Nearest(0x123456), 0);
}

#include "imaging/palette_matcher.h"

#include <gtest/gtest.h>
#include <random>

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
        for (int i = 0; i < 20000; ++i) {
            const uint32_t color = random() & 0xFFFFFF;
            ASSERT_EQ(matcher.Nearest(color), raster.NearestPaletteIndex(color))
                << "round " << round << " colour " << std::hex << color;
        }
    }
    EXPECT_EQ(TPaletteMatcher({}).Nearest(0x123456), 0);
}

#include "imaging/adjust_effects.h"

#include "image_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

// The effects run through AdjustedCopy, as the adjust dialog runs them, so every case also
// checks how a bar position becomes the effect's amount. Expected pixels come from the rules
// worked by hand on small pictures, or, for the fish-eye and the tiles, from plain
// transcriptions of the rules that walk pixel by pixel and tile by tile.

namespace {

constexpr uint32_t White = 0xFFFFFF;

TFastDIB Picture(int width, int height, const std::function<uint32_t(int, int)>& colour) {
    TFastDIB buffer;
    buffer.SetSize(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint32_t c = colour(x, y);
            uint8_t* p = buffer.Row(y) + 3 * x;
            p[0] = uint8_t(c);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c >> 16);
        }
    return buffer;
}

// One row of the given colours.
TFastDIB Row(const std::vector<uint32_t>& colours) {
    return Picture(int(colours.size()), 1, [&](int x, int) { return colours[std::size_t(x)]; });
}

TFastDIB RandomPicture(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    return Picture(width, height, [&](int, int) { return uint32_t(random() & 0xFFFFFF); });
}

// A different colour for every pixel, none of them white.
uint32_t Distinct(int x, int y) {
    return MakeColor(x, y, 7);
}

::testing::AssertionResult SameColours(const TFastDIB& expected, const TFastDIB& actual) {
    if (actual.BitsPerPixel() != 24)
        return ::testing::AssertionFailure() << actual.BitsPerPixel() << " bits";
    if (expected.Width() != actual.Width() || expected.Height() != actual.Height())
        return ::testing::AssertionFailure()
               << "size " << actual.Width() << "x" << actual.Height() << ", expected "
               << expected.Width() << "x" << expected.Height();
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            if (expected.PixelColor(x, y) != actual.PixelColor(x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << actual.PixelColor(x, y)
                       << ", expected " << expected.PixelColor(x, y);
    return ::testing::AssertionSuccess();
}

TFastDIB Adjusted(const TFastDIB& image, TAdjustMode mode, int position, int kind = 0,
                  int intensity = 50, uint64_t seed = 0) {
    TAdjustment adjustment;
    adjustment.Mode = mode;
    adjustment.Kind = kind;
    adjustment.Position = position;
    adjustment.Intensity = intensity;
    adjustment.Seed = seed;
    return AdjustedCopy(image, adjustment);
}

// Pixel (x, y) of `source` where `map` has a digit d at row y, column x: source pixel (d, y)
// for `column` maps, (x, d) for row maps; white for '-'.
TFastDIB FromMap(const TFastDIB& source, const std::vector<std::string>& map, bool digitIsColumn) {
    return Picture(source.Width(), source.Height(), [&](int x, int y) {
        const char c = map[std::size_t(y)][std::size_t(x)];
        if (c == '-')
            return White;
        return digitIsColumn ? source.PixelColor(c - '0', y) : source.PixelColor(x, c - '0');
    });
}

// ---- plain transcriptions ----------------------------------------------------------------------

TFastDIB ReferenceFishEye(const TFastDIB& s, int position) {
    const int w = s.Width(), h = s.Height();
    const auto amount = float((position + 71) / 100.0);
    const auto xmid = float(w / 2.0), ymid = float(h / 2.0), rmax = float(double(amount) * w);
    auto wrap = [](int64_t i, int size) {
        if (i < 0)
            return size - int((-i) % size) - 1;
        return i > size - 1 ? int(i % size) : int(i);
    };
    return Picture(w, h, [&](int tx, int ty) {
        const auto dx = float(tx - double(xmid)), dy = float(ty - double(ymid));
        auto r1 = float(std::sqrt(double(dx) * dx + double(dy) * dy));
        float fx = xmid, fy = ymid;
        if (r1 != 0) {
            if (r1 == rmax)
                r1 = float(r1 - 0.01);
            const auto r2 = float((1 / (1 - double(r1) / rmax) - 1) * (double(rmax) / 2));
            fx = float(double(dx) * r2 / r1 + xmid);
            fy = float(double(dy) * r2 / r1 + ymid);
        }
        int64_t ifx = int64_t(fx), ify = int64_t(fy);
        float wx[2], wy[2];
        if (fy >= 0) {
            wy[1] = float(double(fy) - ify);
            wy[0] = float(1 - double(wy[1]));
        } else {
            wy[0] = float(ify - double(fy));
            wy[1] = float(1 - double(wy[0]));
        }
        if (fx >= 0) {
            wx[1] = float(double(fx) - ifx);
            wx[0] = float(1 - double(wx[1]));
        } else {
            wx[0] = float(ifx - double(fx));
            wx[1] = float(1 - double(wx[0]));
        }
        ifx = wrap(ifx, w);
        ify = wrap(ify, h);
        float total[3] = {0, 0, 0};
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                const int row = ify + j >= h ? int(h - ify - j) : int(ify + j);
                const int column = ifx + i >= w ? int(w - ifx - i) : int(ifx + i);
                const uint32_t c = s.PixelColor(column, row);
                for (int k = 0; k < 3; ++k)
                    total[k] = float(total[k] + double(wx[i]) * wy[j] * ((c >> (8 * k)) & 255));
            }
        uint32_t result = 0;
        for (int k = 0; k < 3; ++k)
            result |= uint32_t(std::clamp(int(std::nearbyint(total[k])), 0, 255)) << (8 * k);
        return result;
    });
}

// Draws the shrunken tile at every step, rows of tiles from the top, each from the left.
TFastDIB ReferenceTile(const TFastDIB& s, int size, bool overlap) {
    const int w = s.Width(), h = s.Height();
    const int c = std::min({h / 2, w / 2, size});
    if (c < 1)
        return s;
    const int step = overlap ? int(std::nearbyint(2.0 * c / 3)) : c;
    std::map<std::pair<int, int>, uint32_t> drawn;
    for (int ty = 0; ty < h; ty += step)
        for (int tx = 0; tx < w; tx += step)
            for (int j = 0; j < c; ++j)
                for (int i = 0; i < c; ++i)
                    if (tx + i < w && ty + j < h)
                        drawn[{tx + i, ty + j}] =
                            s.PixelColor(int(int64_t(i) * w / c), int(int64_t(j) * h / c));
    return Picture(w, h, [&](int x, int y) { return drawn.at({x, y}); });
}

} // namespace

// ---- colours -------------------------------------------------------------------------------

TEST(AdjustColours, EachModeGivesTheValuesOfItsRule) {
    struct TCase {
        const char* Name;
        TAdjustMode Mode;
        int Position, Intensity;
        std::vector<uint32_t> Before, After;
    };
    const TCase cases[] = {
        {"brightness 50 is the identity",
         TAdjustMode::Brightness,
         50,
         50,
         {0x000000, 0x80FF01, 0x123456},
         {0x000000, 0x80FF01, 0x123456}},
        // v + 250 x (255 - v) div 255: 0 -> 250, 128 -> 252; 100 + 50 x 155 div 255 = 130.
        {"brightness 100 lightens",
         TAdjustMode::Brightness,
         100,
         50,
         {0x0080FF, 0xFF0000},
         {0xFAFCFF, 0xFFFAFA}},
        {"brightness 60 lightens a little",
         TAdjustMode::Brightness,
         60,
         50,
         {0x646464},
         {0x828282}},
        // v - 250 x v div 255: 255 -> 5, 128 -> 3.
        {"brightness 0 darkens", TAdjustMode::Brightness, 0, 50, {0xFF8000}, {0x050300}},
        {"contrast 50 is the identity",
         TAdjustMode::Contrast,
         50,
         50,
         {0x00FF7F, 0x80C83C},
         {0x00FF7F, 0x80C83C}},
        // d = 250 x |127 - v| div 255: 128 + 250 x 1 div 255 = 128, 127 stays, 200 and 255
        // reach 255, 0 and 60 reach 0, 100 -> 74, 150 -> 172.
        {"contrast 100 pushes away from the middle",
         TAdjustMode::Contrast,
         100,
         50,
         {0x807F00, 0xC8FF3C, 0x649600},
         {0x807F00, 0xFFFF00, 0x4AAC00}},
        // Negative amounts pull towards the middle: 0 -> 124, 255 -> 130, 200 -> 129, 60 -> 125.
        {"contrast 0 pulls towards the middle",
         TAdjustMode::Contrast,
         0,
         50,
         {0x00FF80, 0xC83C80},
         {0x7C8280, 0x817D80}},
        {"saturation 17 is the identity",
         TAdjustMode::Saturation,
         17,
         50,
         {0x1EC80A, 0xFF0000, 0x7F7F7F},
         {0x1EC80A, 0xFF0000, 0x7F7F7F}},
        {"saturation 0 is grey", TAdjustMode::Saturation, 0, 50, {0x1EC80A}, {0x505050}},
        // Mean 80; 15 x (v - m) div 255 truncates towards zero: -50 -> -2, 120 -> 7, -70 -> -4.
        {"saturation 1 truncates towards zero",
         TAdjustMode::Saturation,
         1,
         50,
         {0x1EC80A},
         {0x4E574C}},
        {"saturation 34 doubles and limits",
         TAdjustMode::Saturation,
         34,
         50,
         {0x1EC80A},
         {0x00FF00}},
        // n = 2: 255 -> 256 limited to 255, 1 -> round(0.5) = 0, 3 -> round(1.5) x 2 = 4,
        // 5 -> round(2.5) x 2 = 4.
        {"posterize 1 rounds halves to even",
         TAdjustMode::Posterize,
         1,
         50,
         {0xFF0103, 0x050000},
         {0xFF0004, 0x040000}},
        // n = 10: 15 -> 20, 25 -> 20, 254 -> 250.
        {"posterize 9", TAdjustMode::Posterize, 9, 50, {0x0F19FE}, {0x1414FA}},
        {"posterize 0 is the identity", TAdjustMode::Posterize, 0, 50, {0x0F19FE}, {0x0F19FE}},
        // t = 1: a mean of 2 inverts, a mean of 1 does not.
        {"solarize 0 inverts means above 1",
         TAdjustMode::Solarize,
         0,
         50,
         {0x020202, 0x010101, 0x000103, 0x000006},
         {0xFDFDFD, 0x010101, 0x000103, 0xFFFFF9}},
        {"solarize 100 inverts means above 101",
         TAdjustMode::Solarize,
         100,
         50,
         {0x656565, 0x666666},
         {0x656565, 0x999999}},
        {"XRed 80 over 50 marks 50 < red < 80",
         TAdjustMode::XRed,
         80,
         50,
         {0x321234, 0x331234, 0x4F1234, 0x501234, 0xFF1234},
         {0x001234, 0xFF1234, 0xFF1234, 0x001234, 0x001234}},
        {"XGreen 80 over 50",
         TAdjustMode::XGreen,
         80,
         50,
         {0x123356, 0x125056},
         {0x12FF56, 0x120056}},
        {"XBlue 100 over 0",
         TAdjustMode::XBlue,
         100,
         0,
         {0x123400, 0x123401, 0x123463},
         {0x123400, 0x1234FF, 0x1234FF}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TFastDIB after = Adjusted(Row(c.Before), c.Mode, c.Position, 0, c.Intensity);
        EXPECT_TRUE(SameColours(Row(c.After), after));
    }
}

TEST(AdjustNoise, DrawsEachOffsetOfItsRangeAndRepeatsWithItsSeed) {
    const TFastDIB grey = Picture(64, 64, [](int, int) { return 0x808080u; });
    for (TAdjustMode mode : {TAdjustMode::ColorNoise, TAdjustMode::MonoNoise}) {
        const bool mono = mode == TAdjustMode::MonoNoise;
        SCOPED_TRACE(mono ? "mono" : "colour");
        EXPECT_TRUE(SameColours(grey, Adjusted(grey, mode, 0, 0, 50, 1)));

        // Position 10: a = 20, offsets r - 10 for r in 0..19.
        const TFastDIB noisy = Adjusted(grey, mode, 10, 0, 50, 7);
        std::set<int> offsets;
        bool channelsDiffer = false;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                const uint8_t* p = noisy.Row(y) + 3 * x;
                for (int k = 0; k < 3; ++k)
                    offsets.insert(p[k] - 128);
                channelsDiffer = channelsDiffer || p[0] != p[1] || p[1] != p[2];
            }
        EXPECT_EQ(*offsets.begin(), -10);
        EXPECT_EQ(*offsets.rbegin(), 9);
        EXPECT_EQ(offsets.size(), 20u);
        EXPECT_EQ(channelsDiffer, !mono);

        EXPECT_TRUE(SameColours(noisy, Adjusted(grey, mode, 10, 0, 50, 7)));
        EXPECT_FALSE(SameColours(noisy, Adjusted(grey, mode, 10, 0, 50, 8)));
    }
}

// ---- blocks and blurs ----------------------------------------------------------------------

TEST(AdjustBlocks, MosaicGivesEachBlockItsTopLeftColour) {
    struct TCase {
        int Position, Width, Height;
        std::vector<int> Starts; // the block start of each column and row
    };
    const TCase cases[] = {
        {3, 7, 7, {0, 0, 0, 3, 3, 3, 6}}, // blocks of 3, 3 and 1
        {0, 7, 7, {0, 1, 2, 3, 4, 5, 6}}, {1, 7, 7, {0, 1, 2, 3, 4, 5, 6}},
        {2, 5, 3, {0, 0, 2, 2, 4}},       {100, 5, 4, {0, 0, 0, 0, 0}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE("mosaic " + std::to_string(c.Position) + " on " + std::to_string(c.Width) +
                     "x" + std::to_string(c.Height));
        const TFastDIB source = Picture(c.Width, c.Height, Distinct);
        const TFastDIB expected = Picture(c.Width, c.Height, [&](int x, int y) {
            return Distinct(c.Starts[std::size_t(x)], c.Starts[std::size_t(y)]);
        });
        EXPECT_TRUE(SameColours(expected, Adjusted(source, TAdjustMode::Mosaic, c.Position)));
    }
}

TEST(AdjustBlurs, SplitBlurTakesThePixelsOwnRowAndColumnBeyondAnEdge) {
    // Distance 2 down one column of 200, 0, 0, 0, 0, rows from the top: row 0 has no row above
    // and takes its own, (200 + 0) x 2 div 4 = 100; row 2 reads row 0 already blurred, 50;
    // rows 3 and 4 have no row below and take their own: 0 and (50 + 0) x 2 div 4 = 25. The
    // same along a row.
    const TFastDIB column = Picture(1, 5, [](int, int y) { return y == 0 ? 0xC8C8C8u : 0u; });
    const TFastDIB row = Picture(5, 1, [](int x, int) { return x == 0 ? 0xC8C8C8u : 0u; });
    const std::vector<uint32_t> blurred = {0x646464, 0, 0x323232, 0, 0x191919};
    EXPECT_TRUE(SameColours(Picture(1, 5, [&](int, int y) { return blurred[std::size_t(y)]; }),
                            Adjusted(column, TAdjustMode::SplitBlur, 2)));
    EXPECT_TRUE(SameColours(Row(blurred), Adjusted(row, TAdjustMode::SplitBlur, 2)));

    // Distance 0, and distances that reach beyond both sides, change nothing.
    const TFastDIB picture = RandomPicture(7, 5, 1);
    for (int position : {0, 7, 100})
        EXPECT_TRUE(SameColours(picture, Adjusted(picture, TAdjustMode::SplitBlur, position)));
    // Beyond the height only: every row is blurred along itself alone.
    const TFastDIB twoRows = RandomPicture(5, 2, 3);
    TFastDIB expected(twoRows);
    for (int y = 0; y < 2; ++y) {
        const TFastDIB alone =
            Adjusted(Picture(5, 1, [&](int x, int) { return twoRows.PixelColor(x, y); }),
                     TAdjustMode::SplitBlur, 2);
        std::memcpy(expected.Row(y), alone.Row(0), 15);
    }
    EXPECT_TRUE(SameColours(expected, Adjusted(twoRows, TAdjustMode::SplitBlur, 2)));
}

TEST(AdjustBlurs, GaussianRunsHalfThePositionRoundedPlusOneSplitBlursOfTwo) {
    const TFastDIB picture = RandomPicture(9, 7, 2);
    const std::pair<int, int> positionPasses[] = {{0, 1}, {1, 1}, {2, 2}, {3, 3}, {100, 51}};
    for (auto [position, passes] : positionPasses) {
        SCOPED_TRACE("position " + std::to_string(position));
        TFastDIB expected(picture);
        for (int i = 0; i < passes; ++i)
            SplitBlur(expected, 2);
        EXPECT_TRUE(SameColours(expected, Adjusted(picture, TAdjustMode::Gaussian, position)));
    }
    EXPECT_FALSE(SameColours(picture, Adjusted(picture, TAdjustMode::Gaussian, 0)));
}

// ---- distortions ---------------------------------------------------------------------------

TEST(AdjustDistortions, SqueezesAndSplitsNarrowEachRow) {
    // Each map row shows, for every column, the source column drawn there or '-' for white.
    struct TCase {
        const char* Name;
        TAdjustMode Mode;
        int Kind, Position;
        std::vector<std::string> Rows;
    };
    const std::vector<std::string> full(5, "01234567");
    const TCase cases[] = {
        {"horizontal 2",
         TAdjustMode::Squeeze,
         1,
         2,
         {"--0246--", "--0246--", "--0246--", "--0246--", "--0246--"}},
        {"horizontal 100, limited to half the width",
         TAdjustMode::Squeeze,
         1,
         100,
         {"--------", "--------", "--------", "--------", "--------"}},
        {"top 4",
         TAdjustMode::Squeeze,
         2,
         4,
         {"---04---", "--0246--", "--0246--", "-012456-", "01234567"}},
        {"bottom 4",
         TAdjustMode::Squeeze,
         3,
         4,
         {"01234567", "-012456-", "--0246--", "--0246--", "---04---"}},
        {"diamond 2",
         TAdjustMode::Squeeze,
         4,
         2,
         {"--0246--", "-012456-", "01234567", "-012456-", "--0246--"}},
        {"middle 3",
         TAdjustMode::Squeeze,
         5,
         3,
         {"01234567", "--0246--", "---04---", "--0246--", "01234567"}},
        {"round 1, amount 3",
         TAdjustMode::Squeeze,
         6,
         1,
         {"--------", "--0246--", "-012456-", "--0246--", "--------"}},
        {"double round 0, amount 1",
         TAdjustMode::Squeeze,
         7,
         0,
         {"--------", "---04---", "--------", "---04---", "--------"}},
        {"horizontal 0", TAdjustMode::Squeeze, 1, 0, full},
        // The right half ends one column short of the edge.
        {"split round 0, amount 1",
         TAdjustMode::Split,
         1,
         0,
         {"--------", "0-----4-", "0-----4-", "0-----4-", "--------"}},
        {"split round 100, limited to half the width",
         TAdjustMode::Split,
         1,
         100,
         {"--------", "012-456-", "0124567-", "012-456-", "--------"}},
        // The right half is drawn last, over the left one.
        {"split transpose 1, amount 5",
         TAdjustMode::Split,
         2,
         1,
         {"0124567-", "012-456-", "--------", "012-456-", "0124567-"}},
    };
    const TFastDIB source = Picture(8, 5, Distinct);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_TRUE(SameColours(FromMap(source, c.Rows, true),
                                Adjusted(source, c.Mode, c.Position, c.Kind)));
    }

    // A picture of one row is at the top: angle 0.
    const TFastDIB line = Picture(8, 1, Distinct);
    EXPECT_TRUE(
        SameColours(FromMap(line, {"--0246--"}, true), Adjusted(line, TAdjustMode::Squeeze, 2, 4)));
    EXPECT_TRUE(
        SameColours(FromMap(line, {"--------"}, true), Adjusted(line, TAdjustMode::Squeeze, 2, 6)));
    EXPECT_TRUE(
        SameColours(FromMap(line, {"--------"}, true), Adjusted(line, TAdjustMode::Split, 2, 1)));
}

TEST(AdjustDistortions, RipplesMovePixelsDownTheirColumn) {
    // Each map row shows, for every column, the source row drawn there.
    struct TCase {
        const char* Name;
        int Position;
        std::vector<std::string> Rows;
    };
    const TCase cases[] = {
        {"tooth 0", 0, {"0000", "1111", "2222", "3333"}},
        // Offsets 0, 1, 0, 1 along each row.
        {"tooth 1", 1, {"0000", "1010", "2121", "3232"}},
        // Limited to half the height: offsets 0, 1, 2, 0; rows 2 and 1 down to 0 move.
        {"tooth 100", 100, {"0000", "1011", "2102", "3313"}},
    };
    const TFastDIB source = Picture(4, 4, Distinct);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_TRUE(SameColours(FromMap(source, c.Rows, false),
                                Adjusted(source, TAdjustMode::RippleTooth, c.Position)));
    }

    // Random offsets: the first column stays, every pixel comes from 0..b-1 rows higher in
    // its own column, and the seed decides.
    const TFastDIB tall = Picture(12, 15, Distinct);
    EXPECT_TRUE(SameColours(tall, Adjusted(tall, TAdjustMode::RippleRandom, 0, 0, 50, 3)));
    const TFastDIB rippled = Adjusted(tall, TAdjustMode::RippleRandom, 4, 0, 50, 3);
    EXPECT_FALSE(SameColours(tall, rippled));
    for (int y = 0; y < 15; ++y) {
        EXPECT_EQ(rippled.PixelColor(0, y), tall.PixelColor(0, y));
        for (int x = 1; x < 12; ++x) {
            bool found = false;
            for (int k = 0; k < 4 && y - k >= 0; ++k)
                found = found || rippled.PixelColor(x, y) == tall.PixelColor(x, y - k);
            EXPECT_TRUE(found) << x << "," << y;
        }
    }
    EXPECT_TRUE(SameColours(rippled, Adjusted(tall, TAdjustMode::RippleRandom, 4, 0, 50, 3)));
    EXPECT_FALSE(SameColours(rippled, Adjusted(tall, TAdjustMode::RippleRandom, 4, 0, 50, 4)));
}

TEST(AdjustDistortions, TilesCoverThePictureWithItsShrunkenCopy) {
    struct TCase {
        int Width, Height, Position;
    };
    const TCase cases[] = {
        {30, 24, 0},             // tile 10, overlap step 7
        {31, 23, 5},             // tile 11 (half the height), step 7
        {7, 5, 50},              // tile 2, step 1
        {3, 3, 100},             // tile 1: the top-left pixel everywhere
        {2, 2, 0},   {1, 5, 20}, // too narrow for a tile: unchanged
        {5, 1, 20},              // too low
    };
    for (const TCase& c : cases)
        for (bool overlap : {false, true}) {
            SCOPED_TRACE(std::to_string(c.Width) + "x" + std::to_string(c.Height) +
                         (overlap ? " overlap " : " normal ") + std::to_string(c.Position));
            const TFastDIB source = Picture(c.Width, c.Height, Distinct);
            EXPECT_TRUE(SameColours(
                ReferenceTile(source, c.Position + 10, overlap),
                Adjusted(source, overlap ? TAdjustMode::TileOverlap : TAdjustMode::TileNormal,
                         c.Position)));
        }
}

TEST(AdjustDistortions, FishEyeSamplesTheRuleEverywhere) {
    // 8 x 6 at position 0 (amount 0.71, rmax 5.68): the centre (4, 3) keeps its colour; the
    // pixel right of it samples 4.6068, mixing columns 4 and 5 by 0.393 and 0.607.
    const TFastDIB stripe = Picture(8, 6, [](int x, int) { return x == 5 ? 100u : 0u; });
    const TFastDIB bulged = Adjusted(stripe, TAdjustMode::FishEye, 0);
    EXPECT_EQ(bulged.PixelColor(4, 3), 0u);
    EXPECT_EQ(bulged.PixelColor(5, 3), 61u);
    EXPECT_EQ(bulged.PixelColor(3, 3), 0u);

    const std::pair<int, int> sizes[] = {{8, 6}, {7, 5}, {1, 1}, {2, 3}, {31, 17}, {40, 40}};
    for (auto [width, height] : sizes)
        for (int position : {0, 37, 100}) {
            SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " at " +
                         std::to_string(position));
            const TFastDIB source = RandomPicture(width, height, unsigned(width + position));
            EXPECT_TRUE(SameColours(ReferenceFishEye(source, position),
                                    Adjusted(source, TAdjustMode::FishEye, position)));
        }
}

// ---- the entry point -------------------------------------------------------------------------

TEST(AdjustedCopy, LeavesTheSourceAloneAndTakesPositionsAtTheBarsEnds) {
    const TFastDIB source = RandomPicture(6, 5, 9);
    const TFastDIB before(source);
    EXPECT_TRUE(SameColours(source, Adjusted(source, TAdjustMode::None, 80)));
    EXPECT_TRUE(SameColours(Adjusted(source, TAdjustMode::Brightness, 100),
                            Adjusted(source, TAdjustMode::Brightness, 150)));
    EXPECT_TRUE(SameColours(Adjusted(source, TAdjustMode::Contrast, 0),
                            Adjusted(source, TAdjustMode::Contrast, -20)));
    EXPECT_TRUE(SameColours(Adjusted(source, TAdjustMode::XRed, 90, 0, 0),
                            Adjusted(source, TAdjustMode::XRed, 90, 0, -5)));
    EXPECT_TRUE(SameColours(before, source));
}

TEST(AdjustedCopy, CopiesOtherDepthsAsTrueColour) {
    TFastDIB indexed;
    indexed.SetSize(4, 3, 8);
    TPalette palette(256);
    for (int i = 0; i < 256; ++i)
        palette[std::size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i / 2)};
    indexed.SetColorTable(palette);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            indexed.Row(y)[x] = uint8_t(x * 50 + y);
    const TFastDIB copy = Adjusted(indexed, TAdjustMode::None, 50);
    EXPECT_TRUE(
        SameColours(Picture(4, 3, [&](int x, int y) { return indexed.PixelColor(x, y); }), copy));

    // The editor's raster and back.
    const TDibGraphic image = PatternImage(ifColor256, 9, 4);
    const TFastDIB buffer = TrueColorFastDIB(image);
    EXPECT_EQ(buffer.BitsPerPixel(), 24);
    EXPECT_TRUE(
        SameColours(Picture(9, 4, [&](int x, int y) { return image.Pixel(x, y); }), buffer));
    const TDibGraphic back = TrueColorDibGraphic(buffer);
    EXPECT_EQ(back.ImageFormat(), ifTrueColor);
    EXPECT_TRUE(SamePixels(image, back));
    EXPECT_TRUE(SamePixels(TrueColorDibGraphic(copy), TrueColorDibGraphic(indexed)));
}

TEST(AdjustedCopy, RefusesWhatNamesNoEffectAndBuffersOfOtherDepths) {
    const TFastDIB source = RandomPicture(4, 4, 5);
    const std::vector<std::pair<TAdjustMode, int>> unknown = {{TAdjustMode::Squeeze, 0},
                                                              {TAdjustMode::Squeeze, 8},
                                                              {TAdjustMode::Split, 0},
                                                              {TAdjustMode::Split, 3},
                                                              {TAdjustMode(99), 0}};
    for (auto [mode, kind] : unknown)
        ExpectImageError([&] { Adjusted(source, mode, 50, kind); }, "Unknown adjustment");
    TFastDIB picture(source);
    ExpectImageError([&] { Squeeze(picture, TSqueezeKind(9), 2); }, "Unknown adjustment");
    ExpectImageError([&] { Split(picture, TSplitKind(0), 2); }, "Unknown adjustment");
    ExpectImageError([&] { FishEye(picture, NAN); }, "Invalid fish-eye amount");
    EXPECT_TRUE(SameColours(source, picture));

    TFastDIB indexed;
    indexed.SetSize(4, 4, 8);
    ExpectImageError([&] { AdjustBrightness(indexed, 10); }, "The effect needs a 24-bit buffer");
    ExpectImageError([&] { Tile(indexed, 2, TTileLayout::Normal); },
                     "The effect needs a 24-bit buffer");
}

TEST(AdjustedCopy, EveryModeHandlesTinyAndEmptyPicturesAndAnyPosition) {
    // Run under the sanitizers, this shows that no effect reads or writes outside the buffer.
    std::vector<std::pair<TAdjustMode, int>> modes;
    for (int mode = int(TAdjustMode::None); mode <= int(TAdjustMode::Solarize); ++mode)
        if (TAdjustMode(mode) == TAdjustMode::Squeeze)
            for (int kind = 1; kind <= 7; ++kind)
                modes.push_back({TAdjustMode::Squeeze, kind});
        else if (TAdjustMode(mode) == TAdjustMode::Split)
            for (int kind = 1; kind <= 2; ++kind)
                modes.push_back({TAdjustMode::Split, kind});
        else
            modes.push_back({TAdjustMode(mode), 0});
    const std::pair<int, int> sizes[] = {{0, 0}, {1, 1}, {1, 3}, {3, 1}, {2, 2}, {5, 4}};
    for (auto [width, height] : sizes) {
        const TFastDIB source = RandomPicture(width, height, unsigned(width * 7 + height));
        for (auto [mode, kind] : modes)
            for (int position : {-10, 0, 1, 2, 50, 99, 100, 1000}) {
                SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height) + " mode " +
                             std::to_string(int(mode)) + " kind " + std::to_string(kind) + " at " +
                             std::to_string(position));
                const TFastDIB result = Adjusted(source, mode, position, kind, position);
                EXPECT_EQ(result.Width(), width);
                EXPECT_EQ(result.Height(), height);
                EXPECT_EQ(result.BitsPerPixel(), 24);
            }
    }
}

#include "imaging/negative_transform.h"

#include "test_images.h"

#include <gtest/gtest.h>

TEST(NegativeTransform, TrueColourChannelsBecome255MinusThemselves) {
    TDibGraphic image = MakeImage(3, 2, [](int x, int y) { return MakeColor(x, y, 200); });
    TNegativeTransform().Apply(image);
    EXPECT_EQ(image.Pixel(2, 1), MakeColor(253, 254, 55));
    EXPECT_EQ(image.Pixel(0, 0), MakeColor(255, 255, 55));
}

TEST(NegativeTransform, GreyAndBlackWhiteIndicesAreComplemented) {
    TDibGraphic gray = MakeIndexImage(3, 1, ifGray256, [](int x, int) { return x * 100; });
    TNegativeTransform().Apply(gray);
    EXPECT_EQ(Indices(gray), (std::vector<int>{255, 155, 55}));

    TDibGraphic gray16 = MakeIndexImage(3, 1, ifGray16, [](int x, int) { return x * 5; });
    TNegativeTransform().Apply(gray16);
    EXPECT_EQ(Indices(gray16), (std::vector<int>{15, 10, 5}));

    TDibGraphic bw = MakeIndexImage(10, 2, ifBlackWhite, [](int x, int y) { return (x + y) & 1; });
    TNegativeTransform().Apply(bw);
    EXPECT_EQ(bw.Pixel(0, 0), Gray(255));
    EXPECT_EQ(bw.Pixel(9, 0), Gray(0));
}

TEST(NegativeTransform, PaletteImagesChangeOnlyTheirPalette) {
    const TPalette palette{{10, 20, 30}, {255, 0, 128}, {0, 0, 0}};
    TDibGraphic image = MakeIndexImage(
        4, 2, ifColor256, [](int x, int y) { return (x + y) % 3; }, &palette);
    const auto indices = Indices(image);
    TNegativeTransform().Apply(image);
    EXPECT_EQ(Indices(image), indices);
    EXPECT_EQ(image.Palette()[0], (TPaletteEntry{245, 235, 225}));
    EXPECT_EQ(image.Palette()[1], (TPaletteEntry{0, 255, 127}));
}

TEST(NegativeTransform, TwiceRestoresTheImage) {
    for (TImageFormat format :
         {ifBlackWhite, ifGray16, ifGray256, ifColor16, ifColor256, ifTrueColor}) {
        const TDibGraphic original = MakeImage(
            7, 3, [](int x, int y) { return MakeColor(x * 40, y * 90, 255 - x * 30); }, format);
        TDibGraphic once, twice;
        TNegativeTransform negative;
        negative.ApplyOnDest(original, once);
        negative.ApplyOnDest(once, twice);
        EXPECT_NE(Pixels(once), Pixels(original)) << format;
        EXPECT_EQ(Pixels(twice), Pixels(original)) << format;
        EXPECT_EQ(Indices(twice), Indices(original)) << format;
    }
}

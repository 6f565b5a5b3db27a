#include "imaging/crop_transform.h"

#include "test_images.h"

#include <gtest/gtest.h>

namespace {

TCropTransform Crop(int top, int left, int bottom, int right) {
    TCropTransform crop;
    crop.Top = top;
    crop.Left = left;
    crop.Bottom = bottom;
    crop.Right = right;
    return crop;
}

uint32_t Coordinates(int x, int y) {
    return MakeColor(x, y, 7);
}

} // namespace

TEST(CropTransform, KeepsTheRectangleInsideTheMargins) {
    const TDibGraphic source = MakeImage(6, 5, Coordinates);
    TDibGraphic dest;
    auto crop = Crop(1, 2, 1, 3); // rows 1..3, columns 2..2
    crop.ApplyOnDest(source, dest);
    ASSERT_EQ(dest.Width(), 1);
    ASSERT_EQ(dest.Height(), 3);
    EXPECT_EQ(dest.Pixel(0, 0), Coordinates(2, 1));
    EXPECT_EQ(dest.Pixel(0, 2), Coordinates(2, 3));
    EXPECT_EQ(source.Width(), 6);
}

TEST(CropTransform, PackedFormatsKeepTheirPaletteAndIndices) {
    for (TImageFormat format : {ifBlackWhite, ifColor16, ifGray256}) {
        const int levels = format == ifBlackWhite ? 2 : 16;
        const TDibGraphic source =
            MakeIndexImage(13, 3, format, [&](int x, int y) { return (x * 3 + y) % levels; });
        TDibGraphic dest;
        Crop(1, 3, 0, 1).ApplyOnDest(source, dest);
        ASSERT_EQ(dest.Width(), 9);
        ASSERT_EQ(dest.Height(), 2);
        EXPECT_EQ(dest.ImageFormat(), format);
        EXPECT_EQ(dest.Palette(), source.Palette());
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 9; ++x)
                EXPECT_EQ(dest.PixelIndex(x, y), source.PixelIndex(x + 3, y + 1)) << format;
    }
}

TEST(CropTransform, NoMarginsCopiesTheImage) {
    const TDibGraphic source = MakeNoise(4, 3);
    TDibGraphic dest;
    Crop(0, 0, 0, 0).ApplyOnDest(source, dest);
    EXPECT_EQ(Pixels(dest), Pixels(source));
}

TEST(CropTransform, MarginsThatLeaveNoPixelOrReachOutsideAreRefused) {
    const TDibGraphic source = MakeImage(4, 3, Coordinates);
    const TCropTransform refused[] = {
        Crop(0, 0, 3, 0),               // bottom = H
        Crop(2, 0, 1, 0),               // top meets bottom
        Crop(0, 2, 0, 2),               // left meets right
        Crop(0, 0, 0, 100),             // larger than the image
        Crop(-1, 0, 0, 0),              // would read above the image
        Crop(0, -5, 0, 0),              //   ... or left of it
        Crop(0, 0, -2147483647 - 1, 0), // a sum that would wrap round
    };
    for (auto crop : refused) {
        TDibGraphic dest = MakeImage(1, 1, Coordinates);
        try {
            crop.ApplyOnDest(source, dest);
            ADD_FAILURE() << crop.Top << " " << crop.Left << " " << crop.Bottom << " "
                          << crop.Right;
        } catch (const EImageError& e) {
            EXPECT_STREQ(e.what(), "Invalid crop parameters");
        }
        EXPECT_EQ(dest.Width(), 1); // left as it was
    }
}

#include "capture/mouse_pointer.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t Teal = MakeColor(0, 128, 128);
constexpr uint32_t Black = MakeColor(0, 0, 0);
constexpr uint32_t White = MakeColor(255, 255, 255);

TDibGraphic Filled(int width, int height) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(x, y, Teal);
    return image;
}

// What the pixel at (x, y) of an image must be after painting the picture at (left, top).
uint32_t Expected(int x, int y, int left, int top) {
    const int column = x - left;
    const int row = y - top;
    if (column < 0 || row < 0 || column >= MousePointerWidth || row >= MousePointerHeight)
        return Teal;
    switch (MousePointerRows[std::size_t(row)][std::size_t(column)]) {
    case 'X':
        return Black;
    case 'W':
        return White;
    default:
        return Teal;
    }
}

} // namespace

TEST(MousePointer, PictureIsTheBlackArrowWithAWhiteInsideOnATransparentBackground) {
    // The outline of the arrow and the places the background shows through.
    EXPECT_EQ(MousePointerRows[0], "XX.........");
    EXPECT_EQ(MousePointerRows[9], "XWWWWWXXXXX");
    EXPECT_EQ(MousePointerRows[17], ".......XX..");
    EXPECT_EQ(MousePointerRows[18], "...........");
    // The pixel that names the transparent colour is background.
    EXPECT_EQ(MousePointerRows[2][5], '.');
    for (const auto& row : MousePointerRows)
        EXPECT_EQ(row.size(), std::size_t(MousePointerWidth));
}

TEST(MousePointer, PaintsOnlyTheArrowAndCutsItAtTheImageEdges) {
    struct TCase {
        int Left, Top;
    };
    for (TCase place : {TCase{5, 7}, TCase{0, 0}, TCase{-4, -6}, TCase{25, 20}, TCase{40, 40}}) {
        TDibGraphic image = Filled(32, 30);
        PaintMousePointer(image, place.Left, place.Top);
        int wrong = 0;
        for (int y = 0; y < image.Height(); ++y)
            for (int x = 0; x < image.Width(); ++x)
                if (image.Pixel(x, y) != Expected(x, y, place.Left, place.Top) && ++wrong <= 3)
                    ADD_FAILURE() << "at " << place.Left << "," << place.Top << ": pixel " << x
                                  << "," << y << " is " << std::hex << image.Pixel(x, y);
    }
}

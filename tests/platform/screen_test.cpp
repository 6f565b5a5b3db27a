#include "platform/screen.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <vector>

#include "platform/screen_x11_p.h"

TEST(DpiFromScreenSize, RoundsAndFallsBackTo96ForNonsense) {
    struct Case {
        int Pixels;
        int Millimetres;
        int Dpi;
    };
    for (Case c : {Case{1280, 325, 100}, Case{1920, 508, 96}, Case{3840, 344, 284},
                   Case{125, 25, 127}, Case{0, 300, 96}, Case{1920, 0, 96}, Case{1920, -5, 96},
                   Case{1920, 1, 96}, Case{1920, 10000, 96}}) {
        EXPECT_EQ(DpiFromScreenSize(c.Pixels, c.Millimetres), c.Dpi)
            << c.Pixels << " px over " << c.Millimetres << " mm";
    }
}

TEST(ScreenPixelFormat, FollowsTheScreensDepth) {
    struct Case {
        std::uint64_t Colours;
        TScreenPixelFormat Format;
    };
    for (Case c :
         {Case{1ull << 32, {32, 565}}, Case{1ull << 24, {32, 565}}, Case{65536, {16, 565}},
          Case{32768, {16, 555}}, Case{256, {8, 565}}, Case{16, {4, 565}}, Case{2, {1, 565}}}) {
        EXPECT_EQ(ScreenPixelFormat(c.Colours), c.Format) << c.Colours;
    }
}

namespace {

// A client-side image with the given layout over the bytes, built without a display.
struct TTestImage {
    std::vector<char> Bytes;
    XImage Image{};

    TTestImage(int width, int height, int depth, int bitsPerPixel, int byteOrder, unsigned long red,
               unsigned long green, unsigned long blue) {
        Image.width = width;
        Image.height = height;
        Image.format = ZPixmap;
        Image.byte_order = byteOrder;
        Image.bitmap_unit = 32;
        Image.bitmap_bit_order = MSBFirst;
        Image.bitmap_pad = 32;
        Image.depth = depth;
        Image.bits_per_pixel = bitsPerPixel;
        Image.bytes_per_line = ((width * bitsPerPixel + 31) / 32) * 4;
        Image.red_mask = red;
        Image.green_mask = green;
        Image.blue_mask = blue;
        Bytes.assign(std::size_t(Image.bytes_per_line) * std::size_t(height), 0);
        Image.data = Bytes.data();
        EXPECT_NE(XInitImage(&Image), 0);
    }
};

} // namespace

TEST(XImageToDib, ReadsEveryScreenLayoutIntoTrueColour) {
    struct Case {
        const char* Name;
        int Depth, Bits, ByteOrder;
        unsigned long Red, Green, Blue;
        unsigned long Pixel; // the server's value of the colour below
        uint32_t Color;
    };
    for (const Case& c : {
             Case{"32-bit BGRX", 24, 32, LSBFirst, 0xFF0000, 0xFF00, 0xFF, 0x123456, 0x123456},
             Case{"32-bit big-endian", 24, 32, MSBFirst, 0xFF0000, 0xFF00, 0xFF, 0x123456,
                  0x123456},
             Case{"32-bit RGBX order", 24, 32, LSBFirst, 0xFF, 0xFF00, 0xFF0000, 0x563412,
                  0x123456},
             Case{"24-bit packed", 24, 24, LSBFirst, 0xFF0000, 0xFF00, 0xFF, 0xABCDEF, 0xABCDEF},
             // 5-6-5: full channels come out full, the middle of green stays in the middle.
             Case{"16-bit 565", 16, 16, LSBFirst, 0xF800, 0x7E0, 0x1F, 0xFFFF, 0xFFFFFF},
             Case{"16-bit 565 mid", 16, 16, LSBFirst, 0xF800, 0x7E0, 0x1F, 0x8410, 0x848284},
             Case{"15-bit 555", 15, 16, LSBFirst, 0x7C00, 0x3E0, 0x1F, 0x7C00, 0xFF0000},
             Case{"30-bit deep colour", 30, 32, LSBFirst, 0x3FF00000, 0xFFC00, 0x3FF,
                  0x3FF00000 | (0x200 << 10) | 0x001, 0xFF8000},
         }) {
        TTestImage source(3, 2, c.Depth, c.Bits, c.ByteOrder, c.Red, c.Green, c.Blue);
        XPutPixel(&source.Image, 2, 1, c.Pixel);
        TDibGraphic image = XImageToDib(source.Image, {});
        ASSERT_EQ(image.Width(), 3) << c.Name;
        ASSERT_EQ(image.Height(), 2) << c.Name;
        EXPECT_EQ(image.ImageFormat(), ifTrueColor) << c.Name;
        EXPECT_EQ(image.Pixel(2, 1), c.Color) << c.Name << " " << std::hex << image.Pixel(2, 1);
        EXPECT_EQ(image.Pixel(0, 0), 0u) << c.Name;
        EXPECT_EQ(image.Pixel(1, 1), 0u) << c.Name;
    }
}

TEST(XImageToDib, PaletteScreensReadThroughTheColormap) {
    TTestImage source(4, 1, 8, 8, LSBFirst, 0, 0, 0);
    std::vector<uint32_t> colormap = {0x000000, 0xFF0000, 0x00FF00};
    XPutPixel(&source.Image, 1, 0, 1);
    XPutPixel(&source.Image, 2, 0, 2);
    XPutPixel(&source.Image, 3, 0, 200); // beyond the colormap
    TDibGraphic image = XImageToDib(source.Image, colormap);
    EXPECT_EQ(image.Pixel(0, 0), 0x000000u);
    EXPECT_EQ(image.Pixel(1, 0), 0xFF0000u);
    EXPECT_EQ(image.Pixel(2, 0), 0x00FF00u);
    EXPECT_EQ(image.Pixel(3, 0), 0x000000u);
}

#include "imaging/true_color.h"

#include <array>

TDibGraphic ExpandToTrueColor(const TDibGraphic& image) {
    if (image.ImageFormat() == ifTrueColor)
        return image;

    TDibGraphic result;
    result.NewImage(image.Width(), image.Height(), ifTrueColor);
    result.SetPelsPerMeter(image.XPelsPerMeter(), image.YPelsPerMeter());

    // Every possible index gets a colour up front, so the row loops below need no checks.
    std::array<std::array<uint8_t, 3>, 256> colors{};
    const TPalette& palette = image.Palette();
    for (std::size_t i = 0; i < palette.size() && i < colors.size(); ++i)
        colors[i] = {palette[i].Blue, palette[i].Green, palette[i].Red};

    const int width = image.Width();
    const int bits = image.BitsPerPixel();
    for (int y = 0; y < image.Height(); ++y) {
        const uint8_t* source = image.ScanLine(y);
        uint8_t* target = result.ScanLine(y);
        for (int x = 0; x < width; ++x, target += 3) {
            int index;
            if (bits == 8)
                index = source[x];
            else if (bits == 4)
                index = (x & 1) ? (source[x >> 1] & 0x0F) : (source[x >> 1] >> 4);
            else
                index = (source[x >> 3] >> (7 - (x & 7))) & 1;
            const auto& color = colors[index];
            target[0] = color[0];
            target[1] = color[1];
            target[2] = color[2];
        }
    }
    return result;
}

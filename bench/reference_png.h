// The yardstick for Karvin's PNG writer: the same file (8-bit RGB, Adam7, gAMA, pHYs) written
// by libpng with zlib at level 5, one stream on one thread, rows unfiltered when most pixels
// repeat their left neighbour and otherwise filtered as libpng chooses; this is how Karvin
// wrote PNG files before it compressed them in parts. True-colour images only.
#pragma once

#include "imaging/dib_graphic.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <stdexcept>
#include <vector>

namespace reference_png {

struct TOutput {
    std::vector<uint8_t> Bytes;
    std::vector<png_bytep> Rows;
};

inline void Append(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<TOutput*>(png_get_io_ptr(png));
    out->Bytes.insert(out->Bytes.end(), data, data + length);
}

inline void Flush(png_structp) {}

inline bool MostlyFlat(const TDibGraphic& image) {
    std::size_t repeated = 0, compared = 0;
    for (int y = 0; y < image.Height(); y += 4) {
        const uint8_t* row = image.ScanLine(y);
        for (int x = 1; x < image.Width(); ++x, ++compared)
            repeated += std::memcmp(row + x * 3, row + x * 3 - 3, 3) == 0;
    }
    return compared > 0 && repeated * 2 >= compared;
}

// Only trivially destructible locals here: libpng leaves by longjmp.
inline bool Write(png_structp png, png_infop info, TOutput& out, const TDibGraphic& image) {
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_write_fn(png, &out, Append, Flush);
    png_set_compression_level(png, 5);
    if (MostlyFlat(image))
        png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7, PNG_COMPRESSION_TYPE_BASE,
                 PNG_FILTER_TYPE_BASE);
    png_set_gAMA(png, info, 0.5);
    png_set_pHYs(png, info, png_uint_32(image.XPelsPerMeter()), png_uint_32(image.YPelsPerMeter()),
                 PNG_RESOLUTION_METER);
    png_write_info(png, info);
    png_set_bgr(png);
    png_write_image(png, out.Rows.data());
    png_write_end(png, nullptr);
    return true;
}

inline std::vector<uint8_t> SavePngAtZlibLevel5(const TDibGraphic& image) {
    if (image.ImageFormat() != ifTrueColor)
        throw std::invalid_argument("reference PNG: true colour only");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    TOutput out;
    for (int y = 0; y < image.Height(); ++y)
        out.Rows.push_back(const_cast<png_bytep>(image.ScanLine(y)));
    const bool written = Write(png, info, out, image);
    png_destroy_write_struct(&png, &info);
    if (!written)
        throw std::runtime_error("reference PNG: libpng failed");
    return std::move(out.Bytes);
}

} // namespace reference_png

// The body shared by the reader fuzz targets: read the input through one codec; an image that
// comes out is checked row by row and written back through the same codec. Only EImageError
// may leave a reader; anything else (a crash, a sanitizer report, another exception such as
// std::bad_alloc from an unbounded allocation) is a finding.
#pragma once

#include "imaging/format_registry.h"

#include <cstddef>
#include <cstdint>
#include <span>

inline void FuzzReader(TImageCodec codec, const uint8_t* data, std::size_t size, int frame = 1) {
    TDibGraphic image;
    try {
        image = DecodeImage(std::span<const uint8_t>(data, size), codec, frame);
    } catch (const EImageError&) {
        return;
    }
    // Every row must lie inside the pixel block the image says it has.
    volatile uint8_t sum = 0;
    for (int y = 0; y < image.Height(); ++y)
        sum = sum + image.ScanLine(y)[image.RowStride() - 1];
    // Writers get whatever palettes and sizes readers produce; small images only, for speed.
    if (image.ImageSize() <= (std::size_t(1) << 20)) {
        try {
            EncodeImage(image, codec);
        } catch (const EImageError&) {
        }
    }
}

// The body shared by the reader fuzz targets: read the input through one codec; an image that
// comes out is checked row by row, against what the codec's header reader says of the whole
// input and of its first half, and written back through the same codec. Only EImageError may
// leave a reader; anything else (a crash, a sanitizer report, another exception such as
// std::bad_alloc from an unbounded allocation, a header that disagrees) is a finding.
#pragma once

#include "imaging/format_registry.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

// What a header reader says of `data`, or nothing when it refuses.
inline bool FuzzHeader(TImageCodec codec, std::span<const uint8_t> data, bool wholeFile,
                       TImageHeader& header) {
    try {
        header = ReadImageHeader(data, codec, wholeFile);
        return true;
    } catch (const EImageError&) {
        return false;
    }
}

inline bool SameHeader(const TImageHeader& a, const TImageHeader& b) {
    return a.Width == b.Width && a.Height == b.Height && a.Format == b.Format &&
           a.Palette == b.Palette && a.XPelsPerMeter == b.XPelsPerMeter &&
           a.YPelsPerMeter == b.YPelsPerMeter;
}

inline void FuzzReader(TImageCodec codec, const uint8_t* data, std::size_t size, int frame = 1) {
    const std::span<const uint8_t> input(data, size);
    TImageHeader header, partial;
    const bool hasHeader = FuzzHeader(codec, input, true, header);
    // From the start of the file alone, the header is the same or refused.
    if (FuzzHeader(codec, input.first(size / 2), false, partial) &&
        (!hasHeader || !SameHeader(header, partial)))
        std::abort();
    TDibGraphic image;
    try {
        image = DecodeImage(input, codec, frame);
    } catch (const EImageError&) {
        return;
    }
    // An image that decodes is what its header says.
    if (!hasHeader || header.Width != image.Width() || header.Height != image.Height() ||
        header.Format != image.ImageFormat() ||
        (header.Format != ifTrueColor && header.Palette != image.Palette()) ||
        (header.XPelsPerMeter && header.XPelsPerMeter != image.XPelsPerMeter()))
        std::abort();
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

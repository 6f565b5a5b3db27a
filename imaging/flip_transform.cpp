#include "imaging/flip_transform.h"

#include <cstring>

void TFlipHorizontalTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    const int width = source.Width(), height = source.Height();
    if (width <= 1) {
        dest = source;
        EndProgress();
        return;
    }
    NewImageLike(dest, source, width, height);
    const int bits = source.BitsPerPixel();
    for (int y = 0; y < height; ++y) {
        StepProgress(y, 0, height - 1);
        const uint8_t* in = source.ScanLine(y);
        uint8_t* out = dest.ScanLine(y);
        if (bits == 24) {
            for (int x = 0; x < width; ++x)
                std::memcpy(out + 3 * (width - 1 - x), in + 3 * x, 3);
        } else if (bits == 8) {
            for (int x = 0; x < width; ++x)
                out[width - 1 - x] = in[x];
        } else {
            for (int x = 0; x < width; ++x)
                dest.SetPixelIndex(width - 1 - x, y, source.PixelIndex(x, y));
        }
    }
    EndProgress();
}

void TFlipVerticalTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    const int width = source.Width(), height = source.Height();
    if (height <= 1 || width == 0) {
        dest = source;
        EndProgress();
        return;
    }
    NewImageLike(dest, source, width, height);
    // Rows move whole, so progress counts rows.
    for (int y = 0; y < height; ++y) {
        StepProgress(y, 0, height - 1);
        std::memcpy(dest.ScanLine(height - 1 - y), source.ScanLine(y), source.RowStride());
    }
    EndProgress();
}

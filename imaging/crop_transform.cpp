#include "imaging/crop_transform.h"

#include <cstring>

void TCropTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    if (Top == 0 && Left == 0 && Bottom == 0 && Right == 0) {
        dest = source;
        EndProgress();
        return;
    }
    // Negative margins would reach outside the source; 64-bit sums keep huge margins from
    // wrapping round into a "valid" size.
    const int64_t width = int64_t(source.Width()) - Left - Right;
    const int64_t height = int64_t(source.Height()) - Top - Bottom;
    if (Top < 0 || Left < 0 || Bottom < 0 || Right < 0 || width <= 0 || height <= 0)
        throw EImageError("Invalid crop parameters");

    NewImageLike(dest, source, int(width), int(height));
    const int bits = source.BitsPerPixel();
    for (int y = 0; y < height; ++y) {
        StepProgress(y, 0, height - 1);
        if (bits >= 8) {
            const std::size_t bytes = std::size_t(bits / 8);
            std::memcpy(dest.ScanLine(y), source.ScanLine(y + Top) + Left * bytes,
                        std::size_t(width) * bytes);
        } else {
            for (int x = 0; x < width; ++x)
                dest.SetPixelIndex(x, y, source.PixelIndex(x + Left, y + Top));
        }
    }
    EndProgress();
}

#include "imaging/mirror.h"

#include "imaging/true_color.h"

#include <cstring>

// The copies run in order and in place, so a copy may read a pixel written by the one before
// it: with an even width the last copy (a = w / 2) takes pixel w / 2, which already holds the
// mirror of pixel w / 2 - 1. The loops keep that order rather than stopping at the middle.

TDibGraphic MirroredRight(const TDibGraphic& image) {
    TDibGraphic result = ExpandToTrueColor(image);
    const int width = result.Width();
    for (int y = 0; y < result.Height(); ++y) {
        uint8_t* row = result.ScanLine(y);
        for (int a = 0; a <= width / 2; ++a)
            std::memmove(row + 3 * std::size_t(width - 1 - a), row + 3 * std::size_t(a), 3);
    }
    return result;
}

TDibGraphic MirroredDown(const TDibGraphic& image) {
    TDibGraphic result = ExpandToTrueColor(image);
    const int height = result.Height();
    const std::size_t bytes = 3 * std::size_t(result.Width());
    for (int i = 0; i <= height / 2; ++i)
        if (i != height - 1 - i)
            std::memcpy(result.ScanLine(height - 1 - i), result.ScanLine(i), bytes);
    return result;
}

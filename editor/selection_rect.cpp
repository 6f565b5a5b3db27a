#include "editor/selection_rect.h"

#include <algorithm>
#include <cmath>

namespace {

// value x 100 / zoom, rounded with halves to the even neighbour (the default rounding mode),
// then brought onto the image's side of `limit` pixels.
int ToImage(int value, double zoomPercent, int limit) {
    const double scaled = std::nearbyint(double(value) * 100.0 / zoomPercent);
    return int(std::clamp(scaled, 0.0, double(limit)));
}

} // namespace

TSelectionRect SelectionToImage(const TSelectionRect& displayed, double zoomPercent, int imageWidth,
                                int imageHeight) {
    if (!(zoomPercent > 0) || !std::isfinite(zoomPercent))
        zoomPercent = 100;
    return {ToImage(displayed.Left, zoomPercent, imageWidth),
            ToImage(displayed.Top, zoomPercent, imageHeight),
            ToImage(displayed.Right, zoomPercent, imageWidth),
            ToImage(displayed.Bottom, zoomPercent, imageHeight)};
}

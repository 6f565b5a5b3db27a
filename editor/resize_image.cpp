#include "editor/resize_image.h"

#include "imaging/resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

// The longest side `along` up to `limit` whose other side, round(along x otherSide / side),
// is at most `otherLimit`, and that other side. The other side only grows with `along`: sides
// beyond (otherLimit + 0.5) x side / otherSide are too long, so the search starts just above
// that instead of walking down from a limit that may lie millions of pixels higher.
TPixelSize Fit(int limit, int otherLimit, int64_t side, int64_t otherSide) {
    const auto otherOf = [&](int64_t length) {
        return int64_t(std::nearbyint(double(length * otherSide) / double(side)));
    };
    int64_t along = limit;
    const double longest = std::floor((otherLimit + 0.5) * double(side) / double(otherSide)) + 1;
    if (longest < double(along))
        along = int64_t(longest);
    int64_t other = 0;
    while ((other = otherOf(along)) > otherLimit && along > 1)
        --along;
    return {int(std::max<int64_t>(along, 1)), int(std::clamp<int64_t>(other, 1, otherLimit))};
}

} // namespace

TPixelSize ResizedSize(int width, int height, const TResizeChoice& choice) {
    const int chosenWidth = std::max(choice.ResizeWidth, 1);
    const int chosenHeight = std::max(choice.ResizeHeight, 1);
    if (!choice.KeepAspect || width < 1 || height < 1)
        return {chosenWidth, chosenHeight};
    if (height < width)
        return Fit(chosenWidth, chosenHeight, width, height);
    const TPixelSize fitted = Fit(chosenHeight, chosenWidth, height, width);
    return {fitted.Height, fitted.Width};
}

TDibGraphic ResizedImage(const TDibGraphic& image, TPixelSize size) {
    const TResampleFilter& lanczos3 = ResampleFilters[Lanczos3FilterIndex];
    TDibGraphic resized;
    resized.NewImage(size.Width, size.Height, ifTrueColor, nullptr, image.XDpi(), image.YDpi());
    ResampleStretch(image, resized, lanczos3.Function, lanczos3.Support);
    return resized;
}

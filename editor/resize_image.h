// The editor's Resize: the size the resize window asks for, how the picture fits into it when
// its proportions are kept, and the resampling (Lanczos3).
#pragma once

#include "imaging/dib_graphic.h"

// What the resize window hands the editor. A width of 0 means that nothing is to be resized.
struct TResizeChoice {
    int ResizeWidth = 0;
    int ResizeHeight = 0;
    bool KeepAspect = true;
};

struct TPixelSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const TPixelSize&) const = default;
};

// The size a `width` x `height` picture is resized to. Without KeepAspect exactly the size
// chosen. With it, the largest size of the picture's proportions that fits into the chosen
// one: for a wide picture the chosen width, narrowed one pixel at a time until the height,
// round(width x height / width of the picture), fits; for a tall or square one the same with
// the roles exchanged. A side that would round to 0 pixels is 1, and sizes below 1 count as 1:
// the result always has pixels.
TPixelSize ResizedSize(int width, int height, const TResizeChoice& choice);

// `image` resampled to `size` with the Lanczos3 filter, as a true-colour picture with the
// image's resolution. Throws EImageError when `size` has more pixels than an image may have
// or than the working memory holds.
TDibGraphic ResizedImage(const TDibGraphic& image, TPixelSize size);

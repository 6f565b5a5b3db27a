#include "imaging/resize_transform.h"

#include "imaging/stretch.h"

void TResizeTransform::ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) {
    if (ApplyToSameImage(source, dest))
        return;
    BeginProgress();
    const TImageFormat format = ChangeFormat ? TargetFormat : source.ImageFormat();
    const TPalette* palette = format == source.ImageFormat() ? &source.Palette() : nullptr;
    TDibGraphic result;
    result.NewImage(Width, Height, format, palette, source.XDpi(), source.YDpi());
    StepProgress(50, 0, 100);
    if (int64_t(source.Width()) * source.Height() > HalftoneAbovePixels)
        StretchAreaAverage(source, result);
    else
        StretchDropPixels(source, result);
    dest = std::move(result);
    EndProgress();
}

#include "imaging/display_preparation.h"

#include "imaging/image_format_transform.h"

namespace {

bool Convert(TDibGraphic& image, TImageFormat format, bool optimise,
             const TProgressCallback& progress) {
    if (image.ImageFormat() == format)
        return false;
    TImageFormatTransform transform;
    transform.TargetFormat = format;
    transform.Optimise = optimise;
    transform.Dither = false;
    transform.SetProgressCallback(progress);
    transform.Apply(image);
    return true;
}

} // namespace

bool PrepareForPaletteDisplay(TDibGraphic& image, uint64_t screenColorCount,
                              bool captureFormatIsJpeg, const TProgressCallback& progress) {
    if (captureFormatIsJpeg)
        return screenColorCount == 256 && Convert(image, ifGray256, true, progress);
    if (screenColorCount == 256)
        return Convert(image, ifColor256, true, progress);
    if (screenColorCount == 16)
        return Convert(image, ifColor16, true, progress);
    return false;
}

bool PrepareTrueColor(TDibGraphic& image, const TProgressCallback& progress) {
    return Convert(image, ifTrueColor, false, progress);
}

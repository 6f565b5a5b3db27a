// Resizes an image for display (the image view's zoom).
#pragma once

#include "imaging/image_transform.h"

class TResizeTransform : public TImageTransform {
public:
    int Width = 300;
    int Height = 200;
    // When set, the result has TargetFormat; otherwise the source's format (and palette).
    bool ChangeFormat = false;
    TImageFormat TargetFormat = ifTrueColor;

    // Sources of more than 1024 pixels are averaged (halftone); smaller ones, which are
    // mostly icons and tiny selections whose pixels should stay crisp, drop or repeat pixels.
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;

    static constexpr int64_t HalftoneAbovePixels = 1024;
};

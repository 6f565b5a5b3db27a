// Cuts margins off an image (printing and saving a selected rectangle).
#pragma once

#include "imaging/image_transform.h"

class TCropTransform : public TImageTransform {
public:
    // Margins in pixels. From a rectangle (l, t, r, b) of an image W x H: Top = t, Left = l,
    // Bottom = H - b, Right = W - r.
    int Top = 0;
    int Left = 0;
    int Bottom = 0;
    int Right = 0;

    // All margins 0 copies the source. Margins that are negative or leave no pixel throw
    // "Invalid crop parameters" and leave `dest` as it was.
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

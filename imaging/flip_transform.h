// Mirror images: left to right and top to bottom. Palette images keep their indices. An image
// one pixel wide (left to right) or high (top to bottom), or without pixels, is copied.
#pragma once

#include "imaging/image_transform.h"

class TFlipHorizontalTransform : public TImageTransform {
public:
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

class TFlipVerticalTransform : public TImageTransform {
public:
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

// Smooths a black-and-white image into 16 grey levels so that it stays legible when the
// image view draws it zoomed out.
#pragma once

#include "imaging/image_transform.h"

class TAntiAliasTransform : public TImageTransform {
public:
    // Acts only on black-and-white images; any other image is left as it is.
    void Apply(TDibGraphic& image) override;
    // Black and white: a 16-grey image of the same size, each pixel a grey level made from
    // the 2 x 2 block of bits it starts. Any other format: a copy.
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

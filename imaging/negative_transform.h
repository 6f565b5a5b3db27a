// Inverts an image's colours (the capture option "negative" and the editor's Negative).
#pragma once

#include "imaging/image_transform.h"

class TNegativeTransform : public TImageTransform {
public:
    // Grey and black-and-white images: every byte of every row is complemented (with the
    // default grey palettes that inverts the grey level). True colour: every channel becomes
    // 255 minus itself. 16 and 256 colours: the indices stay, the palette is complemented.
    void Apply(TDibGraphic& image) override;
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

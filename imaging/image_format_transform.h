// Converts an image to another pixel format: to true colour before a JPEG is written, and
// to grey or palette formats before an image is written for a screen of 256 or 16 colours.
#pragma once

#include "imaging/image_transform.h"

class TImageFormatTransform : public TImageTransform {
public:
    TImageFormat TargetFormat = ifTrueColor;
    // The palette of a 16- or 256-colour result. With Optimise it is built from the image
    // (and left here); without, an empty palette means the format's default palette.
    TPalette Palette;
    bool Optimise = true;
    // Error diffusion for the palette and grey targets; without it every pixel takes its
    // nearest palette entry.
    bool Dither = true;

    // Does nothing when the image already has the target format.
    void Apply(TDibGraphic& image) override;
    // Always builds the destination anew.
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;

private:
    void Diffuse(const TDibGraphic& source, TDibGraphic& dest);
};

// Turns an image grey (the capture option "grey scale" and the editor's Grey).
#pragma once

#include "imaging/image_transform.h"

class TConvertToGrayTransform : public TImageTransform {
public:
    // The weights are used in thousandths: grey = (299 R + 587 G + 114 B) div 1000 with the
    // defaults, which keeps white at 255.
    double RedWeight = 0.299;
    double GreenWeight = 0.587;
    double BlueWeight = 0.114;
    TImageFormat TargetFormat = ifGray256;

    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;
};

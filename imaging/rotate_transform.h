// Rotation by any angle in degrees; positive angles turn clockwise on screen.
#pragma once

#include "imaging/image_transform.h"

class TRotateTransform : public TImageTransform {
public:
    double Angle = 90.0;
    // Fills the corners that a free rotation uncovers.
    uint32_t Background = MakeColor(255, 255, 255);

    // Whole angles (within 0.005 of a whole number at three decimals) of 0, 90, 180 and 270
    // degrees, after taking them modulo 360, copy or turn the pixels exactly; any other angle
    // is a free rotation into an image large enough for the turned corners. An angle that is
    // not a finite number throws "Invalid rotation angle".
    void ApplyOnDest(const TDibGraphic& source, TDibGraphic& dest) override;

    // The angle as a whole number of degrees 0..359, or -1 when it is not whole.
    static int WholeAngle(double angle);
};

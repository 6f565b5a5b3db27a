// Stretching a whole image into a whole destination of another size, the way the image view
// draws zoomed images: by dropping (or repeating) pixels, or by averaging the area each
// destination pixel covers.
#pragma once

#include "imaging/dib_graphic.h"

// Both fill `dest`, already made at its size, format and palette, from all of `source`.
// A palette destination takes each colour's nearest entry; when source and destination share
// format and palette, pixel dropping copies palette indices unchanged.

// Destination pixel (x, y) is source pixel (x * w div W, y * h div H).
void StretchDropPixels(const TDibGraphic& source, TDibGraphic& dest);
// Each destination pixel is the mean of the source area it covers, every source pixel
// weighted by the part of it that lies inside (halftone).
void StretchAreaAverage(const TDibGraphic& source, TDibGraphic& dest);

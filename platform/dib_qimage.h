// Conversions between the program's raster image and QImage, for painting, the clipboard and
// the printer.
//
// Both directions work row by row on the pixel memory, so a screen-sized capture converts in
// a few milliseconds. The resolution travels as dots per metre both ways.
#pragma once

#include "imaging/dib_graphic.h"

#include <QImage>

// The raster as a QImage: black and white as Format_Mono, the four palette formats as
// Format_Indexed8 (QImage has no 4-bit format), both with the raster's palette as colour
// table; true colour as Format_RGB32. An empty raster gives a null image.
QImage DibToQImage(const TDibGraphic& image);

// A QImage as a raster, the way a bitmap taken from the clipboard becomes one: 1-bit images
// keep depth and palette (black and white); 8-bit indexed images keep their palette and
// become 16 colour when every pixel fits in 4 bits and the colour table has at most 16
// entries, 256 colour otherwise; an 8-bit grey image becomes 256 shades of grey; everything
// else becomes true colour. Transparency is dropped by composing the picture over black. A
// null image gives an empty raster.
TDibGraphic QImageToDib(const QImage& image);

// Any picture as a true-colour raster of its size: the picture drawn over black. This is how
// a file read by Qt's own image readers enters the program.
TDibGraphic QImageToTrueColorDib(const QImage& image);

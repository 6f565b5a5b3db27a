// The conversion of a screen image from the server's pixel layout into a true-colour raster.
#pragma once

#include "imaging/dib_graphic.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <vector>

// Converts a client-side image into a true-colour raster of the same size. Images with
// colour masks (true-colour screens) are read through the masks, the common 32-bit layout
// through a fast row copy; images without masks (palette screens) through colormap, the
// colour 0x00RRGGBB of each pixel value (values beyond it read as black).
TDibGraphic XImageToDib(XImage& image, const std::vector<uint32_t>& colormap);

// Converts rows firstRow .. endRow - 1 of `image` into the same rows of `target`, a true-colour
// raster of the image's size.
void XImageRowsToDib(XImage& image, const std::vector<uint32_t>& colormap, TDibGraphic& target,
                     int firstRow, int endRow);

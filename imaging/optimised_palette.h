// A palette fitted to an image's colours, for reducing it to 16 or 256 colours.
#pragma once

#include "imaging/dib_graphic.h"

#include <functional>

// Returns `colorCount` entries (limited to 0..256). The image's colours are counted in
// 32 x 32 x 32 cells; the cells met often enough (more than 2 to 20 times, the more distinct
// cells the image has, the higher the bar) are the candidates. When there are more
// candidates than entries, the first is the candidate nearest to white and each further one
// the candidate farthest from those already chosen; otherwise all candidates are taken in
// cell order. Entries beyond the candidates are black.
// `progress` gets the percent of the entries chosen so far.
TPalette BuildOptimisedPalette(const TDibGraphic& image, int colorCount,
                               const std::function<void(int percent)>& progress = {});

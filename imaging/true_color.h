// Palette images to true colour.
#pragma once

#include "imaging/dib_graphic.h"

// A true-colour copy of `image`: each pixel takes the colour of its palette entry (black for
// an index the palette does not have). Same size and resolution. A true-colour image comes
// back as a plain copy.
TDibGraphic ExpandToTrueColor(const TDibGraphic& image);

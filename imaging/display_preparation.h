// The colour reductions applied to an image before it is written to a file, decided by the
// screen's colour depth and the chosen capture format. They take both as parameters, so the
// decisions do not depend on the screen the program happens to run on.
#pragma once

#include "imaging/image_transform.h"

#include <cstdint>

// On a screen of 256 colours: 256 shades of grey when the capture format is JPEG, else 256
// colours; on a screen of 16 colours: 16 colours unless the capture format is JPEG. Any other
// screen (true colour in particular) leaves the image as it is, and so does an image already
// in the format wanted. The palette is fitted to the image; nothing is dithered.
// `screenColorCount` is 2 to the power of the screen's bits per pixel.
// Returns whether the image was converted.
bool PrepareForPaletteDisplay(TDibGraphic& image, uint64_t screenColorCount,
                              bool captureFormatIsJpeg, const TProgressCallback& progress = {});

// Makes the image true colour (as JPEG files need) through its palette, without dithering.
// Returns whether the image was converted.
bool PrepareTrueColor(TDibGraphic& image, const TProgressCallback& progress = {});

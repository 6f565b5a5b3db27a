// How a capture becomes an image file: the colour reductions each format needs first, and
// the writer options of captures.
#pragma once

#include "imaging/format_registry.h"
#include "imaging/image_transform.h"

#include <cstdint>
#include <string>

// JPEG captures keep every detail: quality 100, not progressive.
inline constexpr TJpegOptions CaptureJpegOptions{100, false};

// Readies `image` to be written as `path` (the format by its extension): for JPEG, true
// colour; for BMP, PCX, PNG, TGA and TIFF, the reduction of a screen of 256 or 16 colours
// (see PrepareForPaletteDisplay; `captureFormatIsJpeg` is whether the capture format of the
// settings is JPEG); GIF reduces its colours as it is written. Returns whether the
// image changed. Throws EImageError for an extension without a writer.
bool PrepareCaptureForFile(TDibGraphic& image, const std::string& path, uint64_t screenColorCount,
                           bool captureFormatIsJpeg, const TProgressCallback& progress = {});

// Writes a prepared capture (through a temporary file, so a failure leaves no half-written
// file behind). Throws EImageError or EFileError.
void WriteCaptureFile(const TDibGraphic& image, const std::string& path);

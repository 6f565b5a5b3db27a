// Fitting a picture into a box by its aspect ratio: the WebLink picture, the thumbnail grid
// and the thumbnail print layout.
#pragma once

#include "imaging/dib_graphic.h"
#include "imaging/resample.h"

#include <string>

struct TThumbnailPlacement {
    int Width = 0;
    int Height = 0;
    int Left = 0; // margins that centre the picture in the box
    int Top = 0;
    bool operator==(const TThumbnailPlacement&) const = default;
};

// The largest size of the picture's aspect ratio that fits the box (wide pictures fill its
// width, others its height; the other side is rounded to nearest, halves to even, and is at
// least 1) and the margins that centre it. Pictures smaller than the box are enlarged.
// An empty picture or box gives an empty placement.
TThumbnailPlacement FitThumbnailSize(int pictureWidth, int pictureHeight, int boxWidth,
                                     int boxHeight);

// The picture resampled to its fitted size: with `filter` (Hermite unless the caller names
// another), or with a plain stretch when `filter` is nullptr. The result is true colour.
// An empty picture throws "Source bitmap too small".
TDibGraphic FitThumbnail(const TDibGraphic& picture, int boxWidth, int boxHeight,
                         const TResampleFilter* filter = &ResampleFilters[HermiteFilterIndex]);
// The same, with `filter`, for a picture given row by row: the same pixels.
TDibGraphic FitThumbnail(const TRowSource& picture, int boxWidth, int boxHeight,
                         const TResampleFilter& filter = ResampleFilters[HermiteFilterIndex]);

// The picture of an image file fitted into the box, and the size of the picture in the file.
struct TFittedThumbnail {
    TDibGraphic Picture;
    int SourceWidth = 0;
    int SourceHeight = 0;
};
// FitThumbnail of the picture in the file at `path`, read through the format of its extension.
// True-colour PNG files (the captures' own kind) are fitted straight from their rows, without
// the whole picture in memory: the same pixels in a fraction of the time. Each thread keeps
// its PNG reader, whose buffers then serve file after file. Throws the reader's error
// (EImageError, EFileError) when the file cannot be read.
TFittedThumbnail
LoadFittedThumbnail(const std::string& path, int boxWidth, int boxHeight,
                    const TResampleFilter* filter = &ResampleFilters[HermiteFilterIndex]);

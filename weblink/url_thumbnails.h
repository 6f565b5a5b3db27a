// The pictures of the WebLink viewer's grid: each linked image fitted by its aspect ratio into
// a 120 x 90 cell with the Hermite filter, centred on white.
//
// They are made on worker threads by TThumbnailMaker (widgets/thumbnail_maker.h) with
// LoadWebLinkThumbnail. The fitting is the same code on every thread, so a thumbnail is the
// same whichever thread made it.
#pragma once

#include "imaging/dib_graphic.h"

#include <QImage>
#include <QString>

#include <string>

inline constexpr int WebLinkThumbWidth = 120;
inline constexpr int WebLinkThumbHeight = 90;

// The cell picture of an image: white, with the image fitted into it (FitThumbnail, Hermite)
// at the margins that centre it. An empty image throws "Source bitmap too small".
QImage WebLinkThumbnail(const TDibGraphic& picture);
// The cell picture of an image file, read through the format of its extension. Throws the
// reader's error (EImageError, EFileError) when the file cannot be read.
QImage LoadWebLinkThumbnail(const std::string& path);

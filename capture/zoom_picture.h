// The magnifier's arithmetic: which part of the screen it shows, how that part is enlarged,
// and where the magnifier goes so that it never shows itself.
#pragma once

#include "platform/screen.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <optional>

// The part of the screen the magnifier shows for the pointer at `pointer`: to the right of and
// below the pointer, the picture's size divided by the factor, halves going to the even
// neighbour (a 294 x 170 picture at 4X shows 74 x 42 pixels). At least one pixel each way.
QRect ZoomSourceRect(const QPoint& pointer, const QSize& pictureSize, int factor);

// The screen's pixels in `source`, as a picture of the source's own size: where the source
// reaches past the edge of the screen the picture is black, so the magnification stays the
// same up to the edge. A screen that cannot be read gives black all over.
QImage GrabZoomSource(IScreen& screen, const QRect& source);

// `picture` stretched to `size`, every pixel of the result a copy of the picture's pixel under
// its centre (no smoothing): what the magnifier shows and what its capture stores.
QImage StretchPixels(const QImage& picture, const QSize& size);

// Where the magnifier's window (its frame, `frame`) is to go so that it does not cover
// `source`: the corner of `available` farthest from the source whose place leaves the source
// free; nullopt when the window covers no part of the source, or when no corner helps (a
// window too large for the screen).
std::optional<QPoint> ZoomWindowPlaceAwayFrom(const QRect& frame, const QRect& source,
                                              const QRect& available);

#include "imaging/fit_thumbnail.h"

#include "imaging/stretch.h"

#include <algorithm>
#include <cmath>

namespace {

// The largest `side` <= `box` whose other side N(side * ratio) is at most `otherBox`.
// Every side above the answer overflows (N(side * ratio) only grows with side), so starting
// the search just above the bound side * ratio <= otherBox + 0.5 gives the same answer as
// counting down from `box`, without counting down from a huge box.
int FitSide(int box, int otherBox, double ratio, int& other) {
    int side = box;
    const double bound = std::floor((otherBox + 0.5) / ratio) + 1;
    if (bound < side)
        side = int(bound);
    for (;;) {
        other = int(std::nearbyint(side * ratio));
        if (other <= otherBox)
            return side;
        --side;
    }
}

int CentringMargin(int box, int size) {
    return size < box ? int(std::nearbyint((box - size) / 2.0)) : 0;
}

} // namespace

TThumbnailPlacement FitThumbnailSize(int pictureWidth, int pictureHeight, int boxWidth,
                                     int boxHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || boxWidth <= 0 || boxHeight <= 0)
        return {};
    TThumbnailPlacement placement;
    if (pictureHeight < pictureWidth) {
        placement.Width =
            FitSide(boxWidth, boxHeight, double(pictureHeight) / pictureWidth, placement.Height);
    } else {
        placement.Height =
            FitSide(boxHeight, boxWidth, double(pictureWidth) / pictureHeight, placement.Width);
    }
    // A very thin picture would round its short side to nothing.
    placement.Width = std::max(placement.Width, 1);
    placement.Height = std::max(placement.Height, 1);
    placement.Left = CentringMargin(boxWidth, placement.Width);
    placement.Top = CentringMargin(boxHeight, placement.Height);
    return placement;
}

TDibGraphic FitThumbnail(const TRowSource& picture, int boxWidth, int boxHeight) {
    if (picture.Width <= 0 || picture.Height <= 0)
        throw EImageError("Source bitmap too small");
    const TThumbnailPlacement placement =
        FitThumbnailSize(picture.Width, picture.Height, boxWidth, boxHeight);
    TDibGraphic thumbnail;
    thumbnail.NewImage(placement.Width, placement.Height, ifTrueColor);
    const TResampleFilter& hermite = ResampleFilters[HermiteFilterIndex];
    ResampleStretch(picture, thumbnail, hermite.Function, hermite.Support);
    return thumbnail;
}

TDibGraphic FitThumbnail(const TDibGraphic& picture, int boxWidth, int boxHeight,
                         const TResampleFilter* filter) {
    if (picture.Empty())
        throw EImageError("Source bitmap too small");
    const TThumbnailPlacement placement =
        FitThumbnailSize(picture.Width(), picture.Height(), boxWidth, boxHeight);
    TDibGraphic thumbnail;
    thumbnail.NewImage(placement.Width, placement.Height, ifTrueColor, nullptr, picture.XDpi(),
                       picture.YDpi());
    if (filter)
        ResampleStretch(picture, thumbnail, filter->Function, filter->Support);
    else
        StretchDropPixels(picture, thumbnail);
    return thumbnail;
}

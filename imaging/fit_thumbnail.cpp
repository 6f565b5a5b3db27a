#include "imaging/fit_thumbnail.h"

#include "imaging/format_registry.h"
#include "imaging/image_codecs.h"
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

TDibGraphic FitThumbnail(const TRowSource& picture, int boxWidth, int boxHeight,
                         const TResampleFilter& filter) {
    if (picture.Width <= 0 || picture.Height <= 0)
        throw EImageError("Source bitmap too small");
    const TThumbnailPlacement placement =
        FitThumbnailSize(picture.Width, picture.Height, boxWidth, boxHeight);
    TDibGraphic thumbnail;
    thumbnail.NewImage(placement.Width, placement.Height, ifTrueColor);
    ResampleStretch(picture, thumbnail, filter.Function, filter.Support);
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

TFittedThumbnail LoadFittedThumbnail(const std::string& path, int boxWidth, int boxHeight,
                                     const TResampleFilter* filter) {
    const auto whole = [&](const TDibGraphic& picture) {
        return TFittedThumbnail{FitThumbnail(picture, boxWidth, boxHeight, filter), picture.Width(),
                                picture.Height()};
    };
    if (!filter || ImageFileFormatOf(path).Codec != TImageCodec::Png)
        return whole(LoadImageFile(path));
    const TRawBudgetVector<uint8_t> data = ReadImageFileData(path);
    thread_local TPngRowReader reader;
    if (!reader.Read(data))
        return whole(DecodeImage(data, TImageCodec::Png));
    struct TFinish {
        TPngRowReader& Reader;
        ~TFinish() { Reader.Finish(); }
    } finish{reader};
    const TImageHeader& header = reader.Header();
    const TRowSource rows{header.Width, header.Height, true,
                          [](int y, uint8_t* scratch) { return reader.RedFirstRow(y, scratch); }};
    return {FitThumbnail(rows, boxWidth, boxHeight, *filter), header.Width, header.Height};
}

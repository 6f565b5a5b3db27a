#include "thumbs/thumb_layout.h"

#include "imaging/format_registry.h"
#include "imaging/resample.h"

#include <algorithm>

namespace {

int KnownSize(int sizeCode) {
    return sizeCode == ThumbSmall || sizeCode == ThumbMedium ? sizeCode : ThumbLarge;
}

} // namespace

QSize FrameSizeOf(int sizeCode) {
    switch (KnownSize(sizeCode)) {
    case ThumbSmall:
        return {88, 68};
    case ThumbMedium:
        return {128, 98};
    default:
        return {168, 128};
    }
}

QSize PictureSizeOf(int sizeCode) {
    return FrameSizeOf(sizeCode) - QSize(8, 8);
}

int ColumnsPerRow(int sizeCode, int screenWidth) {
    const int size = KnownSize(sizeCode);
    if (screenWidth >= 640 && screenWidth < 800)
        return size == ThumbSmall ? 5 : size == ThumbMedium ? 4 : 3;
    if (screenWidth >= 800 && screenWidth < 1024)
        return size == ThumbSmall ? 7 : size == ThumbMedium ? 5 : 4;
    return size == ThumbSmall ? 9 : size == ThumbMedium ? 6 : 5;
}

QRect FrameRect(int n, int columns, int sizeCode) {
    const QSize frame = FrameSizeOf(sizeCode);
    columns = std::max(columns, 1);
    const int column = (n - 1) % columns + 1;
    const int row = (n - 1) / columns + 1;
    return QRect((frame.width() + 20) * column - frame.width(),
                 (frame.height() + 35) * row - frame.height(), frame.width(), frame.height());
}

QRect LabelRect(const QRect& frame, int lineHeight) {
    return QRect(frame.left(), frame.top() + frame.height() + 4, frame.width(), lineHeight);
}

QRect SelectionMarkRect(const QRect& frame) {
    return QRect(QPoint(frame.left() - 3, frame.top() - 3),
                 QPoint(frame.left() + frame.width() + 2, frame.top() + frame.height() + 2));
}

QSize GridExtent(int count, int columns, int sizeCode, int lineHeight) {
    if (count <= 0)
        return {};
    const int lastColumn = std::min(count, std::max(columns, 1));
    const QRect right = FrameRect(lastColumn, columns, sizeCode);
    const QRect bottom = FrameRect(count, columns, sizeCode);
    return QSize(right.left() + right.width() + 20,
                 LabelRect(bottom, lineHeight).bottom() + 1 + 20);
}

const TResampleFilter* ThumbnailFilter(int quality) {
    if (quality == ThumbLowQuality)
        return nullptr;
    // "quality.dat" is a file anyone can edit: a code beyond the table is the High Quality
    // commands' filter.
    if (quality < 0 || quality >= int(ResampleFilters.size()))
        return &ResampleFilters[HermiteFilterIndex];
    return &ResampleFilters[quality];
}

namespace {

// The fitted picture, 24-bit blue first, as a thumbnail 0xffRRGGBB.
QImage ThumbnailImage(const TDibGraphic& fitted) {
    QImage thumbnail(fitted.Width(), fitted.Height(), QImage::Format_RGB32);
    for (int y = 0; y < fitted.Height(); ++y) {
        const uint8_t* in = fitted.ScanLine(y);
        auto* out = reinterpret_cast<QRgb*>(thumbnail.scanLine(y));
        for (int x = 0; x < fitted.Width(); ++x, in += 3)
            out[x] = qRgb(in[2], in[1], in[0]);
    }
    return thumbnail;
}

} // namespace

QImage MakeThumbnailPicture(const TDibGraphic& picture, QSize box, int quality) {
    return ThumbnailImage(
        FitThumbnail(picture, box.width(), box.height(), ThumbnailFilter(quality)));
}

QImage LoadThumbnailPicture(const std::string& path, QSize box, int quality) {
    return ThumbnailImage(
        LoadFittedThumbnail(path, box.width(), box.height(), ThumbnailFilter(quality)).Picture);
}

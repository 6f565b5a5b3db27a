#include "capture/zoom_picture.h"

#include "platform/dib_qimage.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

QRect ZoomSourceRect(const QPoint& pointer, const QSize& pictureSize, int factor) {
    factor = std::max(factor, 1);
    // nearbyint rounds to the nearest, halves to the even neighbour (the default rounding
    // mode, which nothing in the program changes).
    const int width = int(std::nearbyint(double(pictureSize.width()) / factor));
    const int height = int(std::nearbyint(double(pictureSize.height()) / factor));
    return QRect(pointer, QSize(std::max(width, 1), std::max(height, 1)));
}

QImage GrabZoomSource(IScreen& screen, const QRect& source) {
    QImage picture(source.size(), QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    const QRect onScreen = source.intersected(QRect(QPoint(0, 0), screen.ScreenSize()));
    QImage grab;
    if (!onScreen.isEmpty())
        grab = DibToQImage(screen.GrabScreenRect(onScreen)).convertToFormat(QImage::Format_RGB32);
    // Only the part that lies off the screen, or a screen that answered nothing, is black.
    if (grab.size() != onScreen.size()) {
        picture.fill(Qt::black);
        return picture;
    }
    if (onScreen != source)
        picture.fill(Qt::black);
    const QPoint at = onScreen.topLeft() - source.topLeft();
    const std::size_t rowBytes = std::size_t(grab.width()) * 4;
    for (int y = 0; y < grab.height(); ++y)
        std::memcpy(picture.scanLine(at.y() + y) + std::size_t(at.x()) * 4, grab.constScanLine(y),
                    rowBytes);
    return picture;
}

QImage StretchPixels(const QImage& picture, const QSize& size) {
    if (picture.isNull() || size.isEmpty())
        return QImage();
    const QImage source = picture.convertToFormat(QImage::Format_RGB32);
    QImage stretched(size, QImage::Format_RGB32);
    if (stretched.isNull())
        return stretched;
    // The source column under the centre of each target column, worked out once.
    std::vector<int> columns(std::size_t(size.width()));
    for (int x = 0; x < size.width(); ++x)
        columns[std::size_t(x)] =
            int((2 * int64_t(x) + 1) * source.width() / (2 * int64_t(size.width())));
    int lastSourceRow = -1;
    for (int y = 0; y < size.height(); ++y) {
        const int sourceRow =
            int((2 * int64_t(y) + 1) * source.height() / (2 * int64_t(size.height())));
        auto* out = reinterpret_cast<uint32_t*>(stretched.scanLine(y));
        // Enlarging repeats whole rows: a row the same as the last is copied.
        if (sourceRow == lastSourceRow) {
            std::memcpy(out, stretched.constScanLine(y - 1), std::size_t(size.width()) * 4);
            continue;
        }
        const auto* in = reinterpret_cast<const uint32_t*>(source.constScanLine(sourceRow));
        for (int x = 0; x < size.width(); ++x)
            out[x] = in[columns[std::size_t(x)]];
        lastSourceRow = sourceRow;
    }
    return stretched;
}

std::optional<QPoint> ZoomWindowPlaceAwayFrom(const QRect& frame, const QRect& source,
                                              const QRect& available) {
    if (!frame.intersects(source))
        return std::nullopt;
    const QSize size = frame.size();
    const QPoint corners[] = {
        available.topLeft(),
        QPoint(available.right() + 1 - size.width(), available.top()),
        QPoint(available.left(), available.bottom() + 1 - size.height()),
        QPoint(available.right() + 1 - size.width(), available.bottom() + 1 - size.height()),
    };
    const QPoint centre = source.center();
    std::optional<QPoint> best;
    int64_t bestDistance = -1;
    for (const QPoint& corner : corners) {
        const QRect place(corner, size);
        if (place.intersects(source))
            continue;
        const QPoint away = place.center() - centre;
        const int64_t distance = int64_t(away.x()) * away.x() + int64_t(away.y()) * away.y();
        if (distance > bestDistance) {
            bestDistance = distance;
            best = corner;
        }
    }
    return best;
}

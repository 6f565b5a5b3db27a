#include "capture/selection_shapes.h"

#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;

void MakeTrueColor(QImage& picture) {
    if (picture.format() != QImage::Format_RGB32)
        picture.convertTo(QImage::Format_RGB32);
}

QRgb& PixelAt(QImage& picture, int x, int y) {
    return reinterpret_cast<QRgb*>(picture.scanLine(y))[x];
}

void Invert(QRgb& pixel) {
    pixel ^= 0x00FFFFFF;
}

} // namespace

QRect SelectionRect(const QPoint& start, const QPoint& end) {
    const QPoint topLeft(std::min(start.x(), end.x()), std::min(start.y(), end.y()));
    return QRect(topLeft, QSize(std::abs(end.x() - start.x()), std::abs(end.y() - start.y())));
}

void DrawFocusOutline(QImage& picture, const QRect& rect, const QPoint& origin) {
    if (rect.isEmpty())
        return;
    MakeTrueColor(picture);
    const QRect inside = picture.rect();
    auto dot = [&](int x, int y) {
        if (inside.contains(x, y) && ((origin.x() + x + origin.y() + y) & 1) == 0)
            Invert(PixelAt(picture, x, y));
    };
    // Every border pixel once: a pixel inverted twice would vanish from the outline.
    for (int x = rect.left(); x <= rect.right(); ++x) {
        dot(x, rect.top());
        if (rect.height() > 1)
            dot(x, rect.bottom());
    }
    for (int y = rect.top() + 1; y < rect.bottom(); ++y) {
        dot(rect.left(), y);
        if (rect.width() > 1)
            dot(rect.right(), y);
    }
}

std::optional<std::pair<int, int>> EllipseRowSpan(int y, int width, int height) {
    // All lengths are doubled, so that pixel centres and the ellipse's centre and radii are
    // whole numbers and the test below is exact: the centre lies at (width, height), the
    // radii are width - 2 and height - 2, and pixel x's centre at 2x + 1. Screens are at most
    // 32767 pixels across, so the products fit in 64 bits.
    const std::int64_t radiusX = width - 2;
    const std::int64_t radiusY = height - 2;
    if (radiusX <= 0 || radiusY <= 0 || y < 0 || y >= height)
        return std::nullopt;
    const std::int64_t dy = 2 * std::int64_t(y) + 1 - height;
    // Inside: dx^2 * radiusY^2 + dy^2 * radiusX^2 <= radiusX^2 * radiusY^2.
    const std::int64_t room = radiusX * radiusX * (radiusY * radiusY - dy * dy);
    if (room < 0)
        return std::nullopt;
    const std::int64_t scale = radiusY * radiusY;
    auto fits = [&](std::int64_t dx) { return dx * dx * scale <= room; };
    std::int64_t reach = std::int64_t(std::sqrt(double(room) / double(scale)));
    while (fits(reach + 1))
        ++reach;
    while (reach > 0 && !fits(reach))
        --reach;
    // dx = 2x + 1 - width, so dx has the parity of width + 1.
    if (((reach + width + 1) & 1) != 0)
        --reach;
    if (reach < 0)
        return std::nullopt;
    const int first = int((-reach + width - 1) / 2);
    const int last = int((reach + width - 1) / 2);
    return std::make_pair(first, last);
}

bool InsideEllipse(int x, int y, int width, int height) {
    const auto span = EllipseRowSpan(y, width, height);
    return span && x >= span->first && x <= span->second;
}

void DrawEllipseOutline(QImage& picture, const QRect& box, TOutlineInk ink) {
    if (box.isEmpty())
        return;
    MakeTrueColor(picture);
    const QRect inside = picture.rect();
    auto paint = [&](int x, int y) {
        const QPoint at = box.topLeft() + QPoint(x, y);
        if (!inside.contains(at))
            return;
        QRgb& pixel = PixelAt(picture, at.x(), at.y());
        if (ink == TOutlineInk::Black)
            pixel = Black;
        else
            Invert(pixel);
    };
    for (int y = 0; y < box.height(); ++y) {
        const auto span = EllipseRowSpan(y, box.width(), box.height());
        if (!span)
            continue;
        // The row's inner pixels are those whose four neighbours all lie in the ellipse: not
        // at the row's ends, and within the rows above and below.
        int innerFirst = span->first + 1;
        int innerLast = span->second - 1;
        for (int neighbour : {y - 1, y + 1}) {
            const auto other = EllipseRowSpan(neighbour, box.width(), box.height());
            if (!other) {
                innerLast = innerFirst - 1;
                break;
            }
            innerFirst = std::max(innerFirst, other->first);
            innerLast = std::min(innerLast, other->second);
        }
        for (int x = span->first; x <= span->second; ++x)
            if (x < innerFirst || x > innerLast)
                paint(x, y);
    }
}

void CutOutEllipse(QImage& picture) {
    MakeTrueColor(picture);
    for (int y = 0; y < picture.height(); ++y) {
        const auto span = EllipseRowSpan(y, picture.width(), picture.height());
        for (int x = 0; x < picture.width(); ++x)
            if (!span || x < span->first || x > span->second)
                PixelAt(picture, x, y) = White;
    }
}

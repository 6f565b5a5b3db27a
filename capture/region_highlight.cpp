#include "capture/region_highlight.h"

#include "platform/dib_qimage.h"

#include <QPaintEvent>
#include <QPainter>

namespace {

// The margin of the client area that keeps its colours.
constexpr int HighlightMargin = 2;

} // namespace

TRegionHighlight::TRegionHighlight(const QImage& inverted, const QRect& area)
    : Inverted_(inverted) {
    setObjectName("RegionHighlight");
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::BypassWindowManagerHint | Qt::WindowTransparentForInput |
                   Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(area);
    show();
}

TWindowId TRegionHighlight::Window() {
    return TWindowId(winId());
}

void TRegionHighlight::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    for (const QRect& exposed : event->region())
        painter.drawImage(exposed.topLeft(), Inverted_, exposed);
}

QRect RegionHighlightArea(const QRect& clientRect, const QSize& screenSize) {
    const QRect inner =
        clientRect.adjusted(HighlightMargin, HighlightMargin, -HighlightMargin, -HighlightMargin);
    return inner & QRect(QPoint(0, 0), screenSize);
}

std::unique_ptr<TRegionHighlight> ShowRegionHighlight(IScreen& screen, const QRect& clientRect) {
    const QRect area = RegionHighlightArea(clientRect, screen.ScreenSize());
    if (area.isEmpty())
        return nullptr;
    QImage picture = DibToQImage(screen.GrabScreenRect(area));
    if (picture.size() != area.size())
        return nullptr;
    picture.invertPixels();
    return std::make_unique<TRegionHighlight>(picture, area);
}

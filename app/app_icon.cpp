#include "app/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// A camera body with a lens, drawn for each size so that small icons stay sharp.
QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal unit = size / 16.0;
    painter.setPen(QPen(QColor(20, 40, 90), qMax(1.0, unit * 0.75)));
    painter.setBrush(QColor(60, 110, 200));
    painter.drawRoundedRect(QRectF(unit * 1, unit * 4, unit * 14, unit * 10), unit * 2, unit * 2);
    painter.drawRect(QRectF(unit * 5, unit * 2, unit * 6, unit * 2.5));
    painter.setBrush(QColor(230, 240, 255));
    painter.drawEllipse(QPointF(unit * 8, unit * 9), unit * 3.5, unit * 3.5);
    painter.setBrush(QColor(20, 40, 90));
    painter.drawEllipse(QPointF(unit * 8, unit * 9), unit * 1.6, unit * 1.6);
    return pixmap;
}

} // namespace

QIcon KarvinIcon() {
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128})
        icon.addPixmap(DrawIcon(size));
    return icon;
}

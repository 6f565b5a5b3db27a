#include "widgets/tool_pictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

const QColor Outline(40, 40, 48);

// A sheet of paper with a folded top-right corner.
void DrawSheet(QPainter& painter, const QRectF& sheet, const QColor& fill = Qt::white) {
    const qreal fold = sheet.width() * 0.28;
    QPainterPath path;
    path.moveTo(sheet.topLeft());
    path.lineTo(sheet.right() - fold, sheet.top());
    path.lineTo(sheet.right(), sheet.top() + fold);
    path.lineTo(sheet.bottomRight());
    path.lineTo(sheet.bottomLeft());
    path.closeSubpath();
    painter.setBrush(fill);
    painter.drawPath(path);
    QPainterPath corner;
    corner.moveTo(sheet.right() - fold, sheet.top());
    corner.lineTo(sheet.right() - fold, sheet.top() + fold);
    corner.lineTo(sheet.right(), sheet.top() + fold);
    painter.setBrush(QColor(210, 215, 225));
    painter.drawPath(corner);
}

// Lines of text on a sheet.
void DrawTextLines(QPainter& painter, qreal left, qreal right, qreal top, int count,
                   qreal spacing) {
    painter.save();
    painter.setPen(QPen(QColor(120, 130, 150), 1.5));
    for (int line = 0; line < count; ++line)
        painter.drawLine(QPointF(left, top + line * spacing), QPointF(right, top + line * spacing));
    painter.restore();
}

// A diskette in a square of side `size` at (x, y).
void DrawDiskette(QPainter& painter, qreal x, qreal y, qreal size) {
    const qreal unit = size / 16.0;
    painter.setPen(QPen(Outline, std::max(1.0, unit * 0.8)));
    QPainterPath body;
    body.moveTo(x + unit * 0.5, y + unit * 0.5);
    body.lineTo(x + unit * 13, y + unit * 0.5);
    body.lineTo(x + unit * 15.5, y + unit * 3);
    body.lineTo(x + unit * 15.5, y + unit * 15.5);
    body.lineTo(x + unit * 0.5, y + unit * 15.5);
    body.closeSubpath();
    painter.setBrush(QColor(45, 100, 200));
    painter.drawPath(body);
    // The metal shutter with its window, and the label.
    painter.setBrush(QColor(200, 205, 215));
    painter.drawRect(QRectF(x + unit * 4, y + unit * 0.5, unit * 8, unit * 5));
    painter.setBrush(QColor(45, 100, 200));
    painter.drawRect(QRectF(x + unit * 9, y + unit * 1.5, unit * 2, unit * 3));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(x + unit * 3, y + unit * 8.5, unit * 10, unit * 7));
    if (size >= 32)
        DrawTextLines(painter, x + unit * 4.5, x + unit * 11.5, y + unit * 10.5, 3, unit * 1.8);
}

void DrawSave(QPainter& painter) {
    DrawDiskette(painter, 9, 8, 32);
}

void DrawDelete(QPainter& painter) {
    painter.setPen(QPen(Outline, 1.2));
    DrawSheet(painter, QRectF(11, 5, 26, 34));
    DrawTextLines(painter, 15, 30, 14, 5, 4.5);
    // A red cross over the sheet.
    painter.setPen(QPen(QColor(130, 0, 0), 9, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(18, 21), QPointF(40, 43));
    painter.drawLine(QPointF(40, 21), QPointF(18, 43));
    painter.setPen(QPen(QColor(225, 30, 30), 6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(18, 21), QPointF(40, 43));
    painter.drawLine(QPointF(40, 21), QPointF(18, 43));
}

void DrawPrint(QPainter& painter) {
    painter.setPen(QPen(Outline, 1.2));
    // The sheet going in at the back and the body.
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(15, 4, 20, 16));
    painter.setBrush(QColor(150, 155, 165));
    painter.drawRoundedRect(QRectF(5, 17, 40, 18), 3, 3);
    painter.setBrush(QColor(95, 100, 110));
    painter.drawRect(QRectF(5, 29, 40, 6));
    // The printed sheet coming out.
    DrawSheet(painter, QRectF(13, 29, 24, 15));
    DrawTextLines(painter, 16, 31, 35, 2, 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(40, 200, 60));
    painter.drawEllipse(QPointF(39, 23), 2, 2);
}

void DrawEmail(QPainter& painter) {
    painter.setPen(QPen(Outline, 1.2));
    const QRectF envelope(5, 12, 40, 26);
    painter.setBrush(QColor(250, 235, 170));
    painter.drawRect(envelope);
    painter.setBrush(QColor(240, 215, 120));
    QPainterPath flap;
    flap.moveTo(envelope.topLeft());
    flap.lineTo(envelope.center().x(), envelope.top() + 15);
    flap.lineTo(envelope.topRight());
    painter.drawPath(flap);
    painter.setPen(QPen(QColor(200, 40, 40), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(36, 15, 6, 7)); // the stamp
}

void DrawCopy(QPainter& painter) {
    painter.setPen(QPen(Outline, 1.2));
    DrawSheet(painter, QRectF(7, 5, 22, 29), QColor(215, 230, 250));
    DrawTextLines(painter, 10, 23, 14, 4, 4.5);
    DrawSheet(painter, QRectF(20, 14, 22, 29));
    DrawTextLines(painter, 23, 37, 23, 4, 4.5);
}

void DrawPaste(QPainter& painter) {
    painter.setPen(QPen(Outline, 1.2));
    painter.setBrush(QColor(170, 115, 60));
    painter.drawRoundedRect(QRectF(8, 7, 28, 36), 3, 3);
    painter.setBrush(QColor(200, 205, 215));
    painter.drawRoundedRect(QRectF(15, 4, 14, 7), 2, 2);
    DrawSheet(painter, QRectF(20, 17, 22, 28));
    // A page of a document: a heading and lines.
    painter.save();
    painter.setPen(QPen(QColor(40, 90, 190), 2.5));
    painter.drawLine(QPointF(23, 23), QPointF(33, 23));
    painter.restore();
    DrawTextLines(painter, 23, 38, 29, 4, 4);
}

void DrawThumbnails(QPainter& painter) {
    const QColor colours[9] = {{230, 80, 70},  {250, 190, 50}, {80, 170, 80},
                               {70, 130, 220}, {160, 90, 200}, {240, 130, 40},
                               {60, 180, 190}, {220, 90, 150}, {120, 160, 60}};
    painter.setPen(QPen(Outline, 1));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            painter.setBrush(colours[row * 3 + column]);
            painter.drawRect(QRectF(7 + column * 13, 6 + row * 13, 11, 11));
        }
}

void DrawEditor(QPainter& painter) {
    painter.setPen(QPen(Outline, 1.2));
    DrawSheet(painter, QRectF(6, 6, 26, 36));
    DrawTextLines(painter, 10, 26, 15, 5, 4.5);
    // A pencil lying across the sheet.
    painter.save();
    painter.translate(34, 24);
    painter.rotate(45);
    painter.setBrush(QColor(250, 200, 40));
    painter.drawRect(QRectF(-4, -18, 8, 26));
    painter.setBrush(QColor(240, 150, 160));
    painter.drawRect(QRectF(-4, -22, 8, 4));
    painter.setBrush(QColor(240, 215, 170));
    QPainterPath tip;
    tip.moveTo(-4, 8);
    tip.lineTo(4, 8);
    tip.lineTo(0, 16);
    tip.closeSubpath();
    painter.drawPath(tip);
    painter.restore();
}

void DrawWebLink(QPainter& painter) {
    painter.setPen(QPen(Outline, 1.2));
    const QPointF centre(22, 21);
    painter.setBrush(QColor(70, 140, 230));
    painter.drawEllipse(centre, 16, 16);
    painter.setPen(QPen(QColor(230, 240, 255), 1.2));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, 7, 16);
    painter.drawLine(QPointF(6, 21), QPointF(38, 21));
    painter.drawLine(QPointF(9, 13), QPointF(35, 13));
    painter.drawLine(QPointF(9, 29), QPointF(35, 29));
    // Two chain links in front.
    painter.setPen(QPen(QColor(60, 60, 70), 5));
    painter.drawRoundedRect(QRectF(24, 32, 14, 8), 4, 4);
    painter.drawRoundedRect(QRectF(32, 36, 14, 8), 4, 4);
    painter.setPen(QPen(QColor(250, 190, 40), 3));
    painter.drawRoundedRect(QRectF(24, 32, 14, 8), 4, 4);
    painter.drawRoundedRect(QRectF(32, 36, 14, 8), 4, 4);
}

// Each picture is drawn on a 50 x 48 canvas.
void Draw(QPainter& painter, TToolPicture picture) {
    switch (picture) {
    case TToolPicture::Save:
        return DrawSave(painter);
    case TToolPicture::Delete:
        return DrawDelete(painter);
    case TToolPicture::Print:
        return DrawPrint(painter);
    case TToolPicture::Email:
        return DrawEmail(painter);
    case TToolPicture::Copy:
        return DrawCopy(painter);
    case TToolPicture::Paste:
        return DrawPaste(painter);
    case TToolPicture::Thumbnails:
        return DrawThumbnails(painter);
    case TToolPicture::Editor:
        return DrawEditor(painter);
    case TToolPicture::WebLink:
        return DrawWebLink(painter);
    }
}

} // namespace

QPixmap ColouredToolPicture(TToolPicture picture) {
    QImage canvas(ToolPictureSize, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setRenderHint(QPainter::Antialiasing);
    Draw(painter, picture);
    painter.end();
    return QPixmap::fromImage(canvas);
}

QPixmap GreyToolPicture(TToolPicture picture) {
    QImage image = ColouredToolPicture(picture).toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = qGray(line[x]);
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]));
        }
    }
    return QPixmap::fromImage(image);
}

QIcon ToolIcon(TToolPicture picture) {
    QIcon icon;
    icon.addPixmap(GreyToolPicture(picture), QIcon::Normal);
    icon.addPixmap(ColouredToolPicture(picture), QIcon::Active);
    return icon;
}

QPixmap SavedRowPicture() {
    QImage canvas(16, 16, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    DrawDiskette(painter, 0, 0, 16);
    painter.end();
    return QPixmap::fromImage(canvas);
}

QPixmap UnsavedRowPicture() {
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return blank;
}

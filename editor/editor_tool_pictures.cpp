#include "editor/editor_tool_pictures.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace {

const QColor Outline(40, 40, 48);
const QColor Paper(255, 255, 255);
const QColor Sky(70, 130, 220);
const QColor Leaf(60, 170, 70);
const QColor Sun(245, 200, 40);
const QColor Marker(215, 40, 40);

// A sheet with a folded corner.
void DrawSheet(QPainter& painter, const QRectF& sheet) {
    QPainterPath path;
    path.moveTo(sheet.topLeft());
    path.lineTo(sheet.right() - 3, sheet.top());
    path.lineTo(sheet.right(), sheet.top() + 3);
    path.lineTo(sheet.bottomRight());
    path.lineTo(sheet.bottomLeft());
    path.closeSubpath();
    painter.setBrush(Paper);
    painter.drawPath(path);
}

// A small landscape picture: sky, a hill and the sun.
void DrawLandscape(QPainter& painter, const QRectF& frame, bool grey = false) {
    const auto tone = [grey](const QColor& colour) {
        const int level = qGray(colour.rgb());
        return grey ? QColor(level, level, level) : colour;
    };
    painter.setBrush(tone(Sky));
    painter.drawRect(frame);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tone(Leaf));
    QPainterPath hill;
    hill.moveTo(frame.left() + 0.5, frame.bottom() - 0.5);
    hill.quadTo(frame.center().x(), frame.top() + frame.height() * 0.3, frame.right() - 0.5,
                frame.bottom() - 0.5);
    painter.drawPath(hill);
    painter.setBrush(tone(Sun));
    painter.drawEllipse(QPointF(frame.left() + frame.width() * 0.3, frame.top() + 3.5), 1.6, 1.6);
    painter.setPen(QPen(Outline, 1));
}

void Draw(QPainter& painter, TEditorPicture picture) {
    painter.setPen(QPen(Outline, 1));
    switch (picture) {
    case TEditorPicture::Open: {
        painter.setBrush(QColor(225, 180, 70));
        painter.drawRect(QRectF(1.5, 4.5, 12, 9));
        painter.setBrush(QColor(250, 215, 110));
        QPainterPath flap;
        flap.moveTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.5, 13.5);
        flap.lineTo(1.5, 13.5);
        flap.closeSubpath();
        painter.drawPath(flap);
        break;
    }
    case TEditorPicture::Save:
        painter.setBrush(QColor(45, 100, 200));
        painter.drawRect(QRectF(1.5, 1.5, 13, 13));
        painter.setBrush(QColor(200, 205, 215));
        painter.drawRect(QRectF(4.5, 1.5, 7, 4));
        painter.setBrush(Paper);
        painter.drawRect(QRectF(3.5, 8.5, 9, 6));
        break;
    case TEditorPicture::Print:
        painter.setBrush(Paper);
        painter.drawRect(QRectF(4.5, 1.5, 7, 5));
        painter.setBrush(QColor(150, 155, 165));
        painter.drawRect(QRectF(1.5, 6.5, 13, 6));
        painter.setBrush(Paper);
        painter.drawRect(QRectF(4.5, 10.5, 7, 4));
        break;
    case TEditorPicture::Cut:
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(200, 40, 40), 1.5));
        painter.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
        painter.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
        painter.setPen(QPen(Outline, 1.5));
        painter.drawLine(QPointF(6, 10), QPointF(11, 1.5));
        painter.drawLine(QPointF(10, 10), QPointF(5, 1.5));
        break;
    case TEditorPicture::Copy:
        DrawSheet(painter, QRectF(1.5, 1.5, 8, 10));
        DrawSheet(painter, QRectF(6.5, 4.5, 8, 10));
        break;
    case TEditorPicture::PasteAsNew:
        painter.setBrush(QColor(180, 130, 70));
        painter.drawRect(QRectF(2.5, 2.5, 10, 12));
        painter.setBrush(QColor(200, 205, 215));
        painter.drawRect(QRectF(5.5, 1.5, 4, 3));
        DrawSheet(painter, QRectF(7.5, 6.5, 7, 8));
        break;
    case TEditorPicture::Undo: {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(30, 90, 190), 2));
        QPainterPath arc;
        arc.moveTo(4, 6);
        arc.cubicTo(9, 2.5, 15, 6, 13, 11);
        painter.drawPath(arc);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(30, 90, 190));
        QPainterPath head;
        head.moveTo(1, 5);
        head.lineTo(7, 2);
        head.lineTo(6, 9);
        head.closeSubpath();
        painter.drawPath(head);
        break;
    }
    case TEditorPicture::Select:
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Outline, 1, Qt::DotLine));
        painter.drawRect(QRectF(1.5, 2.5, 12, 10));
        painter.setPen(QPen(Outline, 1));
        painter.drawLine(QPointF(11, 10), QPointF(15, 15));
        break;
    case TEditorPicture::Crop:
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Outline, 2));
        painter.drawPolyline(QPolygonF{{4, 0.5}, {4, 12}, {15.5, 12}});
        painter.drawPolyline(QPolygonF{{0.5, 4}, {12, 4}, {12, 15.5}});
        break;
    case TEditorPicture::Grayscale: {
        // The picture in colour on the left, in greys on the right.
        DrawLandscape(painter, QRectF(1.5, 2.5, 13, 11));
        painter.save();
        painter.setClipRect(QRectF(8, 0, 8, 16));
        DrawLandscape(painter, QRectF(1.5, 2.5, 13, 11), true);
        painter.restore();
        break;
    }
    case TEditorPicture::FlipVertical:
    case TEditorPicture::FlipHorizontal: {
        // Two triangles facing each other across the mirror line.
        if (picture == TEditorPicture::FlipVertical) {
            painter.translate(8, 8);
            painter.rotate(90);
            painter.translate(-8, -8);
        }
        painter.setBrush(Sky);
        painter.drawPolygon(QPolygonF{{1.5, 2.5}, {6.5, 8}, {1.5, 13.5}});
        painter.setBrush(Paper);
        painter.drawPolygon(QPolygonF{{14.5, 2.5}, {9.5, 8}, {14.5, 13.5}});
        painter.setPen(QPen(Outline, 1, Qt::DotLine));
        painter.drawLine(QPointF(8, 0.5), QPointF(8, 15.5));
        break;
    }
    case TEditorPicture::Info:
        painter.setBrush(QColor(40, 110, 210));
        painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        painter.setPen(QPen(Paper, 2));
        painter.drawLine(QPointF(8, 7), QPointF(8, 12));
        painter.drawPoint(QPointF(8, 4.5));
        break;
    case TEditorPicture::Brightness:
        // A sun: a disc with eight rays.
        painter.setPen(QPen(QColor(200, 140, 20), 1.4));
        for (int ray = 0; ray < 8; ++ray) {
            painter.save();
            painter.translate(8, 8);
            painter.rotate(45 * ray);
            painter.drawLine(QPointF(0, -5), QPointF(0, -7.2));
            painter.restore();
        }
        painter.setPen(QPen(Outline, 1));
        painter.setBrush(Sun);
        painter.drawEllipse(QPointF(8, 8), 3.6, 3.6);
        break;
    case TEditorPicture::Contrast:
        // A disc half white, half black.
        painter.setBrush(Paper);
        painter.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        painter.setBrush(Qt::black);
        painter.drawPie(QRectF(1.5, 1.5, 13, 13), 90 * 16, 180 * 16);
        break;
    case TEditorPicture::Negative:
        painter.setBrush(Qt::black);
        painter.drawRect(QRectF(1.5, 2.5, 13, 11));
        painter.setBrush(Paper);
        painter.drawPolygon(QPolygonF{{1.5, 2.5}, {14.5, 2.5}, {1.5, 13.5}});
        break;
    case TEditorPicture::Batch: {
        // A stack of sheets turning into a picture.
        DrawSheet(painter, QRectF(0.5, 0.5, 6, 8));
        DrawSheet(painter, QRectF(2.5, 2.5, 6, 8));
        DrawLandscape(painter, QRectF(8.5, 7.5, 7, 7));
        painter.setPen(QPen(QColor(200, 40, 40), 1.5));
        painter.drawLine(QPointF(5, 13), QPointF(7.5, 13));
        painter.drawLine(QPointF(6, 11.5), QPointF(7.5, 13));
        painter.drawLine(QPointF(6, 14.5), QPointF(7.5, 13));
        break;
    }
    case TEditorPicture::Help: {
        painter.setBrush(QColor(250, 230, 120));
        painter.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        QFont font = painter.font();
        font.setPixelSize(11);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, "?");
        break;
    }
    case TEditorPicture::Pointer:
        painter.setBrush(Paper);
        painter.drawPolygon(QPolygonF{
            {4.5, 1.5}, {4.5, 13.5}, {7.5, 10.5}, {10, 15}, {12, 14}, {9.5, 9.5}, {13.5, 9.5}});
        break;
    case TEditorPicture::Arrow:
        painter.setPen(QPen(Marker, 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(2.5, 13.5), QPointF(13, 3));
        painter.drawLine(QPointF(13, 3), QPointF(7, 3.5));
        painter.drawLine(QPointF(13, 3), QPointF(12.5, 9));
        break;
    case TEditorPicture::Line:
        painter.setPen(QPen(Marker, 2, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(2.5, 13.5), QPointF(13.5, 2.5));
        break;
    case TEditorPicture::Rectangle:
    case TEditorPicture::FilledRectangle:
        painter.setPen(QPen(Marker, 1.5));
        painter.setBrush(picture == TEditorPicture::FilledRectangle ? QBrush(Marker) : Qt::NoBrush);
        painter.drawRect(QRectF(2, 3.5, 12, 9));
        break;
    case TEditorPicture::Ellipse:
    case TEditorPicture::FilledEllipse:
        painter.setPen(QPen(Marker, 1.5));
        painter.setBrush(picture == TEditorPicture::FilledEllipse ? QBrush(Marker) : Qt::NoBrush);
        painter.drawEllipse(QRectF(1.5, 3.5, 13, 9));
        break;
    case TEditorPicture::Pen: {
        painter.setPen(QPen(Marker, 1.5, Qt::SolidLine, Qt::RoundCap));
        QPainterPath stroke(QPointF(1.5, 12));
        stroke.cubicTo(QPointF(4, 2), QPointF(8, 16), QPointF(14.5, 4));
        painter.drawPath(stroke);
        break;
    }
    case TEditorPicture::Highlighter:
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(250, 230, 40, 200));
        painter.drawRect(QRectF(1, 6, 14, 5));
        painter.setPen(QPen(Outline, 1));
        painter.drawLine(QPointF(3, 8.5), QPointF(13, 8.5));
        break;
    case TEditorPicture::Text: {
        QFont font = painter.font();
        font.setPixelSize(14);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Marker);
        painter.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, "A");
        break;
    }
    case TEditorPicture::Step: {
        painter.setPen(Qt::NoPen);
        painter.setBrush(Marker);
        painter.drawEllipse(QRectF(1, 1, 14, 14));
        QFont font = painter.font();
        font.setPixelSize(10);
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(Paper);
        painter.drawText(QRectF(1, 1, 14, 14), Qt::AlignCenter, "1");
        break;
    }
    case TEditorPicture::Redact:
        DrawSheet(painter, QRectF(1.5, 0.5, 12, 15));
        painter.setBrush(Qt::black);
        painter.drawRect(QRectF(3.5, 5.5, 8, 4));
        break;
    case TEditorPicture::Pixelate:
        painter.setPen(Qt::NoPen);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                const int level = 60 + 45 * ((x * 3 + y * 5) % 5);
                painter.setBrush(QColor(level, level, std::min(255, level + 40)));
                painter.drawRect(QRectF(x * 4, y * 4, 4, 4));
            }
        break;
    }
}

} // namespace

QIcon EditorIcon(TEditorPicture picture) {
    // Drawn at twice the size, so that the pictures stay sharp on screens that scale.
    QImage image(EditorPictureSize * 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(2, 2);
        Draw(painter, picture);
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(2);
    return QIcon(pixmap);
}

QIcon MarkColorIcon(uint32_t color, int width) {
    QImage image(EditorPictureSize * 2, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.scale(2, 2);
        const QColor shown = QColor::fromRgb(QRgb(0xFF000000u | color));
        painter.setPen(QPen(Outline, 1));
        painter.setBrush(shown);
        painter.drawRect(QRectF(1.5, 1.5, 13, 8));
        painter.setPen(Qt::NoPen);
        painter.setBrush(Outline);
        const double thickness = std::clamp(width, 1, 6) * 0.8;
        painter.drawRect(QRectF(1.5, 15 - thickness, 13, thickness));
    }
    QPixmap pixmap = QPixmap::fromImage(image);
    pixmap.setDevicePixelRatio(2);
    return QIcon(pixmap);
}

#include "editor/annotate_layer.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QRectF Box(const QPointF& a, const QPointF& b) {
    return QRectF(a, b).normalized();
}

// An arrow as the marks draw it: the shaft, and a filled head at `to` that grows with the
// width (at least 10 image pixels long, `zoom` picture pixels each).
void DrawArrow(QPainter& painter, const QPointF& from, const QPointF& to, double width,
               double zoom) {
    const double length = std::hypot(to.x() - from.x(), to.y() - from.y());
    if (length <= 0)
        return;
    const double headLength = std::min(length, std::max(10.0 * zoom, 4.0 * width));
    const QPointF unit = (to - from) / length, across(-unit.y(), unit.x());
    const QPointF base = to - unit * headLength;
    painter.drawLine(from, base);
    painter.setBrush(painter.pen().color());
    painter.setPen(Qt::NoPen);
    painter.drawPolygon(
        QPolygonF{to, base + across * headLength / 2, base - across * headLength / 2});
}

} // namespace

TAnnotateLayer::TAnnotateLayer(QWidget* picture) : QWidget(picture) {
    setObjectName("AnnotateLayer");
    setCursor(Qt::CrossCursor);
    setGeometry(picture->rect());
    picture->installEventFilter(this);
    hide();
}

void TAnnotateLayer::SetTool(TAnnotateTool tool) {
    Cancel();
    Tool_ = tool;
    setVisible(tool != TAnnotateTool::Pointer);
    raise();
}

void TAnnotateLayer::Cancel() {
    if (Points_.empty())
        return;
    Points_.clear();
    update();
}

bool TAnnotateLayer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parent() && event->type() == QEvent::Resize)
        setGeometry(parentWidget()->rect());
    return QWidget::eventFilter(watched, event);
}

void TAnnotateLayer::paintEvent(QPaintEvent*) {
    if (Points_.empty() || IsClickTool(Tool_))
        return;
    const TAnnotateLook look = Look ? Look(Tool_) : TAnnotateLook{Qt::red, 1};
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(look.Color, std::max(1.0, look.Width), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const QPointF from = Points_.front(), to = Points_.back();
    switch (Tool_) {
    case TAnnotateTool::Arrow:
        DrawArrow(painter, from, to, pen.widthF(), look.Zoom);
        break;
    case TAnnotateTool::Line:
        painter.drawLine(from, to);
        break;
    case TAnnotateTool::Rectangle:
        painter.drawRect(Box(from, to));
        break;
    case TAnnotateTool::Ellipse:
        painter.drawEllipse(Box(from, to));
        break;
    case TAnnotateTool::FilledRectangle:
    case TAnnotateTool::FilledEllipse:
    case TAnnotateTool::Redact:
        painter.setPen(Qt::NoPen);
        painter.setBrush(look.Color);
        if (Tool_ == TAnnotateTool::FilledEllipse)
            painter.drawEllipse(Box(from, to));
        else
            painter.drawRect(Box(from, to));
        break;
    case TAnnotateTool::Pixelate:
        // A chequered box: the pixels inside become blocks once the mouse is released.
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.setBrush(QBrush(QColor(128, 128, 128, 160), Qt::Dense4Pattern));
        painter.drawRect(Box(from, to));
        break;
    case TAnnotateTool::Pen:
    case TAnnotateTool::Highlighter: {
        if (Tool_ == TAnnotateTool::Highlighter) {
            QColor translucent = look.Color;
            translucent.setAlpha(100);
            pen.setColor(translucent);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
        }
        QPainterPath path(from);
        for (std::size_t index = 1; index < Points_.size(); ++index)
            path.lineTo(Points_[index]);
        painter.drawPath(path);
        break;
    }
    case TAnnotateTool::Pointer:
    case TAnnotateTool::Text:
    case TAnnotateTool::Step:
        break;
    }
}

void TAnnotateLayer::mousePressEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() != Qt::LeftButton || Tool_ == TAnnotateTool::Pointer)
        return;
    Points_.assign({event->position()});
    update();
}

void TAnnotateLayer::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    if (Points_.empty() || !(event->buttons() & Qt::LeftButton))
        return;
    const QPointF position = event->position();
    if (IsPathTool(Tool_)) {
        if (position != Points_.back())
            Points_.push_back(position);
    } else if (!IsClickTool(Tool_)) {
        Points_.resize(1);
        Points_.push_back(position);
    }
    update();
}

void TAnnotateLayer::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (Points_.empty() || event->button() != Qt::LeftButton)
        return;
    TAnnotateGesture gesture{Tool_, std::move(Points_)};
    Points_.clear();
    const QPointF position = event->position();
    if (IsClickTool(Tool_))
        gesture.Points.assign({position});
    else if (IsPathTool(Tool_)) {
        if (position != gesture.Points.back())
            gesture.Points.push_back(position);
    } else {
        gesture.Points.resize(1);
        gesture.Points.push_back(position);
    }
    update();
    if (OnFinished)
        OnFinished(gesture);
}

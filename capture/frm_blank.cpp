#include "capture/frm_blank.h"

#include "capture/selection_shapes.h"
#include "capture/selection_window.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <exception>

namespace {

// The size readout beside the pointer while a rectangle is dragged: "W x H" in a small dark
// box below and to the right of the pointer, moved to its other side near the screen's right
// or bottom edge. It is drawn on this window only, never into the rectangle taken, which
// comes from the picture of the screen.
constexpr int ReadoutDistance = 16;
constexpr int ReadoutPadding = 3;

QString ReadoutText(const QRect& rect) {
    return QString("%1 x %2").arg(rect.width()).arg(rect.height());
}

QRect ReadoutRect(const QWidget& window, const QPoint& pointer, const QString& text) {
    const QFontMetrics metrics = window.fontMetrics();
    const QSize size(metrics.horizontalAdvance(text) + 2 * ReadoutPadding,
                     metrics.height() + 2 * ReadoutPadding);
    QPoint at = pointer + QPoint(ReadoutDistance, ReadoutDistance);
    if (at.x() + size.width() > window.width())
        at.setX(pointer.x() - ReadoutDistance - size.width());
    if (at.y() + size.height() > window.height())
        at.setY(pointer.y() - ReadoutDistance - size.height());
    return QRect(at, size);
}

} // namespace

TfrmBlank::TfrmBlank(IScreen& screen, IClipboard& clipboard)
    : Screen(screen), Clipboard(clipboard) {
    setObjectName("frmBlank");
    FormCreate();
}

void TfrmBlank::FormCreate() {
    MakeSelectionWindow(*this, Screen);
    ScreenPicture_ = TakeScreenPicture(Screen);
}

// The selection.

void TfrmBlank::FormMouseDown(const QPoint& point) {
    if (Drawn)
        RedrawOutline();
    SelectionStart = SelectionEnd = point;
    Tracking = true;
    Drawn = true;
    RedrawOutline();
}

void TfrmBlank::FormMouseMove(const QPoint& point) {
    if (!Tracking)
        return;
    RedrawOutline();
    SelectionEnd = point;
    RedrawOutline();
}

void TfrmBlank::FormMouseUp() {
    // A button let go that was pressed before the window came up.
    if (!Tracking)
        return;
    Tracking = false;
    const QRect rect = OutlineRect();
    if (rect.isEmpty()) {
        Clipboard.Clear();
        CloseSelection(Rejected);
        return;
    }
    Clipboard.Clear();
    TakeRectangle(rect);
    RepeatFileError = StoreRepeatArea(rect);
    unsetCursor();
    CloseSelection(Accepted);
}

void TfrmBlank::CancelSelection() {
    Tracking = false;
    Clipboard.Clear();
    CloseSelection(Rejected);
}

QRect TfrmBlank::OutlineRect() const {
    return SelectionRect(SelectionStart, SelectionEnd);
}

void TfrmBlank::TakeRectangle(const QRect& rect) {
    // The picture's rectangle with the outline along its border, as it is on the screen.
    QImage grab = ScreenPicture_.copy(rect);
    DrawFocusOutline(grab, grab.rect(), rect.topLeft());
    Clipboard.SetImage(grab);
}

void TfrmBlank::CloseSelection(int result) {
    QCoreApplication::processEvents();
    ReleaseInput(*this, *this);
    done(result);
}

// Drawing: the picture, and the outline over it while one is drawn.

void TfrmBlank::RedrawOutline() {
    const QRect rect = OutlineRect();
    if (rect.isEmpty())
        return;
    // The size readout goes and comes with the outline.
    update(ReadoutRect(*this, SelectionEnd, ReadoutText(rect)));
    // Only the border changes; for a large rectangle the inside is most of the screen.
    update(QRect(rect.topLeft(), QSize(rect.width(), 1)));
    update(QRect(rect.bottomLeft(), QSize(rect.width(), 1)));
    update(QRect(rect.topLeft(), QSize(1, rect.height())));
    update(QRect(rect.topRight(), QSize(1, rect.height())));
}

void TfrmBlank::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect rect = OutlineRect();
    for (const QRect& exposed : event->region()) {
        painter.drawImage(exposed.topLeft(), ScreenPicture_, exposed);
        if (!Drawn || !exposed.intersects(rect))
            continue;
        const QRect piece = rect & exposed;
        QImage outlined = ScreenPicture_.copy(piece);
        DrawFocusOutline(outlined, rect.translated(-piece.topLeft()), piece.topLeft());
        painter.drawImage(piece.topLeft(), outlined);
    }
    if (Tracking && !rect.isEmpty()) {
        const QString text = ReadoutText(rect);
        const QRect box = ReadoutRect(*this, SelectionEnd, text);
        painter.fillRect(box, QColor(32, 32, 32));
        painter.setPen(Qt::white);
        painter.drawText(box, Qt::AlignCenter, text);
    }
}

// Input.

void TfrmBlank::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        FormMouseDown(event->position().toPoint());
}

void TfrmBlank::mouseMoveEvent(QMouseEvent* event) {
    FormMouseMove(event->position().toPoint());
}

void TfrmBlank::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        FormMouseUp();
}

void TfrmBlank::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        CancelSelection();
}

void TfrmBlank::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TakeInputWhenShown(*this, *this);
}

void TfrmBlank::reject() {
    CancelSelection();
}

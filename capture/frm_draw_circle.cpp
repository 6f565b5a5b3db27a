#include "capture/frm_draw_circle.h"

#include "capture/selection_window.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

#include <exception>

TfrmDrawCircle::TfrmDrawCircle(IScreen& screen, IClipboard& clipboard)
    : Screen(screen), Clipboard(clipboard) {
    setObjectName("frmDrawCircle");
    FormCreate();
}

void TfrmDrawCircle::FormCreate() {
    Tracking = false;
    MakeSelectionWindow(*this, Screen);
    ScreenPicture_ = TakeScreenPicture(Screen);
    capImage = new QWidget(this);
    capImage->setObjectName("capImage");
    capImage->setGeometry(rect());
    capImage->setAttribute(Qt::WA_OpaquePaintEvent);
    capImage->installEventFilter(this);
}

// The selection.

void TfrmDrawCircle::capImageMouseDown(const QPoint& point) {
    Tracking = true;
    SelectionStart = SelectionEnd = point;
}

void TfrmDrawCircle::capImageMouseMove(const QPoint& point) {
    if (!Tracking)
        return;
    if (ShownBox_)
        capImage->update(*ShownBox_);
    SelectionEnd = point;
    const QRect box = SelectionRect(SelectionStart, SelectionEnd);
    ShownBox_ = box;
    ShownInk_ = TOutlineInk::Invert;
    capImage->update(box);
}

void TfrmDrawCircle::capImageMouseUp(const QPoint& point) {
    // A button let go that was pressed before the window came up.
    if (!Tracking)
        return;
    if (point.x() == SelectionStart.x() || point.y() == SelectionStart.y()) {
        Tracking = false;
        Clipboard.Clear();
        unsetCursor();
        CloseSelection(Rejected);
        return;
    }
    const QRect box = SelectionRect(SelectionStart, point);
    if (ShownBox_)
        capImage->update(*ShownBox_);
    ShownBox_ = box;
    ShownInk_ = TOutlineInk::Black;
    capImage->update(box);
    Tracking = false;
    QCoreApplication::processEvents();

    // The box as the window shows it, final outline included, cut out onto white.
    TransImage = ScreenPicture_.copy(box);
    DrawEllipseOutline(TransImage, TransImage.rect(), TOutlineInk::Black);
    CutOutEllipse(TransImage);
    Clipboard.SetImage(TransImage);
    QCoreApplication::processEvents();
    RepeatFileError = StoreRepeatArea(box);
    unsetCursor();
    CloseSelection(Accepted);
}

void TfrmDrawCircle::CancelSelection() {
    Tracking = false;
    Clipboard.Clear();
    CloseSelection(Rejected);
}

void TfrmDrawCircle::CloseSelection(int result) {
    ReleaseInput(*this, *capImage);
    done(result);
}

// Drawing: the picture, and the ellipse over it.

void TfrmDrawCircle::PaintPicture(QPaintEvent* event) {
    QPainter painter(capImage);
    for (const QRect& exposed : event->region()) {
        painter.drawImage(exposed.topLeft(), ScreenPicture_, exposed);
        if (!ShownBox_ || !exposed.intersects(*ShownBox_))
            continue;
        const QRect piece = *ShownBox_ & exposed;
        QImage outlined = ScreenPicture_.copy(piece);
        DrawEllipseOutline(outlined, ShownBox_->translated(-piece.topLeft()), ShownInk_);
        painter.drawImage(piece.topLeft(), outlined);
    }
}

// Input.

bool TfrmDrawCircle::eventFilter(QObject* watched, QEvent* event) {
    if (watched != capImage)
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Paint:
        PaintPicture(static_cast<QPaintEvent*>(event));
        return true;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            capImageMouseDown(mouse->position().toPoint());
        return true;
    }
    case QEvent::MouseMove:
        capImageMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        return true;
    case QEvent::MouseButtonRelease: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton)
            capImageMouseUp(mouse->position().toPoint());
        return true;
    }
    default:
        return QDialog::eventFilter(watched, event);
    }
}

void TfrmDrawCircle::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        CancelSelection();
}

void TfrmDrawCircle::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    TakeInputWhenShown(*this, *capImage);
}

void TfrmDrawCircle::reject() {
    CancelSelection();
}

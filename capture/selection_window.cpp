#include "capture/selection_window.h"

#include "capture/repeat_area.h"
#include "platform/dib_qimage.h"

#include <QTimer>
#include <QWidget>

QImage TakeScreenPicture(IScreen& screen) {
    const QSize size = screen.ScreenSize();
    QImage picture = DibToQImage(screen.GrabScreenRect(QRect(QPoint(0, 0), size)));
    if (picture.size() != size) {
        picture = QImage(size, QImage::Format_RGB32);
        picture.fill(Qt::black);
    }
    if (picture.format() != QImage::Format_RGB32)
        picture.convertTo(QImage::Format_RGB32);
    return picture;
}

void MakeSelectionWindow(QWidget& window, IScreen& screen) {
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::BypassWindowManagerHint);
    // The window paints every pixel itself, from its picture of the screen.
    window.setAttribute(Qt::WA_OpaquePaintEvent);
    window.setAttribute(Qt::WA_NoSystemBackground);
    window.setGeometry(QRect(QPoint(0, 0), screen.ScreenSize()));
    window.setCursor(Qt::CrossCursor);
    window.setMouseTracking(false);
}

void TakeInputWhenShown(QWidget& window, QWidget& mouseTarget) {
    // The server grants the grabs only to a window that is mapped, which happens after the
    // show event.
    QTimer::singleShot(0, &window, [&window, &mouseTarget] {
        if (!window.isVisible())
            return;
        window.grabKeyboard();
        mouseTarget.grabMouse();
    });
}

void ReleaseInput(QWidget& window, QWidget& mouseTarget) {
    mouseTarget.releaseMouse();
    window.releaseKeyboard();
}

QString StoreRepeatArea(const QRect& rect) {
    try {
        WriteRepeatArea(rect);
    } catch (const std::exception& error) {
        return QString::fromLocal8Bit(error.what());
    }
    return QString();
}

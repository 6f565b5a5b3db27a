// The selection windows headless: the fake screen shows a known pattern, and the user's mouse
// and keys are sent to the windows as events.
#pragma once

#include "platform/dib_qimage.h"
#include "tests/app/frm_main_fixture.h"
#include "tests/capture/selection_test_support.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

class SelectionWindow : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        EnsureWorkFolder();
        Picture = selection_test::PatternPicture(640, 480);
        Screen.Pixels = QImageToDib(Picture);
        // Whatever was on the clipboard before the selection.
        Clipboard.Image = QImage(3, 3, QImage::Format_RGB32);
        Clipboard.Image.fill(Qt::green);
    }

    static void Mouse(QWidget* widget, QEvent::Type type, const QPoint& at) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, widget->mapToGlobal(at), button, held, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    // Presses the button at the first point, moves through the others and lets go at the
    // last.
    static void Drag(QWidget* widget, std::initializer_list<QPoint> points) {
        const QPoint* point = points.begin();
        Mouse(widget, QEvent::MouseButtonPress, *point);
        for (++point; point != points.end(); ++point)
            Mouse(widget, QEvent::MouseMove, *point);
        Mouse(widget, QEvent::MouseButtonRelease, *(points.end() - 1));
    }
    static void PressEscape(QWidget* widget) {
        QKeyEvent event(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
    // What the window shows in the rectangle.
    static QImage Shown(QWidget* widget, const QRect& rect) {
        return widget->grab(rect).toImage().convertToFormat(QImage::Format_RGB32);
    }

    QImage Picture; // what the screen shows
};

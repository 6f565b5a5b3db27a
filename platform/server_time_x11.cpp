#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <QWindow>

// Xlib's macros (None, Bool, Status) clash with Qt's names, so X headers come after Qt's.
#include "platform/x11_p.h"
#include <X11/Xatom.h>
#include <xcb/xcb.h>

namespace {

// Sees the property change come back, just before Qt handles it, and ends the wait once Qt
// has (the loop ends after the event in hand).
class TPropertyNotifyWatch : public QAbstractNativeEventFilter {
public:
    TPropertyNotifyWatch(xcb_window_t window, xcb_atom_t atom, QEventLoop& wait)
        : Window_(window), Atom_(atom), Wait_(wait) {
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    ~TPropertyNotifyWatch() override {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7F) == XCB_PROPERTY_NOTIFY) {
            auto* notify = static_cast<const xcb_property_notify_event_t*>(message);
            if (notify->window == Window_ && notify->atom == Atom_)
                Wait_.quit();
        }
        return false; // Qt takes the event's time
    }

private:
    xcb_window_t Window_;
    xcb_atom_t Atom_;
    QEventLoop& Wait_;
};

} // namespace

void UpdateApplicationServerTime(QWindow& window) {
    Display* display = ApplicationDisplay();
    if (!display)
        return;
    const Window native = Window(window.winId());
    const Atom atom = InternAtom(display, "_KARVIN_SERVER_TIME");
    QEventLoop wait;
    TPropertyNotifyWatch watch{xcb_window_t(native), xcb_atom_t(atom), wait};
    QTimer::singleShot(500, &wait, &QEventLoop::quit);
    // Appending nothing changes nothing but still reports the change, with its time.
    XChangeProperty(display, native, atom, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XFlush(display);
    wait.exec(QEventLoop::ExcludeUserInputEvents);
}

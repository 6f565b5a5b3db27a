#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

// Xlib's macros (None, Bool, Status) clash with Qt's names, so X headers come after Qt's.
#include "platform/x11_display.h"
#include "platform/x11_p.h"

#include <algorithm>

namespace {

// The error code caught by the innermost guard; guards live on the user-interface thread only.
int CaughtErrorCode = Success;

// The display of a command run without Qt's application (TX11CommandLineDisplay).
Display* CommandLineDisplay = nullptr;

int RecordError(Display*, XErrorEvent* error) {
    if (CaughtErrorCode == Success)
        CaughtErrorCode = error->error_code;
    return 0;
}

} // namespace

Display* ApplicationDisplay() {
    if (CommandLineDisplay)
        return CommandLineDisplay;
    auto* app = qGuiApp;
    if (!app)
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

TX11ErrorGuard::TX11ErrorGuard(Display* display)
    : Display_(display), PreviousErrorCode_(CaughtErrorCode) {
    // Errors of requests sent before the guard belong to whoever sent them.
    XSync(Display_, False);
    CaughtErrorCode = Success;
    PreviousHandler_ = XSetErrorHandler(&RecordError);
}

TX11ErrorGuard::~TX11ErrorGuard() {
    XSync(Display_, False);
    XSetErrorHandler(PreviousHandler_);
    CaughtErrorCode = PreviousErrorCode_;
}

bool TX11ErrorGuard::Failed() {
    XSync(Display_, False);
    return CaughtErrorCode != Success;
}

int TX11ErrorGuard::ErrorCode() const {
    return CaughtErrorCode;
}

bool WaitUntilDone(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QEventLoop loop;
        QTimer::singleShot(std::min<qint64>(10, deadline.remainingTime()), &loop,
                           &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

Atom InternAtom(Display* display, const char* name) {
    return XInternAtom(display, name, False);
}

TWindowProperty ReadWindowProperty(Display* display, Window window, Atom property, long maxItems) {
    TWindowProperty result;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, window, property, 0, maxItems, False, AnyPropertyType, &type,
                           &format, &count, &remaining, &data) != Success)
        return result;
    TXPtr<unsigned char> owned(data);
    if (type == None || !data)
        return result;
    result.Type = type;
    result.Format = format;
    switch (format) {
    case 8:
        result.Bytes.assign(data, data + count);
        break;
    case 16: {
        auto* items = reinterpret_cast<const short*>(data);
        result.Items.assign(items, items + count);
        break;
    }
    case 32: {
        auto* items = reinterpret_cast<const long*>(data);
        result.Items.assign(items, items + count);
        break;
    }
    default:
        result.Format = 0;
        result.Type = None;
    }
    return result;
}

TX11CommandLineDisplay::TX11CommandLineDisplay() {
    if (CommandLineDisplay)
        return; // one is open already; this one stays unopened
    CommandLineDisplay = XOpenDisplay(nullptr);
    Display_ = CommandLineDisplay;
}

TX11CommandLineDisplay::~TX11CommandLineDisplay() {
    if (!Display_)
        return;
    CommandLineDisplay = nullptr;
    XCloseDisplay(static_cast<Display*>(Display_));
}

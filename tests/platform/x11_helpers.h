// Helpers of the tests that run on their own X server: a second X client playing "another
// program" (its windows, its key grabs, the user's key presses through XTest) and a wait that
// keeps Qt's events flowing.
#pragma once

#include "imaging/dib_graphic.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QRect>
#include <QString>
#include <QThread>

#include <functional>
#include <gtest/gtest.h>
#include <initializer_list>
#include <optional>

// Xlib's macros clash with Qt's names, so X headers come after Qt's.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

// Processes Qt's events until the condition holds or the time is up; answers the condition.
inline bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 5000) {
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(5);
    }
    return true;
}

// Lets Qt's events flow for a while (to see that something does NOT happen).
inline void Settle(int ms = 300) {
    WaitUntil([] { return false; }, ms);
}

class TOtherClient {
public:
    TOtherClient() : Display_(XOpenDisplay(nullptr)) {
        if (!Display_)
            ADD_FAILURE() << "cannot open the test's X display";
    }
    ~TOtherClient() {
        if (Display_)
            XCloseDisplay(Display_);
    }
    TOtherClient(const TOtherClient&) = delete;
    TOtherClient& operator=(const TOtherClient&) = delete;

    Display* Dpy() const { return Display_; }
    Window Root() const { return DefaultRootWindow(Display_); }

    // A top-level window with a class and a title. Override-redirect windows are left alone
    // by the window manager: they stay exactly where they are put and are never framed.
    Window CreateWindow(const QRect& rect, const char* instance, const char* className,
                        const char* title, bool overrideRedirect = false) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = overrideRedirect;
        attributes.background_pixel = BlackPixel(Display_, DefaultScreen(Display_));
        attributes.event_mask = ExposureMask | StructureNotifyMask;
        Window window =
            XCreateWindow(Display_, Root(), rect.x(), rect.y(), unsigned(rect.width()),
                          unsigned(rect.height()), 0, CopyFromParent, InputOutput, CopyFromParent,
                          CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
        XClassHint hint{const_cast<char*>(instance), const_cast<char*>(className)};
        XSetClassHint(Display_, window, &hint);
        XStoreName(Display_, window, title);
        XSync(Display_, False);
        return window;
    }

    void SetProperty(Window window, const char* name, const char* type, int format,
                     const void* data, int count) {
        XChangeProperty(Display_, window, XInternAtom(Display_, name, False),
                        XInternAtom(Display_, type, False), format, PropModeReplace,
                        static_cast<const unsigned char*>(data), count);
        XSync(Display_, False);
    }

    // Maps a window and, for a managed one, waits until the window manager has taken it
    // (WM_STATE set).
    bool MapAndWait(Window window, bool managed = true) {
        XMapRaised(Display_, window);
        XSync(Display_, False);
        if (!managed)
            return true;
        Atom wmState = XInternAtom(Display_, "WM_STATE", False);
        return WaitUntil([&] {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, remaining = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(Display_, window, wmState, 0, 2, False, AnyPropertyType, &type,
                               &format, &count, &remaining, &data);
            if (data)
                XFree(data);
            return type != None;
        });
    }

    // Puts the image's pixels into the window at (x, y).
    void Paint(Window window, const TDibGraphic& image, int x = 0, int y = 0) {
        int screen = DefaultScreen(Display_);
        XImage* ximage = XCreateImage(Display_, DefaultVisual(Display_, screen),
                                      unsigned(DefaultDepth(Display_, screen)), ZPixmap, 0, nullptr,
                                      unsigned(image.Width()), unsigned(image.Height()), 32, 0);
        ximage->data = static_cast<char*>(
            calloc(std::size_t(ximage->bytes_per_line) * std::size_t(image.Height()), 1));
        for (int row = 0; row < image.Height(); ++row)
            for (int column = 0; column < image.Width(); ++column)
                XPutPixel(ximage, column, row, image.Pixel(column, row));
        GC gc = XCreateGC(Display_, window, 0, nullptr);
        XPutImage(Display_, window, gc, ximage, 0, 0, x, y, unsigned(image.Width()),
                  unsigned(image.Height()));
        XFreeGC(Display_, gc);
        XDestroyImage(ximage);
        XSync(Display_, False);
    }

    // The user presses the keys in order and lets them go in reverse order.
    void PressKeys(std::initializer_list<KeySym> keys) {
        for (KeySym key : keys)
            XTestFakeKeyEvent(Display_, XKeysymToKeycode(Display_, key), True, CurrentTime);
        for (auto it = std::rbegin(keys); it != std::rend(keys); ++it)
            XTestFakeKeyEvent(Display_, XKeysymToKeycode(Display_, *it), False, CurrentTime);
        XSync(Display_, False);
    }

    // What another program gets when it asks the owner of a selection ("CLIPBOARD") for the
    // content as `target` ("image/png", "UTF8_STRING"); nullopt when the owner refuses or
    // there is none. Qt's events flow meanwhile, so our own program can answer.
    std::optional<QByteArray> ReadSelection(const char* selection, const char* target) {
        Window requestor = CreateWindow(QRect(0, 0, 1, 1), "reader", "Reader", "reader", true);
        Atom property = XInternAtom(Display_, "KARVIN_TEST_SELECTION", False);
        XConvertSelection(Display_, XInternAtom(Display_, selection, False),
                          XInternAtom(Display_, target, False), property, requestor, CurrentTime);
        XFlush(Display_);
        XEvent event{};
        bool answered = WaitUntil([&] {
            return XCheckTypedWindowEvent(Display_, requestor, SelectionNotify, &event) != 0;
        });
        std::optional<QByteArray> content;
        if (answered && event.xselection.property != None) {
            Atom type = None;
            int format = 0;
            unsigned long count = 0, remaining = 0;
            unsigned char* data = nullptr;
            XGetWindowProperty(Display_, requestor, property, 0, 1 << 26, True, AnyPropertyType,
                               &type, &format, &count, &remaining, &data);
            // Only bytes (format 8); content large enough for the incremental protocol is not
            // read here.
            if (format == 8 && type != XInternAtom(Display_, "INCR", False) && data)
                content = QByteArray(reinterpret_cast<const char*>(data), int(count));
            if (data)
                XFree(data);
        }
        XDestroyWindow(Display_, requestor);
        XSync(Display_, False);
        return content;
    }
    Window SelectionOwner(const char* selection) {
        return XGetSelectionOwner(Display_, XInternAtom(Display_, selection, False));
    }

    // Grabs a key on the root window as another program would; false when refused.
    bool GrabKey(KeySym key, unsigned modifiers) {
        Refused_ = false;
        auto previous = XSetErrorHandler(&OtherClientError);
        XGrabKey(Display_, XKeysymToKeycode(Display_, key), modifiers, Root(), False, GrabModeAsync,
                 GrabModeAsync);
        XSync(Display_, False);
        XSetErrorHandler(previous);
        return !Refused_;
    }
    void UngrabKey(KeySym key, unsigned modifiers) {
        XUngrabKey(Display_, XKeysymToKeycode(Display_, key), modifiers, Root());
        XSync(Display_, False);
    }

private:
    static inline bool Refused_ = false;
    static int OtherClientError(Display*, XErrorEvent*) {
        Refused_ = true;
        return 0;
    }

    Display* Display_;
};

// A pattern in which every pixel differs from its neighbours and every channel varies, so a
// swapped channel, a shifted row or an off-by-one column shows.
inline TDibGraphic TestPattern(int width, int height) {
    TDibGraphic image;
    image.NewImage(width, height, ifTrueColor);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.SetPixel(
                x, y,
                MakeColor((x * 7 + y) & 0xFF, (y * 13 + 5) & 0xFF, (x * 3 + y * 5 + 11) & 0xFF));
    return image;
}

// The output of a command, for comparing with the X utilities.
inline QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The selection windows on a real X server: a known picture on the whole screen, and the user
// played through XTest while a selection window runs its own event loop.
#pragma once

#include "platform/dib_qimage.h"
#include "platform/screen.h"
#include "tests/capture/selection_test_support.h"
#include "tests/platform/x11_helpers.h"

#include <QTimer>

#include <deque>
#include <functional>

// Shows `picture` at `at` as the background of a window of another program that the window
// manager leaves alone: the server itself draws it again wherever something above it goes
// away. A picture of the screen's size at (0, 0) makes the whole screen a known picture.
inline Window ShowPicture(TOtherClient& other, const QImage& picture, const QPoint& at = {}) {
    Display* display = other.Dpy();
    const int screen = DefaultScreen(display);
    Window window =
        other.CreateWindow(QRect(at, picture.size()), "picture", "Picture", "picture", true);
    Pixmap pixmap =
        XCreatePixmap(display, window, unsigned(picture.width()), unsigned(picture.height()),
                      unsigned(DefaultDepth(display, screen)));
    XImage* image = XCreateImage(display, DefaultVisual(display, screen),
                                 unsigned(DefaultDepth(display, screen)), ZPixmap, 0, nullptr,
                                 unsigned(picture.width()), unsigned(picture.height()), 32, 0);
    image->data = static_cast<char*>(
        calloc(std::size_t(image->bytes_per_line) * std::size_t(picture.height()), 1));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            XPutPixel(image, x, y, picture.pixel(x, y) & 0xFFFFFF);
    GC gc = XCreateGC(display, pixmap, 0, nullptr);
    XPutImage(display, pixmap, gc, image, 0, 0, 0, 0, unsigned(picture.width()),
              unsigned(picture.height()));
    XFreeGC(display, gc);
    XDestroyImage(image);
    XSetWindowBackgroundPixmap(display, window, pixmap);
    XFreePixmap(display, pixmap);
    other.MapAndWait(window, false);
    XClearWindow(display, window);
    XSync(display, False);
    return window;
}

// The user's steps, played one after the other from the event loop (which a modal window
// runs itself), with a pause before each so that the program sees and draws what the last
// one did.
class TScriptedUser {
public:
    explicit TScriptedUser(TOtherClient& other) : Other_(other) {}

    TScriptedUser& Then(std::function<void()> step, int pauseMs = 150) {
        Steps_.push_back({pauseMs, std::move(step)});
        return *this;
    }
    TScriptedUser& MoveTo(const QPoint& at) {
        return Then([this, at] {
            XTestFakeMotionEvent(Other_.Dpy(), -1, at.x(), at.y(), CurrentTime);
            XSync(Other_.Dpy(), False);
        });
    }
    TScriptedUser& Button(bool down) {
        return Then([this, down] {
            XTestFakeButtonEvent(Other_.Dpy(), 1, down, CurrentTime);
            XSync(Other_.Dpy(), False);
        });
    }
    TScriptedUser& Key(KeySym key) {
        return Then([this, key] { Other_.PressKeys({key}); });
    }
    // Starts playing; the first step waits for the window to come up.
    void Start(int firstPauseMs = 500) {
        if (!Steps_.empty())
            Steps_.front().PauseMs = firstPauseMs;
        PlayNext();
    }
    bool Done() const { return Steps_.empty(); }

private:
    struct TStep {
        int PauseMs;
        std::function<void()> Run;
    };
    void PlayNext() {
        if (Steps_.empty())
            return;
        // Steps left over when a test ends early die with the script, timer and all.
        QTimer::singleShot(Steps_.front().PauseMs, &Context_, [this] {
            auto step = std::move(Steps_.front());
            Steps_.pop_front();
            step.Run();
            PlayNext();
        });
    }

    TOtherClient& Other_;
    std::deque<TStep> Steps_;
    QObject Context_;
};

// What the screen shows now in the rectangle.
inline QImage ScreenShows(IScreen& screen, const QRect& rect) {
    return DibToQImage(screen.GrabScreenRect(rect)).convertToFormat(QImage::Format_RGB32);
}

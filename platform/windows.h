// Other programs' windows (and our own, seen from outside): which one is in front, which one
// is under a point, what it is called, where it is, and bringing it to the front.
//
// A window can close at any moment between two calls; every call then answers "no window"
// (0, an empty text, nullopt or false) rather than failing.
#pragma once

#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

// A window of the display (an X window id); 0 is no window.
using TWindowId = unsigned long;

class IWindows {
public:
    virtual ~IWindows() = default;

    // The top-level window that has the user's attention: the one the window manager names
    // as active, or without a window manager the one holding the keyboard focus.
    virtual TWindowId ForegroundWindow() = 0;
    // The top-level window under a point in screen coordinates; the desktop (root) window
    // where no window is.
    virtual TWindowId WindowFromPoint(const QPoint& point) = 0;
    // The window's class name, lower-cased ("xterm", "chromium").
    virtual QString ClassName(TWindowId window) = 0;
    virtual QString Title(TWindowId window) = 0;
    // The window with its frame (title bar, borders), in screen coordinates.
    virtual std::optional<QRect> WindowRect(TWindowId window) = 0;
    // The window's own drawing area, without the frame, in screen coordinates.
    virtual std::optional<QRect> ClientRect(TWindowId window) = 0;
    // Asks for the window to become the active window (raising and focusing it). True when
    // the request went out; the window manager carries it out shortly after.
    virtual bool SetForegroundWindow(TWindowId window) = 0;
    // Makes the window and everything inside it draw itself again, as hiding and showing it
    // would, without the window manager noticing: wipes away whatever was painted over it.
    virtual void RepaintWindow(TWindowId window) = 0;
    // Waits, processing events, until one of our own windows and its frame are off the
    // screen (minimised, hidden or gone); false when that has not happened within the time.
    virtual bool WaitUntilUnmapped(TWindowId window, int timeoutMs = 1000) = 0;
    // Takes one of our own top-level windows off the screen as the window manager sees it,
    // without the toolkit noticing: a dialog that waits for its answer stays open and keeps
    // waiting. ShowOwnWindowAgain puts it back on the screen.
    virtual void HideOwnWindow(TWindowId window) = 0;
    virtual void ShowOwnWindowAgain(TWindowId window) = 0;
};

// Whether a (lower-cased) window class is that of a terminal emulator, the console windows
// whose screens the console capture methods take.
bool IsConsoleWindowClass(const QString& className);

// The real windows of the application's X display.
class TX11Windows : public IWindows {
public:
    TWindowId ForegroundWindow() override;
    TWindowId WindowFromPoint(const QPoint& point) override;
    QString ClassName(TWindowId window) override;
    QString Title(TWindowId window) override;
    std::optional<QRect> WindowRect(TWindowId window) override;
    std::optional<QRect> ClientRect(TWindowId window) override;
    bool SetForegroundWindow(TWindowId window) override;
    void RepaintWindow(TWindowId window) override;
    bool WaitUntilUnmapped(TWindowId window, int timeoutMs = 1000) override;
    void HideOwnWindow(TWindowId window) override;
    void ShowOwnWindowAgain(TWindowId window) override;
};

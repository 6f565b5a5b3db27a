#include "platform/screen.h"
#include "platform/windows.h"

#include <QRegularExpression>
#include <QWidget>

#include "tests/platform/x11_helpers.h"

namespace {

// What xwininfo reports for a window: its inside, in root coordinates.
QRect XwininfoRect(Window window) {
    QString out = RunTool("xwininfo", {"-id", QString::number(window)});
    auto field = [&](const char* name) {
        auto match = QRegularExpression(QString(name) + R"(:\s+(-?\d+))").match(out);
        EXPECT_TRUE(match.hasMatch()) << name << " in " << out.toStdString();
        return match.captured(1).toInt();
    };
    return QRect(field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"),
                 field("Height"));
}

// The window manager's frame around a client, as xwininfo sees it: the client's ancestor
// just below the root.
Window FrameOf(Window window) {
    for (;;) {
        QString out = RunTool("xwininfo", {"-children", "-id", QString::number(window)});
        auto match = QRegularExpression(R"(Parent window id: (0x[0-9a-f]+) (.*))").match(out);
        if (!match.hasMatch() || match.captured(2).contains("the root window"))
            return window;
        window = Window(match.captured(1).toULong(nullptr, 16));
    }
}

class WindowsX11 : public ::testing::Test {
protected:
    // A window of another program, managed by the window manager.
    Window Managed(const char* title, const QRect& where = QRect(50, 60, 320, 200)) {
        Window window = Other.CreateWindow(where, "probe", "KarvinProbe", title);
        EXPECT_TRUE(Other.MapAndWait(window));
        return window;
    }
    // A dialog, which the window manager puts in a decorated frame of its own size.
    Window Dialog(const char* title) {
        Window window =
            Other.CreateWindow(QRect(200, 150, 300, 180), "probe", "KarvinProbe", title);
        Atom dialog = XInternAtom(Other.Dpy(), "_NET_WM_WINDOW_TYPE_DIALOG", False);
        Other.SetProperty(window, "_NET_WM_WINDOW_TYPE", "ATOM", 32, &dialog, 1);
        EXPECT_TRUE(Other.MapAndWait(window));
        return window;
    }
    bool BecomesForeground(Window window) {
        return WaitUntil([&] { return Windows.ForegroundWindow() == window; });
    }

    TOtherClient Other;
    TX11Windows Windows;
};

} // namespace

TEST_F(WindowsX11, ClassNameIsTheLowerCasedClassPart) {
    Window window = Managed("probe");
    EXPECT_EQ(Windows.ClassName(window), "karvinprobe");
}

TEST_F(WindowsX11, TitlePrefersTheUtf8NameOverWmName) {
    Window window = Managed("plain name");
    EXPECT_EQ(Windows.Title(window), "plain name");
    QByteArray utf8 = QString::fromUtf8("Größe – 尺寸").toUtf8();
    Other.SetProperty(window, "_NET_WM_NAME", "UTF8_STRING", 8, utf8.constData(), int(utf8.size()));
    EXPECT_EQ(Windows.Title(window), QString::fromUtf8("Größe – 尺寸"));
}

TEST_F(WindowsX11, RectanglesMatchWhatXwininfoReports) {
    for (Window window : {Managed("normal"), Dialog("dialog")}) {
        auto client = Windows.ClientRect(window);
        auto frame = Windows.WindowRect(window);
        ASSERT_TRUE(client && frame);
        EXPECT_EQ(*client, XwininfoRect(window));
        EXPECT_EQ(*frame, XwininfoRect(FrameOf(window)));
        EXPECT_TRUE(frame->contains(*client));
    }
}

TEST_F(WindowsX11, FrameExtentsPublishedByTheWindowManagerWidenTheClient) {
    Window window = Managed("extents");
    QRect client = *Windows.ClientRect(window);
    long extents[4] = {3, 5, 24, 7}; // left, right, top, bottom
    Other.SetProperty(window, "_NET_FRAME_EXTENTS", "CARDINAL", 32, extents, 4);
    EXPECT_EQ(Windows.WindowRect(window), client.adjusted(-3, -24, 5, 7));
    // Nonsense from a foreign program is not believed.
    long nonsense[4] = {-1, 5, 1 << 30, 7};
    Other.SetProperty(window, "_NET_FRAME_EXTENTS", "CARDINAL", 32, nonsense, 4);
    EXPECT_EQ(Windows.WindowRect(window), XwininfoRect(FrameOf(window)));
}

TEST_F(WindowsX11, ForegroundWindowFollowsActivation) {
    Window first = Managed("first");
    ASSERT_TRUE(BecomesForeground(first));
    Window second = Managed("second");
    ASSERT_TRUE(BecomesForeground(second));
    EXPECT_TRUE(Windows.SetForegroundWindow(first));
    EXPECT_TRUE(BecomesForeground(first));
    EXPECT_TRUE(Windows.SetForegroundWindow(second));
    EXPECT_TRUE(BecomesForeground(second));
}

TEST_F(WindowsX11, WithoutAnActiveWindowPropertyTheFocusDecides) {
    // As on a display without a window manager: nobody keeps _NET_ACTIVE_WINDOW, and the
    // window holding the focus (or a window inside it) names the foreground window.
    Window window = Managed("focused");
    ASSERT_TRUE(BecomesForeground(window));
    Window inner = XCreateSimpleWindow(Other.Dpy(), window, 10, 10, 50, 50, 0, 0, 0);
    XMapWindow(Other.Dpy(), inner);
    XDeleteProperty(Other.Dpy(), Other.Root(),
                    XInternAtom(Other.Dpy(), "_NET_ACTIVE_WINDOW", False));
    XSync(Other.Dpy(), False);
    ASSERT_TRUE(WaitUntil([&] {
        XSetInputFocus(Other.Dpy(), inner, RevertToParent, CurrentTime);
        XSync(Other.Dpy(), False);
        Window focus = None;
        int revert = 0;
        XGetInputFocus(Other.Dpy(), &focus, &revert);
        return focus == inner;
    }));
    EXPECT_EQ(Windows.ForegroundWindow(), window);
    XSetInputFocus(Other.Dpy(), PointerRoot, RevertToParent, CurrentTime);
    XSync(Other.Dpy(), False);
    EXPECT_EQ(Windows.ForegroundWindow(), 0u);
}

TEST_F(WindowsX11, WindowFromPointFindsTheClientUnderIt) {
    Window window = Dialog("under");
    QRect frame = *Windows.WindowRect(window);
    EXPECT_EQ(Windows.WindowFromPoint(frame.center()), window);
    // An override-redirect window (a menu, a tooltip) has no client inside: it is its own
    // top-level.
    Window popup = Other.CreateWindow(QRect(5, 5, 30, 30), "popup", "Popup", "popup", true);
    Other.MapAndWait(popup, false);
    EXPECT_EQ(Windows.WindowFromPoint(QPoint(10, 10)), popup);
    EXPECT_EQ(Windows.ClassName(Windows.WindowFromPoint(QPoint(10, 10))), "popup");
}

TEST_F(WindowsX11, VanishedWindowsGiveNoWindowAndNoCrash) {
    Window window = Dialog("vanishing");
    TWindowId foreground = Windows.ForegroundWindow();
    ASSERT_EQ(foreground, window);
    QRect frame = *Windows.WindowRect(foreground);
    XDestroyWindow(Other.Dpy(), window);
    XSync(Other.Dpy(), False);

    // The capture goes on with the rectangle it had; the screen is still there to grab.
    TX11Screen screen;
    EXPECT_EQ(screen.GrabScreenRect(frame).Width(), frame.width());
    for (TWindowId gone : {TWindowId(window), TWindowId(0x3fffff0)}) {
        EXPECT_EQ(Windows.ClassName(gone), "");
        EXPECT_EQ(Windows.Title(gone), "");
        EXPECT_FALSE(Windows.WindowRect(gone));
        EXPECT_FALSE(Windows.ClientRect(gone));
        EXPECT_FALSE(Windows.SetForegroundWindow(gone));
        Windows.RepaintWindow(gone);
        EXPECT_TRUE(Windows.WaitUntilUnmapped(gone, 100));
    }
    EXPECT_TRUE(WaitUntil([&] { return Windows.ForegroundWindow() != window; }));
}

TEST_F(WindowsX11, WaitUntilUnmappedSeesOurWindowGo) {
    QWidget widget;
    widget.setWindowTitle("ours");
    widget.resize(200, 100);
    widget.show();
    TWindowId id = widget.winId();
    ASSERT_TRUE(WaitUntil([&] { return Windows.WindowRect(id).has_value(); }));
    // Still on the screen: the wait gives up after its time.
    EXPECT_FALSE(Windows.WaitUntilUnmapped(id, 200));
    widget.hide();
    EXPECT_TRUE(Windows.WaitUntilUnmapped(id, 1000));
}

TEST_F(WindowsX11, RepaintWindowMakesTheWindowDrawAgain) {
    Window window = Managed("repaint");
    XSelectInput(Other.Dpy(), window, ExposureMask);
    XSync(Other.Dpy(), False);
    XEvent event;
    while (XCheckTypedWindowEvent(Other.Dpy(), window, Expose, &event)) {
    }
    Windows.RepaintWindow(window);
    EXPECT_TRUE(WaitUntil([&] {
        XSync(Other.Dpy(), False);
        return XCheckTypedWindowEvent(Other.Dpy(), window, Expose, &event) == True;
    }));
}

#include "platform/windows.h"

// Xlib's macros (None, Bool, Status) clash with Qt's names, so X headers come after Qt's.
#include "platform/x11_p.h"
#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>

namespace {

bool HasWmState(Display* display, Window window) {
    return ReadWindowProperty(display, window, InternAtom(display, "WM_STATE"), 2).Type != None;
}

// The child of the root that holds the window: the window manager's frame of a managed
// client, or the window itself. None when the window is gone.
Window TopLevelOf(Display* display, Window window) {
    Window root = DefaultRootWindow(display);
    while (window != None && window != root) {
        Window rootReturn = None, parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count))
            return None;
        TXPtr<Window> owned(children);
        if (parent == root)
            return window;
        window = parent;
    }
    return None;
}

// The client window inside a top-level window: the one the window manager marked with
// WM_STATE, searched breadth first; the top-level itself when none is marked (no window
// manager, override-redirect windows).
Window ClientOf(Display* display, Window topLevel) {
    std::vector<Window> level{topLevel};
    // Frames nest a few windows deep; the bound keeps a hostile tree from costing much.
    for (int depth = 0; depth < 8 && !level.empty(); ++depth) {
        std::vector<Window> next;
        for (Window window : level) {
            if (HasWmState(display, window))
                return window;
            Window rootReturn = None, parent = None;
            Window* children = nullptr;
            unsigned count = 0;
            if (!XQueryTree(display, window, &rootReturn, &parent, &children, &count))
                continue;
            TXPtr<Window> owned(children);
            next.insert(next.end(), children, children + count);
        }
        level = std::move(next);
    }
    return topLevel;
}

bool WindowExists(Display* display, Window window) {
    XWindowAttributes attributes;
    return window != None && XGetWindowAttributes(display, window, &attributes);
}

bool Supports(Display* display, const char* atomName) {
    Atom wanted = InternAtom(display, atomName);
    TWindowProperty supported = ReadWindowProperty(display, DefaultRootWindow(display),
                                                   InternAtom(display, "_NET_SUPPORTED"));
    return std::find(supported.Items.begin(), supported.Items.end(), long(wanted)) !=
           supported.Items.end();
}

QString TextOf(Display* display, XTextProperty& text) {
    if (!text.value)
        return {};
    if (text.encoding == XA_STRING && text.format == 8)
        return QString::fromLatin1(reinterpret_cast<const char*>(text.value), int(text.nitems));
    char** list = nullptr;
    int count = 0;
    QString result;
    if (Xutf8TextPropertyToTextList(display, &text, &list, &count) >= Success && list) {
        if (count > 0 && list[0])
            result = QString::fromUtf8(list[0]);
        XFreeStringList(list);
    }
    return result;
}

// Root-coordinate rectangle of the inside of a window, and its border width.
std::optional<std::pair<QRect, int>> InsideRect(Display* display, Window window) {
    XWindowAttributes attributes;
    if (window == None || !XGetWindowAttributes(display, window, &attributes))
        return std::nullopt;
    int x = 0, y = 0;
    Window child = None;
    if (!XTranslateCoordinates(display, window, attributes.root, 0, 0, &x, &y, &child))
        return std::nullopt;
    return std::make_pair(QRect(x, y, attributes.width, attributes.height),
                          attributes.border_width);
}

} // namespace

TWindowId TX11Windows::ForegroundWindow() {
    Display* display = ApplicationDisplay();
    if (!display)
        return 0;
    TX11ErrorGuard guard(display);
    Window root = DefaultRootWindow(display);
    TWindowProperty active =
        ReadWindowProperty(display, root, InternAtom(display, "_NET_ACTIVE_WINDOW"), 1);
    if (active.Format == 32) {
        // A window manager that keeps the property is the authority, also when it names no
        // window; a window that closed since gives none.
        Window window = active.Items.empty() ? None : Window(active.Items[0]);
        return WindowExists(display, window) ? window : 0;
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    if (focus == None || focus == PointerRoot || focus == root)
        return 0;
    Window topLevel = TopLevelOf(display, focus);
    return topLevel == None ? 0 : ClientOf(display, topLevel);
}

TWindowId TX11Windows::WindowFromPoint(const QPoint& point) {
    Display* display = ApplicationDisplay();
    if (!display)
        return 0;
    TX11ErrorGuard guard(display);
    Window root = DefaultRootWindow(display);
    Window topLevel = None;
    Window current = root;
    // Walk down through the windows that contain the point; the first one the window manager
    // marked as a client is the answer.
    for (int depth = 0; depth < 32; ++depth) {
        int x = 0, y = 0;
        Window child = None;
        if (!XTranslateCoordinates(display, root, current, point.x(), point.y(), &x, &y, &child))
            return 0;
        if (child == None)
            break;
        if (topLevel == None)
            topLevel = child;
        if (HasWmState(display, child))
            return child;
        current = child;
    }
    return topLevel != None ? topLevel : root;
}

QString TX11Windows::ClassName(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return {};
    TX11ErrorGuard guard(display);
    XClassHint hint{nullptr, nullptr};
    if (!XGetClassHint(display, window, &hint))
        return {};
    TXPtr<char> name(hint.res_name), className(hint.res_class);
    return className ? QString::fromLatin1(className.get()).toLower() : QString();
}

QString TX11Windows::Title(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return {};
    TX11ErrorGuard guard(display);
    TWindowProperty netName =
        ReadWindowProperty(display, window, InternAtom(display, "_NET_WM_NAME"));
    if (netName.Format == 8 && netName.Type == InternAtom(display, "UTF8_STRING"))
        return QString::fromUtf8(reinterpret_cast<const char*>(netName.Bytes.data()),
                                 qsizetype(netName.Bytes.size()));
    XTextProperty text{};
    if (!XGetWMName(display, window, &text))
        return {};
    TXPtr<unsigned char> owned(text.value);
    return TextOf(display, text);
}

std::optional<QRect> TX11Windows::ClientRect(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return std::nullopt;
    TX11ErrorGuard guard(display);
    auto inside = InsideRect(display, window);
    if (!inside)
        return std::nullopt;
    return inside->first;
}

std::optional<QRect> TX11Windows::WindowRect(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return std::nullopt;
    TX11ErrorGuard guard(display);
    auto inside = InsideRect(display, window);
    if (!inside)
        return std::nullopt;
    auto [rect, border] = *inside;
    rect.adjust(-border, -border, border, border);

    // Left, right, top, bottom, as the window manager publishes them.
    TWindowProperty extents =
        ReadWindowProperty(display, window, InternAtom(display, "_NET_FRAME_EXTENTS"), 4);
    if (extents.Format == 32 && extents.Items.size() == 4) {
        const auto& e = extents.Items;
        bool sane = std::all_of(e.begin(), e.end(), [](long v) { return v >= 0 && v < 4096; });
        if (sane)
            return rect.adjusted(-int(e[0]), -int(e[2]), int(e[1]), int(e[3]));
    }
    // A window manager that does not publish its extents: the frame it put the window in is
    // what the user sees as the window.
    Window topLevel = TopLevelOf(display, window);
    if (topLevel != None && topLevel != window) {
        XWindowAttributes frame;
        if (XGetWindowAttributes(display, topLevel, &frame))
            return QRect(frame.x, frame.y, frame.width + 2 * frame.border_width,
                         frame.height + 2 * frame.border_width);
    }
    return rect;
}

bool TX11Windows::SetForegroundWindow(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return false;
    TX11ErrorGuard guard(display);
    if (!WindowExists(display, window))
        return false;
    Window root = DefaultRootWindow(display);
    if (Supports(display, "_NET_ACTIVE_WINDOW")) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = InternAtom(display, "_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        // Source 2: on the user's direct behalf, so focus-stealing prevention lets it through
        // (the user was working in that window when the hot key came).
        event.xclient.data.l[0] = 2;
        event.xclient.data.l[1] = CurrentTime;
        event.xclient.data.l[2] = 0;
        XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
        return !guard.Failed();
    }
    Window topLevel = TopLevelOf(display, window);
    if (topLevel != None)
        XRaiseWindow(display, topLevel);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    return !guard.Failed();
}

void TX11Windows::RepaintWindow(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return;
    auto rect = WindowRect(window);
    if (!rect || rect->isEmpty())
        return;
    TX11ErrorGuard guard(display);
    // A window laid over the area for a moment: when it goes, the server asks everything
    // beneath to draw itself again. The window manager never sees it (override-redirect).
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixmap = None;
    attributes.backing_store = NotUseful;
    attributes.save_under = False;
    Window cover = XCreateWindow(
        display, DefaultRootWindow(display), rect->x(), rect->y(), unsigned(rect->width()),
        unsigned(rect->height()), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWOverrideRedirect | CWBackPixmap | CWBackingStore | CWSaveUnder, &attributes);
    if (guard.Failed() || cover == None)
        return;
    XMapRaised(display, cover);
    XSync(display, False);
    XDestroyWindow(display, cover);
    XSync(display, False);
}

bool TX11Windows::WaitUntilUnmapped(TWindowId window, int timeoutMs) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return true;
    auto onScreen = [display, window] {
        TX11ErrorGuard guard(display);
        Window topLevel = TopLevelOf(display, window);
        for (Window w : {Window(window), topLevel}) {
            XWindowAttributes attributes;
            if (w != None && XGetWindowAttributes(display, w, &attributes) &&
                attributes.map_state == IsViewable)
                return true;
        }
        return false;
    };
    return WaitUntilDone([&] { return !onScreen(); }, timeoutMs);
}

void TX11Windows::HideOwnWindow(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return;
    TX11ErrorGuard guard(display);
    // Withdrawn the way a program withdraws its window (the window manager takes its frame
    // away too), where hiding it through the toolkit would end a dialog's wait for its answer.
    XWithdrawWindow(display, Window(window), DefaultScreen(display));
    XFlush(display);
}

void TX11Windows::ShowOwnWindowAgain(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return;
    TX11ErrorGuard guard(display);
    XMapWindow(display, Window(window));
    XFlush(display);
}

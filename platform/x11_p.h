// Plumbing shared by the X11 implementations of the platform layer: the display Qt talks to,
// a scoped X error guard, and owning wrappers for what Xlib hands out.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The display connection of the running Qt application, or nullptr when Qt does not run on
// X11 (the offscreen platform of the headless tests). Everything that gets nullptr here
// answers "nothing": no window, no grab, an empty image.
Display* ApplicationDisplay();

// Turns X errors raised while it lives into a result instead of the default handler, which
// ends the process. Calls with a reply report their failure through their return value;
// calls without one (grabs, property changes, focus) fail asynchronously, so Failed() waits
// for the server to process everything sent so far before it answers.
//
// Guards nest: an inner guard sees only the errors raised while it lives.
class TX11ErrorGuard {
public:
    explicit TX11ErrorGuard(Display* display);
    ~TX11ErrorGuard();
    TX11ErrorGuard(const TX11ErrorGuard&) = delete;
    TX11ErrorGuard& operator=(const TX11ErrorGuard&) = delete;

    bool Failed();
    // The error code of the first error caught (Success when none).
    int ErrorCode() const;

private:
    Display* Display_;
    int (*PreviousHandler_)(Display*, XErrorEvent*);
    int PreviousErrorCode_;
};

// Memory that Xlib allocated and XFree releases.
struct TXFree {
    void operator()(void* memory) const {
        if (memory)
            XFree(memory);
    }
};
template <typename T> using TXPtr = std::unique_ptr<T, TXFree>;

Atom InternAtom(Display* display, const char* name);

// A window property read whole. Format is 8, 16 or 32 (0 when the property is absent);
// 32-bit items come as longs, as Xlib delivers them.
struct TWindowProperty {
    Atom Type = None;
    int Format = 0;
    std::vector<unsigned char> Bytes; // format 8
    std::vector<long> Items;          // format 32 (and 16, widened)
};
// Reads a property of at most maxItems items; absent, unreadable or vanished windows give
// an empty property. Call under an error guard.
TWindowProperty ReadWindowProperty(Display* display, Window window, Atom property,
                                   long maxItems = 1 << 16);

// Runs the event loop (our own windows and timers go on meanwhile) until `done` answers true
// or the time is up; answers whether it did. For waiting on the window manager, which
// carries out our requests when it gets to them.
bool WaitUntilDone(const std::function<bool()>& done, int timeoutMs);

class QWindow;

// Brings the time Qt stamps its selection requests with (setting or emptying the clipboard)
// up to the server's present. Qt stamps them with the time of the last event it saw from the
// server; when another program has taken the clipboard since, the server ignores a request
// stamped earlier, and the clipboard silently keeps the other program's content. A property
// change on one of our windows comes back as an event with the present time, which Qt takes
// over. `window` is a native window of ours that is used for nothing else. Runs the event loop
// (user input excluded) until that event is through, at most half a second.
void UpdateApplicationServerTime(QWindow& window);

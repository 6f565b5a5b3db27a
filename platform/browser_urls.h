// The address of the page a web browser in front shows, as the capture asks for it: which
// windows are browsers, the question to the browser as a service (the real query lives in
// weblink/browser_url.h, the program entry hands it in), waiting for its answer, and how an
// answer becomes the address kept for the next capture.
#pragma once

#include <QFuture>
#include <QString>

enum TBrowserKind : int {
    bkNone = 0,     // not a browser: not asked, the capture gets no address
    bkChromium = 1, // Chromium, Chrome, Brave, Edge
    bkFirefox = 2,  // Firefox, LibreWolf, Waterfox
};

// The kind of browser a window belongs to, from its lower-cased class name.
TBrowserKind BrowserKindOfClass(const QString& className);

// How long a browser has to answer, from the question to the last byte of the answer.
constexpr int BrowserQueryTimeoutMs = 10000;

// Waits for an answer asked for on another thread, running the event loop meanwhile (the
// windows repaint, timers fire), for at most timeoutMs. Empty when none came in time.
QString WaitForBrowserURL(const QFuture<QString>& answer, int timeoutMs);

// The address kept for the next capture, from the stripped answer: without leading and
// trailing blanks and control characters, in the normalised form of NormalisedPageAddress;
// an answer that is no web or file address gives none. LongURL is set when the answer
// before trimming was 256 characters or longer (such addresses are opened differently
// later).
struct TPendingAddress {
    QString URL;
    bool LongURL = false;
};
TPendingAddress PendingAddressFromAnswer(const QString& answer);

// The query as a service, so that capture tests can script the browser's answer. The real
// one asks on a thread of its own, so the window goes on repainting while the browser
// thinks; the capture waits for the answer with WaitForBrowserURL.
class IBrowserURLs {
public:
    virtual ~IBrowserURLs() = default;
    // Starts asking the browser whose window has that class; the answer is GetBrowserURL's
    // (weblink/browser_url.h).
    virtual QFuture<QString> AskBrowserURL(const QString& className) = 0;
};

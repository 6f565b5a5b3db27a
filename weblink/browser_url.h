// The address of the page a web browser shows, asked for at capture time when a browser
// window is in front.
//
// Chromium-family browsers answer through their DevTools HTTP endpoint on loopback (open when
// the browser runs with a remote-debugging port); Firefox-family browsers keep the state of
// their windows in a compressed session file of the profile, which is read instead. Either
// way the answer is shaped as "address","title" and reduced to a blank and the bare address
// by StripURLQuotes; the capture trims it into the pending address. Nothing to ask, no
// answer within the time, or an answer that does not parse gives an empty text.
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

enum TBrowserKind : int {
    bkNone = 0,     // not a browser: not asked, the capture gets no address
    bkChromium = 1, // Chromium, Chrome, Brave, Edge
    bkFirefox = 2,  // Firefox, LibreWolf, Waterfox
};

// The kind of browser a window belongs to, from its lower-cased class name.
TBrowserKind BrowserKindOfClass(const QString& className);

// Where the query looks and how long it may take.
struct TBrowserQueryOptions {
    QString HomeFolder;   // the user's home: Firefox-family profiles
    QString ConfigFolder; // the user's config folder: Chromium-family profiles
    int TimeoutMs = 10000;

    // $HOME, and $XDG_CONFIG_HOME or ~/.config.
    static TBrowserQueryOptions FromEnvironment();
};

// Asks the browser of that kind for its current page and returns the answer with its quotes
// stripped (StripURLQuotes), typically a blank followed by the address. Blocks for at most
// the time-out; empty for bkNone and whenever no answer came.
QString GetBrowserURL(TBrowserKind kind, const TBrowserQueryOptions& options);

// The reduction of a browser's answer: when the text is longer than five characters, its
// first double quote becomes a blank and the text ends at the next double quote, so
// "address","title" becomes " address". Shorter texts (the answer "","" of a browser
// without a page) stay as they are.
QString StripURLQuotes(const QString& answer);

// The address kept for the next capture, from the stripped answer: without leading and
// trailing blanks and control characters. LongURL is set when the answer before trimming
// was 256 characters or longer (such addresses are opened differently later).
struct TPendingAddress {
    QString URL;
    bool LongURL = false;
};
TPendingAddress PendingAddressFromAnswer(const QString& answer);

// The parts of the query, for tests and for the curious.

// "address","title": the shape both kinds answer in. A double quote inside the address is
// written %22, as in any serialised URL, so that the stripping keeps the whole address.
QString FormatBrowserAnswer(const QString& address, const QString& title);
// The first page of a DevTools endpoint's /json/list on the loopback port; empty when the
// endpoint does not answer in time or answers something else.
QString AskDevTools(quint16 port, int timeoutMs);
// The port of the most recently started Chromium-family browser with a DevTools endpoint,
// read from its profile's DevToolsActivePort file; 9222 when there is none.
quint16 DevToolsPort(const TBrowserQueryOptions& options);
// The selected tab of the selected window in a mozLz4 session file's content.
QString AnswerFromSessionFile(const QByteArray& file);
// The session file of the most recently used Firefox-family profile; empty when none.
QString NewestSessionFile(const TBrowserQueryOptions& options);

// The query as a service, so that capture tests can script the browser's answer.
class IBrowserURLs {
public:
    virtual ~IBrowserURLs() = default;
    virtual QString GetBrowserURL(TBrowserKind kind) = 0;
};

class TBrowserURLs : public IBrowserURLs {
public:
    explicit TBrowserURLs(TBrowserQueryOptions options = TBrowserQueryOptions::FromEnvironment())
        : Options_(std::move(options)) {}
    QString GetBrowserURL(TBrowserKind kind) override { return ::GetBrowserURL(kind, Options_); }

private:
    TBrowserQueryOptions Options_;
};

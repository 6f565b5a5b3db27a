// The address of the page a web browser shows, asked for at capture time when a browser
// window is in front.
//
// Chromium-family browsers answer through their DevTools HTTP endpoint on loopback (open when
// the browser runs with a remote-debugging port); Firefox-family browsers keep the state of
// their windows in a compressed session file of the profile, which is read instead. Either
// way the profile is the one of the browser in front, told by its window class, and the
// answer is shaped as "address","title" and reduced to a blank and the bare address by
// StripURLQuotes; the capture trims it into the pending address (platform/browser_urls.h,
// where the service's interface lives too). Nothing to ask, no answer within the time, or an
// answer that does not parse gives an empty text.
//
// Whatever answers is another program: the port comes only from the browser's own
// DevToolsActivePort file (a regular file of the user's), and the socket listening on it
// must be the user's, since any local user may listen on a loopback port.
#pragma once

#include "platform/browser_urls.h"

#include <QByteArray>
#include <QFuture>
#include <QHostAddress>
#include <QList>
#include <QString>
#include <QThreadPool>

#include <optional>

// Where the query looks and how long it may take.
struct TBrowserQueryOptions {
    QString HomeFolder;   // the user's home: Firefox-family profiles, snap and flatpak ones
    QString ConfigFolder; // the user's config folder: Chromium-family profiles
    int TimeoutMs = BrowserQueryTimeoutMs;

    // $HOME, and $XDG_CONFIG_HOME or ~/.config.
    static TBrowserQueryOptions FromEnvironment();
};

// Asks the browser whose window has that class (lower-cased) for its current page and
// returns the answer with its quotes stripped (StripURLQuotes), typically a blank followed by
// the address. Blocks for at most the time-out; empty when the class is no browser's and
// whenever no answer came.
QString GetBrowserURL(const QString& className, const TBrowserQueryOptions& options);

// The reduction of a browser's answer: when the text is longer than five characters, its
// first double quote becomes a blank and the text ends at the next double quote, so
// "address","title" becomes " address". Shorter texts (the answer "","" of a browser
// without a page) stay as they are.
QString StripURLQuotes(const QString& answer);

// The parts of the query, for tests and for the curious.

// "address","title": the shape both kinds answer in. A double quote inside the address is
// written %22, as in any serialised URL, so that the stripping keeps the whole address.
QString FormatBrowserAnswer(const QString& address, const QString& title);
// The first page of a DevTools endpoint's /json/list on the loopback port; empty when the
// socket listening there is not the user's, or the endpoint does not answer within the
// time (which bounds the whole exchange), or answers something else.
QString AskDevTools(quint16 port, int timeoutMs);
// The port of the DevTools endpoint of the browser whose window has that class, read from
// the newest DevToolsActivePort file of its profile folders; none when there is no such
// file that is a regular file of the user's with a port in it.
std::optional<quint16> DevToolsPort(const QString& className, const TBrowserQueryOptions& options);
// The selected tab of the selected window in a mozLz4 session file's content.
QString AnswerFromSessionFile(const QByteArray& file);
// The most recent session file of the profiles of the browser whose window has that class;
// empty when none.
QString NewestSessionFile(const QString& className, const TBrowserQueryOptions& options);

// One row of the kernel's TCP socket tables (/proc/net/tcp and tcp6).
struct TSocketEntry {
    QHostAddress Local;
    quint16 LocalPort = 0;
    QHostAddress Remote;
    quint16 RemotePort = 0;
    int State = 0; // 0x0A listening, 0x01 established, ...
    uint Uid = 0;  // the socket's owner
};
// The rows of a table in the kernel's text; lines that do not parse are left out.
QList<TSocketEntry> ParseSocketTable(const QByteArray& table);
// Whether the loopback port has a listener and every listener that takes connections to
// 127.0.0.1 on it (bound there or to any address) belongs to the user.
bool LoopbackListenerOwnedBy(const QList<TSocketEntry>& sockets, quint16 port, uint uid);
// Whether the far end of the loopback connection from clientPort to serverPort (the socket
// the listener accepted it on) belongs to the user.
bool LoopbackPeerOwnedBy(const QList<TSocketEntry>& sockets, quint16 serverPort, quint16 clientPort,
                         uint uid);

class TBrowserURLs : public IBrowserURLs {
public:
    explicit TBrowserURLs(TBrowserQueryOptions options = TBrowserQueryOptions::FromEnvironment());
    QFuture<QString> AskBrowserURL(const QString& className) override;

private:
    TBrowserQueryOptions Options_;
    // Its own threads: a query never waits behind other work. Waits for a query still running
    // when it goes.
    QThreadPool Threads_;
};

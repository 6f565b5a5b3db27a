#include "weblink/browser_url.h"
#include "weblink/moz_lz4.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>

#include <algorithm>

namespace {

// Limits on what another program may hand us.
constexpr qint64 MaxHttpResponse = 16 << 20;
constexpr qint64 MaxSessionFile = 64 << 20;
constexpr qint64 MaxPortFile = 256;
constexpr int MaxProfiles = 256;

// Reads a regular file of at most maxSize bytes. Anything else (a pipe, a device, a folder,
// a file that grew too big) reads as nothing, so a planted name can neither block nor flood.
std::optional<QByteArray> ReadSmallFile(const QString& path, qint64 maxSize) {
    QFileInfo info(path);
    if (!info.isFile() || info.size() > maxSize)
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray content = file.read(maxSize + 1);
    if (content.size() > maxSize)
        return std::nullopt;
    return content;
}

// Body of an HTTP response with status 200, once complete: the headers, and as many bytes as
// Content-Length says (or everything up to the close when it says nothing).
std::optional<QByteArray> HttpBody(const QByteArray& response, bool closed) {
    qsizetype headerEnd = response.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return std::nullopt;
    QList<QByteArray> lines = response.left(headerEnd).split('\n');
    QList<QByteArray> status = lines.value(0).trimmed().split(' ');
    if (status.size() < 2 || !status[0].startsWith("HTTP/") || status[1] != "200")
        return QByteArray(); // complete, but not an answer
    QByteArray body = response.mid(headerEnd + 4);
    for (const QByteArray& line : lines.mid(1)) {
        qsizetype colon = line.indexOf(':');
        if (colon < 0 || line.left(colon).trimmed().toLower() != "content-length")
            continue;
        bool ok = false;
        qint64 length = line.mid(colon + 1).trimmed().toLongLong(&ok);
        if (!ok || length < 0 || length > MaxHttpResponse)
            return QByteArray();
        if (body.size() < length)
            return closed ? std::optional<QByteArray>(QByteArray()) : std::nullopt;
        return body.left(length);
    }
    return closed ? std::optional<QByteArray>(body) : std::nullopt;
}

// The object numbered `number` (counting from 1, as the session file does) in an array;
// fallback stands in for a missing number.
std::optional<QJsonObject> Pick(const QJsonValue& array, const QJsonValue& number,
                                qint64 fallback) {
    QJsonArray items = array.toArray();
    qint64 index = number.isDouble() ? qint64(number.toDouble()) : fallback;
    if (index < 1 || index > items.size())
        return std::nullopt;
    QJsonValue item = items.at(qsizetype(index - 1));
    if (!item.isObject())
        return std::nullopt;
    return item.toObject();
}

} // namespace

TBrowserKind BrowserKindOfClass(const QString& className) {
    for (const char* part : {"chrom", "brave", "edge"})
        if (className.contains(QLatin1String(part)))
            return bkChromium;
    for (const char* part : {"firefox", "librewolf", "waterfox"})
        if (className.contains(QLatin1String(part)))
            return bkFirefox;
    return bkNone;
}

TBrowserQueryOptions TBrowserQueryOptions::FromEnvironment() {
    TBrowserQueryOptions options;
    options.HomeFolder = QDir::homePath();
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    options.ConfigFolder = QDir::isAbsolutePath(config) ? config : options.HomeFolder + "/.config";
    return options;
}

QString StripURLQuotes(const QString& answer) {
    if (answer.size() <= 5)
        return answer;
    QString text = answer;
    qsizetype first = text.indexOf('"');
    if (first < 0)
        return text;
    text[first] = ' ';
    qsizetype next = text.indexOf('"', first + 1);
    if (next >= 0)
        text.truncate(next);
    return text;
}

TPendingAddress PendingAddressFromAnswer(const QString& answer) {
    qsizetype start = 0, end = answer.size();
    while (start < end && answer[start].unicode() <= ' ')
        ++start;
    while (end > start && answer[end - 1].unicode() <= ' ')
        --end;
    return {answer.mid(start, end - start), answer.size() >= 256};
}

QString FormatBrowserAnswer(const QString& address, const QString& title) {
    QString safeAddress = address;
    safeAddress.replace('"', "%22");
    return '"' + safeAddress + "\",\"" + title + '"';
}

QString AskDevTools(quint16 port, int timeoutMs) {
    QDeadlineTimer deadline(std::max(timeoutMs, 0)); // never "forever"
    QTcpSocket socket;
    // Loopback only: the endpoint of a browser on this machine, never one elsewhere.
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return {};
    // An address as the host: the endpoint refuses host names it cannot vouch for.
    QByteArray request = "GET /json/list HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                         "\r\nConnection: close\r\n\r\n";
    socket.write(request);
    QByteArray response;
    std::optional<QByteArray> body;
    for (;;) {
        response += socket.readAll();
        if (response.size() > MaxHttpResponse)
            return {};
        bool closed = socket.state() != QAbstractSocket::ConnectedState;
        body = HttpBody(response, closed);
        if (body)
            break;
        if (closed)
            return {};
        // False when the peer closed (the next round reads what is left) or the time is up.
        if (!socket.waitForReadyRead(int(deadline.remainingTime())) && deadline.hasExpired())
            return {};
    }
    QJsonDocument document = QJsonDocument::fromJson(*body);
    // The endpoint lists the most recently active page first.
    for (const QJsonValue& entry : document.array()) {
        QJsonObject target = entry.toObject();
        if (target.value("type").toString() == "page")
            return FormatBrowserAnswer(target.value("url").toString(),
                                       target.value("title").toString());
    }
    return {};
}

quint16 DevToolsPort(const TBrowserQueryOptions& options) {
    quint16 port = 9222;
    QDateTime newest;
    for (const char* profile :
         {"chromium", "google-chrome", "BraveSoftware/Brave-Browser", "microsoft-edge"}) {
        QString path = options.ConfigFolder + '/' + profile + "/DevToolsActivePort";
        auto content = ReadSmallFile(path, MaxPortFile);
        if (!content)
            continue;
        // The port on the first line, the browser's own target path on the second.
        bool ok = false;
        uint number = content->split('\n').value(0).trimmed().toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            continue;
        QDateTime modified = QFileInfo(path).lastModified();
        if (newest.isValid() && modified <= newest)
            continue;
        newest = modified;
        port = quint16(number);
    }
    return port;
}

QString AnswerFromSessionFile(const QByteArray& file) {
    auto json =
        DecodeMozLz4(reinterpret_cast<const uint8_t*>(file.constData()), std::size_t(file.size()));
    if (!json)
        return {};
    QJsonObject session =
        QJsonDocument::fromJson(
            QByteArray(reinterpret_cast<const char*>(json->data()), qsizetype(json->size())))
            .object();
    // Numbers count from 1. A missing window or tab number means the first; a missing entry
    // number the newest entry of the tab's history.
    auto window = Pick(session.value("windows"), session.value("selectedWindow"), 1);
    if (!window)
        return {};
    auto tab = Pick(window->value("tabs"), window->value("selected"), 1);
    if (!tab)
        return {};
    auto entry =
        Pick(tab->value("entries"), tab->value("index"), tab->value("entries").toArray().size());
    if (!entry)
        return {};
    QString url = entry->value("url").toString();
    if (url.isEmpty())
        return {};
    return FormatBrowserAnswer(url, entry->value("title").toString());
}

QString NewestSessionFile(const TBrowserQueryOptions& options) {
    QString newestPath;
    QDateTime newest;
    for (const char* root :
         {".mozilla/firefox", ".librewolf", ".waterfox", "snap/firefox/common/.mozilla/firefox",
          ".var/app/org.mozilla.firefox/.mozilla/firefox"}) {
        QDir folder(options.HomeFolder + '/' + root);
        const QStringList profiles =
            folder.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& profile : profiles.mid(0, MaxProfiles)) {
            QFileInfo session(folder.filePath(profile) + "/sessionstore-backups/recovery.jsonlz4");
            if (!session.isFile())
                continue;
            if (newest.isValid() && session.lastModified() <= newest)
                continue;
            newest = session.lastModified();
            newestPath = session.filePath();
        }
    }
    return newestPath;
}

QString GetBrowserURL(TBrowserKind kind, const TBrowserQueryOptions& options) {
    QString answer;
    switch (kind) {
    case bkChromium:
        answer = AskDevTools(DevToolsPort(options), options.TimeoutMs);
        break;
    case bkFirefox: {
        QString path = NewestSessionFile(options);
        if (path.isEmpty())
            break;
        if (auto file = ReadSmallFile(path, MaxSessionFile))
            answer = AnswerFromSessionFile(*file);
        break;
    }
    case bkNone:
        break;
    }
    return StripURLQuotes(answer);
}

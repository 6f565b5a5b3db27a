#include "weblink/browser_url.h"
#include "platform/page_address.h"
#include "weblink/moz_lz4.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPromise>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Limits on what another program may hand us.
constexpr qint64 MaxHttpResponse = 16 << 20;
constexpr qint64 MaxSessionFile = 64 << 20;
constexpr qint64 MaxPortFile = 256;
constexpr int MaxProfiles = 256;

// States of the kernel's socket tables.
constexpr int TcpEstablished = 0x01;
constexpr int TcpSynReceived = 0x03;
constexpr int TcpListen = 0x0A;

// Where each browser keeps its profiles, by a part of its lower-cased window class; the more
// particular parts come first. Folders starting with "~/" lie in the home folder, the others
// in the config folder. Snap and flatpak builds keep theirs under the home folder.
struct TProfilePlaces {
    const char* ClassPart;
    const char* Folders[3];
};

const TProfilePlaces ChromiumProfiles[] = {
    {"google-chrome-beta", {"google-chrome-beta"}},
    {"google-chrome-unstable", {"google-chrome-unstable"}},
    {"chrome", {"google-chrome", "~/.var/app/com.google.Chrome/config/google-chrome"}},
    {"chromium",
     {"chromium", "~/snap/chromium/common/chromium",
      "~/.var/app/org.chromium.Chromium/config/chromium"}},
    {"brave-browser-beta", {"BraveSoftware/Brave-Browser-Beta"}},
    {"brave-browser-nightly", {"BraveSoftware/Brave-Browser-Nightly"}},
    {"brave",
     {"BraveSoftware/Brave-Browser", "~/snap/brave/current/.config/BraveSoftware/Brave-Browser",
      "~/.var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser"}},
    {"microsoft-edge-beta", {"microsoft-edge-beta"}},
    {"microsoft-edge-dev", {"microsoft-edge-dev"}},
    {"edge", {"microsoft-edge", "~/.var/app/com.microsoft.Edge/config/microsoft-edge"}},
};

const TProfilePlaces FirefoxProfiles[] = {
    {"librewolf", {"~/.librewolf", "~/.var/app/io.gitlab.librewolf-community/.librewolf"}},
    {"waterfox", {"~/.waterfox"}},
    {"firefox",
     {"~/.mozilla/firefox", "~/snap/firefox/common/.mozilla/firefox",
      "~/.var/app/org.mozilla.firefox/.mozilla/firefox"}},
};

// The profile folders of the browser whose window has that class; none for a class that
// names no browser known here (asking another browser's profile would give its page).
template <std::size_t N>
QStringList ProfileFolders(const TProfilePlaces (&table)[N], const QString& className,
                           const TBrowserQueryOptions& options) {
    for (const TProfilePlaces& places : table) {
        if (!className.contains(QLatin1String(places.ClassPart)))
            continue;
        QStringList folders;
        for (const char* folder : places.Folders) {
            if (!folder)
                break;
            const QString name = QString::fromLatin1(folder);
            folders << (name.startsWith("~/") ? options.HomeFolder + name.mid(1)
                                              : options.ConfigFolder + '/' + name);
        }
        return folders;
    }
    return {};
}

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

// A regular file of the user's of at most maxSize bytes, with its modification time. A link,
// a pipe, a folder, another user's file or a file that is too big reads as nothing: what the
// file says decides whom the query trusts.
struct TOwnedFile {
    QByteArray Content;
    qint64 ModifiedNs = 0;
};
std::optional<TOwnedFile> ReadOwnedFile(const QString& path, qint64 maxSize) {
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat status {};
    TOwnedFile file;
    bool good = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) &&
                status.st_uid == ::geteuid() && status.st_size <= maxSize;
    if (good) {
        file.ModifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
        // One byte more than allowed: a file that grew meanwhile shows itself.
        file.Content.resize(qsizetype(maxSize) + 1);
        qsizetype total = 0;
        while (total < file.Content.size()) {
            const ssize_t got =
                ::read(fd, file.Content.data() + total, std::size_t(file.Content.size() - total));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0) {
                good = got == 0;
                break;
            }
            total += got;
        }
        good = good && total <= maxSize;
        file.Content.truncate(total);
    }
    ::close(fd);
    if (!good)
        return std::nullopt;
    return file;
}

// Both socket tables of the kernel; empty when they cannot be read, which trusts nobody.
QList<TSocketEntry> ReadSocketTables() {
    QList<TSocketEntry> sockets;
    for (const char* path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile table(path);
        if (table.open(QIODevice::ReadOnly))
            sockets += ParseSocketTable(table.readAll());
    }
    return sockets;
}

// "0100007F:1F90": the address as the kernel prints it (each 32-bit word as it lies in
// memory, in hexadecimal) and the port.
std::optional<std::pair<QHostAddress, quint16>> ParseSocketAddress(const QByteArray& text) {
    const qsizetype colon = text.indexOf(':');
    const QByteArray hex = text.left(colon);
    if (colon < 0 || (hex.size() != 8 && hex.size() != 32))
        return std::nullopt;
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok, 16);
    if (!ok || port > 65535)
        return std::nullopt;
    quint8 bytes[16] = {};
    for (qsizetype word = 0; word < hex.size() / 8; ++word) {
        const quint32 value = hex.mid(word * 8, 8).toUInt(&ok, 16);
        if (!ok)
            return std::nullopt;
        std::memcpy(bytes + 4 * word, &value, 4);
    }
    const QHostAddress address =
        hex.size() == 8 ? QHostAddress(qFromBigEndian<quint32>(bytes)) : QHostAddress(bytes);
    return std::pair{address, quint16(port)};
}

// Whether a socket bound to the address takes connections made to 127.0.0.1: bound there,
// to the IPv4-mapped form of it, or to any address (an IPv6 one too, which may take IPv4).
bool TakesLoopbackConnections(const QHostAddress& local) {
    const auto tolerant =
        QHostAddress::ConvertV4MappedToIPv4 | QHostAddress::ConvertUnspecifiedAddress;
    return local.isEqual(QHostAddress(QHostAddress::LocalHost), tolerant) ||
           local.isEqual(QHostAddress(QHostAddress::AnyIPv4), tolerant);
}

bool IsLoopbackIPv4(const QHostAddress& address) {
    return address.isEqual(QHostAddress(QHostAddress::LocalHost),
                           QHostAddress::ConvertV4MappedToIPv4);
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

QString FormatBrowserAnswer(const QString& address, const QString& title) {
    QString safeAddress = address;
    safeAddress.replace('"', "%22");
    return '"' + safeAddress + "\",\"" + title + '"';
}

QList<TSocketEntry> ParseSocketTable(const QByteArray& table) {
    // "sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ..."
    QList<TSocketEntry> sockets;
    const QList<QByteArray> lines = table.split('\n');
    for (const QByteArray& line : lines.mid(1)) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 8)
            continue;
        const auto local = ParseSocketAddress(fields[1]);
        const auto remote = ParseSocketAddress(fields[2]);
        bool stateOk = false, uidOk = false;
        const int state = fields[3].toInt(&stateOk, 16);
        const uint uid = fields[7].toUInt(&uidOk);
        if (!local || !remote || !stateOk || !uidOk)
            continue;
        sockets.append({local->first, local->second, remote->first, remote->second, state, uid});
    }
    return sockets;
}

bool LoopbackListenerOwnedBy(const QList<TSocketEntry>& sockets, quint16 port, uint uid) {
    bool listened = false;
    for (const TSocketEntry& socket : sockets) {
        if (socket.State != TcpListen || socket.LocalPort != port ||
            !TakesLoopbackConnections(socket.Local))
            continue;
        if (socket.Uid != uid)
            return false;
        listened = true;
    }
    return listened;
}

bool LoopbackPeerOwnedBy(const QList<TSocketEntry>& sockets, quint16 serverPort, quint16 clientPort,
                         uint uid) {
    // Only live connections: a closed one lingering in the table (TIME_WAIT) is nobody's.
    for (const TSocketEntry& socket : sockets)
        if ((socket.State == TcpEstablished || socket.State == TcpSynReceived) &&
            socket.LocalPort == serverPort && socket.RemotePort == clientPort &&
            IsLoopbackIPv4(socket.Local) && IsLoopbackIPv4(socket.Remote))
            return socket.Uid == uid;
    return false;
}

QString AskDevTools(quint16 port, int timeoutMs) {
    // One deadline for the whole exchange: connecting, asking and every byte of the answer.
    QDeadlineTimer deadline(std::max(timeoutMs, 0)); // never "forever"
    const uint user = ::geteuid();
    // Any local user may listen on a loopback port; only the user's own browser is asked.
    if (!LoopbackListenerOwnedBy(ReadSocketTables(), port, user))
        return {};
    QTcpSocket socket;
    // Loopback only: the endpoint of a browser on this machine, never one elsewhere.
    socket.connectToHost(QHostAddress(QHostAddress::LocalHost), port);
    if (!socket.waitForConnected(int(deadline.remainingTime())))
        return {};
    // The listener may have changed hands since it was looked at: the socket that took this
    // very connection must be the user's too.
    if (!LoopbackPeerOwnedBy(ReadSocketTables(), port, socket.localPort(), user))
        return {};
    // An address as the host: the endpoint refuses host names it cannot vouch for.
    QByteArray request = "GET /json/list HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(port) +
                         "\r\nConnection: close\r\n\r\n";
    socket.write(request);
    QByteArray response;
    std::optional<QByteArray> body;
    for (;;) {
        // The state first: once the peer has closed, everything it sent is in the buffer.
        const bool closed = socket.state() != QAbstractSocket::ConnectedState;
        response += socket.readAll();
        if (response.size() > MaxHttpResponse)
            return {};
        body = HttpBody(response, closed);
        if (body)
            break;
        // A peer that keeps sending, however slowly, is cut off at the deadline all the same.
        if (closed || deadline.hasExpired())
            return {};
        socket.waitForReadyRead(int(deadline.remainingTime()));
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

std::optional<quint16> DevToolsPort(const QString& className, const TBrowserQueryOptions& options) {
    std::optional<quint16> port;
    qint64 newest = 0;
    for (const QString& folder : ProfileFolders(ChromiumProfiles, className, options)) {
        auto file = ReadOwnedFile(folder + "/DevToolsActivePort", MaxPortFile);
        if (!file)
            continue;
        // The port on the first line, the browser's own target path on the second.
        bool ok = false;
        uint number = file->Content.split('\n').value(0).trimmed().toUInt(&ok);
        if (!ok || number == 0 || number > 65535)
            continue;
        if (port && file->ModifiedNs <= newest)
            continue;
        newest = file->ModifiedNs;
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

QString NewestSessionFile(const QString& className, const TBrowserQueryOptions& options) {
    QString newestPath;
    QDateTime newest;
    for (const QString& root : ProfileFolders(FirefoxProfiles, className, options)) {
        QDir folder(root);
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

QString GetBrowserURL(const QString& className, const TBrowserQueryOptions& options) {
    const QString lowered = className.toLower();
    QString answer;
    switch (BrowserKindOfClass(lowered)) {
    case bkChromium:
        // No port file, no question: a port guessed would be whoever listens there.
        if (const auto port = DevToolsPort(lowered, options))
            answer = AskDevTools(*port, options.TimeoutMs);
        break;
    case bkFirefox: {
        QString path = NewestSessionFile(lowered, options);
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

TBrowserURLs::TBrowserURLs(TBrowserQueryOptions options) : Options_(std::move(options)) {}

QFuture<QString> TBrowserURLs::AskBrowserURL(const QString& className) {
    auto promise = std::make_shared<QPromise<QString>>();
    QFuture<QString> answer = promise->future();
    promise->start();
    Threads_.start([promise, className, options = Options_] {
        promise->addResult(::GetBrowserURL(className, options));
        promise->finish();
    });
    return answer;
}

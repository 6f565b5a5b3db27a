#include "platform/single_instance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray ShowRequest = "show\n";
const QByteArray CaptureRequest = "capture\n";
// The first instance's answer once it has taken a request.
const QByteArray Taken = "ok\n";
const std::function<void()> NoRequest;

QString SystemErrorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// The user of the process at the other end of a connected local socket, as the kernel
// recorded it when that process connected or started listening; nothing when unknown.
std::optional<uid_t> PeerUid(qintptr descriptor) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    if (descriptor < 0 ||
        ::getsockopt(int(descriptor), SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return std::nullopt;
    return credentials.uid;
}

bool IsSameUser(qintptr descriptor) {
    return PeerUid(descriptor) == ::geteuid();
}

QString RefusedFolderText(const QString& folder, const QString& reason) {
    return QStringLiteral("Karvin cannot keep its lock and socket in \"%1\": %2. Set "
                          "XDG_RUNTIME_DIR to a folder of your own (most desktops do at login), "
                          "or remove \"%1\", and start Karvin again.")
        .arg(folder, reason);
}

QString RefusedLockText(const QString& lock, const QString& reason) {
    return QStringLiteral("Karvin cannot use its lock file \"%1\": %2. Without it Karvin "
                          "cannot make sure that it runs only once; remove the file and start "
                          "Karvin again.")
        .arg(lock, reason);
}

} // namespace

TRuntimeFolder FindRuntimeFolder(const QString& tmp) {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (runtime.startsWith('/')) {
        QString folder = QFile::decodeName(runtime);
        if (!folder.endsWith('/'))
            folder += '/';
        return {folder, {}};
    }

    // A shared folder: whoever makes this name first owns it, so nothing but a private folder
    // of our own is trusted, and nothing found there is followed.
    const QString folder = tmp + QStringLiteral("/karvin-%1").arg(::geteuid());
    const QByteArray path = QFile::encodeName(folder);
    if (::mkdir(path.constData(), 0700) == 0)
        ::chmod(path.constData(), 0700); // the umask may have taken bits the owner needs
    else if (errno != EEXIST)
        return {{}, RefusedFolderText(folder, SystemErrorText(errno))};
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0)
        return {{}, RefusedFolderText(folder, SystemErrorText(errno))};
    if (S_ISLNK(info.st_mode))
        return {{}, RefusedFolderText(folder, QStringLiteral("it is a symbolic link"))};
    if (!S_ISDIR(info.st_mode))
        return {{}, RefusedFolderText(folder, QStringLiteral("it is not a folder"))};
    if (info.st_uid != ::geteuid())
        return {{}, RefusedFolderText(folder, QStringLiteral("it belongs to another user"))};
    if ((info.st_mode & 07777) != 0700)
        return {{},
                RefusedFolderText(folder, QStringLiteral("other users may enter it (mode %1)")
                                              .arg(info.st_mode & 07777, 4, 8, QChar('0')))};
    return {folder + '/', {}};
}

TSingleInstance::TSingleInstance(const QString& tmp) {
    const TRuntimeFolder runtime = FindRuntimeFolder(tmp);
    Folder_ = runtime.Path;
    Problem_ = runtime.Problem;
    Name_ = QStringLiteral("Karvin By Morvane.%1").arg(::getuid());
}

TSingleInstance::~TSingleInstance() {
    if (Server_)
        Server_->close();
    if (LockFd_ >= 0)
        ::close(LockFd_);
}

TInstanceLock TSingleInstance::Acquire() {
    if (Folder_.isEmpty())
        return TInstanceLock::Unusable;
    // O_NOFOLLOW: a link put there must not make us create or lock another file.
    const QByteArray path = QFile::encodeName(LockPath());
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        Problem_ =
            RefusedLockText(LockPath(), errno == ELOOP ? QStringLiteral("it is a symbolic link")
                                                       : SystemErrorText(errno));
        return TInstanceLock::Unusable;
    }
    // Another user's file is no guard: its owner could hold its lock or delete it at will.
    struct stat info {};
    QString refusal;
    if (::fstat(fd, &info) != 0)
        refusal = SystemErrorText(errno);
    else if (!S_ISREG(info.st_mode))
        refusal = QStringLiteral("it is not a plain file");
    else if (info.st_uid != ::geteuid())
        refusal = QStringLiteral("it belongs to another user");
    if (!refusal.isEmpty()) {
        ::close(fd);
        Problem_ = RefusedLockText(LockPath(), refusal);
        return TInstanceLock::Unusable;
    }
    while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        ::close(fd);
        return TInstanceLock::HeldByAnother;
    }
    LockFd_ = fd;
    return TInstanceLock::Acquired;
}

void TSingleInstance::Listen(std::function<void()> onShowRequest,
                             std::function<void()> onCaptureRequest) {
    if (Folder_.isEmpty())
        return;
    OnShowRequest_ = std::move(onShowRequest);
    OnCaptureRequest_ = std::move(onCaptureRequest);
    Server_ = new QLocalServer(this);
    Server_->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, any socket file left there belongs to an instance that has ended.
    QLocalServer::removeServer(SocketPath());
    if (!Server_->listen(SocketPath())) {
        std::fprintf(stderr, "karvin: cannot listen on \"%s\": %s\n",
                     QFile::encodeName(SocketPath()).constData(),
                     Server_->errorString().toLocal8Bit().constData());
        return;
    }
    connect(Server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = Server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            // The socket is the user's alone, but root and file systems that ignore
            // permissions could still reach it.
            if (!IsSameUser(client->socketDescriptor())) {
                client->abort();
                client->deleteLater();
                continue;
            }
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine())
                    return;
                const QByteArray request = client->readLine(64);
                const auto& answer = request == ShowRequest      ? OnShowRequest_
                                     : request == CaptureRequest ? OnCaptureRequest_
                                                                 : NoRequest;
                if (answer)
                    client->write(Taken);
                client->disconnectFromServer();
                // Queued: a capture runs event loops of its own, which must not run inside
                // this socket's notification.
                if (answer)
                    QTimer::singleShot(0, this, answer);
            });
        }
    });
}

bool TSingleInstance::AskRunningToShow(int timeoutMs) {
    return AskRunning(ShowRequest, timeoutMs);
}

bool TSingleInstance::AskRunningToCapture(int timeoutMs) {
    return AskRunning(CaptureRequest, timeoutMs);
}

bool TSingleInstance::AskRunning(const QByteArray& request, int timeoutMs) {
    if (Folder_.isEmpty())
        return false; // Problem_ tells about the folder
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(timeoutMs)) {
        Problem_ = QStringLiteral("Karvin is not running");
        return false;
    }
    // Whoever listens there must be one of our own processes: another user could have made
    // the socket first, and would otherwise receive every request.
    const std::optional<uid_t> peer = PeerUid(socket.socketDescriptor());
    if (peer != ::geteuid()) {
        socket.abort();
        Problem_ = peer ? QStringLiteral("the socket \"%1\" belongs to a process of another user "
                                         "(uid %2); nothing was sent to it")
                              .arg(SocketPath())
                              .arg(*peer)
                        : QStringLiteral("cannot tell whose the socket \"%1\" is; nothing was "
                                         "sent to it")
                              .arg(SocketPath());
        return false;
    }
    socket.write(request);
    // The first instance answers once it has the request, then hangs up.
    while (!socket.canReadLine() && socket.state() == QLocalSocket::ConnectedState &&
           !deadline.hasExpired())
        socket.waitForReadyRead(int(deadline.remainingTime()));
    if (!socket.canReadLine() || socket.readLine(16) != Taken) {
        Problem_ = QStringLiteral("Karvin did not take the request");
        return false;
    }
    return true;
}

#include "platform/single_instance.h"

#include <QByteArray>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray ShowRequest = "show\n";
const QByteArray CaptureRequest = "capture\n";
const std::function<void()> NoRequest;

} // namespace

TSingleInstance::TSingleInstance() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    Folder_ = runtime.startsWith('/') ? QFile::decodeName(runtime) : QStringLiteral("/tmp");
    if (!Folder_.endsWith('/'))
        Folder_ += '/';
    Name_ = QStringLiteral("Karvin By Morvane.%1").arg(::getuid());
}

TSingleInstance::~TSingleInstance() {
    if (Server_)
        Server_->close();
    if (LockFd_ >= 0)
        ::close(LockFd_);
}

bool TSingleInstance::Acquire() {
    // O_NOFOLLOW: in a shared /tmp a planted link must not make us create or open another
    // file.
    const QByteArray path = QFile::encodeName(LockPath());
    LockFd_ = ::open(path.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    struct stat info {};
    if (LockFd_ < 0 || ::fstat(LockFd_, &info) != 0 || info.st_uid != ::geteuid()) {
        std::fprintf(stderr,
                     "karvin: cannot use the lock file \"%s\"%s%s; not guarding "
                     "against a second start\n",
                     path.constData(), LockFd_ < 0 ? ": " : "",
                     LockFd_ < 0 ? std::strerror(errno) : " (another user's)");
        if (LockFd_ >= 0)
            ::close(LockFd_);
        LockFd_ = -1;
        return true;
    }
    while (::flock(LockFd_, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EINTR)
            continue;
        ::close(LockFd_);
        LockFd_ = -1;
        return false;
    }
    return true;
}

void TSingleInstance::Listen(std::function<void()> onShowRequest,
                             std::function<void()> onCaptureRequest) {
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
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine())
                    return;
                const QByteArray request = client->readLine(64);
                client->disconnectFromServer();
                // Queued: a capture runs event loops of its own, which must not run inside
                // this socket's notification.
                const auto& answer = request == ShowRequest      ? OnShowRequest_
                                     : request == CaptureRequest ? OnCaptureRequest_
                                                                 : NoRequest;
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
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(request);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    // The first instance hangs up once it has the request.
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

// One Karvin per user login. The first instance holds an exclusive lock on
// RUNTIME/Karvin By Morvane.<uid>.lock for the life of the process and listens on a local
// socket "Karvin By Morvane.<uid>" beside it; a second start finds the lock taken and asks the
// first, through that socket, to bring its window to the front. The same socket carries
// "karvin trigger", which asks the running instance to capture.
//
// RUNTIME is $XDG_RUNTIME_DIR, else /tmp/karvin-<uid>: a folder every user could otherwise
// take first, so it is used only when it is a real folder of this user that no one else may
// enter. Both ends of the socket make sure the other end is a process of the same user, so a
// socket or lock that someone else put in place never receives a request nor switches the
// guard off.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

struct TRuntimeFolder {
    QString Path;    // ending in "/"; empty when the folder cannot be used
    QString Problem; // why it cannot be used, for the user
};
// The folder of the lock and the socket: $XDG_RUNTIME_DIR when it is an absolute path, else
// `tmp` + "/karvin-<uid>", created 0700 when it is missing and used only when it is a folder
// (not a link) owned by this user with mode 0700. `tmp` is "/tmp" but for tests.
TRuntimeFolder FindRuntimeFolder(const QString& tmp = QStringLiteral("/tmp"));

enum class TInstanceLock {
    Acquired,      // this is the first instance
    HeldByAnother, // a Karvin of this user runs already
    Unusable,      // the lock cannot be trusted; Problem() says why
};

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit TSingleInstance(const QString& tmp = QStringLiteral("/tmp"));
    ~TSingleInstance() override;

    // Takes the lock. A lock file that is a link, not a plain file or another user's makes
    // the guard Unusable rather than letting a second Karvin start beside the first.
    TInstanceLock Acquire();
    // From the first instance: listens for the requests of later starts; each callback runs
    // from the event loop, after the request has been read and the asker let go. Requests
    // from another user's processes are dropped unread.
    void Listen(std::function<void()> onShowRequest, std::function<void()> onCaptureRequest = {});
    // From a second start: asks the running instance to show its window. False when no
    // Karvin of this user took the request within `timeoutMs`; Problem() says why.
    bool AskRunningToShow(int timeoutMs = 3000);
    // From "karvin trigger": asks the running instance to capture as on its PrintScreen hot
    // key. False when no Karvin of this user took the request within `timeoutMs`; Problem()
    // says why.
    bool AskRunningToCapture(int timeoutMs = 3000);

    // Why the last Acquire or Ask... failed, as a sentence for the user.
    QString Problem() const { return Problem_; }
    QString LockPath() const { return Folder_ + Name_ + ".lock"; }
    QString SocketPath() const { return Folder_ + Name_; }

private:
    bool AskRunning(const QByteArray& request, int timeoutMs);

    QString Folder_; // ending in "/"; empty when the runtime folder cannot be used
    QString Name_;   // "Karvin By Morvane.<uid>"
    QString Problem_;
    int LockFd_ = -1;
    QLocalServer* Server_ = nullptr;
    std::function<void()> OnShowRequest_;
    std::function<void()> OnCaptureRequest_;
};

// One Karvin per user login. The first instance holds an exclusive lock on
// ${XDG_RUNTIME_DIR:-/tmp}/Karvin By Morvane.<uid>.lock for the life of the process and
// listens on a local socket "Karvin By Morvane.<uid>" beside it; a second start finds the lock
// taken and asks the first, through that socket, to bring its window to the front. The same
// socket carries "karvin trigger", which asks the running instance to capture.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>

class QLocalServer;

class TSingleInstance : public QObject {
    Q_OBJECT
public:
    TSingleInstance();
    ~TSingleInstance() override;

    // Takes the lock; false when another process holds it. When the lock file cannot be
    // opened at all the guard is not available and this returns true, so that Karvin still
    // starts.
    bool Acquire();
    // From the first instance: listens for the requests of later starts; each callback runs
    // from the event loop, after the request has been read and the asker let go.
    void Listen(std::function<void()> onShowRequest, std::function<void()> onCaptureRequest = {});
    // From a second start: asks the running instance to show its window. False when no
    // instance answered within `timeoutMs`.
    bool AskRunningToShow(int timeoutMs = 3000);
    // From "karvin trigger": asks the running instance to capture as on its PrintScreen hot
    // key. False when no instance answered within `timeoutMs`.
    bool AskRunningToCapture(int timeoutMs = 3000);

    QString LockPath() const { return Folder_ + Name_ + ".lock"; }
    QString SocketPath() const { return Folder_ + Name_; }

private:
    bool AskRunning(const QByteArray& request, int timeoutMs);

    QString Folder_; // ending in "/"
    QString Name_;   // "Karvin By Morvane.<uid>"
    int LockFd_ = -1;
    QLocalServer* Server_ = nullptr;
    std::function<void()> OnShowRequest_;
    std::function<void()> OnCaptureRequest_;
};

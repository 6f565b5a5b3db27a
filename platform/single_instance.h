// One Karvin per user login. The first instance holds an exclusive lock on
// ${XDG_RUNTIME_DIR:-/tmp}/Karvin By Morvane.<uid>.lock for the life of the process and
// listens on a local socket "Karvin By Morvane.<uid>" beside it; a second start finds the lock
// taken and asks the first, through that socket, to bring its window to the front.
#pragma once

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
    // From the first instance: listens for the second start's request; `onShowRequest` runs
    // on the event loop when it comes.
    void Listen(std::function<void()> onShowRequest);
    // From a second start: asks the running instance to show its window. False when no
    // instance answered within `timeoutMs`.
    bool AskRunningToShow(int timeoutMs = 3000);

    QString LockPath() const { return Folder_ + Name_ + ".lock"; }
    QString SocketPath() const { return Folder_ + Name_; }

private:
    QString Folder_; // ending in "/"
    QString Name_;   // "Karvin By Morvane.<uid>"
    int LockFd_ = -1;
    QLocalServer* Server_ = nullptr;
    std::function<void()> OnShowRequest_;
};

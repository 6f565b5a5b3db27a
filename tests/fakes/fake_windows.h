// Windows a test describes: which is in front, where each is, what it is called. Windows
// added later lie on top of earlier ones.
#pragma once

#include "platform/windows.h"

#include <QStringList>

#include <map>
#include <vector>

struct TFakeWindow {
    QString ClassName; // lower-case, as the real one answers
    QString Title;
    QRect Frame;
    QRect Client;
};

class TFakeWindows : public IWindows {
public:
    std::map<TWindowId, TFakeWindow> Windows; // a window that closes is erased
    TWindowId Foreground = 0;
    // When false, WaitUntilUnmapped reports that the window stayed on the screen.
    bool UnmapsInTime = true;

    std::vector<TWindowId> Activated; // every SetForegroundWindow, in order
    std::vector<TWindowId> Repainted;
    std::vector<TWindowId> WaitedFor;
    // Our own windows taken off the screen and not yet put back; every hiding and showing in
    // order ("hide 7", "show 7").
    std::vector<TWindowId> HiddenOwn;
    QStringList OwnWindowLog;

    TWindowId Add(const TFakeWindow& window); // ids count up from 100

    TWindowId ForegroundWindow() override;
    TWindowId WindowFromPoint(const QPoint& point) override; // 0 where no window is
    QString ClassName(TWindowId window) override;
    QString Title(TWindowId window) override;
    std::optional<QRect> WindowRect(TWindowId window) override;
    std::optional<QRect> ClientRect(TWindowId window) override;
    // Makes an existing window the foreground window at once.
    bool SetForegroundWindow(TWindowId window) override;
    void RepaintWindow(TWindowId window) override;
    bool WaitUntilUnmapped(TWindowId window, int timeoutMs = 1000) override;
    void HideOwnWindow(TWindowId window) override;
    void ShowOwnWindowAgain(TWindowId window) override;

private:
    TWindowId NextId_ = 100;
};

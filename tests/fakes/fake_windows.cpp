#include "tests/fakes/fake_windows.h"

TWindowId TFakeWindows::Add(const TFakeWindow& window) {
    TWindowId id = NextId_++;
    Windows[id] = window;
    return id;
}

TWindowId TFakeWindows::ForegroundWindow() {
    return Windows.count(Foreground) ? Foreground : 0;
}

TWindowId TFakeWindows::WindowFromPoint(const QPoint& point) {
    for (auto it = Windows.rbegin(); it != Windows.rend(); ++it)
        if (it->second.Frame.contains(point))
            return it->first;
    return 0;
}

QString TFakeWindows::ClassName(TWindowId window) {
    auto it = Windows.find(window);
    return it == Windows.end() ? QString() : it->second.ClassName;
}

QString TFakeWindows::Title(TWindowId window) {
    auto it = Windows.find(window);
    return it == Windows.end() ? QString() : it->second.Title;
}

std::optional<QRect> TFakeWindows::WindowRect(TWindowId window) {
    auto it = Windows.find(window);
    return it == Windows.end() ? std::nullopt : std::optional<QRect>(it->second.Frame);
}

std::optional<QRect> TFakeWindows::ClientRect(TWindowId window) {
    auto it = Windows.find(window);
    return it == Windows.end() ? std::nullopt : std::optional<QRect>(it->second.Client);
}

bool TFakeWindows::SetForegroundWindow(TWindowId window) {
    Activated.push_back(window);
    if (!Windows.count(window))
        return false;
    Foreground = window;
    return true;
}

void TFakeWindows::RepaintWindow(TWindowId window) {
    Repainted.push_back(window);
}

bool TFakeWindows::WaitUntilUnmapped(TWindowId window, int) {
    WaitedFor.push_back(window);
    return UnmapsInTime;
}

void TFakeWindows::HideOwnWindow(TWindowId window) {
    HiddenOwn.push_back(window);
    OwnWindowLog << "hide " + QString::number(window);
}

void TFakeWindows::ShowOwnWindowAgain(TWindowId window) {
    std::erase(HiddenOwn, window);
    OwnWindowLog << "show " + QString::number(window);
}

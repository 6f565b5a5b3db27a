#include "capture/capture_rect.h"

#include <optional>

namespace {

QRect OnScreen(IScreen& screen, const std::optional<QRect>& rect) {
    const QRect whole = FullScreenRect(screen);
    return rect ? rect->intersected(whole) : whole;
}

} // namespace

QRect FullScreenRect(IScreen& screen) {
    return QRect(QPoint(0, 0), screen.ScreenSize());
}

QRect ActiveWindowRect(IWindows& windows, IScreen& screen) {
    return OnScreen(screen, windows.WindowRect(windows.ForegroundWindow()));
}

QRect ActiveClientRect(IWindows& windows, IScreen& screen) {
    return OnScreen(screen, windows.ClientRect(windows.ForegroundWindow()));
}

QRect WindowUnderPointerRect(IWindows& windows, IScreen& screen) {
    return OnScreen(screen, windows.ClientRect(windows.WindowFromPoint(screen.PointerPos())));
}

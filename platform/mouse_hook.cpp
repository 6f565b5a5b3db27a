#include "platform/mouse_hook.h"

TPollingMouseHook::TPollingMouseHook(IScreen& screen) : Screen_(screen) {
    Timer_.setInterval(PollIntervalMs);
    // Every tick on time: a coarse timer may stretch the interval and let the picture lag.
    Timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&Timer_, &QTimer::timeout, [this] { Poll(); });
}

bool TPollingMouseHook::MouseHook_Start(std::function<void()> onMove) {
    // Without a screen (no X display) there is no pointer to follow.
    if (Screen_.ScreenSize().isEmpty())
        return false;
    OnMove_ = std::move(onMove);
    // Where the pointer is now counts as known: only a movement from here is reported.
    Position_ = Screen_.PointerPos();
    Timer_.start();
    return true;
}

bool TPollingMouseHook::MouseHook_Stop() {
    const bool running = Timer_.isActive();
    Timer_.stop();
    OnMove_ = nullptr;
    return running;
}

void TPollingMouseHook::Poll() {
    const QPoint position = Screen_.PointerPos();
    if (position == Position_)
        return;
    Position_ = position;
    // The callback may stop the hook; it runs from a copy that outlives that.
    if (auto onMove = OnMove_)
        onMove();
}

// The pointer followed wherever it moves on the screen, over any program's windows: what the
// magnifier needs to keep its picture under the pointer.
//
// X tells a program of pointer motion only over its own windows (short of grabbing the
// pointer, which would take it from the user), so the real hook asks the server for the
// pointer's position about 60 times a second and reports every change.
#pragma once

#include "platform/screen.h"

#include <QPoint>
#include <QTimer>

#include <functional>

class IMouseHook {
public:
    virtual ~IMouseHook() = default;

    // Starts reporting: `onMove` runs on the event loop whenever the pointer has moved, until
    // MouseHook_Stop. False when the pointer cannot be followed; nothing is reported then.
    // One follower at a time: a second start replaces the first one's callback.
    virtual bool MouseHook_Start(std::function<void()> onMove) = 0;
    // Stops reporting; false when nothing was being reported.
    virtual bool MouseHook_Stop() = 0;
    // The pointer's position at its latest movement, in screen coordinates.
    virtual QPoint GetMouseHookStruct() = 0;
};

// Polls IScreen::PointerPos.
class TPollingMouseHook : public IMouseHook {
public:
    static constexpr int PollIntervalMs = 16;

    explicit TPollingMouseHook(IScreen& screen);

    bool MouseHook_Start(std::function<void()> onMove) override;
    bool MouseHook_Stop() override;
    QPoint GetMouseHookStruct() override { return Position_; }

private:
    void Poll();

    IScreen& Screen_;
    QTimer Timer_;
    QPoint Position_;
    std::function<void()> OnMove_;
};

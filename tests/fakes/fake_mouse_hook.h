// A mouse hook the test moves: MoveTo reports a movement at once, even to the same place, as a
// hook that reports every motion event would.
#pragma once

#include "platform/mouse_hook.h"

class TFakeMouseHook : public IMouseHook {
public:
    bool StartSucceeds = true;
    bool StopSucceeds = true;
    bool Running = false;
    QPoint Position;
    int Starts = 0;
    int Stops = 0;

    bool MouseHook_Start(std::function<void()> onMove) override {
        ++Starts;
        if (!StartSucceeds)
            return false;
        Running = true;
        OnMove_ = std::move(onMove);
        return true;
    }
    bool MouseHook_Stop() override {
        ++Stops;
        Running = false;
        OnMove_ = nullptr;
        return StopSucceeds;
    }
    QPoint GetMouseHookStruct() override { return Position; }

    void MoveTo(const QPoint& position) {
        Position = position;
        if (Running && OnMove_)
            OnMove_();
    }

private:
    std::function<void()> OnMove_;
};

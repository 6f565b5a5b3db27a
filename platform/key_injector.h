// Key presses (and turns of the mouse wheel) made on the user's behalf. The server treats them as
// typed on the keyboard: they reach the window that has the keyboard focus, and the global hot keys
// (ours among them) catch them like real ones.
//
// Keys are named by their key code in the layout in use (the X keycode). The layout can
// change at any moment, so key codes are looked up right before they are pressed, never kept.
#pragma once

#include "platform/windows.h"

#include <optional>

// The key that types a character in the current layout, with what must be held for it.
struct TLayoutKey {
    unsigned KeyCode = 0;
    // 0: the key alone; 1: with Shift; 2: with AltGr; 3: with AltGr and Shift.
    int Level = 0;
    bool operator==(const TLayoutKey&) const = default;
};

class IKeyInjector {
public:
    virtual ~IKeyInjector() = default;

    // The key code of a virtual key (platform/virtual_keys.h) in the current layout; 0 when
    // the layout has no such key.
    virtual unsigned KeyCodeOf(unsigned virtualKey) = 0;
    // The key that types the character in the current layout and its group, preferring the
    // one that needs the least held; nullopt when no key types it (a character of another
    // script, a control character other than backspace, tab, return and escape).
    virtual std::optional<TLayoutKey> KeyOfCharacter(char32_t character) = 0;
    // Presses (up false) or releases one key. Key code 0 sends nothing.
    virtual void KeyEvent(unsigned keyCode, bool up) = 0;
    // Turns the mouse wheel by `steps` notches where the pointer is: towards the user
    // (scrolling on, button 5) when positive, away (button 4) when negative. The window under
    // the pointer takes them.
    virtual void WheelSteps(int steps) = 0;
    // Makes the window the foreground window with the keyboard focus, and waits (a second at
    // most) until the focus is there, so that the keys pressed next go to it. False when the
    // window is gone or the focus did not arrive in time.
    virtual bool BringToFront(TWindowId window) = 0;
};

// The real keyboard of the application's X display, through the XTest extension. Without a
// display (the headless tests) or without XTest nothing is sent and no key is found.
class TX11KeyInjector : public IKeyInjector {
public:
    unsigned KeyCodeOf(unsigned virtualKey) override;
    std::optional<TLayoutKey> KeyOfCharacter(char32_t character) override;
    void KeyEvent(unsigned keyCode, bool up) override;
    void WheelSteps(int steps) override;
    bool BringToFront(TWindowId window) override;
};

// A keyboard that writes down what is pressed. Key codes are the virtual keys themselves, and
// the layout is a small US-like one in the same numbering (letters on 0x41..0x5A, "{" as
// Shift on 0xDB), so a log reads like the key language's own names:
// {"+Ctrl", "+C", "-C", "-Ctrl"}.
#pragma once

#include "platform/key_injector.h"

#include <QStringList>

#include <map>

class TRecordingKeyInjector : public IKeyInjector {
public:
    TRecordingKeyInjector();

    // Characters the layout types; tests add or erase entries.
    std::map<char32_t, TLayoutKey> Layout;
    // Every key event, wheel step and window brought to the front, in order: "+Shift" (down),
    // "-Shift" (up), "wheel down", "wheel up", "front 42".
    QStringList Log;
    // When positive, the key event of that number (counting from 1) throws instead of going
    // out, as a keyboard connection that breaks would.
    int FailAtEvent = 0;
    bool FrontSucceeds = true;

    unsigned KeyCodeOf(unsigned virtualKey) override { return virtualKey; }
    std::optional<TLayoutKey> KeyOfCharacter(char32_t character) override;
    void KeyEvent(unsigned keyCode, bool up) override;
    void WheelSteps(int steps) override;
    bool BringToFront(TWindowId window) override;

    // The name of a key code in the log: "Shift", "PrtSc", "F4", "A", "[", or "0x5C".
    static QString KeyName(unsigned keyCode);

private:
    int Events_ = 0;
};

// The key language: a short text naming keys to press on the user's behalf, read from left
// to right.
//
//   a plain character   types itself: its key in the current layout, with the Shift or AltGr
//                       the layout needs for it
//   "@", "^", "~"       hold Alt, Ctrl or Shift for the next key pressed
//   "{NAME}"            a named key ("{PRTSC}", "{F4}", "{ENTER}", "{MENU}" for Alt alone),
//                       or "{ALT}", "{CTRL}", "{SHIFT}", which hold the modifier as above
//
// Names are matched in upper case and are at most seven characters long. A text that is only
// "{" or only "}" types that brace. Timer capture presses PrintScreen with "{PRTSC}".
#pragma once

#include "platform/key_injector.h"

#include <QString>

#include <stdexcept>

// A key text that does not parse: "Invalid token" or "No Closing brackets".
class ESendKeyError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TSendKey {
public:
    explicit TSendKey(IKeyInjector& injector) : Injector_(injector) {}

    // With TokensOnly set, "@", "^" and "~" are plain characters. One setting for every
    // instance, as the modifiers held for the next key are one set for the whole program.
    static bool TokensOnly();
    static void SetTokensOnly(bool tokensOnly);

    // Presses the keys of the text, then handles the pending events once: a hot key that the
    // keys pressed may already run then. Answers -1 for an empty text (nothing pressed), else
    // 0. Throws ESendKeyError for a text that does not parse; the keys before the fault have
    // been pressed, and modifiers held for the next key stay held, for the next text too.
    // Never leaves a key held down, whatever goes wrong.
    int SendKeys(const QString& keyText);
    // The same, after bringing the window (when it is not 0) to the front with the keyboard
    // focus.
    int SendKeysToWindow(const QString& keyText, TWindowId window);

private:
    void PressCharacter(char32_t character);
    void PressKey(unsigned keyCode, unsigned shiftState);
    void KeyEvent(unsigned keyCode, bool up);

    IKeyInjector& Injector_;
};

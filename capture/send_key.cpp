#include "capture/send_key.h"

#include "platform/virtual_keys.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* InvalidToken = "Invalid token";
constexpr const char* NoClosingBrackets = "No Closing brackets";

// A name longer than this cannot be in the table: the text is missing its "}".
constexpr std::size_t LongestToken = 7;

struct TToken {
    const char* Name;
    unsigned VirtualKey;
};

// Searched from the top, the first match wins. "ALT", "CTRL" and "SHIFT" hold their modifier
// for the next key; "MENU" presses Alt by itself.
constexpr std::array<TToken, 38> Tokens{{
    {"CTRL", VkControl}, {"ALT", VkAlt},       {"MENU", VkAlt},       {"SHIFT", VkShift},
    {"SPACE", VkSpace},  {"F1", VkF1},         {"F2", VkF1 + 1},      {"F3", VkF1 + 2},
    {"F4", VkF1 + 3},    {"F5", VkF1 + 4},     {"F6", VkF1 + 5},      {"F7", VkF1 + 6},
    {"F8", VkF1 + 7},    {"F9", VkF1 + 8},     {"F10", VkF1 + 9},     {"F11", VkF1 + 10},
    {"F12", VkF1 + 11},  {"INSERT", VkInsert}, {"DELETE", VkDelete},  {"DEL", VkDelete},
    {"HOME", VkHome},    {"END", VkEnd},       {"PGUP", VkPageUp},    {"PGDN", VkPageDown},
    {"TAB", VkTab},      {"ENTER", VkEnter},   {"BKSP", VkBackspace}, {"PRTSC", VkPrintScreen},
    {"SHIFT", VkShift},  {"ESCAPE", VkEscape}, {"ESC", VkEscape},     {"UP", VkUp},
    {"DOWN", VkDown},    {"LEFT", VkLeft},     {"RIGHT", VkRight},    {"DN", VkDown},
    {"L", VkLeft},       {"R", VkRight},
}};

// Shift states of a key as a layout needs them: bit 0 Shift, bit 1 Ctrl, bit 2 Alt. AltGr is
// Ctrl and Alt together.
constexpr unsigned ShiftStateShift = 1;
constexpr unsigned ShiftStateAltGr = 6;
constexpr unsigned ShiftStateAltGrShift = 7;

constexpr std::array<unsigned, 4> ShiftStateOfLevel{0, ShiftStateShift, ShiftStateAltGr,
                                                    ShiftStateAltGrShift};

// The modifiers held for the next key pressed. One set for the whole program: "^" at the end
// of one text holds Ctrl for the first key of the next, whichever TSendKey sends it.
struct TPendingModifiers {
    bool Alt = false;
    bool Ctrl = false;
    bool Shift = false;
    bool AltGr = false;
};
TPendingModifiers Pending;
bool TokensOnlySetting = false;

// Upper case for ASCII letters only: a name is plain ASCII, and no other character may turn
// into one of its letters (the long s would become "S").
std::string UpperCaseToken(const std::u32string& token) {
    std::string upper;
    for (char32_t character : token) {
        if (character >= U'a' && character <= U'z')
            character -= U'a' - U'A';
        if (character > 0x7F)
            return {}; // matches no name
        upper += char(character);
    }
    return upper;
}

// The name between the "{" at `open` and its "}"; `close` is set to the position of the "}".
std::u32string ReadToken(const std::u32string& text, std::size_t open, std::size_t& close) {
    std::u32string token;
    for (std::size_t i = open + 1;; ++i) {
        if (i >= text.size())
            throw ESendKeyError(NoClosingBrackets);
        if (text[i] == U'}') {
            close = i;
            return token;
        }
        if (token.size() == LongestToken)
            throw ESendKeyError(NoClosingBrackets);
        token += text[i];
    }
}

// The keys pressed and not yet released by one PressKey. Whatever is still down when it ends
// (an injector that failed halfway) is released, last pressed first, and the held modifiers
// are let go, so that no key stays stuck down for the user.
class TKeysDown {
public:
    explicit TKeysDown(std::function<void(unsigned, bool)> keyEvent)
        : KeyEvent_(std::move(keyEvent)) {}
    ~TKeysDown() {
        for (auto key = Down_.rbegin(); key != Down_.rend(); ++key) {
            try {
                KeyEvent_(*key, true);
            } catch (...) {
                // Nothing more can be done for this key; the others still go up.
            }
        }
        Pending = {};
    }
    TKeysDown(const TKeysDown&) = delete;
    TKeysDown& operator=(const TKeysDown&) = delete;

    void Press(unsigned key) {
        KeyEvent_(key, false);
        Down_.push_back(key);
    }
    void Release(unsigned key) {
        KeyEvent_(key, true);
        auto last = std::find(Down_.rbegin(), Down_.rend(), key);
        if (last != Down_.rend())
            Down_.erase(std::next(last).base());
    }

private:
    std::function<void(unsigned, bool)> KeyEvent_;
    std::vector<unsigned> Down_;
};

} // namespace

bool TSendKey::TokensOnly() {
    return TokensOnlySetting;
}

void TSendKey::SetTokensOnly(bool tokensOnly) {
    TokensOnlySetting = tokensOnly;
}

int TSendKey::SendKeysToWindow(const QString& keyText, TWindowId window) {
    if (window != 0)
        Injector_.BringToFront(window);
    return SendKeys(keyText);
}

int TSendKey::SendKeys(const QString& keyText) {
    if (keyText.isEmpty())
        return -1;
    const std::u32string text = keyText.toStdU32String();
    // A brace alone is that brace; anywhere else it belongs to a name.
    const bool oneCharacter = text.size() == 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t character = text[i];
        if (character == U'{' && !oneCharacter) {
            std::u32string token = ReadToken(text, i, i);
            std::string name = UpperCaseToken(token);
            auto entry = std::find_if(Tokens.begin(), Tokens.end(),
                                      [&](const TToken& t) { return name == t.Name; });
            if (entry == Tokens.end())
                throw ESendKeyError(InvalidToken);
            if (name.find("ALT") != std::string::npos)
                Pending.Alt = true;
            else if (name.find("CTRL") != std::string::npos)
                Pending.Ctrl = true;
            else if (name.find("SHIFT") != std::string::npos)
                Pending.Shift = true;
            else
                PressKey(Injector_.KeyCodeOf(entry->VirtualKey), 0);
        } else if (character == U'}' && !oneCharacter) {
            throw ESendKeyError(InvalidToken);
        } else if (character == U'@' && !TokensOnlySetting) {
            Pending.Alt = true;
        } else if (character == U'^' && !TokensOnlySetting) {
            Pending.Ctrl = true;
        } else if (character == U'~' && !TokensOnlySetting) {
            Pending.Shift = true;
        } else {
            PressCharacter(character);
        }
    }
    QCoreApplication::processEvents();
    return 0;
}

void TSendKey::PressCharacter(char32_t character) {
    std::optional<TLayoutKey> key = Injector_.KeyOfCharacter(character);
    if (!key || key->Level < 0 || key->Level > 3) {
        // No key of the layout types it, so nothing is pressed; the modifiers held for it
        // are let go all the same, as after a key.
        Pending = {};
        return;
    }
    PressKey(key->KeyCode, ShiftStateOfLevel[std::size_t(key->Level)]);
}

void TSendKey::PressKey(unsigned keyCode, unsigned shiftState) {
    // What the layout needs for the key joins what the text asked for.
    if (shiftState == ShiftStateAltGr || shiftState == ShiftStateAltGrShift)
        Pending.AltGr = true;
    if (shiftState == ShiftStateAltGrShift)
        Pending.Shift = true;
    const TPendingModifiers held = Pending;
    TKeysDown keys([this](unsigned key, bool up) { KeyEvent(key, up); });

    const unsigned alt = Injector_.KeyCodeOf(VkAlt);
    const unsigned ctrl = Injector_.KeyCodeOf(VkControl);
    const unsigned shift = Injector_.KeyCodeOf(VkShift);
    const unsigned altGr = Injector_.KeyCodeOf(VkAltGr);
    if (held.Alt)
        keys.Press(alt);
    if (held.Ctrl)
        keys.Press(ctrl);
    if (held.Shift)
        keys.Press(shift);
    if (held.AltGr)
        keys.Press(altGr);
    // Shift once more around the key itself. With Shift already held the server takes this
    // press for a repeat; Ctrl held by the text wins over the layout's Shift.
    const bool shiftAroundKey = ((shiftState & ShiftStateShift) && !held.Ctrl) || held.Shift;
    if (shiftAroundKey)
        keys.Press(shift);
    keys.Press(keyCode);
    keys.Release(keyCode);
    if (shiftAroundKey)
        keys.Release(shift);
    if (held.Shift)
        keys.Release(shift);
    if (held.Ctrl)
        keys.Release(ctrl);
    if (held.Alt)
        keys.Release(alt);
    if (held.AltGr)
        keys.Release(altGr);
    // The held modifiers are let go when `keys` ends.
}

// The key's code in the layout is its scan code; X has no extended-key flag to add.
void TSendKey::KeyEvent(unsigned keyCode, bool up) {
    Injector_.KeyEvent(keyCode, up);
}

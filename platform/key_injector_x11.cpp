#include "platform/key_injector.h"

#include "platform/virtual_keys.h"

// Xlib's macros (None, Bool, Status) clash with Qt's names, so X headers come after Qt's.
#include "platform/x11_p.h"
#include <X11/XKBlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

struct TXkbFree {
    void operator()(XkbDescPtr keymap) const {
        XkbFreeKeyboard(keymap, XkbAllComponentsMask, True);
    }
};
using TKeymap = std::unique_ptr<XkbDescRec, TXkbFree>;

// The layout as the server has it now. Xlib keeps a copy of its own, but refreshes it only
// when Xlib itself reads the server's events, and Qt reads them instead: after a layout
// switch that copy would name the wrong keys.
struct TKeyboard {
    TKeymap Keymap;
    int Group = 0; // the group (layout) in use
};

std::optional<TKeyboard> CurrentKeyboard(Display* display) {
    TKeymap keymap(
        XkbGetMap(display, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd));
    if (!keymap || !keymap->map)
        return std::nullopt;
    XkbStateRec state{};
    if (XkbGetState(display, XkbUseCoreKbd, &state) != Success)
        return std::nullopt;
    return TKeyboard{std::move(keymap), state.group};
}

// The group of a key that the keyboard's group selects: a key with fewer groups brings the
// number into its range the way the key says (wrapping by default).
int GroupOfKey(XkbDescPtr keymap, int code, int group) {
    int groups = XkbKeyNumGroups(keymap, code);
    if (groups <= 0)
        return -1;
    if (group < groups)
        return group;
    unsigned char info = XkbKeyGroupInfo(keymap, code);
    switch (XkbOutOfRangeGroupAction(info)) {
    case XkbClampIntoRange:
        return groups - 1;
    case XkbRedirectIntoRange: {
        int redirected = XkbOutOfRangeGroupNumber(info);
        return redirected < groups ? redirected : 0;
    }
    default:
        return group % groups;
    }
}

// The fewest modifiers that select a level of a key type; nullopt when none do. No modifiers
// select level 0.
std::optional<unsigned> ModifiersOfLevel(const XkbKeyTypeRec& type, int level) {
    if (level == 0)
        return 0u;
    std::optional<unsigned> fewest;
    for (int i = 0; i < type.map_count; ++i) {
        const XkbKTMapEntryRec& entry = type.map[i];
        if (!entry.active || entry.level != level)
            continue;
        unsigned mask = entry.mods.mask;
        if (!fewest || std::popcount(mask) < std::popcount(*fewest))
            fewest = mask;
    }
    return fewest;
}

struct TFoundKey {
    KeyCode Code = 0;
    unsigned Modifiers = 0;
};

// The key that carries one of the keysyms in the current group, reached with the least held:
// nothing before Shift before the level-three modifier before both before anything else; the
// lowest key code among equals (the one XKeysymToKeycode would answer). Only keys reached
// with modifiers inside `allowed` count.
std::optional<TFoundKey> FindKey(const TKeyboard& keyboard, const std::vector<KeySym>& keysyms,
                                 unsigned allowed, unsigned levelThree) {
    XkbDescPtr keymap = keyboard.Keymap.get();
    auto cost = [levelThree](unsigned modifiers) {
        unsigned others = modifiers & ~(ShiftMask | levelThree);
        return ((modifiers & ShiftMask) ? 1 : 0) + ((modifiers & levelThree) ? 2 : 0) +
               4 * std::popcount(others);
    };
    std::optional<TFoundKey> best;
    for (int code = keymap->min_key_code; code <= keymap->max_key_code; ++code) {
        int group = GroupOfKey(keymap, code, keyboard.Group);
        if (group < 0)
            continue;
        const XkbKeyTypeRec* type = XkbKeyKeyType(keymap, code, group);
        int width = XkbKeyGroupWidth(keymap, code, group);
        for (int level = 0; level < width; ++level) {
            KeySym keysym = XkbKeySymEntry(keymap, code, level, group);
            if (keysym == NoSymbol ||
                std::find(keysyms.begin(), keysyms.end(), keysym) == keysyms.end())
                continue;
            std::optional<unsigned> modifiers = ModifiersOfLevel(*type, level);
            if (!modifiers || (*modifiers & ~allowed) != 0)
                continue;
            if (!best || cost(*modifiers) < cost(best->Modifiers))
                best = TFoundKey{KeyCode(code), *modifiers};
        }
    }
    return best;
}

// The modifier bit the level-three key sets (AltGr), and that key; 0 and 0 when the layout
// has none.
std::pair<KeyCode, unsigned> LevelThreeKey(const TKeyboard& keyboard) {
    auto key = FindKey(keyboard, {XK_ISO_Level3_Shift}, 0, 0);
    if (!key)
        return {0, 0};
    return {key->Code, keyboard.Keymap->map->modmap[key->Code]};
}

// The keysyms a layout may use for a character. Latin-1 characters are their own keysyms,
// and any other character has the Unicode keysym 0x01000000 + code point; a layout may use
// either. The currency signs have keysyms of their own (the euro sign among them) that are
// their code points too.
std::vector<KeySym> KeysymsOfCharacter(char32_t character) {
    switch (character) {
    case U'\b':
        return {XK_BackSpace};
    case U'\t':
        return {XK_Tab};
    case U'\r':
    case U'\n':
        return {XK_Return};
    case U'\x1b':
        return {XK_Escape};
    default:
        break;
    }
    bool control = character < 0x20 || (character >= 0x7F && character < 0xA0);
    bool surrogate = character >= 0xD800 && character <= 0xDFFF;
    if (control || surrogate || character > 0x10FFFF)
        return {};
    std::vector<KeySym> keysyms{0x01000000 + KeySym(character)};
    if (character < 0x100 || (character >= 0x20A0 && character <= 0x20AC))
        keysyms.push_back(KeySym(character));
    return keysyms;
}

bool HasXTest(Display* display) {
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    return XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor);
}

// Whether the keyboard focus is on the window or inside it.
bool FocusIsIn(Display* display, Window window) {
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(display, &focus, &revertTo);
    Window root = DefaultRootWindow(display);
    // Bounded: a window tree is never this deep, and a vanished window ends the walk early.
    for (int depth = 0; depth < 64 && focus != None && focus != PointerRoot; ++depth) {
        if (focus == window)
            return true;
        if (focus == root)
            return false;
        Window rootReturn = None, parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(display, focus, &rootReturn, &parent, &children, &count))
            return false;
        TXPtr<Window> owned(children);
        focus = parent;
    }
    return false;
}

} // namespace

unsigned TX11KeyInjector::KeyCodeOf(unsigned virtualKey) {
    Display* display = ApplicationDisplay();
    KeySym keysym = KeysymOfVirtualKey(virtualKey);
    if (!display || keysym == 0)
        return 0;
    TX11ErrorGuard guard(display);
    auto keyboard = CurrentKeyboard(display);
    if (!keyboard)
        return 0;
    auto key = FindKey(*keyboard, {keysym}, ~0u, LevelThreeKey(*keyboard).second);
    return key ? key->Code : 0;
}

std::optional<TLayoutKey> TX11KeyInjector::KeyOfCharacter(char32_t character) {
    Display* display = ApplicationDisplay();
    std::vector<KeySym> keysyms = KeysymsOfCharacter(character);
    if (!display || keysyms.empty())
        return std::nullopt;
    TX11ErrorGuard guard(display);
    auto keyboard = CurrentKeyboard(display);
    if (!keyboard)
        return std::nullopt;
    // The third and fourth level count only when the layout has a key that reaches them.
    auto [levelThreeCode, levelThree] = LevelThreeKey(*keyboard);
    unsigned allowed = ShiftMask | (levelThreeCode != 0 ? levelThree : 0);
    auto key = FindKey(*keyboard, keysyms, allowed, levelThree);
    if (!key)
        return std::nullopt;
    int level = ((key->Modifiers & ShiftMask) ? 1 : 0) + ((key->Modifiers & levelThree) ? 2 : 0);
    return TLayoutKey{key->Code, level};
}

void TX11KeyInjector::KeyEvent(unsigned keyCode, bool up) {
    Display* display = ApplicationDisplay();
    if (!display || keyCode == 0 || keyCode > 255)
        return;
    TX11ErrorGuard guard(display);
    if (HasXTest(display))
        XTestFakeKeyEvent(display, keyCode, up ? False : True, CurrentTime);
    // The guard's end sends the event on before the caller goes on.
}

void TX11KeyInjector::WheelSteps(int steps) {
    Display* display = ApplicationDisplay();
    if (!display || steps == 0)
        return;
    TX11ErrorGuard guard(display);
    if (!HasXTest(display))
        return;
    // The wheel is buttons 4 (away) and 5 (towards the user); a notch is a click of one.
    const unsigned button = steps > 0 ? Button5 : Button4;
    for (int step = 0; step < std::abs(steps); ++step) {
        XTestFakeButtonEvent(display, button, True, CurrentTime);
        XTestFakeButtonEvent(display, button, False, CurrentTime);
    }
}

bool TX11KeyInjector::BringToFront(TWindowId window) {
    Display* display = ApplicationDisplay();
    if (!display || window == 0)
        return false;
    if (!TX11Windows().SetForegroundWindow(window))
        return false;
    auto focused = [display, window] {
        TX11ErrorGuard guard(display);
        return FocusIsIn(display, Window(window));
    };
    return WaitUntilDone(focused, 1000);
}

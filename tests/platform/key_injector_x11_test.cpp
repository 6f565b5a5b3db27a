#include "platform/key_injector.h"

#include "platform/virtual_keys.h"

#include "tests/platform/keyboard_layout.h"
#include "tests/platform/x11_helpers.h"

#include <X11/XKBlib.h>
#include <X11/keysym.h>

namespace {

class KeyInjectorX11 : public ::testing::Test {
protected:
    TX11KeyInjector Keyboard;
};

// The keysym a key gives at a level of the first group, as a program that started under the
// layout in use sees it (Xlib keeps the layout it found at its start).
KeySym KeysymAt(unsigned keyCode, int level) {
    TOtherClient other;
    return XkbKeycodeToKeysym(other.Dpy(), KeyCode(keyCode), 0, level);
}

} // namespace

TEST_F(KeyInjectorX11, EveryNamedKeyIsOnTheKeyboard) {
    std::vector<unsigned> keys{VkBackspace, VkTab,    VkEnter,  VkShift,       VkControl,
                               VkAlt,       VkEscape, VkSpace,  VkPageUp,      VkPageDown,
                               VkEnd,       VkHome,   VkLeft,   VkUp,          VkRight,
                               VkDown,      VkInsert, VkDelete, VkPrintScreen, VkAltGr};
    for (unsigned key = VkF1; key <= VkF12; ++key)
        keys.push_back(key);
    for (unsigned key : keys) {
        unsigned code = Keyboard.KeyCodeOf(key);
        ASSERT_NE(code, 0u) << std::hex << key;
        EXPECT_EQ(KeysymAt(code, 0), KeysymOfVirtualKey(key)) << std::hex << key;
    }
    EXPECT_EQ(Keyboard.KeyCodeOf(0x07), 0u);
}

TEST_F(KeyInjectorX11, CharactersFindTheirKeyAndLevelInTheLayoutInUse) {
    struct Case {
        char32_t Character;
        KeySym Keysym;
        int Level; // -1: no key types it
    };
    auto check = [&](const char* layout, std::initializer_list<Case> cases) {
        for (const Case& c : cases) {
            auto key = Keyboard.KeyOfCharacter(c.Character);
            if (c.Level < 0) {
                EXPECT_FALSE(key) << layout << " U+" << std::hex << unsigned(c.Character);
                continue;
            }
            ASSERT_TRUE(key) << layout << " U+" << std::hex << unsigned(c.Character);
            EXPECT_EQ(key->Level, c.Level) << layout << " U+" << std::hex << unsigned(c.Character);
            // Level 1 is the Shift column, 2 and 3 the AltGr ones.
            EXPECT_EQ(KeysymAt(key->KeyCode, key->Level), c.Keysym)
                << layout << " U+" << std::hex << unsigned(c.Character);
        }
    };
    check("us", {{U'a', XK_a, 0},
                 {U'A', XK_A, 1},
                 {U'{', XK_braceleft, 1},
                 {U'7', XK_7, 0},
                 {U'&', XK_ampersand, 1},
                 {U' ', XK_space, 0},
                 {U'\t', XK_Tab, 0},
                 {U'\n', XK_Return, 0},
                 {U'€', 0, -1},
                 {U'☃', 0, -1},
                 {U'\x01', 0, -1}});
    {
        // The keyboard is read afresh: after a switch, keys move and AltGr comes into play.
        TKeyboardLayout german("de");
        check("de", {{U'z', XK_z, 0},
                     {U'Z', XK_Z, 1},
                     {U'ä', XK_adiaeresis, 0},
                     {U'Ä', XK_Adiaeresis, 1},
                     {U'@', XK_at, 2},
                     {U'€', XK_EuroSign, 2},
                     {U'\\', XK_backslash, 2},
                     {U'¿', XK_questiondown, 3}});
        EXPECT_NE(Keyboard.KeyOfCharacter(U'z')->KeyCode, Keyboard.KeyOfCharacter(U'y')->KeyCode);
    }
    EXPECT_FALSE(Keyboard.KeyOfCharacter(U'€'));
}

TEST_F(KeyInjectorX11, BringToFrontGivesTheWindowTheFocus) {
    TOtherClient other;
    Window first = other.CreateWindow(QRect(10, 10, 200, 100), "first", "First", "first");
    Window second = other.CreateWindow(QRect(40, 40, 200, 100), "second", "Second", "second");
    ASSERT_TRUE(other.MapAndWait(first));
    ASSERT_TRUE(other.MapAndWait(second));
    auto focus = [&] {
        Window window = None;
        int revertTo = 0;
        XGetInputFocus(other.Dpy(), &window, &revertTo);
        return window;
    };
    EXPECT_TRUE(Keyboard.BringToFront(first));
    EXPECT_EQ(focus(), first);
    EXPECT_TRUE(Keyboard.BringToFront(second));
    EXPECT_EQ(focus(), second);

    XDestroyWindow(other.Dpy(), first);
    XSync(other.Dpy(), False);
    EXPECT_FALSE(Keyboard.BringToFront(first));
    XDestroyWindow(other.Dpy(), second);
    XSync(other.Dpy(), False);
}

// The key language on a real X server: keys pressed through XTest reach our own hot keys and
// type the right characters into a window, in the layout in use.
#include "capture/send_key.h"

#include "platform/hotkeys.h"

#include <QLineEdit>

#include "tests/platform/keyboard_layout.h"
#include "tests/platform/x11_helpers.h"

#include <X11/XKBlib.h>

#include <algorithm>
#include <vector>

namespace {

class SendKeyX11 : public ::testing::Test {
protected:
    void SetUp() override {
        HotKeys.SetHandler([this](int id) { Pressed.push_back(id); });
    }
    void TearDown() override { TSendKey::SetTokensOnly(false); }

    // Types the text into a line edit of ours that another program's window covers; answers
    // what the line edit holds afterwards.
    QString TypedInto(const QString& keyText) {
        QLineEdit edit;
        edit.setWindowTitle("typing target");
        edit.setGeometry(100, 100, 400, 40);
        edit.show();
        EXPECT_TRUE(WaitUntil([&] { return edit.isActiveWindow(); }));
        Window cover = Other.CreateWindow(QRect(50, 50, 600, 300), "cover", "Cover", "cover");
        EXPECT_TRUE(Other.MapAndWait(cover));
        EXPECT_TRUE(WaitUntil([&] { return !edit.isActiveWindow(); }));

        EXPECT_EQ(Send.SendKeysToWindow(keyText, edit.winId()), 0);
        Settle();
        XDestroyWindow(Other.Dpy(), cover);
        XSync(Other.Dpy(), False);
        return edit.text();
    }

    // No key of the keyboard is down, and no modifier is on.
    void ExpectNothingHeld() {
        char keys[32] = {};
        XQueryKeymap(Other.Dpy(), keys);
        EXPECT_TRUE(std::all_of(std::begin(keys), std::end(keys), [](char k) { return k == 0; }));
        XkbStateRec state{};
        XkbGetState(Other.Dpy(), XkbUseCoreKbd, &state);
        EXPECT_EQ(state.mods, 0);
    }

    TOtherClient Other;
    TX11HotKeys HotKeys;
    std::vector<int> Pressed;
    TX11KeyInjector Keyboard;
    TSendKey Send{Keyboard};
};

} // namespace

TEST_F(SendKeyX11, PrintScreenReachesOurHotKey) {
    ASSERT_TRUE(HotKeys.Register(HotKeyPrintScreen, 0, VkPrintScreen));
    EXPECT_EQ(Send.SendKeys("{PRTSC}"), 0);
    EXPECT_TRUE(WaitUntil([&] { return !Pressed.empty(); }));
    EXPECT_EQ(Pressed, std::vector<int>{HotKeyPrintScreen});
    ExpectNothingHeld();

    // With Ctrl held it is another combination, which nobody grabbed: PrintScreen alone after
    // it arrives, and it alone (key events come in order).
    Pressed.clear();
    Send.SendKeys("^{PRTSC}");
    Send.SendKeys("{PRTSC}");
    EXPECT_TRUE(WaitUntil([&] { return !Pressed.empty(); }));
    EXPECT_EQ(Pressed, std::vector<int>{HotKeyPrintScreen});
    ExpectNothingHeld();
}

TEST_F(SendKeyX11, CharactersArriveAsTyped) {
    EXPECT_EQ(TypedInto(R"(Karvin 2: A+B? (x_y) "Q"!|<>)"), R"(Karvin 2: A+B? (x_y) "Q"!|<>)");
    ExpectNothingHeld();
    // Held modifiers: Shift from "~" makes the capital, twice pressed or not.
    EXPECT_EQ(TypedInto("~ab{SHIFT}c{BKSP}d"), "Abd");
    ExpectNothingHeld();
    TSendKey::SetTokensOnly(true);
    EXPECT_EQ(TypedInto("~^@"), "~^@");
    ExpectNothingHeld();
}

TEST_F(SendKeyX11, CharactersOfTheThirdAndFourthLevelArriveWithAltGr) {
    TKeyboardLayout german("de");
    Settle(); // Qt takes over the new layout
    TSendKey::SetTokensOnly(true);
    EXPECT_EQ(TypedInto(R"(zyäÄ€µ\¿|@)"), R"(zyäÄ€µ\¿|@)");
    ExpectNothingHeld();
}

#include "platform/hotkeys.h"
#include "store/settings.h"

#include <QAbstractNativeEventFilter>

#include "tests/platform/x11_helpers.h"

#include <X11/keysym.h>
#include <xcb/xcb.h>

#include <vector>

namespace {

// Runs an action on every key press it sees.
class TKeyPressFilter : public QAbstractNativeEventFilter {
public:
    explicit TKeyPressFilter(std::function<void()> action) : Action_(std::move(action)) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (type == "xcb_generic_event_t" && (event->response_type & 0x7F) == XCB_KEY_PRESS) {
            Seen = true;
            Action_();
        }
        return false;
    }
    bool Seen = false;

private:
    std::function<void()> Action_;
};

class HotKeysX11 : public ::testing::Test {
protected:
    void SetUp() override {
        HotKeys.SetHandler([this](int id) { Pressed.push_back(id); });
    }
    void TearDown() override {
        // Leave the locks off for the next test, whatever happened.
        if (LockState() & NumLockMask())
            User.PressKeys({XK_Num_Lock});
        if (LockState() & LockMask)
            User.PressKeys({XK_Caps_Lock});
    }

    unsigned LockState() {
        Window root = None, child = None;
        int x = 0, y = 0, wx = 0, wy = 0;
        unsigned mask = 0;
        XQueryPointer(User.Dpy(), User.Root(), &root, &child, &x, &y, &wx, &wy, &mask);
        return mask;
    }
    unsigned NumLockMask() { return Mod2Mask; } // Num_Lock sits on mod2 in Xvfb's keymap

    bool ArrivesAs(int id) {
        return WaitUntil([&] { return !Pressed.empty(); }) && Pressed == std::vector<int>{id};
    }
    // Presses a key of its own after the keys that must not arrive: the server delivers key
    // events in order, so once it has arrived they have been dealt with. True when it alone
    // arrived; Pressed is empty again afterwards.
    static constexpr unsigned WitnessKey = VkF1 + 11; // Shift+F12
    bool OnlyTheWitnessArrives() {
        if (!HotKeys.Register(HotKeyZoomClose, ModShift, WitnessKey))
            return false;
        User.PressKeys({XK_Shift_L, XK_F12});
        const bool alone = ArrivesAs(HotKeyZoomClose);
        HotKeys.Unregister(HotKeyZoomClose);
        Pressed.clear();
        return alone;
    }

    TOtherClient User;
    TX11HotKeys HotKeys;
    std::vector<int> Pressed;
};

} // namespace

TEST_F(HotKeysX11, PrintScreenArrivesWithItsId) {
    ASSERT_TRUE(HotKeys.Register(HotKeyPrintScreen, 0, VkPrintScreen));
    EXPECT_TRUE(HotKeys.IsRegistered(HotKeyPrintScreen));
    User.PressKeys({XK_Print});
    EXPECT_TRUE(ArrivesAs(HotKeyPrintScreen));
}

TEST_F(HotKeysX11, UserCombinationArrivesOnlyWithItsModifiers) {
    // The default combination: Ctrl+Alt+P.
    ASSERT_TRUE(HotKeys.Register(HotKeyUser, ModControl | ModAlt, unsigned(HotKeyVirtualKey(27))));
    User.PressKeys({XK_p});
    User.PressKeys({XK_Control_L, XK_p});
    User.PressKeys({XK_Control_L, XK_Alt_L, XK_Shift_L, XK_p});
    EXPECT_TRUE(OnlyTheWitnessArrives());
    User.PressKeys({XK_Control_L, XK_Alt_L, XK_p});
    EXPECT_TRUE(ArrivesAs(HotKeyUser));
}

TEST_F(HotKeysX11, LocksOnDoNotBlockTheKeys) {
    ASSERT_TRUE(HotKeys.Register(HotKeyPrintScreen, 0, VkPrintScreen));
    ASSERT_TRUE(HotKeys.Register(HotKeyUser, ModShift, VkF1 + 8)); // Shift+F9
    User.PressKeys({XK_Num_Lock});
    ASSERT_TRUE(LockState() & NumLockMask());
    User.PressKeys({XK_Print});
    EXPECT_TRUE(ArrivesAs(HotKeyPrintScreen));

    Pressed.clear();
    User.PressKeys({XK_Caps_Lock});
    ASSERT_TRUE(LockState() & LockMask);
    User.PressKeys({XK_Shift_L, XK_F9});
    EXPECT_TRUE(ArrivesAs(HotKeyUser));
}

TEST_F(HotKeysX11, KeyHeldByAnotherProgramIsRefusedAndLeftToIt) {
    TOtherClient other;
    ASSERT_TRUE(other.GrabKey(XK_F5, ControlMask));
    EXPECT_FALSE(HotKeys.Register(HotKeyUser, ModControl, VkF1 + 4));
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyUser));
    // The other hot key still works.
    ASSERT_TRUE(HotKeys.Register(HotKeyPrintScreen, 0, VkPrintScreen));
    User.PressKeys({XK_Print});
    EXPECT_TRUE(ArrivesAs(HotKeyPrintScreen));

    other.UngrabKey(XK_F5, ControlMask);
    EXPECT_TRUE(HotKeys.Register(HotKeyUser, ModControl, VkF1 + 4));
}

TEST_F(HotKeysX11, RefusalOfOneLockVariantGivesBackTheOthers) {
    // Another program holds only Ctrl+F6 with NumLock on. Our grab of that variant fails, and
    // the variants we did get must not stay grabbed.
    TOtherClient other;
    ASSERT_TRUE(other.GrabKey(XK_F6, ControlMask | Mod2Mask));
    EXPECT_FALSE(HotKeys.Register(HotKeyUser, ModControl, VkF1 + 5));
    TOtherClient third;
    EXPECT_TRUE(third.GrabKey(XK_F6, ControlMask));
    EXPECT_TRUE(third.GrabKey(XK_F6, ControlMask | LockMask));
}

TEST_F(HotKeysX11, UnregisteredKeyIsSilentAndFreeForOthers) {
    // (Alt+F4 itself is the window manager's here: it closes windows.)
    ASSERT_TRUE(HotKeys.Register(HotKeyZoomClose, ModAlt, VkF1 + 2));
    HotKeys.Unregister(HotKeyZoomClose);
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyZoomClose));
    User.PressKeys({XK_Alt_L, XK_F3});
    EXPECT_TRUE(OnlyTheWitnessArrives());
    TOtherClient other;
    for (unsigned locks :
         {0u, unsigned(LockMask), unsigned(Mod2Mask), unsigned(LockMask | Mod2Mask)})
        EXPECT_TRUE(other.GrabKey(XK_F3, Mod1Mask | locks)) << locks;
    HotKeys.Unregister(HotKeyZoomClose); // twice is harmless
}

TEST_F(HotKeysX11, RegisteringAnIdAgainMovesItToTheNewKey) {
    ASSERT_TRUE(HotKeys.Register(HotKeyUser, ModControl | ModAlt, VkA + 15)); // Ctrl+Alt+P
    ASSERT_TRUE(HotKeys.Register(HotKeyUser, ModControl | ModAlt, VkA + 16)); // Ctrl+Alt+Q
    User.PressKeys({XK_Control_L, XK_Alt_L, XK_p});
    EXPECT_TRUE(OnlyTheWitnessArrives());
    User.PressKeys({XK_Control_L, XK_Alt_L, XK_q});
    EXPECT_TRUE(ArrivesAs(HotKeyUser));
}

TEST_F(HotKeysX11, OneCombinationCannotServeTwoIds) {
    ASSERT_TRUE(HotKeys.Register(HotKeyPrintScreen, 0, VkPrintScreen));
    EXPECT_FALSE(HotKeys.Register(HotKeyUser, 0, VkPrintScreen));
    EXPECT_TRUE(HotKeys.IsRegistered(HotKeyPrintScreen));
}

TEST_F(HotKeysX11, KeysOutsideTheTableAreRefused) {
    EXPECT_FALSE(HotKeys.Register(HotKeyUser, ModControl, 0x20)); // space: not a hot-key key
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyUser));
}

TEST_F(HotKeysX11, PressWaitingWhileItsIdWasUnregisteredIsDropped) {
    // Native filters see events in the reverse order of installation, so this one sees the
    // press right after the hot keys have queued it, and releases the id as a capture that
    // started meanwhile would.
    TX11HotKeys* hotKeys = nullptr;
    TKeyPressFilter filter([&] { hotKeys->Unregister(HotKeyPrintScreen); });
    QCoreApplication::instance()->installNativeEventFilter(&filter);
    TX11HotKeys local;
    hotKeys = &local;
    local.SetHandler([this](int id) { Pressed.push_back(id); });
    ASSERT_TRUE(local.Register(HotKeyPrintScreen, 0, VkPrintScreen));
    User.PressKeys({XK_Print});
    EXPECT_TRUE(WaitUntil([&] { return filter.Seen; }));
    // A later key that arrives shows that the dropped press has been dealt with.
    ASSERT_TRUE(local.Register(HotKeyUser, ModShift, WitnessKey));
    User.PressKeys({XK_Shift_L, XK_F12});
    EXPECT_TRUE(WaitUntil([&] { return !Pressed.empty(); }));
    EXPECT_EQ(Pressed, std::vector<int>{HotKeyUser});
    QCoreApplication::instance()->removeNativeEventFilter(&filter);
}

TEST_F(HotKeysX11, DestroyingTheHotKeysReleasesTheGrabs) {
    {
        TX11HotKeys hotKeys;
        ASSERT_TRUE(hotKeys.Register(HotKeyPrintScreen, 0, VkPrintScreen));
    }
    TOtherClient other;
    EXPECT_TRUE(other.GrabKey(XK_Print, 0));
    EXPECT_TRUE(other.GrabKey(XK_Print, Mod2Mask));
}

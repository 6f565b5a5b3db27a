#include "platform/hotkeys.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

TEST(HotKeyVirtualKey, StoredKeyNumbersGiveFunctionKeysThenLettersThenZ) {
    struct Case {
        int Stored;
        unsigned Key;
    };
    for (Case c : {Case{0, 0x70}, Case{11, 0x7B}, Case{12, 0x41}, Case{27, 0x50}, Case{36, 0x59},
                   Case{37, 0x5A}, Case{38, 0x5A}, Case{-1, 0x5A}, Case{1000, 0x5A}}) {
        EXPECT_EQ(HotKeyVirtualKey(c.Stored), c.Key) << c.Stored;
    }
}

TEST(VirtualKeyToKeysym, MapsTheHotKeyKeysAndNothingElse) {
    struct Case {
        unsigned Key;
        unsigned long Keysym;
    };
    for (Case c : {Case{VkPrintScreen, XK_Print}, Case{VkF1, XK_F1}, Case{VkF4, XK_F4},
                   Case{VkF12, XK_F12}, Case{VkA, XK_a}, Case{0x50, XK_p}, Case{VkZ, XK_z},
                   Case{0x20, 0}, Case{0x6F, 0}, Case{0x7C, 0}, Case{0x40, 0}, Case{0x5B, 0}}) {
        EXPECT_EQ(VirtualKeyToKeysym(c.Key), c.Keysym) << std::hex << c.Key;
    }
}

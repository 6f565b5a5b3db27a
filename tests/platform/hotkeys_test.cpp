#include "platform/hotkeys.h"

#include <gtest/gtest.h>

#include <X11/keysym.h>

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

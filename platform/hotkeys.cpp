#include "platform/hotkeys.h"

#include <X11/keysym.h>

unsigned HotKeyVirtualKey(int hotKeyKey) {
    if (hotKeyKey >= 0 && hotKeyKey <= 11)
        return VkF1 + unsigned(hotKeyKey);
    if (hotKeyKey >= 12 && hotKeyKey <= 36)
        return VkA + unsigned(hotKeyKey - 12);
    return VkZ;
}

unsigned long VirtualKeyToKeysym(unsigned virtualKey) {
    if (virtualKey == VkPrintScreen)
        return XK_Print;
    if (virtualKey >= VkF1 && virtualKey <= VkF12)
        return XK_F1 + (virtualKey - VkF1);
    if (virtualKey >= VkA && virtualKey <= VkZ)
        return XK_a + (virtualKey - VkA);
    return 0;
}

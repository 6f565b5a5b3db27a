#include "platform/hotkeys.h"

#include <X11/keysym.h>

unsigned long VirtualKeyToKeysym(unsigned virtualKey) {
    if (virtualKey == VkPrintScreen)
        return XK_Print;
    if (virtualKey >= VkF1 && virtualKey <= VkF12)
        return XK_F1 + (virtualKey - VkF1);
    if (virtualKey >= VkA && virtualKey <= VkZ)
        return XK_a + (virtualKey - VkA);
    return 0;
}

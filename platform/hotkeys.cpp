#include "platform/hotkeys.h"

unsigned long VirtualKeyToKeysym(unsigned virtualKey) {
    bool hotKeyKey = virtualKey == VkPrintScreen || virtualKey == VkEscape ||
                     (virtualKey >= VkF1 && virtualKey <= VkF12) ||
                     (virtualKey >= VkA && virtualKey <= VkZ);
    return hotKeyKey ? KeysymOfVirtualKey(virtualKey) : 0;
}

#include "platform/virtual_keys.h"

#include <X11/keysym.h>

unsigned long KeysymOfVirtualKey(unsigned virtualKey) {
    if (virtualKey >= VkA && virtualKey <= VkZ)
        return XK_a + (virtualKey - VkA);
    if (virtualKey >= VkF1 && virtualKey <= VkF12)
        return XK_F1 + (virtualKey - VkF1);
    switch (virtualKey) {
    case VkBackspace:
        return XK_BackSpace;
    case VkTab:
        return XK_Tab;
    case VkEnter:
        return XK_Return;
    case VkShift:
        return XK_Shift_L;
    case VkControl:
        return XK_Control_L;
    case VkAlt:
        return XK_Alt_L;
    case VkEscape:
        return XK_Escape;
    case VkSpace:
        return XK_space;
    case VkPageUp:
        return XK_Page_Up;
    case VkPageDown:
        return XK_Page_Down;
    case VkEnd:
        return XK_End;
    case VkHome:
        return XK_Home;
    case VkLeft:
        return XK_Left;
    case VkUp:
        return XK_Up;
    case VkRight:
        return XK_Right;
    case VkDown:
        return XK_Down;
    case VkPrintScreen:
        return XK_Print;
    case VkInsert:
        return XK_Insert;
    case VkDelete:
        return XK_Delete;
    case VkAltGr:
        return XK_ISO_Level3_Shift;
    default:
        return 0;
    }
}

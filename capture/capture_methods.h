// The rules that depend on the capture method alone (the methods are named next to the
// settings record, store/settings.h).
#pragma once

#include "store/settings.h"

// The three console methods take their pictures from the clipboard, never on the hot key.
bool IsConsoleMethod(int method);

// Whether timer capture may not run the method: those that wait for the user (pointing,
// dragging, a second press) and the page-by-page capture; repeating the stored rectangle only
// once one is stored.
bool RefusedUnderTimerCapture(int method, bool repeatRectangleStored);

// Whether timer capture can be switched on with the method: those that need nothing of the
// user (full screen, the active window and its client area, the stored rectangle again).
bool AllowedUnderTimerCapture(int method);

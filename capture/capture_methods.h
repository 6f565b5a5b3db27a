// The capture methods and the capture-and-print choices by the numbers the settings keep
// (CapSelection, PrintSelection), and the rules that depend on the method alone.
#pragma once

enum TCaptureMethod : int {
    cmFullScreen = 0,
    cmActiveWindow = 1,
    cmActiveWindowClientArea = 2,
    cmMouseSelectedRegion = 3,
    cmUserRectangle = 4,
    cmUserRectangleWithRepeat = 5,
    cmUserCircle = 6,
    cmUserCircleWithRepeat = 7,
    cmConsoleTextAsGraphic = 8,
    cmConsoleTextAsTextFile = 9,
    cmConsoleGraphicsOnly = 10,
    cmZoom = 11,
    cmDurIdozezed = 12,
};

enum TPrintSelection : int {
    psPrintAndCapture = 0,
    psPrintOnly = 1,
    psCaptureOnly = 2,
};

// The three console methods take their pictures from the clipboard, never on the hot key.
bool IsConsoleMethod(int method);

// Whether timer capture may not run the method: those that wait for the user (pointing,
// dragging, a second press) and the page-by-page capture; repeating the stored rectangle only
// once one is stored.
bool RefusedUnderTimerCapture(int method, bool repeatRectangleStored);

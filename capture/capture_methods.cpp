#include "capture/capture_methods.h"

bool IsConsoleMethod(int method) {
    return method == cmConsoleTextAsGraphic || method == cmConsoleTextAsTextFile ||
           method == cmConsoleGraphicsOnly;
}

bool RefusedUnderTimerCapture(int method, bool repeatRectangleStored) {
    switch (method) {
    case cmMouseSelectedRegion:
    case cmUserRectangle:
    case cmUserCircle:
    case cmUserCircleWithRepeat:
    case cmZoom:
    case cmDurIdozezed:
        return true;
    case cmUserRectangleWithRepeat:
        return !repeatRectangleStored;
    default:
        return false;
    }
}

bool AllowedUnderTimerCapture(int method) {
    return method == cmFullScreen || method == cmActiveWindow ||
           method == cmActiveWindowClientArea || method == cmUserRectangleWithRepeat;
}

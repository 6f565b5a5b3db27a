#include "capture/capture_methods.h"

#include <gtest/gtest.h>

TEST(CaptureMethods, ConsoleMethodsAndTheRefusalsOfTimerCapture) {
    struct TCase {
        int Method;
        bool Console;
        bool RefusedWithoutRectangle;
        bool RefusedWithRectangle;
    };
    const TCase cases[] = {
        {cmFullScreen, false, false, false},
        {cmActiveWindow, false, false, false},
        {cmActiveWindowClientArea, false, false, false},
        {cmMouseSelectedRegion, false, true, true},
        {cmUserRectangle, false, true, true},
        {cmUserRectangleWithRepeat, false, true, false},
        {cmUserCircle, false, true, true},
        {cmUserCircleWithRepeat, false, true, true},
        {cmConsoleTextAsGraphic, true, false, false},
        {cmConsoleTextAsTextFile, true, false, false},
        {cmConsoleGraphicsOnly, true, false, false},
        {cmZoom, false, true, true},
        {cmDurIdozezed, false, true, true},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(IsConsoleMethod(c.Method), c.Console) << c.Method;
        EXPECT_EQ(RefusedUnderTimerCapture(c.Method, false), c.RefusedWithoutRectangle) << c.Method;
        EXPECT_EQ(RefusedUnderTimerCapture(c.Method, true), c.RefusedWithRectangle) << c.Method;
    }
}

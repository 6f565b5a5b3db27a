#include "capture/capture_methods.h"

#include <gtest/gtest.h>

TEST(CaptureMethods, ConsoleMethodsAndTheRefusalsOfTimerCapture) {
    struct TCase {
        int Method;
        bool Console;
        bool RefusedWithoutRectangle;
        bool RefusedWithRectangle;
        bool TimerCanStart;
    };
    const TCase cases[] = {
        {cmFullScreen, false, false, false, true},
        {cmActiveWindow, false, false, false, true},
        {cmActiveWindowClientArea, false, false, false, true},
        {cmMouseSelectedRegion, false, true, true, false},
        {cmUserRectangle, false, true, true, false},
        {cmUserRectangleWithRepeat, false, true, false, true},
        {cmUserCircle, false, true, true, false},
        {cmUserCircleWithRepeat, false, true, true, false},
        {cmConsoleTextAsGraphic, true, false, false, false},
        {cmConsoleTextAsTextFile, true, false, false, false},
        {cmConsoleGraphicsOnly, true, false, false, false},
        {cmZoom, false, true, true, false},
        {cmDurIdozezed, false, true, true, false},
        {13, false, false, false, false},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(IsConsoleMethod(c.Method), c.Console) << c.Method;
        EXPECT_EQ(AllowedUnderTimerCapture(c.Method), c.TimerCanStart) << c.Method;
        EXPECT_EQ(RefusedUnderTimerCapture(c.Method, false), c.RefusedWithoutRectangle) << c.Method;
        EXPECT_EQ(RefusedUnderTimerCapture(c.Method, true), c.RefusedWithRectangle) << c.Method;
    }
}

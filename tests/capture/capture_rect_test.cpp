#include "capture/capture_rect.h"

#include "tests/fakes/fake_screen.h"
#include "tests/fakes/fake_windows.h"

#include <gtest/gtest.h>

namespace {

class CaptureRect : public ::testing::Test {
protected:
    TWindowId Show(const QRect& frame, const QRect& client) {
        TWindowId id = Windows.Add({"editor", "Editor", frame, client});
        Windows.Foreground = id;
        return id;
    }

    TFakeScreen Screen{800, 600};
    TFakeWindows Windows;
};

} // namespace

TEST_F(CaptureRect, WindowRectanglesAreCutToTheScreen) {
    struct TCase {
        const char* Name;
        QRect Frame, Client;
        QRect WindowExpected, ClientExpected;
    };
    const TCase cases[] = {
        {"inside",
         {100, 50, 300, 200},
         {104, 74, 292, 172},
         {100, 50, 300, 200},
         {104, 74, 292, 172}},
        {"past the left and top",
         {-20, -30, 300, 200},
         {-16, -6, 292, 172},
         {0, 0, 280, 170},
         {0, 0, 276, 166}},
        {"past the right and bottom",
         {700, 500, 300, 200},
         {704, 524, 292, 172},
         {700, 500, 100, 100},
         {704, 524, 96, 76}},
        {"off the screen", {900, 100, 300, 200}, {904, 124, 292, 172}, {}, {}},
    };
    for (const TCase& c : cases) {
        Show(c.Frame, c.Client);
        EXPECT_EQ(ActiveWindowRect(Windows, Screen), c.WindowExpected) << c.Name;
        EXPECT_EQ(ActiveClientRect(Windows, Screen), c.ClientExpected) << c.Name;
    }
}

TEST_F(CaptureRect, WholeScreenWhenTheWindowCannotBeRead) {
    // No window in front, or the one in front closed after the hot key.
    Windows.Foreground = 0;
    EXPECT_EQ(ActiveWindowRect(Windows, Screen), QRect(0, 0, 800, 600));
    EXPECT_EQ(ActiveClientRect(Windows, Screen), QRect(0, 0, 800, 600));
    TWindowId gone = Show({10, 10, 100, 100}, {12, 30, 96, 78});
    Windows.Windows.erase(gone);
    EXPECT_EQ(ActiveWindowRect(Windows, Screen), QRect(0, 0, 800, 600));
    EXPECT_EQ(ActiveClientRect(Windows, Screen), QRect(0, 0, 800, 600));
    EXPECT_EQ(FullScreenRect(Screen), QRect(0, 0, 800, 600));
}

TEST_F(CaptureRect, UnderThePointerIsTheClientAreaOfThatWindowWhateverIsInFront) {
    Show({100, 100, 400, 300}, {104, 124, 392, 272});
    Windows.Add({"chromium", "Page - Chromium", {300, 200, 400, 300}, {300, 230, 400, 270}});
    Windows.Foreground = Windows.Add({"firefox", "Page", {0, 0, 50, 50}, {0, 20, 50, 30}});

    Screen.Pointer = QPoint(350, 250); // in the browser, which lies over the editor
    EXPECT_EQ(WindowUnderPointerRect(Windows, Screen), QRect(300, 230, 400, 270));
    Screen.Pointer = QPoint(150, 150);
    EXPECT_EQ(WindowUnderPointerRect(Windows, Screen), QRect(104, 124, 392, 272));
    Screen.Pointer = QPoint(790, 20); // the desktop
    EXPECT_EQ(WindowUnderPointerRect(Windows, Screen), QRect(0, 0, 800, 600));
}

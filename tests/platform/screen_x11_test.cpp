#include "platform/screen.h"

#include "tests/platform/x11_helpers.h"

namespace {

void ExpectSamePixels(const TDibGraphic& actual, const TDibGraphic& expected, int offsetX = 0,
                      int offsetY = 0) {
    ASSERT_EQ(actual.ImageFormat(), ifTrueColor);
    int mismatches = 0;
    for (int y = 0; y < actual.Height(); ++y)
        for (int x = 0; x < actual.Width(); ++x)
            if (actual.Pixel(x, y) != expected.Pixel(x + offsetX, y + offsetY) && ++mismatches <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << actual.Pixel(x, y)
                              << " instead of " << expected.Pixel(x + offsetX, y + offsetY);
    EXPECT_EQ(mismatches, 0);
}

// A window of known pixels that no window manager moves or frames.
class ScreenX11 : public ::testing::Test {
protected:
    void Show(const QRect& where) {
        Pattern = TestPattern(where.width(), where.height());
        Window window = Other.CreateWindow(where, "pattern", "Pattern", "pattern", true);
        Other.MapAndWait(window, false);
        Other.Paint(window, Pattern);
    }

    TOtherClient Other;
    TDibGraphic Pattern;
    TX11Screen Screen;
};

} // namespace

TEST_F(ScreenX11, GrabEqualsThePaintedPixelsThroughBothPaths) {
    Show(QRect(100, 50, 301, 203));
    for (bool sharedMemory : {true, false}) {
        Screen.SetUseSharedMemory(sharedMemory);
        TDibGraphic grab = Screen.GrabScreenRect(QRect(100, 50, 301, 203));
        ASSERT_EQ(grab.Width(), 301) << sharedMemory;
        ASSERT_EQ(grab.Height(), 203) << sharedMemory;
        ExpectSamePixels(grab, Pattern);
        // An inner rectangle starts at its own corner.
        TDibGraphic inner = Screen.GrabScreenRect(QRect(117, 61, 40, 30));
        ASSERT_EQ(inner.Width(), 40);
        ExpectSamePixels(inner, Pattern, 17, 11);
    }
}

TEST_F(ScreenX11, RectanglesPartlyOffTheScreenAreClippedToIt) {
    QSize size = Screen.ScreenSize();
    Show(QRect(size.width() - 60, size.height() - 40, 60, 40));
    struct Case {
        QRect Asked;
        QRect Expected; // empty: an empty image
    };
    for (const Case& c : {
             Case{QRect(size.width() - 60, size.height() - 40, 200, 100),
                  QRect(size.width() - 60, size.height() - 40, 60, 40)},
             Case{QRect(-30, -20, 50, 40), QRect(0, 0, 20, 20)},
             Case{QRect(size.width(), 0, 10, 10), QRect()},
             Case{QRect(-50, -50, 10, 10), QRect()},
             Case{QRect(10, 10, 0, 5), QRect()},
         }) {
        TDibGraphic grab = Screen.GrabScreenRect(c.Asked);
        EXPECT_EQ(grab.Width(), c.Expected.width()) << c.Asked.x() << "," << c.Asked.y();
        EXPECT_EQ(grab.Height(), c.Expected.height()) << c.Asked.x() << "," << c.Asked.y();
    }
    TDibGraphic corner =
        Screen.GrabScreenRect(QRect(size.width() - 60, size.height() - 40, 500, 500));
    ExpectSamePixels(corner, Pattern);
}

TEST_F(ScreenX11, ScreenFactsComeFromTheServer) {
    // with-xvfb runs a 1280x1024 screen of 24 bits; Xvfb reports 100 dots per inch.
    EXPECT_EQ(Screen.ScreenSize(), QSize(1280, 1024));
    EXPECT_EQ(Screen.ScreenColorCount(), 16777216u);
    EXPECT_EQ(Screen.ScreenDpi(), 100);
}

TEST_F(ScreenX11, PointerPositionFollowsThePointer) {
    for (QPoint where : {QPoint(0, 0), QPoint(321, 456), QPoint(1279, 1023)}) {
        XWarpPointer(Other.Dpy(), None, Other.Root(), 0, 0, 0, 0, where.x(), where.y());
        XSync(Other.Dpy(), False);
        EXPECT_EQ(Screen.PointerPos(), where);
    }
}

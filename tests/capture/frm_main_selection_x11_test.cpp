// The selection methods end to end on a real X server with a window manager: the user presses
// PrintScreen and drags through XTest over a known picture of the screen, and the stored files
// hold exactly what each method takes.
#include "capture/capture_methods.h"
#include "imaging/format_registry.h"
#include "platform/dib_qimage.h"
#include "platform/screen.h"
#include "tests/capture/selection_test_support.h"

#include <QApplication>
#include <QTimer>

// Xlib's macros clash with Qt's names: X headers come last.
#include "tests/capture/main_window_x11_fixture.h"
#include "tests/capture/selection_x11_support.h"

#include <X11/keysym.h>

using namespace selection_test;

namespace {

class SelectionCaptureX11 : public TMainWindowX11<TQtDialogs> {
protected:
    void SetUp() override {
        TWorkFolderTest::SetUp();
        EnsureWorkFolder();
        Picture = PatternPicture(1280, 1024);
        ShowPicture(User, Picture);
        PutCaptureSettings(cmFullScreen);
        Main = StartMain();
        // Left in the tray, as a start with the window hidden leaves it, so that the other
        // program's windows stay in front.
        Main->ShowTimer()->stop();
    }
    void TearDown() override {
        Main.reset();
        TWorkFolderTest::TearDown();
    }

    void Choose(int method) { WriteSetting(sfCapSelection, method); }
    // The user's steps, the PrintScreen press among them; true once the capture is stored.
    bool Captures(TScriptedUser& user, const std::string& file) {
        user.Start(100);
        return WaitUntil([&] { return user.Done() && FileExists((Work() / file).string()); },
                         15000);
    }
    QImage Stored(const std::string& name) const {
        return DibToQImage(LoadImageFile((Work() / name).string()))
            .convertToFormat(QImage::Format_RGB32);
    }
    QImage Inside(const QRect& rect) const { return Picture.copy(rect.adjusted(1, 1, -1, -1)); }
    void ExpectNoTrace() {
        Settle(300);
        ExpectSameImage(ScreenShows(Screen, Picture.rect()), Picture, "screen afterwards");
    }

    std::unique_ptr<TfrmMainDriver> Main;
    QImage Picture;
};

} // namespace

TEST_F(SelectionCaptureX11, RectanglesAndEllipsesDrawnAndRepeatedShareTheStoredArea) {
    const QRect rect(100, 100, 400, 300);
    Choose(cmUserRectangle);
    TScriptedUser drawRectangle(User);
    drawRectangle.Key(XK_Print)
        .Then([] {}, 500)
        .MoveTo({500, 400})
        .Button(true)
        .MoveTo({300, 250})
        .MoveTo({100, 100})
        .Button(false);
    ASSERT_TRUE(Captures(drawRectangle, "pic1.bmp"));
    EXPECT_EQ(Read("repeat.dat"), "100\r\n100\r\n500\r\n400\r\n");
    ExpectSameImage(Stored("pic1.bmp"), Inside(rect), "rectangle");
    ExpectNoTrace();

    Choose(cmUserCircleWithRepeat);
    TScriptedUser press(User);
    press.Key(XK_Print);
    ASSERT_TRUE(Captures(press, "pic2.bmp"));
    ExpectSameImage(Stored("pic2.bmp"),
                    ExpectedEllipseImage(Picture, rect, false).copy(1, 1, 398, 298),
                    "ellipse of the rectangle");

    const QRect box(300, 200, 251, 180);
    Choose(cmUserCircle);
    TScriptedUser drawEllipse(User);
    drawEllipse.Key(XK_Print)
        .Then([] {}, 500)
        .MoveTo({551, 380})
        .Button(true)
        .MoveTo({700, 700})
        .MoveTo({300, 200})
        .Button(false);
    ASSERT_TRUE(Captures(drawEllipse, "pic3.bmp"));
    EXPECT_EQ(Read("repeat.dat"), "300\r\n200\r\n551\r\n380\r\n");
    ExpectSameImage(Stored("pic3.bmp"), ExpectedEllipseImage(Picture, box), "ellipse");
    ExpectNoTrace();

    Choose(cmUserRectangleWithRepeat);
    TScriptedUser again(User);
    again.Key(XK_Print);
    ASSERT_TRUE(Captures(again, "pic4.bmp"));
    ExpectSameImage(Stored("pic4.bmp"), Inside(box), "rectangle of the ellipse");
    EXPECT_EQ(Main->Paths().size(), 4);
}

TEST_F(SelectionCaptureX11, TwoPressesTakeTheClientAreaOfTheWindowPointedAt) {
    // Another program's window, as the window manager would have marked it.
    const QRect client(200, 150, 400, 300);
    Window target = ShowPicture(User, Picture.copy(client).mirrored(), client.topLeft());
    const long normalState[2] = {1, 0};
    User.SetProperty(target, "WM_STATE", "WM_STATE", 32, normalState, 2);
    const QImage shown = Picture.copy(client).mirrored();
    Choose(cmMouseSelectedRegion);

    TScriptedUser first(User);
    first.MoveTo(client.center()).Key(XK_Print).Start(100);
    // Within a tick of the timer the area shows inverted, all but a margin of 2 pixels.
    QImage highlighted = shown;
    for (int y = 2; y < client.height() - 2; ++y)
        for (int x = 2; x < client.width() - 2; ++x)
            highlighted.setPixel(x, y, Inverted(highlighted.pixel(x, y)));
    EXPECT_TRUE(
        WaitUntil([&] { return SamePixels(ScreenShows(Screen, client), highlighted); }, 3000));
    EXPECT_TRUE(Main->Paths().isEmpty());

    TScriptedUser second(User);
    second.Key(XK_Print);
    ASSERT_TRUE(Captures(second, "pic1.bmp"));
    ExpectSameImage(Stored("pic1.bmp"), shown, "client area");
    Settle(300);
    ExpectSameImage(ScreenShows(Screen, client), shown, "afterwards");
}

// Timer capture and the magnifier end to end on a real X server with a window manager: the
// timer's PrintScreen goes out through XTest and comes back through our own hot key, and the
// magnifier follows the pointer that XTest moves over a known picture of the screen.
#include "capture/capture_methods.h"
#include "capture/frm_zoom.h"
#include "capture/zoom_picture.h"
#include "imaging/format_registry.h"
#include "platform/dib_qimage.h"
#include "tests/capture/selection_test_support.h"

#include <QApplication>
#include <QRadioButton>
#include <QTest>

// Xlib's macros clash with Qt's names: X headers come last.
#include "tests/capture/main_window_x11_fixture.h"
#include "tests/capture/selection_x11_support.h"

#include <X11/keysym.h>

#include <algorithm>
#include <filesystem>

using namespace selection_test;

namespace {

class TimerZoomX11 : public TMainWindowX11<TFakeDialogs> {
protected:
    void SetUp() override {
        TWorkFolderTest::SetUp();
        EnsureWorkFolder();
        Picture = PatternPicture(1280, 1024);
        ShowPicture(User, Picture);
    }
    // Karvin left in the tray with `method`, so that the picture stays in front.
    std::unique_ptr<TfrmMainDriver> Start(int method) {
        PutCaptureSettings(method);
        auto window = StartMain();
        window->ShowTimer()->stop();
        return window;
    }
    std::vector<std::string> Captures() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(Work()))
            if (const std::string name = entry.path().filename().string();
                name.rfind("pic", 0) == 0)
                names.push_back(name);
        std::sort(names.begin(), names.end());
        return names;
    }
    QImage Stored(const std::string& name) const {
        return DibToQImage(LoadImageFile((Work() / name).string()))
            .convertToFormat(QImage::Format_RGB32);
    }
    void MovePointer(const QPoint& at) {
        XTestFakeMotionEvent(User.Dpy(), -1, at.x(), at.y(), CurrentTime);
        XSync(User.Dpy(), False);
    }
    bool CaptureHotKeysOn() const {
        return HotKeys.IsRegistered(HotKeyPrintScreen) && HotKeys.IsRegistered(HotKeyUser);
    }

    QImage Picture;
};

} // namespace

TEST_F(TimerZoomX11, TimerCapturePressesPrintScreenAndEveryTickStoresACapture) {
    auto window = Start(cmFullScreen);
    ASSERT_TRUE(CaptureHotKeysOn());
    Dialogs.InputAnswers.push_back("10");
    window->TimerCaptureOnClick();
    ASSERT_TRUE(window->CapTimer()->isActive());
    EXPECT_EQ(window->CapTimer()->interval(), 10000);

    // The first tick comes by itself after ten seconds.
    EXPECT_FALSE(WaitUntil([&] { return !Captures().empty(); }, 9000));
    ASSERT_TRUE(WaitUntil([&] { return Captures().size() == 1; }, 4000));
    ExpectSameImage(Stored("pic1.bmp"), Picture);
    // Every further tick another one.
    window->CapTimerTick();
    ASSERT_TRUE(WaitUntil([&] { return Captures().size() == 2; }, 5000));
    EXPECT_GE(Sound.Beeps, 4); // the tick's and the capture's, each time
    EXPECT_TRUE(WaitUntil([&] { return CaptureHotKeysOn(); }));

    // Choosing a method it cannot run switches it off.
    window->MethodBox()->setCurrentIndex(cmUserRectangle);
    emit window->MethodBox()->activated(cmUserRectangle);
    EXPECT_FALSE(window->CapTimer()->isActive());
    EXPECT_FALSE(window->TimerCaptureOn());
}

TEST_F(TimerZoomX11, TheRepeatMethodWithoutAStoredRectangleStoresNothingByTimer) {
    auto window = Start(cmUserRectangleWithRepeat);
    Dialogs.InputAnswers.push_back("10");
    window->TimerCaptureOnClick();
    ASSERT_TRUE(window->TimerCaptureOn());

    window->CapTimerTick();
    Settle(1500);

    EXPECT_TRUE(Captures().empty());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_TRUE(CaptureHotKeysOn());
    EXPECT_TRUE(window->TimerCaptureOn());
}

TEST_F(TimerZoomX11, TheMagnifierFollowsThePointerAndStoresWhatItShows) {
    auto window = Start(cmZoom);
    MovePointer({100, 100});
    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return window->ZoomWindow() != nullptr; }));
    TfrmZoom* zoom = window->ZoomWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(zoom));
    EXPECT_EQ(zoom->ZoomImage->size(), QSize(294, 170));
    zoom->FourX->click();

    const QPoint pointer(120, 110);
    const QRect source(pointer, QSize(74, 42));
    MovePointer(pointer);
    ASSERT_TRUE(WaitUntil([&] { return zoom->windowTitle() == "120,110"; }));
    ASSERT_TRUE(WaitUntil([&] { return zoom->ZoomImage->Picture().size() == source.size(); }));
    ExpectSameImage(zoom->ZoomImage->Picture(), Picture.copy(source));

    // Alt+F4 closes nothing while it is open.
    User.PressKeys({XK_Alt_L, XK_F4});
    Settle(500);
    ASSERT_EQ(window->ZoomWindow(), zoom);
    EXPECT_TRUE(zoom->isVisible());

    zoom->EightX->click();
    zoom->FourX->click();
    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return Captures().size() == 1; }));
    EXPECT_EQ(window->ZoomWindow(), nullptr);
    const QImage stored = Stored("pic1.bmp");
    EXPECT_EQ(stored.size(), QSize(294, 170));
    ExpectSameImage(stored, StretchPixels(Picture.copy(source), {294, 170}));
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyZoomClose));
    EXPECT_TRUE(WaitUntil([&] { return CaptureHotKeysOn(); }));
}

TEST_F(TimerZoomX11, EightXIsKeptAndTheEdgesOfTheScreenShowBlack) {
    auto window = Start(cmZoom);
    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return window->ZoomWindow() != nullptr; }));
    window->ZoomWindow()->EightX->click();
    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return Captures().size() == 1; }));

    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return window->ZoomWindow() != nullptr; }));
    TfrmZoom* zoom = window->ZoomWindow();
    EXPECT_TRUE(zoom->EightX->isChecked());
    ASSERT_TRUE(QTest::qWaitForWindowExposed(zoom));

    // Near the bottom right corner the area reaches past the screen: that part is black.
    const QPoint pointer(1270, 1015);
    MovePointer(pointer);
    ASSERT_TRUE(WaitUntil([&] { return zoom->windowTitle() == "1270,1015"; }));
    QImage expected(37, 21, QImage::Format_RGB32);
    expected.fill(Qt::black);
    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 10; ++x)
            expected.setPixel(x, y, Picture.pixel(pointer.x() + x, pointer.y() + y));
    ASSERT_TRUE(WaitUntil([&] { return SamePixels(zoom->ZoomImage->Picture(), expected); }))
        << "the magnifier shows the corner";
    User.PressKeys({XK_Print});
    ASSERT_TRUE(WaitUntil([&] { return Captures().size() == 2; }));
    ExpectSameImage(Stored("pic2.bmp"), StretchPixels(expected, {294, 170}));
}

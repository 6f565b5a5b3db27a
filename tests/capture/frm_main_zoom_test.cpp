// "Zoom Capture" on the hot key with every platform service faked: the magnifier that the first
// press opens, the picture that follows the (fake) pointer, and the capture of the second press.
#include "tests/capture/selection_window_fixture.h"

#include "capture/frm_zoom.h"
#include "capture/zoom_picture.h"

#include <QRadioButton>
#include <QTest>

#include <filesystem>

using namespace selection_test;

namespace {

class ZoomCapture : public SelectionWindow {
protected:
    void SetUp() override {
        SelectionWindow::SetUp();
        Editor =
            Windows.Add({"editor", "notes.txt", QRect(36, 10, 308, 224), QRect(40, 30, 300, 200)});
        Windows.Foreground = Editor;
        MouseHook.Position = QPoint(20, 30);
    }
    // "Capture Only" into BMP files with the magnifier.
    std::unique_ptr<TfrmMainDriver> StartZoom() {
        TSettingsRecord record;
        record.CapSelection = cmZoom;
        record.PrintSelection = 2;
        PutSettings(record);
        auto window = StartShown();
        Sound.Beeps = 0;
        return window;
    }
    bool PressPrintScreen() { return HotKeys.Press(0, VkPrintScreen); }
    bool HotKeysBack() const {
        return HotKeys.IsRegistered(HotKeyPrintScreen) && HotKeys.IsRegistered(HotKeyUser);
    }
    QImage Stored(const std::string& name = "pic1.bmp") const {
        return DibToQImage(LoadImageFile((Work() / name).string()))
            .convertToFormat(QImage::Format_RGB32);
    }
    std::vector<std::string> Captures() const {
        std::vector<std::string> names;
        for (const auto& name : FilesLeft())
            if (name.rfind("pic", 0) == 0)
                names.push_back(name);
        return names;
    }
    // What the magnifier shows for `source`, enlarged to the picture control.
    QImage Enlarged(const QRect& source, const QSize& size = {294, 170}) const {
        return StretchPixels(Picture.copy(source), size);
    }

    TWindowId Editor = 0;
};

} // namespace

TEST_F(ZoomCapture, FirstPressOpensTheMagnifierAndTheSecondStoresWhatItShows) {
    auto window = StartZoom();

    ASSERT_TRUE(PressPrintScreen());

    TfrmZoom* zoom = window->ZoomWindow();
    ASSERT_NE(zoom, nullptr);
    EXPECT_TRUE(zoom->isVisible());
    EXPECT_EQ(zoom->windowTitle(), "Hook installed");
    EXPECT_TRUE(zoom->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(zoom->windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(zoom->windowFlags() & Qt::WindowSystemMenuHint);
    EXPECT_TRUE(zoom->windowFlags() & Qt::WindowDoesNotAcceptFocus);
    EXPECT_EQ(zoom->ZoomImage->size(), QSize(294, 170));
    EXPECT_EQ(zoom->ZoomPanel->height(), 41);
    EXPECT_TRUE(zoom->TwoX->isChecked());
    // Centred on the screen (give or take the frame the window manager adds).
    EXPECT_LE((zoom->frameGeometry().center() - QRect(0, 0, 640, 480).center()).manhattanLength(),
              4);
    // Alt+F4 is ours while it is open; the user keeps working in the editor.
    EXPECT_EQ(HotKeys.Registered.at(HotKeyZoomClose), (TFakeHotKeys::TKey{ModAlt, VkF4}));
    EXPECT_EQ(Windows.Activated.back(), Editor);
    EXPECT_TRUE(HotKeysBack());
    EXPECT_TRUE(Captures().empty());
    EXPECT_EQ(Sound.Beeps, 0);
    // At 2X it shows at once where the pointer is.
    ExpectSameImage(zoom->ZoomImage->Picture(), Picture.copy(20, 30, 147, 85));

    zoom->FourX->click();
    MouseHook.MoveTo({40, 50});
    EXPECT_EQ(zoom->windowTitle(), "40,50");
    EXPECT_EQ(Screen.Grabs.back(), QRect(40, 50, 74, 42));
    ExpectSameImage(zoom->ZoomImage->Picture(), Picture.copy(40, 50, 74, 42));
    ExpectSameImage(zoom->CapturePicture(), Enlarged(QRect(40, 50, 74, 42)), "shown");
    // The same pixel again: nothing is grabbed.
    const auto grabs = Screen.Grabs.size();
    MouseHook.MoveTo({40, 50});
    EXPECT_EQ(Screen.Grabs.size(), grabs);

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(window->ZoomWindow(), nullptr);
    EXPECT_FALSE(MouseHook.Running);
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyZoomClose));
    ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    ExpectSameImage(Stored(), Enlarged(QRect(40, 50, 74, 42)));
    ExpectSameImage(Clipboard.Image, Stored(), "clipboard");
    EXPECT_EQ(Rows(*window), QStringList{"pic1.bmp"});
    EXPECT_EQ(Read("zoommode.dat"), "4\r\n");
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_TRUE(HotKeysBack());
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(ZoomCapture, TheFactorIsKeptForTheNextMagnifier) {
    struct TCase {
        std::optional<std::string> Stored;
        int Factor;
    };
    // A file of anything but 2, 4 or 8 opens at 2X, the magnifier working all the same.
    for (const TCase& c : {TCase{std::nullopt, 2}, TCase{"8\r\n", 8}, TCase{"4\r\n", 4},
                           TCase{"5\r\n", 2}, TCase{"abc\r\n", 2}, TCase{"", 2}}) {
        std::filesystem::remove_all(Work());
        auto window = StartZoom();
        if (c.Stored)
            Put("zoommode.dat", *c.Stored);
        ASSERT_TRUE(PressPrintScreen());
        TfrmZoom* zoom = window->ZoomWindow();
        ASSERT_NE(zoom, nullptr);
        EXPECT_EQ(zoom->Factor(), c.Factor) << c.Stored.value_or("none");
        EXPECT_EQ(zoom->windowTitle(), "Hook installed");
        EXPECT_EQ(zoom->ZoomImage->Picture().size(),
                  ZoomSourceRect({}, {294, 170}, c.Factor).size());

        zoom->EightX->click();
        ASSERT_TRUE(PressPrintScreen());
        EXPECT_EQ(Read("zoommode.dat"), "8\r\n");
        ASSERT_TRUE(PressPrintScreen());
        ASSERT_NE(window->ZoomWindow(), nullptr);
        EXPECT_TRUE(window->ZoomWindow()->EightX->isChecked());
        EXPECT_EQ(window->ZoomWindow()->Factor(), 8);
        ASSERT_TRUE(PressPrintScreen());
    }
}

TEST_F(ZoomCapture, AltF4ClosesNothingWhileTheMagnifierIsOpen) {
    auto window = StartZoom();
    ASSERT_TRUE(PressPrintScreen());
    TfrmZoom* zoom = window->ZoomWindow();
    ASSERT_NE(zoom, nullptr);
    // The magnifier refuses to be closed in any other way too.
    zoom->close();
    EXPECT_TRUE(zoom->isVisible());

    ASSERT_TRUE(HotKeys.Press(ModAlt, VkF4));

    EXPECT_EQ(window->ZoomWindow(), zoom);
    EXPECT_TRUE(zoom->isVisible());
    EXPECT_EQ(Closed->count(), 0);
    EXPECT_TRUE(Captures().empty());
    EXPECT_TRUE(Dialogs.Calls.empty());

    ASSERT_TRUE(PressPrintScreen());
    // Closed, it leaves Alt+F4 to the other programs again.
    EXPECT_FALSE(HotKeys.Press(ModAlt, VkF4));
}

TEST_F(ZoomCapture, NearTheRightAndBottomEdgesTheAreaReachesPastTheScreenInBlack) {
    auto window = StartZoom();
    ASSERT_TRUE(PressPrintScreen());
    TfrmZoom* zoom = window->ZoomWindow();
    zoom->FourX->click();

    MouseHook.MoveTo({630, 470});

    EXPECT_EQ(zoom->windowTitle(), "630,470");
    // Only what lies on the screen is read; the area keeps its size.
    EXPECT_EQ(Screen.Grabs.back(), QRect(630, 470, 10, 10));
    QImage expected(74, 42, QImage::Format_RGB32);
    expected.fill(Qt::black);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            expected.setPixel(x, y, Picture.pixel(630 + x, 470 + y));
    ExpectSameImage(zoom->ZoomImage->Picture(), expected);

    ASSERT_TRUE(PressPrintScreen());
    ExpectSameImage(Stored(), StretchPixels(expected, {294, 170}));
}

TEST_F(ZoomCapture, TheMagnifierKeepsOutOfTheAreaItShows) {
    auto window = StartZoom();
    ASSERT_TRUE(PressPrintScreen());
    TfrmZoom* zoom = window->ZoomWindow();
    const QRect opened = zoom->frameGeometry();

    // On the magnifier itself (choosing a factor): it neither moves nor reads the screen.
    const auto grabs = Screen.Grabs.size();
    MouseHook.MoveTo(opened.center());
    EXPECT_EQ(zoom->frameGeometry(), opened);
    EXPECT_EQ(Screen.Grabs.size(), grabs);

    // Up and left of it, the area to show runs into it: it moves away first, and reads the
    // screen once the windows there have drawn themselves again.
    const QPoint pointer = opened.topLeft() - QPoint(30, 20);
    MouseHook.MoveTo(pointer);
    const QRect source = ZoomSourceRect(pointer, {294, 170}, 2);
    EXPECT_FALSE(zoom->frameGeometry().intersects(source));
    EXPECT_EQ(Screen.Grabs.size(), grabs);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Screen.Grabs.size() > grabs; }, 2000));
    EXPECT_EQ(Screen.Grabs.back(), source);
    ExpectSameImage(zoom->ZoomImage->Picture(), Picture.copy(source));
}

TEST_F(ZoomCapture, AHookThatCannotBeInstalledLeavesABlankPicture) {
    MouseHook.StartSucceeds = false;
    auto window = StartZoom();
    ASSERT_TRUE(PressPrintScreen());
    TfrmZoom* zoom = window->ZoomWindow();
    EXPECT_EQ(zoom->windowTitle(), "ERROR can't install hook");
    EXPECT_TRUE(Screen.Grabs.empty());

    ASSERT_TRUE(PressPrintScreen());

    QImage blank(294, 170, QImage::Format_RGB32);
    blank.fill(Qt::white);
    ExpectSameImage(Stored(), blank);
}

TEST_F(ZoomCapture, AnotherMethodClosesTheMagnifierWithoutACapture) {
    // Another method's press captures by that method.
    {
        auto window = StartZoom();
        ASSERT_TRUE(PressPrintScreen());
        ASSERT_NE(window->ZoomWindow(), nullptr);
        window->ZoomWindow()->EightX->click();
        WriteSetting(sfCapSelection, cmFullScreen);

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_EQ(window->ZoomWindow(), nullptr);
        EXPECT_FALSE(HotKeys.IsRegistered(HotKeyZoomClose));
        EXPECT_EQ(Read("zoommode.dat"), "8\r\n");
        ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
        ExpectSameImage(Stored(), Picture);
    }
    // Another method chosen in the box.
    std::filesystem::remove_all(Work());
    auto window = StartZoom();
    ASSERT_TRUE(PressPrintScreen());
    window->MethodBox()->setCurrentIndex(cmUserRectangle);
    emit window->MethodBox()->activated(cmUserRectangle);
    EXPECT_EQ(window->ZoomWindow(), nullptr);
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyZoomClose));
    EXPECT_FALSE(MouseHook.Running);
    EXPECT_TRUE(Captures().empty());
}

TEST_F(ZoomCapture, AFactorThatCannotBeKeptIsReportedAfterTheCapture) {
    auto window = StartZoom();
    // A folder where the file should be: it can be neither read nor replaced.
    std::filesystem::create_directory(Work() / "zoommode.dat");
    ASSERT_TRUE(PressPrintScreen());
    ASSERT_NE(window->ZoomWindow(), nullptr);
    EXPECT_EQ(window->ZoomWindow()->Factor(), 2);
    Dialogs.MessageAnswers = {TMsgResult::OK};

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(window->ZoomWindow(), nullptr);
    ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_TRUE(Dialogs.Calls[0].Text.contains("zoommode.dat"))
        << Dialogs.Calls[0].Text.toStdString();
    EXPECT_TRUE(HotKeysBack());
}

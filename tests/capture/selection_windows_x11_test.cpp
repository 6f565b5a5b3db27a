// The selection windows and the region highlight on a real X server with a window manager:
// they lie over everything, show the screen as it was, take the mouse and Escape, and leave
// nothing behind.
#include "capture/frm_blank.h"
#include "capture/frm_draw_circle.h"
#include "capture/region_highlight.h"
#include "platform/windows.h"
#include "tests/fakes/fake_clipboard.h"
#include "tests/store/work_folder_fixture.h"

#include <QPainter>

// Xlib's macros clash with Qt's names: X headers come last.
#include "tests/capture/selection_x11_support.h"

using namespace selection_test;

namespace {

class SelectionWindowsX11 : public TWorkFolderTest {
protected:
    void SetUp() override {
        TWorkFolderTest::SetUp();
        EnsureWorkFolder();
        Picture = PatternPicture(1280, 1024);
        ShowPicture(Other, Picture);
        Clipboard.Image = QImage(3, 3, QImage::Format_RGB32);
    }
    // The screen shows the picture again, everywhere.
    void ExpectNoTrace() {
        Settle(200);
        ExpectSameImage(ScreenShows(Screen, Picture.rect()), Picture, "screen afterwards");
    }

    TOtherClient Other;
    TFakeClipboard Clipboard;
    TX11Windows Windows;
    TX11Screen Screen;
    QImage Picture;
};

} // namespace

TEST_F(SelectionWindowsX11, TheRectangleTakenIsWhatTheScreenShowedWithTheOutline) {
    TfrmBlank window(Screen, Clipboard);
    QImage shownWhileHeld;
    const QRect rect(100, 100, 400, 300);
    TScriptedUser user(Other);
    user.MoveTo({500, 400})
        .Button(true)
        .MoveTo({300, 250})
        .MoveTo({100, 100})
        .Then([&] { shownWhileHeld = ScreenShows(Screen, rect); }, 300)
        .Button(false)
        .Start();
    const int result = window.exec();

    EXPECT_EQ(result, QDialog::Accepted);
    const QImage expected = ExpectedRectangleImage(Picture, rect);
    // While held, the size readout stands beside the pointer (at the rectangle's top left),
    // over the outlined picture; the rectangle taken has none of it.
    const QRect readout(16, 16, 120, 40);
    ASSERT_EQ(shownWhileHeld.size(), expected.size());
    EXPECT_NE(shownWhileHeld.copy(readout), expected.copy(readout)) << "no size readout";
    QImage shownBesideReadout = expected.convertToFormat(QImage::Format_RGB32);
    QPainter(&shownBesideReadout).drawImage(readout.topLeft(), shownWhileHeld.copy(readout));
    ExpectSameImage(shownWhileHeld, shownBesideReadout, "screen while held");
    ExpectSameImage(Clipboard.Image, expected, "clipboard");
    EXPECT_EQ(Read("repeat.dat"), "100\r\n100\r\n500\r\n400\r\n");
    ExpectNoTrace();
}

TEST_F(SelectionWindowsX11, EscapeEndsTheSelectionWithNothingTaken) {
    for (bool ellipse : {false, true}) {
        Clipboard.Image = QImage(3, 3, QImage::Format_RGB32);
        std::unique_ptr<QDialog> window;
        if (ellipse)
            window = std::make_unique<TfrmDrawCircle>(Screen, Clipboard);
        else
            window = std::make_unique<TfrmBlank>(Screen, Clipboard);
        TScriptedUser user(Other);
        user.MoveTo({200, 200})
            .Button(true)
            .MoveTo({400, 300})
            .Key(XK_Escape)
            .Button(false)
            .Start();
        const int result = window->exec();
        Settle(400); // the button goes up after the window has gone
        EXPECT_EQ(result, QDialog::Rejected) << ellipse;
        EXPECT_FALSE(Clipboard.HasImage()) << ellipse;
        EXPECT_EQ(Read("repeat.dat"), "<missing>") << ellipse;
        ExpectNoTrace();
    }
}

TEST_F(SelectionWindowsX11, TheEllipseTakenIsCutOutWithItsOutline) {
    TfrmDrawCircle window(Screen, Clipboard);
    QImage bandWhileHeld;
    const QRect box(300, 200, 251, 180);
    TScriptedUser user(Other);
    user.MoveTo({300, 200})
        .Button(true)
        .MoveTo({700, 700})
        .MoveTo({551, 380})
        .Then([&] { bandWhileHeld = ScreenShows(Screen, box); }, 300)
        .Button(false)
        .Start();
    const int result = window.exec();

    EXPECT_EQ(result, QDialog::Accepted);
    QImage band = Picture.copy(box);
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            if (OnEllipseOutline(x, y, box.width(), box.height()))
                band.setPixel(x, y, Inverted(band.pixel(x, y)));
    ExpectSameImage(bandWhileHeld, band, "rubber band");
    ExpectSameImage(Clipboard.Image, ExpectedEllipseImage(Picture, box), "clipboard");
    EXPECT_EQ(Read("repeat.dat"), "300\r\n200\r\n551\r\n380\r\n");
    ExpectNoTrace();
}

TEST_F(SelectionWindowsX11, TheHighlightShowsTheAreaInvertedAndIsNotTakenForTheWindowBelow) {
    const QRect client(200, 150, 400, 300);
    // Another program's window, as the window manager would have marked it.
    Window target = ShowPicture(Other, Picture.copy(client), client.topLeft());
    const long normalState[2] = {1, 0};
    Other.SetProperty(target, "WM_STATE", "WM_STATE", 32, normalState, 2);

    auto highlight = ShowRegionHighlight(Screen, client);
    ASSERT_TRUE(highlight);
    Settle(300);
    QImage expected = Picture.copy(client);
    for (int y = 2; y < client.height() - 2; ++y)
        for (int x = 2; x < client.width() - 2; ++x)
            expected.setPixel(x, y, Inverted(expected.pixel(x, y)));
    ExpectSameImage(ScreenShows(Screen, client), expected, "highlighted");
    // The pointer over the highlight is over the window it highlights.
    EXPECT_EQ(Windows.WindowFromPoint(client.center()), TWindowId(target));

    highlight.reset();
    Settle(200);
    ExpectSameImage(ScreenShows(Screen, client), Picture.copy(client), "afterwards");
}

TEST_F(SelectionWindowsX11, AWindowComingUpAboveTheSelectionDoesNotTakeTheMouse) {
    TfrmBlank window(Screen, Clipboard);
    TScriptedUser user(Other);
    user.Then([&] {
            Window popup =
                Other.CreateWindow(QRect(50, 50, 300, 200), "popup", "Popup", "popup", true);
            Other.MapAndWait(popup, false);
        })
        .MoveTo({100, 100})
        .Button(true)
        .MoveTo({500, 450})
        .Button(false)
        .Key(XK_Escape) // ends a window that never saw the button
        .Start();
    const int result = window.exec();

    EXPECT_EQ(result, QDialog::Accepted);
    ExpectSameImage(Clipboard.Image, ExpectedRectangleImage(Picture, QRect(100, 100, 400, 350)));
}

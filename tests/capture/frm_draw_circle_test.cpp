#include "capture/frm_draw_circle.h"

#include "tests/capture/selection_window_fixture.h"

using namespace selection_test;

namespace {

using EllipseSelection = SelectionWindow;

// The picture with the outline of the ellipse of `box` inverted (the rubber band) or black.
QImage WithOutline(const QImage& picture, const QRect& box, bool black) {
    QImage shown = picture.copy();
    for (int y = 0; y < box.height(); ++y)
        for (int x = 0; x < box.width(); ++x)
            if (OnEllipseOutline(x, y, box.width(), box.height())) {
                const QPoint at = box.topLeft() + QPoint(x, y);
                shown.setPixel(at, black ? Black : Inverted(shown.pixel(at)));
            }
    return shown;
}

} // namespace

TEST_F(EllipseSelection, CoversTheScreenWithItsPictureAsItWas) {
    TfrmDrawCircle window(Screen, Clipboard);
    Screen.FillRect(QRect(0, 0, 640, 480), 0xFFFFFF);

    EXPECT_EQ(window.geometry(), QRect(0, 0, 640, 480));
    EXPECT_EQ(window.capImage->geometry(), QRect(0, 0, 640, 480));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.windowFlags() & Qt::BypassWindowManagerHint);
    EXPECT_EQ(window.cursor().shape(), Qt::CrossCursor);
    ExpectSameImage(Shown(&window, window.rect()), Picture);
}

TEST_F(EllipseSelection, ADragCutsTheEllipseOutOntoWhiteWithItsBlackOutline) {
    TfrmDrawCircle window(Screen, Clipboard);
    QWidget* image = window.capImage;
    Mouse(image, QEvent::MouseButtonPress, {90, 70});
    Mouse(image, QEvent::MouseMove, {60, 20});
    Mouse(image, QEvent::MouseMove, {50, 40});
    const QRect box(50, 40, 40, 30);
    // The rubber band: the ellipse's outline inverted, and nothing of the one before.
    ExpectSameImage(Shown(&window, window.rect()), WithOutline(Picture, box, false), "band");

    Mouse(image, QEvent::MouseButtonRelease, {50, 40});

    EXPECT_EQ(window.result(), QDialog::Accepted);
    const QImage expected = ExpectedEllipseImage(Picture, box);
    ExpectSameImage(window.TransImage, expected, "cut-out");
    ExpectSameImage(Clipboard.Image, expected, "clipboard");
    EXPECT_EQ(Read("repeat.dat"), "50\r\n40\r\n90\r\n70\r\n");
    // The final outline is what the window showed last.
    ExpectSameImage(Shown(&window, window.rect()), WithOutline(Picture, box, true), "final");
}

TEST_F(EllipseSelection, TheBoxEndsWhereTheButtonIsLetGo) {
    TfrmDrawCircle window(Screen, Clipboard);
    Mouse(window.capImage, QEvent::MouseButtonPress, {10, 10});
    Mouse(window.capImage, QEvent::MouseMove, {30, 30});
    Mouse(window.capImage, QEvent::MouseButtonRelease, {40, 50});
    ExpectSameImage(Clipboard.Image, ExpectedEllipseImage(Picture, QRect(10, 10, 30, 40)));
    EXPECT_EQ(Read("repeat.dat"), "10\r\n10\r\n40\r\n50\r\n");
}

TEST_F(EllipseSelection, NoAreaOrEscapeLeavesTheClipboardEmptyAndTheStoredAreaAsItWas) {
    struct Case {
        const char* What;
        std::function<void(TfrmDrawCircle&)> User;
    };
    const Case cases[] = {
        {"click",
         [](TfrmDrawCircle& w) {
             Drag(w.capImage, {{200, 200}});
         }},
        {"let go on the start's row",
         [](TfrmDrawCircle& w) {
             Drag(w.capImage, {{200, 200}, {300, 300}, {260, 200}});
         }},
        {"let go on the start's column",
         [](TfrmDrawCircle& w) {
             Drag(w.capImage, {{200, 200}, {200, 300}});
         }},
        {"Escape while dragging",
         [](TfrmDrawCircle& w) {
             Mouse(w.capImage, QEvent::MouseButtonPress, {200, 200});
             Mouse(w.capImage, QEvent::MouseMove, {300, 300});
             PressEscape(&w);
         }},
        {"closed", [](TfrmDrawCircle& w) { w.close(); }},
    };
    for (const Case& c : cases) {
        Put("repeat.dat", "1\r\n2\r\n30\r\n40\r\n");
        Clipboard.Image = QImage(3, 3, QImage::Format_RGB32);
        TfrmDrawCircle window(Screen, Clipboard);
        window.show();
        c.User(window);
        EXPECT_EQ(window.result(), QDialog::Rejected) << c.What;
        EXPECT_FALSE(Clipboard.HasImage()) << c.What;
        EXPECT_EQ(Read("repeat.dat"), "1\r\n2\r\n30\r\n40\r\n") << c.What;
    }
}

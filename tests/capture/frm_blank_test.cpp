#include "capture/frm_blank.h"

#include "capture/selection_shapes.h"

#include "tests/capture/selection_window_fixture.h"

#include <QPainter>

using namespace selection_test;

namespace {

using RectangleSelection = SelectionWindow;

// The smallest rectangle that holds every pixel in which two pictures of one size differ.
QRect Differences(const QImage& one, const QImage& other) {
    QRect found;
    for (int y = 0; y < one.height(); ++y)
        for (int x = 0; x < one.width(); ++x)
            if (one.pixel(x, y) != other.pixel(x, y))
                found |= QRect(x, y, 1, 1);
    return found;
}

} // namespace

TEST_F(RectangleSelection, TheSizeReadoutFollowsThePointerAndStaysOutOfTheCapture) {
    struct TCase {
        QPoint Start, End;
        QRect Around; // where the readout is to be, beside the pointer and on the screen
    };
    const TCase cases[] = {
        {{100, 100}, {300, 200}, QRect(316, 216, 120, 40)},
        // Near the right and bottom edges it comes to the pointer's other sides.
        {{100, 100}, {630, 470}, QRect(494, 414, 120, 40)},
    };
    for (const TCase& c : cases) {
        TfrmBlank window(Screen, Clipboard);
        Mouse(&window, QEvent::MouseButtonPress, c.Start);
        Mouse(&window, QEvent::MouseMove, c.End);
        const QRect rect = SelectionRect(c.Start, c.End);
        QImage outlined = Picture.copy();
        QPainter(&outlined).drawImage(rect.topLeft(), ExpectedRectangleImage(Picture, rect));

        const QRect readout = Differences(Shown(&window, window.rect()), outlined);

        EXPECT_FALSE(readout.isEmpty());
        EXPECT_TRUE(c.Around.contains(readout)) << readout.x() << "," << readout.y() << " "
                                                << readout.width() << "x" << readout.height();
        Mouse(&window, QEvent::MouseButtonRelease, c.End);
        ExpectSameImage(Clipboard.Image, ExpectedRectangleImage(Picture, rect), "clipboard");
    }
}

TEST_F(RectangleSelection, CoversTheScreenWithItsPictureAsItWas) {
    TfrmBlank window(Screen, Clipboard);
    Screen.FillRect(QRect(0, 0, 640, 480), 0xFFFFFF); // the screen changes afterwards

    EXPECT_EQ(window.geometry(), QRect(0, 0, 640, 480));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(window.windowFlags() & Qt::BypassWindowManagerHint);
    EXPECT_EQ(window.cursor().shape(), Qt::CrossCursor);
    ExpectSameImage(Shown(&window, window.rect()), Picture);
}

TEST_F(RectangleSelection, ADragTakesTheRectangleWithItsDottedBorderAndStoresIt) {
    TfrmBlank window(Screen, Clipboard);
    Mouse(&window, QEvent::MouseButtonPress, {500, 400});
    Mouse(&window, QEvent::MouseMove, {300, 250});
    Mouse(&window, QEvent::MouseMove, {100, 100});
    const QRect rect(100, 100, 400, 300);
    const QImage expected = ExpectedRectangleImage(Picture, rect);
    // While the button is held the window shows the outline over the picture, and nothing of
    // the outline drawn before; beside the pointer, the rectangle's size.
    QImage shown = Picture.copy();
    QPainter(&shown).drawImage(rect.topLeft(), expected);
    const QImage onScreen = Shown(&window, window.rect());
    const QRect readout = Differences(onScreen, shown);
    EXPECT_FALSE(readout.isEmpty());
    EXPECT_TRUE(QRect(116, 116, 120, 40).contains(readout)) << readout.x() << "," << readout.y();
    QPainter(&shown).drawImage(readout.topLeft(), onScreen.copy(readout));
    ExpectSameImage(onScreen, shown, "shown");
    // Let go elsewhere: the rectangle is the one drawn last.
    Mouse(&window, QEvent::MouseButtonRelease, {90, 95});

    EXPECT_EQ(window.result(), QDialog::Accepted);
    ExpectSameImage(Clipboard.Image, expected, "clipboard");
    EXPECT_EQ(Read("repeat.dat"), "100\r\n100\r\n500\r\n400\r\n");
    EXPECT_TRUE(window.RepeatFileError.isEmpty());
}

TEST_F(RectangleSelection, ASmallRectangleKeepsEveryPixel) {
    TfrmBlank window(Screen, Clipboard);
    Drag(&window, {{10, 10}, {14, 14}});
    ExpectSameImage(Clipboard.Image, ExpectedRectangleImage(Picture, QRect(10, 10, 4, 4)));
    EXPECT_EQ(Read("repeat.dat"), "10\r\n10\r\n14\r\n14\r\n");
}

TEST_F(RectangleSelection, NoAreaOrEscapeLeavesTheClipboardEmptyAndTheStoredAreaAsItWas) {
    struct Case {
        const char* What;
        std::function<void(TfrmBlank&)> User;
    };
    const Case cases[] = {
        {"click",
         [](TfrmBlank& w) {
             Drag(&w, {{200, 200}});
         }},
        {"back to the start",
         [](TfrmBlank& w) {
             Drag(&w, {{200, 200}, {300, 260}, {200, 200}});
         }},
        {"along a row",
         [](TfrmBlank& w) {
             Drag(&w, {{200, 200}, {300, 200}});
         }},
        {"along a column",
         [](TfrmBlank& w) {
             Drag(&w, {{200, 200}, {200, 300}});
         }},
        {"Escape while dragging",
         [](TfrmBlank& w) {
             Mouse(&w, QEvent::MouseButtonPress, {200, 200});
             Mouse(&w, QEvent::MouseMove, {300, 300});
             PressEscape(&w);
         }},
        {"Escape", [](TfrmBlank& w) { PressEscape(&w); }},
        {"closed", [](TfrmBlank& w) { w.close(); }},
    };
    for (const Case& c : cases) {
        Put("repeat.dat", "1\r\n2\r\n30\r\n40\r\n");
        Clipboard.Image = QImage(3, 3, QImage::Format_RGB32);
        TfrmBlank window(Screen, Clipboard);
        window.show();
        c.User(window);
        EXPECT_EQ(window.result(), QDialog::Rejected) << c.What;
        EXPECT_FALSE(Clipboard.HasImage()) << c.What;
        EXPECT_EQ(Read("repeat.dat"), "1\r\n2\r\n30\r\n40\r\n") << c.What;
    }
}

TEST_F(RectangleSelection, AButtonLetGoThatWasNotPressedHereIsIgnored) {
    TfrmBlank window(Screen, Clipboard);
    Mouse(&window, QEvent::MouseButtonRelease, {50, 50});
    EXPECT_TRUE(Clipboard.HasImage());
    Drag(&window, {{20, 30}, {60, 70}});
    ExpectSameImage(Clipboard.Image, ExpectedRectangleImage(Picture, QRect(20, 30, 40, 40)));
}

TEST_F(RectangleSelection, ARepeatFileThatCannotBeWrittenStillLeavesTheCapture) {
    std::filesystem::create_directory(Work() / "repeat.dat"); // a folder where the file goes
    TfrmBlank window(Screen, Clipboard);
    Drag(&window, {{20, 30}, {60, 70}});
    EXPECT_EQ(window.result(), QDialog::Accepted);
    ExpectSameImage(Clipboard.Image, ExpectedRectangleImage(Picture, QRect(20, 30, 40, 40)));
    EXPECT_FALSE(window.RepeatFileError.isEmpty());
}

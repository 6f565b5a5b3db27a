// The selection methods on the hot key with every platform service faked: what the user finds
// in the working folder after pointing at a window, dragging a rectangle or an ellipse, or
// taking the stored area again.
#include "tests/capture/selection_window_fixture.h"

#include "capture/capture_methods.h"
#include "capture/frm_blank.h"
#include "capture/frm_draw_circle.h"
#include "capture/repeat_area.h"
#include "capture/selection_shapes.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

using namespace selection_test;

namespace {

constexpr QRect EditorClient(40, 30, 300, 200);
constexpr QRect ViewerClient(360, 50, 250, 380);

class SelectionCapture : public SelectionWindow {
protected:
    void SetUp() override {
        SelectionWindow::SetUp();
        Editor = Windows.Add(
            {"editor", "notes.txt", EditorClient.adjusted(-4, -20, 4, 4), EditorClient});
        Viewer = Windows.Add(
            {"viewer", "photo.png", ViewerClient.adjusted(-4, -20, 4, 4), ViewerClient});
        Windows.Foreground = Editor;
    }

    // "Capture Only" into BMP files with the method.
    std::unique_ptr<TfrmMainDriver> StartWith(int method) {
        TSettingsRecord record;
        record.CapSelection = method;
        record.PrintSelection = 2;
        PutSettings(record);
        auto window = StartShown();
        Sound.Beeps = 0;
        Dialogs.Calls.clear();
        return window;
    }
    bool PressPrintScreen() { return HotKeys.Press(0, VkPrintScreen); }
    bool HotKeysBack() const {
        return HotKeys.IsRegistered(HotKeyPrintScreen) && HotKeys.IsRegistered(HotKeyUser);
    }

    // The user's part in the next selection window: a drag over the rectangle window, or
    // over the ellipse window's picture.
    void WillDrag(std::initializer_list<QPoint> points) {
        std::vector<QPoint> path(points);
        Dialogs.ModalScripts.push_back([path](QDialog& dialog) {
            QWidget* target = &dialog;
            if (auto* circle = dynamic_cast<TfrmDrawCircle*>(&dialog))
                target = circle->capImage;
            Mouse(target, QEvent::MouseButtonPress, path.front());
            for (std::size_t i = 1; i < path.size(); ++i)
                Mouse(target, QEvent::MouseMove, path[i]);
            Mouse(target, QEvent::MouseButtonRelease, path.back());
            return dialog.result();
        });
    }
    void WillPressEscape() {
        Dialogs.ModalScripts.push_back([](QDialog& dialog) {
            PressEscape(&dialog);
            return dialog.result();
        });
    }
    // The selection windows shown, by class.
    QStringList WindowsShown() const {
        QStringList shown;
        for (const auto& call : Dialogs.Calls)
            if (call.Kind == "ExecModal")
                shown << call.Text;
        return shown;
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
    // The picture of the screen without its outermost pixels.
    QImage Inside(const QRect& rect) const { return Picture.copy(rect.adjusted(1, 1, -1, -1)); }

    TWindowId Editor = 0;
    TWindowId Viewer = 0;
};

} // namespace

// Rectangles.

TEST_F(SelectionCapture, ADraggedRectangleIsStoredWithoutItsOutlinedBorder) {
    auto window = StartWith(cmUserRectangle);
    WillDrag({{500, 400}, {300, 250}, {100, 100}});

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(WindowsShown(), QStringList{"TfrmBlank"});
    EXPECT_EQ(Read("repeat.dat"), "100\r\n100\r\n500\r\n400\r\n");
    ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    ExpectSameImage(Stored(), Inside(QRect(100, 100, 400, 300)));
    ExpectSameImage(Clipboard.Image, Stored(), "clipboard");
    EXPECT_EQ(Rows(*window), QStringList{"pic1.bmp"});
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_TRUE(HotKeysBack());
}

TEST_F(SelectionCapture, RectanglesOfFourPixelsOrLessKeepTheirOutline) {
    struct Case {
        QPoint From, To;
        QSize Stored;
        bool Cut;
    };
    for (const Case& c :
         {Case{{10, 10}, {14, 14}, {4, 4}, false}, Case{{10, 10}, {15, 14}, {5, 4}, false},
          Case{{10, 10}, {15, 15}, {3, 3}, true}, Case{{10, 10}, {11, 30}, {1, 20}, false}}) {
        std::filesystem::remove_all(Work());
        auto window = StartWith(cmUserRectangle);
        WillDrag({c.From, c.To});
        ASSERT_TRUE(PressPrintScreen());
        const QRect rect = SelectionRect(c.From, c.To);
        const QImage expected = c.Cut ? Inside(rect) : ExpectedRectangleImage(Picture, rect);
        EXPECT_EQ(Stored().size(), c.Stored);
        ExpectSameImage(Stored(), expected, QString("%1x%2").arg(rect.width()).arg(rect.height()));
    }
}

TEST_F(SelectionCapture, TheRepeatTakesTheStoredRectangleWithoutAskingAndCutsItsBorder) {
    for (const QRect rect : {QRect(100, 100, 400, 300), QRect(10, 10, 4, 4)}) {
        std::filesystem::remove_all(Work());
        auto window = StartWith(cmUserRectangleWithRepeat);
        WriteRepeatArea(rect);

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_TRUE(WindowsShown().isEmpty());
        ExpectSameImage(Stored(), Inside(rect), QString::number(rect.width()));
        EXPECT_EQ(Sound.Beeps, 1);
        EXPECT_TRUE(HotKeysBack());
    }
}

TEST_F(SelectionCapture, TheFirstRepeatAsksForTheRectangleAndStoresItForTheNext) {
    auto window = StartWith(cmUserRectangleWithRepeat);
    WillDrag({{10, 10}, {14, 14}});

    ASSERT_TRUE(PressPrintScreen());
    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(WindowsShown(), QStringList{"TfrmBlank"});
    EXPECT_EQ(Read("repeat.dat"), "10\r\n10\r\n14\r\n14\r\n");
    ASSERT_EQ(Captures(), (std::vector<std::string>{"pic1.bmp", "pic2.bmp"}));
    // Cut to 2 x 2 whatever the size, the outline gone with the border.
    ExpectSameImage(Stored("pic1.bmp"), Inside(QRect(10, 10, 4, 4)), "drawn");
    ExpectSameImage(Stored("pic2.bmp"), Inside(QRect(10, 10, 4, 4)), "repeated");
}

TEST_F(SelectionCapture, ARepeatDrawnTooSmallToCutIsReportedAndNotStored) {
    auto window = StartWith(cmUserRectangleWithRepeat);
    WillDrag({{10, 10}, {12, 12}});
    Dialogs.MessageAnswers = {TMsgResult::OK};

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(Dialogs.MessageLog(),
              QStringList{"Error|The area is too small to capture with its border cut off; it "
                          "needs at least 3 x 3 pixels."});
    EXPECT_TRUE(Captures().empty());
    EXPECT_EQ(Sound.Beeps, 0);
    EXPECT_TRUE(HotKeysBack());
}

// Ellipses.

TEST_F(SelectionCapture, ADraggedEllipseIsStoredWhiteOutsideWithItsBlackOutline) {
    auto window = StartWith(cmUserCircle);
    WillDrag({{90, 70}, {60, 20}, {50, 40}});

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(WindowsShown(), QStringList{"TfrmDrawCircle"});
    EXPECT_EQ(Read("repeat.dat"), "50\r\n40\r\n90\r\n70\r\n");
    ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    ExpectSameImage(Stored(), ExpectedEllipseImage(Picture, QRect(50, 40, 40, 30)));
    ExpectSameImage(Clipboard.Image, Stored(), "clipboard");
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_TRUE(HotKeysBack());
}

TEST_F(SelectionCapture, TheEllipseRepeatIsCutByOnePixelOnEverySide) {
    const QRect box(50, 40, 40, 30);
    // Stored by an ellipse drawn before, and drawn now when nothing is stored.
    for (bool stored : {true, false}) {
        std::filesystem::remove_all(Work());
        auto window = StartWith(cmUserCircleWithRepeat);
        if (stored)
            WriteRepeatArea(box);
        else
            WillDrag({box.topLeft(), box.bottomRight() + QPoint(1, 1)});

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_EQ(WindowsShown().size(), stored ? 0 : 1);
        const QImage expected = ExpectedEllipseImage(Picture, box, !stored);
        ExpectSameImage(Stored(), expected.copy(1, 1, 38, 28), stored ? "stored" : "drawn");
        EXPECT_EQ(Sound.Beeps, 1);
    }
}

TEST_F(SelectionCapture, RectangleAndEllipseShareTheStoredArea) {
    auto window = StartWith(cmUserCircle);
    WillDrag({{50, 40}, {90, 70}});
    ASSERT_TRUE(PressPrintScreen());
    WriteSetting(sfCapSelection, cmUserRectangleWithRepeat);
    ASSERT_TRUE(PressPrintScreen());
    ExpectSameImage(Stored("pic2.bmp"), Inside(QRect(50, 40, 40, 30)), "rectangle after ellipse");

    WriteSetting(sfCapSelection, cmUserRectangle);
    WillDrag({{200, 100}, {300, 180}});
    ASSERT_TRUE(PressPrintScreen());
    WriteSetting(sfCapSelection, cmUserCircleWithRepeat);
    ASSERT_TRUE(PressPrintScreen());
    ExpectSameImage(
        Stored("pic4.bmp"),
        ExpectedEllipseImage(Picture, QRect(200, 100, 100, 80), false).copy(1, 1, 98, 78),
        "ellipse after rectangle");
}

// Nothing selected, refused, or a stored area that cannot be taken.

TEST_F(SelectionCapture, ASelectionWithoutAreaStoresNothing) {
    struct Case {
        int Method;
        bool Escape;
    };
    for (const Case& c : {Case{cmUserRectangle, false}, Case{cmUserRectangle, true},
                          Case{cmUserRectangleWithRepeat, false}, Case{cmUserCircle, false},
                          Case{cmUserCircle, true}, Case{cmUserCircleWithRepeat, true}}) {
        std::filesystem::remove_all(Work());
        auto window = StartWith(c.Method);
        Clipboard.Image = QImage(3, 3, QImage::Format_RGB32);
        if (c.Escape)
            WillPressEscape();
        else
            WillDrag({{200, 200}});

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_EQ(WindowsShown().size(), 1) << c.Method;
        EXPECT_TRUE(Captures().empty()) << c.Method;
        EXPECT_EQ(Read("repeat.dat"), "<missing>") << c.Method;
        EXPECT_FALSE(Clipboard.HasImage()) << c.Method;
        EXPECT_EQ(Sound.Beeps, 0) << c.Method;
        EXPECT_TRUE(HotKeysBack()) << c.Method;
        EXPECT_TRUE(Dialogs.MessageLog().isEmpty()) << c.Method;
    }
}

TEST_F(SelectionCapture, AStoredAreaThatCannotBeTakenIsReportedAndNothingIsCaptured) {
    const std::string advice =
        ". Select an area again with \"User-Defined Rectangle\" or \"User-Defined Circle\".";
    struct Case {
        std::string Content;
        std::string Error;
    };
    const Case cases[] = {
        {"100\r\nabc\r\n500\r\n400\r\n",
         "\"repeat.dat\" holds no area: line 2 is \"abc\" instead of a whole number"},
        {"500\r\n400\r\n100\r\n100\r\n",
         "\"repeat.dat\" holds no area: left (500) is not less than right (100)"},
        {"-10\r\n0\r\n50\r\n40\r\n", "The area in \"repeat.dat\" (left -10, top 0, right 50, "
                                     "bottom 40) does not lie on the screen of 640 x 480 pixels"},
        {"600\r\n400\r\n700\r\n500\r\n",
         "The area in \"repeat.dat\" (left 600, top 400, right 700, bottom 500) does not lie "
         "on the screen of 640 x 480 pixels"},
        {"10\r\n10\r\n12\r\n12\r\n", "The area in \"repeat.dat\" (left 10, top 10, right 12, "
                                     "bottom 12) is too small to take again; it needs at least "
                                     "3 x 3 pixels"},
    };
    for (int method : {cmUserRectangleWithRepeat, cmUserCircleWithRepeat})
        for (const Case& c : cases) {
            std::filesystem::remove_all(Work());
            auto window = StartWith(method);
            Put("repeat.dat", c.Content);
            Clipboard.Image = QImage(3, 3, QImage::Format_RGB32);
            Dialogs.MessageAnswers = {TMsgResult::OK};

            ASSERT_TRUE(PressPrintScreen());

            EXPECT_EQ(Dialogs.MessageLog(),
                      QStringList{QString::fromStdString("Error|" + c.Error + advice)})
                << method;
            EXPECT_TRUE(WindowsShown().isEmpty()) << method;
            EXPECT_TRUE(Captures().empty()) << method;
            EXPECT_EQ(Sound.Beeps, 0) << method;
            EXPECT_TRUE(HotKeysBack()) << method;
            EXPECT_EQ(Read("repeat.dat"), c.Content) << method;
        }
}

TEST_F(SelectionCapture, TimerCaptureRefusesWhatWaitsForTheUserButRepeatsAStoredRectangle) {
    struct Case {
        int Method;
        std::optional<std::string> Repeat;
        bool Captured;
    };
    for (const Case& c : {Case{cmMouseSelectedRegion, std::nullopt, false},
                          Case{cmUserRectangle, std::nullopt, false},
                          Case{cmUserRectangleWithRepeat, std::nullopt, false},
                          Case{cmUserRectangleWithRepeat, "10\r\n20\r\n110\r\n100\r\n", true},
                          Case{cmUserCircle, std::nullopt, false},
                          Case{cmUserCircleWithRepeat, "10\r\n20\r\n110\r\n100\r\n", false}}) {
        std::filesystem::remove_all(Work());
        auto window = StartWith(c.Method);
        if (c.Repeat)
            Put("repeat.dat", *c.Repeat);
        window->TimerCaptureOn() = true;

        ASSERT_TRUE(PressPrintScreen());

        EXPECT_TRUE(WindowsShown().isEmpty()) << c.Method;
        EXPECT_FALSE(window->RegionTimer()->isActive()) << c.Method;
        EXPECT_EQ(Captures().size(), c.Captured ? 1u : 0u) << c.Method;
        EXPECT_TRUE(HotKeysBack()) << c.Method;
        EXPECT_TRUE(Dialogs.MessageLog().isEmpty()) << c.Method;
    }
}

TEST_F(SelectionCapture, UnderTimerCaptureABrokenStoredRectangleIsReportedAtEveryTick) {
    auto window = StartWith(cmUserRectangleWithRepeat);
    Put("repeat.dat", "garbage\r\n");
    window->TimerCaptureOn() = true;
    Dialogs.MessageAnswers = {TMsgResult::OK};

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(Dialogs.MessageLog(),
              QStringList{"Error|\"repeat.dat\" holds no area: line 1 is \"garbage\" instead of a "
                          "whole number. Select an area again with \"User-Defined Rectangle\" or "
                          "\"User-Defined Circle\"."});
    EXPECT_TRUE(Captures().empty());
    EXPECT_TRUE(HotKeysBack());
}

// The region method.

namespace {

// The highlight on the screen, if one is shown.
QWidget* Highlight() {
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->objectName() == "RegionHighlight" && widget->isVisible()) {
            EXPECT_EQ(found, nullptr) << "two highlights";
            found = widget;
        }
    return found;
}

QImage InvertedPicture(const QImage& picture) {
    QImage inverted = picture.copy();
    inverted.invertPixels();
    return inverted;
}

} // namespace

TEST_F(SelectionCapture, TwoPressesWithoutMovingTakeTheClientAreaUnderThePointer) {
    auto window = StartWith(cmMouseSelectedRegion);
    Screen.Pointer = EditorClient.center();

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_TRUE(window->RegionTimer()->isActive());
    EXPECT_EQ(window->RegionTimer()->interval(), 700);
    EXPECT_EQ(window->HighlightedWindow(), 0u);
    EXPECT_TRUE(HotKeysBack());
    EXPECT_TRUE(Captures().empty());
    EXPECT_EQ(Sound.Beeps, 0);

    ASSERT_TRUE(PressPrintScreen());

    EXPECT_FALSE(window->RegionTimer()->isActive());
    ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    ExpectSameImage(Stored(), Picture.copy(EditorClient));
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_TRUE(HotKeysBack());
    EXPECT_EQ(Highlight(), nullptr);
}

TEST_F(SelectionCapture, TheHighlightFollowsThePointerAndGoesWithTheCapture) {
    auto window = StartWith(cmMouseSelectedRegion);
    Screen.Pointer = EditorClient.center();
    ASSERT_TRUE(PressPrintScreen());

    // The timer's own tick.
    ASSERT_TRUE(QTest::qWaitFor([&] { return Highlight() != nullptr; }, 3000));
    EXPECT_EQ(window->HighlightedWindow(), Editor);
    const QRect editorArea = EditorClient.adjusted(2, 2, -2, -2);
    EXPECT_EQ(Highlight()->geometry(), editorArea);
    ExpectSameImage(Highlight()->grab().toImage(), InvertedPicture(Picture.copy(editorArea)));
    EXPECT_TRUE(window->RegionTimer()->isActive());
    EXPECT_FALSE(window->RegionTickBusy());

    // The pointer stays: the highlight stays as it is.
    QWidget* first = Highlight();
    window->Capture().RegionTimerTimer();
    EXPECT_EQ(Highlight(), first);
    EXPECT_TRUE(window->RegionTimer()->isActive());

    Screen.Pointer = ViewerClient.center();
    window->Capture().RegionTimerTimer();
    EXPECT_EQ(window->HighlightedWindow(), Viewer);
    ASSERT_NE(Highlight(), nullptr);
    EXPECT_EQ(Highlight()->geometry(), ViewerClient.adjusted(2, 2, -2, -2));

    ASSERT_TRUE(PressPrintScreen());

    ExpectSameImage(Stored(), Picture.copy(ViewerClient));
    EXPECT_EQ(Highlight(), nullptr);
    EXPECT_EQ(window->HighlightedWindow(), 0u);
    EXPECT_FALSE(window->RegionTimer()->isActive());
}

TEST_F(SelectionCapture, APressInTheMiddleOfATickCapturesAndNoHighlightComesBack) {
    auto window = StartWith(cmMouseSelectedRegion);
    Screen.Pointer = EditorClient.center();
    ASSERT_TRUE(PressPrintScreen());
    window->RegionTimer()->stop(); // the test plays the tick itself
    // The press arrives while the tick lets the program's events through.
    QTimer::singleShot(0, [&] { EXPECT_TRUE(PressPrintScreen()); });

    window->Capture().RegionTimerTimer();

    ASSERT_EQ(Captures(), std::vector<std::string>{"pic1.bmp"});
    ExpectSameImage(Stored(), Picture.copy(EditorClient));
    EXPECT_EQ(Highlight(), nullptr);
    EXPECT_FALSE(window->RegionTimer()->isActive());
    EXPECT_FALSE(window->RegionTickBusy());
    EXPECT_TRUE(HotKeysBack());
}

TEST_F(SelectionCapture, APressWhileThePointerStaysOnTheHighlightedWindowCaptures) {
    auto window = StartWith(cmMouseSelectedRegion);
    Screen.Pointer = EditorClient.center();
    ASSERT_TRUE(PressPrintScreen());
    window->Capture().RegionTimerTimer();
    window->Capture().RegionTimerTimer(); // same window: the tick stays busy
    ASSERT_TRUE(window->RegionTickBusy());
    window->RegionTimer()->stop();

    ASSERT_TRUE(PressPrintScreen());

    ExpectSameImage(Stored(), Picture.copy(EditorClient));
    EXPECT_FALSE(window->RegionTickBusy());
    EXPECT_EQ(Highlight(), nullptr);
}

TEST_F(SelectionCapture, AnotherMethodEndsTheHighlighting) {
    auto window = StartWith(cmMouseSelectedRegion);
    Screen.Pointer = EditorClient.center();
    ASSERT_TRUE(PressPrintScreen());
    window->Capture().RegionTimerTimer();
    ASSERT_NE(Highlight(), nullptr);

    WriteSetting(sfCapSelection, cmFullScreen);
    ASSERT_TRUE(PressPrintScreen());

    EXPECT_EQ(Highlight(), nullptr);
    EXPECT_FALSE(window->RegionTimer()->isActive());
    ExpectSameImage(Stored(), Picture);
}

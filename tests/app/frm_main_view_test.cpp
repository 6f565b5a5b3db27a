// The captured-image list and the view: showing a row's image, its status line, the zoom
// box with Fit To Window and "View 100%", and the progress bar.
#include "tests/app/frm_main_fixture.h"

#include "imaging/convert_to_gray_transform.h"
#include "tests/imaging/test_images.h"
#include "widgets/image_scroll_box.h"

#include <QComboBox>
#include <QLabel>
#include <QProgressBar>

namespace {

class MainWindowView : public MainWindow {
protected:
    // The window shown with its view at exactly that outer size.
    std::unique_ptr<TfrmMainDriver> StartWithView(int width, int height) {
        auto window = StartShown();
        window->ImageView()->setFixedSize(width, height);
        QCoreApplication::processEvents();
        EXPECT_EQ(window->ImageView()->size(), QSize(width, height));
        return window;
    }
};

} // namespace

TEST_F(MainWindowView, ClickingARowShowsItsImageAtTheChosenZoom) {
    const TDibGraphic first = MakeNoise(40, 30, 1);
    const TDibGraphic second = MakeNoise(60, 20, 2);
    PutImage("pic1.bmp", first);
    PutImage("pic2.bmp", second);
    auto window = StartShown();
    ASSERT_TRUE(window->ImageView()->Graphic().Empty());
    ChooseZoom(*window, "View 50%"); // nothing shown yet: nothing to zoom
    EXPECT_TRUE(window->ImageView()->Graphic().Empty());

    const int row = RowOf(*window, "pic2.bmp");
    ClickRow(*window, row);

    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(second));
    EXPECT_EQ(window->ImageView()->ZoomPercent(), 50.0f);
    EXPECT_EQ(window->ImageView()->DisplayGraphic().Width(), 30);
    EXPECT_EQ(window->StatusText(), window->Paths()[row] + ", 60x20, High Color");
    EXPECT_TRUE(window->List()->hasFocus());

    // Moving through the list with the keyboard shows each row as a click does.
    const Qt::Key towardsFirst = RowOf(*window, "pic1.bmp") < row ? Qt::Key_Up : Qt::Key_Down;
    QTest::keyClick(window->List(), towardsFirst);
    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(first));
    EXPECT_EQ(window->ImageView()->ZoomPercent(), 50.0f);
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(MainWindowView, StatusLineGivesPathSizeAndColourDepth) {
    struct TCase {
        const char* Name;
        TDibGraphic Image;
        const char* Ending;
    };
    const TCase cases[] = {
        {"pic1.bmp", MakeNoise(64, 48), ", 64x48, High Color"},
        {"pic2.bmp", MakeIndexImage(7, 5, ifBlackWhite, [](int x, int) { return x % 2; }),
         ", 7x5, 2 colors"},
        {"pic3.bmp", MakeIndexImage(9, 4, ifColor16, [](int x, int) { return x; }),
         ", 9x4, 16 colors"},
        {"pic4.pcx", MakeIndexImage(9, 4, ifColor256, [](int x, int y) { return x * y; }),
         ", 9x4, 256 colors"},
        {"pic5.gif", MakeNoise(640, 480), ", 640x480x256"},
        {"PIC6.GIF", MakeNoise(3, 2), ", 3x2x256"},
    };
    for (const auto& c : cases)
        PutImage(c.Name, c.Image);
    // A saved copy in a folder with blanks and letters beyond ASCII.
    std::filesystem::create_directories(Scratch / "Bilder für dich");
    const std::string saved =
        PutImage((Scratch / "Bilder für dich" / "Grün 1.tif").string(), MakeNoise(11, 13));
    auto window = StartShown();
    window->AppendImage(Path(saved), "");

    for (const auto& c : cases) {
        const int row = RowOf(*window, QString(c.Name).toLower());
        ASSERT_GE(row, 0) << c.Name;
        ClickRow(*window, row);
        EXPECT_EQ(window->StatusText(), window->Paths()[row] + c.Ending) << c.Name;
    }
    ClickRow(*window, window->List()->topLevelItemCount() - 1);
    EXPECT_EQ(window->StatusText(), Path(saved) + ", 11x13, High Color");
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(MainWindowView, AVanishedFileChangesNothing) {
    const TDibGraphic shown = MakeNoise(20, 10);
    PutImage("pic1.bmp", shown);
    PutImage("pic2.bmp", MakeNoise(30, 30));
    auto window = StartShown();
    ClickRow(*window, RowOf(*window, "pic1.bmp"));
    const QString status = window->StatusText();
    // Even the copy that "View 100%" would bring back stays where it is.
    window->WorkImage() = MakeNoise(5, 5);
    std::filesystem::remove(Work() / "pic2.bmp");

    ClickRow(*window, RowOf(*window, "pic2.bmp"));

    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(shown));
    EXPECT_EQ(window->StatusText(), status);
    EXPECT_FALSE(window->WorkImage().Empty());
    EXPECT_EQ(window->List()->topLevelItemCount(), 2);
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(MainWindowView, AnUnreadableImageIsReportedAndLeavesTheViewEmpty) {
    PutImage("pic1.bmp", MakeNoise(20, 10));
    Put("pic2.png", "not a picture at all");
    auto window = StartShown();
    ClickRow(*window, RowOf(*window, "pic1.bmp"));
    Dialogs.MessageAnswers = {TMsgResult::OK};

    ClickRow(*window, RowOf(*window, "pic2.png"));

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
    EXPECT_FALSE(Dialogs.Calls[0].Text.isEmpty());
    EXPECT_TRUE(window->ImageView()->Graphic().Empty());
    EXPECT_EQ(window->StatusText(), "");
}

TEST_F(MainWindowView, FitToWindowEndsAtTheLargestZoomWithoutScrollBars) {
    struct TCase {
        int Width, Height;
        int Zoom; // the expected result
    };
    const TCase cases[] = {
        {1600, 1200, 20}, // larger: shrinks until neither bar shows
        {1000, 3000, 8},  // larger and tall
        {400, 100, 99},   // as wide as the view: the first percentage below 100
        {100, 50, 400},   // smaller: grows until just before the horizontal bar
        {50, 80, 301},    // smaller and tall: 80 x 301 % is 240.8 pixels, cut to 240
        {300, 200, 120},  // grows on the width, then steps back for the height
        {1, 1, 24099},    // 1 x 24099 % is still one pixel less than 241
    };
    for (const auto& c : cases) {
        const std::string name = std::to_string(c.Width) + "x" + std::to_string(c.Height);
        std::filesystem::remove_all(Work());
        PutImage("pic1.bmp", MakeNoise(c.Width, c.Height));
        auto window = StartWithView(400, 240);
        ChooseZoom(*window, "Fit To Window");
        ClickRow(*window, 0);

        TImageScrollBox& view = *window->ImageView();
        EXPECT_EQ(view.ZoomPercent(), float(c.Zoom)) << name;
        EXPECT_EQ(view.ZoomMode(), zmPercent) << name;
        EXPECT_FALSE(view.HorzScrollBarVisible() || view.VertScrollBarVisible()) << name;
        // The largest: one more percent brings a bar (or, for an image that fills the
        // view, reaches 100).
        view.SetZoomPercent(float(c.Zoom + 1));
        EXPECT_TRUE(view.HorzScrollBarVisible() || view.VertScrollBarVisible() || c.Zoom + 1 == 100)
            << name;
    }
}

TEST_F(MainWindowView, FitToWindowNeverGoesBelowOnePercent) {
    PutImage("pic1.bmp", MakeNoise(2, 40000));
    auto window = StartWithView(400, 240);
    ClickRow(*window, 0);

    ChooseZoom(*window, "Fit To Window");

    EXPECT_EQ(window->ImageView()->ZoomPercent(), 1.0f);
    EXPECT_EQ(window->ImageView()->DisplayGraphic().Height(), 400);
    EXPECT_TRUE(window->ImageView()->VertScrollBarVisible());
}

TEST_F(MainWindowView, View100BringsBackTheImageFromBeforeTheLastTransform) {
    const TDibGraphic capture = MakeNoise(50, 40);
    PutImage("pic1.bmp", capture);
    auto window = StartShown();
    ClickRow(*window, 0);
    ChooseZoom(*window, "View 200%");
    // A grey capture: the copy from before the conversion is kept in WorkImage.
    window->WorkImage() = window->ImageView()->Graphic();
    TConvertToGrayTransform grey;
    grey.ApplyOnDest(window->WorkImage(), window->ImageView()->Graphic());
    window->ImageView()->Redraw(true);
    const std::vector<uint32_t> greyPixels = Pixels(window->ImageView()->Graphic());
    ASSERT_NE(greyPixels, Pixels(capture));

    ChooseZoom(*window, "View 100%");

    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(capture));
    EXPECT_TRUE(window->WorkImage().Empty());
    EXPECT_EQ(window->ImageView()->ZoomMode(), zmOriginalSize);
    EXPECT_EQ(window->ImageView()->DisplayGraphic().Width(), 50);

    ChooseZoom(*window, "View 100%"); // again: unchanged
    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(capture));
    EXPECT_EQ(window->ImageView()->ZoomPercent(), 100.0f);

    ChooseZoom(*window, "View 25%");
    EXPECT_EQ(window->ImageView()->ZoomPercent(), 25.0f);
    ChooseZoom(*window, "View 100%"); // without a copy: only the zoom
    EXPECT_EQ(window->ImageView()->ZoomPercent(), 100.0f);
    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(capture));
}

TEST_F(MainWindowView, EveryZoomItemSetsItsPercentage) {
    PutImage("pic1.bmp", MakeNoise(8, 8));
    auto window = StartShown();
    ClickRow(*window, 0);
    for (int index = 1; index < window->ZoomBox()->count(); ++index) {
        const QString item = window->ZoomBox()->itemText(index);
        ChooseZoom(*window, item);
        EXPECT_EQ(QString("View %1%").arg(window->ImageView()->ZoomPercent()), item);
    }
}

TEST_F(MainWindowView, ProgressBarShowsWhileATransformRuns) {
    auto window = StartShown();
    EXPECT_FALSE(window->Progress()->isVisible());
    EXPECT_EQ(window->Progress()->minimum(), 0);
    EXPECT_EQ(window->Progress()->maximum(), 100);

    std::vector<std::pair<int, bool>> seen; // value and visibility at each report
    TConvertToGrayTransform grey;
    const TProgressCallback report = window->ReportProgressCallback();
    grey.SetProgressCallback([&](TImageTransform& sender, int percent) {
        report(sender, percent);
        seen.emplace_back(window->Progress()->value(), window->Progress()->isVisible());
    });
    TDibGraphic image = MakeNoise(300, 300);
    grey.Apply(image);

    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(seen.front(), std::make_pair(0, true));
    EXPECT_EQ(seen[seen.size() / 2].second, true);
    EXPECT_FALSE(seen.back().second); // 100: done
    EXPECT_FALSE(window->Progress()->isVisible());
}

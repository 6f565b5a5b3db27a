// The thumbnail grid on its own: geometry of the three sizes, the thumbnails of a
// loading pass, and the mouse's selection rules.
#include "thumbs/thumb_view_grid.h"

#include "imaging/format_registry.h"
#include "imaging/resample.h"
#include "tests/imaging/test_images.h"
#include "tests/store/work_folder_fixture.h"
#include "thumbs/thumb_layout.h"
#include "thumbs/thumb_selection.h"

#include <QSignalSpy>
#include <QTest>

#include <vector>

namespace {

TEST(ThumbLayout, FrameAndPictureSizesOfEachCode) {
    struct TCase {
        int Code;
        QSize Frame;
        QSize Picture;
    };
    for (const TCase& c : {TCase{1, {88, 68}, {80, 60}}, TCase{2, {128, 98}, {120, 90}},
                           TCase{3, {168, 128}, {160, 120}}, TCase{0, {168, 128}, {160, 120}},
                           TCase{7, {168, 128}, {160, 120}}}) {
        EXPECT_EQ(FrameSizeOf(c.Code), c.Frame) << c.Code;
        EXPECT_EQ(PictureSizeOf(c.Code), c.Picture) << c.Code;
    }
}

TEST(ThumbLayout, ColumnsFollowTheScreenWidth) {
    struct TCase {
        int Width;
        int Small, Medium, Large;
    };
    for (const TCase& c :
         {TCase{640, 5, 4, 3}, TCase{799, 5, 4, 3}, TCase{800, 7, 5, 4}, TCase{1023, 7, 5, 4},
          TCase{1024, 9, 6, 5}, TCase{1920, 9, 6, 5}, TCase{639, 9, 6, 5}}) {
        EXPECT_EQ(ColumnsPerRow(1, c.Width), c.Small) << c.Width;
        EXPECT_EQ(ColumnsPerRow(2, c.Width), c.Medium) << c.Width;
        EXPECT_EQ(ColumnsPerRow(3, c.Width), c.Large) << c.Width;
    }
}

TEST(ThumbLayout, SmallThumbnailsRunNineToARowAt1024) {
    const int columns = ColumnsPerRow(1, 1024);
    ASSERT_EQ(columns, 9);
    for (int n = 1; n <= 9; ++n) {
        EXPECT_EQ(FrameRect(n, columns, 1).left(), 20 + 108 * (n - 1)) << n;
        EXPECT_EQ(FrameRect(n, columns, 1).top(), 35) << n;
    }
    EXPECT_EQ(FrameRect(9, columns, 1).left(), 884);
    EXPECT_EQ(FrameRect(10, columns, 1), QRect(20, 138, 88, 68));
}

TEST(ThumbLayout, LargeThumbnailsRunFourToARowAt800) {
    const int columns = ColumnsPerRow(3, 800);
    EXPECT_EQ(FrameRect(4, columns, 3).top(), 35);
    EXPECT_EQ(FrameRect(5, columns, 3), QRect(20, 35 + 163, 168, 128));
}

TEST(ThumbLayout, MarkAndLabelSitAroundAndUnderTheFrame) {
    const QRect frame(20, 35, 88, 68);
    EXPECT_EQ(SelectionMarkRect(frame), QRect(QPoint(17, 32), QPoint(110, 105)));
    EXPECT_EQ(LabelRect(frame, 16), QRect(20, 107, 88, 16));
}

TEST(ThumbLayout, QualityCodesChooseTheFilter) {
    EXPECT_EQ(ThumbnailFilter(0), nullptr);
    EXPECT_STREQ(ThumbnailFilter(2)->Name, "Hermite");
    EXPECT_STREQ(ThumbnailFilter(4)->Name, "B-Spline");
    EXPECT_STREQ(ThumbnailFilter(6)->Name, "Mitchell");
    // A code the table does not have (an edited "quality.dat") is never read past its end.
    EXPECT_STREQ(ThumbnailFilter(7)->Name, "Hermite");
    EXPECT_STREQ(ThumbnailFilter(-3)->Name, "Hermite");
}

TEST(ThumbLayout, WidePictureInAMediumFrame) {
    const TDibGraphic wide = MakeImage(2000, 500, [](int, int) { return 0x00FF00u; });
    for (int quality : {0, 2, 4}) {
        const QImage thumbnail = MakeThumbnailPicture(wide, PictureSizeOf(2), quality);
        EXPECT_EQ(thumbnail.size(), QSize(120, 30)) << quality;
    }
    EXPECT_EQ(FitThumbnailSize(2000, 500, 120, 90).Top, 30);
    // Small pictures are enlarged to the box.
    const TDibGraphic tiny = MakeImage(8, 6, [](int, int) { return 0xFFFFFFu; });
    EXPECT_EQ(MakeThumbnailPicture(tiny, PictureSizeOf(3), 2).size(), QSize(160, 120));
}

// Selection: `steps` are releases "n", "+n" (Shift alone), "^n" (Ctrl alone).
std::vector<int> AfterReleases(const std::vector<std::string>& steps) {
    TThumbSelection selection;
    for (const std::string& step : steps) {
        TReleaseKeys keys = TReleaseKeys::Plain;
        std::string number = step;
        if (step[0] == '+' || step[0] == '^') {
            keys = step[0] == '+' ? TReleaseKeys::ShiftAlone : TReleaseKeys::CtrlAlone;
            number = step.substr(1);
        }
        selection.Release(std::stoi(number), keys);
    }
    return selection.Numbers();
}

TEST(ThumbSelection, ReleaseRules) {
    struct TCase {
        std::vector<std::string> Steps;
        std::vector<int> Selected;
    };
    const std::vector<TCase> cases = {
        {{"3"}, {3}},
        {{"3", "5"}, {5}},
        {{"3", "+7"}, {3, 4, 5, 6, 7}},
        {{"3", "+7", "+10"}, {7, 8, 9, 10}},
        {{"7", "+3"}, {3, 4, 5, 6, 7}},
        {{"+4"}, {4}},
        {{"3", "^8", "^1"}, {3, 8, 1}},
        {{"3", "^8", "^1", "^8"}, {3, 1}},
        {{"3", "^8", "+3"}, {3, 8}},
        {{"3", "^8", "3"}, {}},
        {{"2", "^6", "+4"}, {4, 5, 6}},
    };
    for (const TCase& c : cases) {
        std::string name;
        for (const std::string& step : c.Steps)
            name += step + " ";
        EXPECT_EQ(AfterReleases(c.Steps), c.Selected) << name;
    }
}

class ThumbnailGrid : public TWorkFolderTest {
protected:
    std::string PutImage(const std::string& name, const TDibGraphic& image) {
        EnsureWorkFolder();
        const std::string path = (Work() / name).string();
        SaveImageFile(image, path);
        return path;
    }
    // Loads and waits for the end of the pass.
    void LoadAll(TThumbViewGrid& grid, const QStringList& paths, int quality) {
        QStringList missing, failures;
        bool loaded = false;
        grid.OnLoaded = [&](const QStringList& m, const QStringList& f) {
            missing = m;
            failures = f;
            loaded = true;
        };
        grid.Load(paths, quality, 2);
        ASSERT_TRUE(QTest::qWaitFor([&] { return loaded; }, 20000));
        Missing = missing;
        Failures = failures;
    }
    QStringList Missing, Failures;
};

TEST_F(ThumbnailGrid, BuildsAtMost255AndPlacesTheFrames) {
    TThumbViewGrid grid;
    grid.Build(300, 1, 1024);
    EXPECT_EQ(grid.Count(), 255);
    EXPECT_EQ(grid.FrameGeometry(1), QRect(20, 35, 88, 68));
    EXPECT_EQ(grid.FrameGeometry(10), QRect(20, 138, 88, 68));
    EXPECT_EQ(grid.PictureWidget(1)->size(), QSize(80, 60));
    EXPECT_EQ(grid.PictureWidget(256), nullptr);
    EXPECT_TRUE(grid.LabelText(1).isEmpty());
    // The grid is as large as its frames, so that a scroll area scrolls it.
    EXPECT_GE(grid.minimumHeight(), grid.FrameGeometry(255).bottom());
    grid.Build(2, 3, 1024);
    EXPECT_EQ(grid.Count(), 2);
    EXPECT_EQ(grid.PictureWidget(1)->size(), QSize(160, 120));
    grid.Free();
    EXPECT_EQ(grid.Count(), 0);
}

TEST_F(ThumbnailGrid, LoadsEveryPictureAndNamesIt) {
    const TDibGraphic wide = MakeImage(2000, 500, [](int, int) { return 0x0000FFu; });
    QStringList paths;
    for (int i = 0; i < 6; ++i)
        paths << QString::fromStdString(PutImage("pic" + std::to_string(i) + ".png", wide));
    paths << QString::fromStdString((Work() / "gone.png").string());
    paths << QString::fromStdString(Put("text.bmp", "not a picture"));
    TThumbViewGrid grid;
    grid.resize(1024, 600);
    grid.Build(int(paths.size()), 2, 1024);
    grid.SetLabelText(7, "old");
    int progress = 0;
    grid.OnProgress = [&](int done) { progress = done; };
    LoadAll(grid, paths, 2);
    EXPECT_EQ(progress, 8);
    for (int n = 1; n <= 6; ++n) {
        EXPECT_EQ(grid.Picture(n).size(), QSize(120, 30)) << n;
        EXPECT_EQ(grid.LabelText(n), "pic" + QString::number(n - 1) + ".png");
    }
    EXPECT_EQ(Missing, QStringList{paths[6]});
    ASSERT_EQ(Failures.size(), 1);
    EXPECT_TRUE(Failures[0].startsWith(paths[7] + ": "));
    // A thumbnail that could not be made stays empty and keeps its label.
    EXPECT_TRUE(grid.Picture(7).isNull());
    EXPECT_EQ(grid.LabelText(7), "old");

    // The wide picture sits 30 pixels from the picture's top, black above and below.
    const QImage shown = grid.PictureWidget(1)->grab().toImage();
    EXPECT_EQ(shown.pixelColor(60, 29), QColor(Qt::black));
    EXPECT_EQ(shown.pixelColor(60, 30), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(60, 59), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(60, 60), QColor(Qt::black));
}

TEST_F(ThumbnailGrid, RebuildingDuringAPassDropsItsPictures) {
    const TDibGraphic picture = MakeNoise(1920, 1080);
    QStringList paths;
    for (int i = 0; i < 8; ++i)
        paths << QString::fromStdString(PutImage("pic" + std::to_string(i) + ".bmp", picture));
    TThumbViewGrid grid;
    grid.Build(8, 1, 1024);
    grid.Load(paths, 2, 2);
    // No picture of the small pass lands in the large grid.
    grid.Build(3, 3, 1024);
    LoadAll(grid, paths, 0);
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(grid.Picture(n).size(), QSize(160, 90)) << n;
}

TEST_F(ThumbnailGrid, MouseSelectsAndMarks) {
    TThumbViewGrid grid;
    grid.resize(1024, 600);
    grid.Build(12, 1, 1024);
    std::vector<int> pressed, selected;
    grid.OnPress = [&](int n) { pressed.push_back(n); };
    grid.OnSelected = [&](int n) { selected.push_back(n); };

    QTest::mouseClick(grid.PictureWidget(3), Qt::LeftButton);
    QTest::mouseClick(grid.PictureWidget(7), Qt::LeftButton, Qt::ShiftModifier);
    EXPECT_EQ(grid.Selection().Numbers(), (std::vector<int>{3, 4, 5, 6, 7}));
    EXPECT_EQ(pressed, (std::vector<int>{3, 7}));
    EXPECT_EQ(selected, (std::vector<int>{3, 7}));
    EXPECT_TRUE(grid.LabelShowsSelected(5));
    EXPECT_FALSE(grid.LabelShowsSelected(8));

    // The marks: red around the selected frames, nothing around the others.
    const QImage shown = grid.grab().toImage();
    const QRect mark5 = SelectionMarkRect(grid.FrameGeometry(5));
    const QRect mark8 = SelectionMarkRect(grid.FrameGeometry(8));
    EXPECT_EQ(shown.pixelColor(mark5.topLeft()), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(mark5.bottomRight()), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(mark8.topLeft()), QColor(Qt::black));

    // Ctrl on a selected one unmarks exactly it.
    QTest::mouseClick(grid.PictureWidget(5), Qt::LeftButton, Qt::ControlModifier);
    EXPECT_EQ(grid.Selection().Numbers(), (std::vector<int>{3, 4, 6, 7}));
    EXPECT_FALSE(grid.LabelShowsSelected(5));
    EXPECT_EQ(grid.grab().toImage().pixelColor(mark5.topLeft()), QColor(Qt::black));

    // The right button makes it the current image and selects nothing.
    QTest::mouseClick(grid.PictureWidget(11), Qt::RightButton);
    EXPECT_EQ(grid.CurrentImage(), 11);
    EXPECT_EQ(pressed.back(), 5);
    EXPECT_EQ(grid.Selection().Numbers(), (std::vector<int>{3, 4, 6, 7}));

    // A plain release on a selected one leaves nothing selected.
    QTest::mouseClick(grid.PictureWidget(4), Qt::LeftButton);
    EXPECT_TRUE(grid.Selection().Empty());
    EXPECT_FALSE(grid.LabelShowsSelected(3));

    grid.SelectAll();
    EXPECT_EQ(grid.Selection().Numbers().size(), 12u);
    grid.ClearSelection();
    EXPECT_TRUE(grid.Selection().Empty());
}

} // namespace

#include "widgets/image_scroll_box.h"

#include "imaging/anti_alias_transform.h"
#include "imaging/format_registry.h"
#include "imaging/resize_transform.h"
#include "platform/dib_qimage.h"
#include "tests/imaging/image_test_support.h"
#include "tests/imaging/test_images.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sys/stat.h>
#include <vector>

namespace {

TDibGraphic Checkerboard(int width, int height) {
    return MakeIndexImage(width, height, ifBlackWhite,
                          [](int x, int y) { return ((x / 3) + (y / 2)) % 2; });
}

void SendMouse(QWidget* widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), widget->mapToGlobal(QPointF(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A press at `from`, moves through `path`, a release at the last point.
void Drag(QWidget* widget, QPoint from, const std::vector<QPoint>& path,
          Qt::MouseButton button = Qt::LeftButton) {
    SendMouse(widget, QEvent::MouseButtonPress, from, button, button);
    for (const QPoint& point : path)
        SendMouse(widget, QEvent::MouseMove, point, Qt::NoButton, button);
    SendMouse(widget, QEvent::MouseButtonRelease, path.empty() ? from : path.back(), button,
              Qt::NoButton);
}

// How many pixels the picture widget shows differently from the rendered picture.
int PixelsDifferingFromDisplay(const TImageScrollBox& view) {
    const QImage painted = view.Picture()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QImage expected =
        DibToQImage(view.DisplayGraphic()).convertToFormat(QImage::Format_RGB32);
    if (painted.size() != expected.size())
        return std::numeric_limits<int>::max();
    int differing = 0;
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x)
            differing += painted.pixel(x, y) != expected.pixel(x, y);
    return differing;
}

class ImageScrollBoxTest : public ::testing::Test {
protected:
    // A view of the given outer size in a shown window, as the program's windows hold it.
    TImageScrollBox& MakeView(int width = 200, int height = 200) {
        View = new TImageScrollBox(&Window);
        View->setGeometry(0, 0, width, height);
        Window.resize(width + 50, height + 50);
        Window.show();
        return *View;
    }

    // Every rendering must leave the scroll bars exactly where the picture needs them, and
    // the client area the view computes must be the one Qt lays out.
    void ExpectBarsMatchPicture() {
        const int width = View->DisplayGraphic().Width();
        const int height = View->DisplayGraphic().Height();
        EXPECT_EQ(View->HorzScrollBarVisible(), width > View->ClientWidth());
        EXPECT_EQ(View->VertScrollBarVisible(), height > View->ClientHeight());
        EXPECT_EQ(View->horizontalScrollBar()->isVisible(), View->HorzScrollBarVisible());
        EXPECT_EQ(View->verticalScrollBar()->isVisible(), View->VertScrollBarVisible());
        EXPECT_EQ(View->viewport()->size(), QSize(View->ClientWidth(), View->ClientHeight()));
    }

    QWidget Window;
    TImageScrollBox* View = nullptr;
};

TEST_F(ImageScrollBoxTest, EmptyImage_ShowsNothingAndHidesBothBars) {
    TImageScrollBox& view = MakeView();
    view.AssignImage(MakeNoise(400, 300));
    ASSERT_TRUE(view.HorzScrollBarVisible() && view.VertScrollBarVisible());

    int redraws = 0;
    view.OnRedraw = [&](const TDibGraphic&) { ++redraws; };
    view.ClearImage();

    EXPECT_TRUE(view.Graphic().Empty());
    EXPECT_TRUE(view.DisplayGraphic().Empty());
    EXPECT_FALSE(view.HorzScrollBarVisible());
    EXPECT_FALSE(view.VertScrollBarVisible());
    EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
    EXPECT_FALSE(view.verticalScrollBar()->isVisible());
    EXPECT_FALSE(view.Picture()->isVisible());
    EXPECT_EQ(redraws, 0);

    // Zooming nothing is ignored.
    view.SetZoomPercent(50);
    EXPECT_EQ(view.ZoomPercent(), 100.0f);
    EXPECT_EQ(view.ZoomMode(), zmOriginalSize);
}

struct TZoomCase {
    const char* Name;
    int ImageWidth, ImageHeight;
    TZoomMode Mode;
    float Percent; // for zmPercent
    float ExpectedZoom;
    int Width, Height;
    bool Horizontal, Vertical;
};

TEST_F(ImageScrollBoxTest, ZoomModes_ComputeTheZoomAndTheRenderedSize) {
    const TZoomCase cases[] = {
        {"original size", 300, 100, zmOriginalSize, 0, 100, 300, 100, true, false},
        {"1 x 1 at 10 %", 1, 1, zmPercent, 10, 10, 1, 1, false, false},
        {"percent truncates", 300, 100, zmPercent, 37.5f, 37.5f, 112, 37, false, false},
        {"percent enlarges", 90, 30, zmPercent, 250, 250, 225, 75, true, false},
        {"full page shrinks", 400, 100, zmFullPage, 0, 50, 200, 50, false, false},
        {"full page enlarges", 50, 40, zmFullPage, 0, 400, 200, 160, false, false},
        // The ratio is kept in single precision before it becomes a percentage.
        {"full page of a third", 600, 600, zmFullPage, 0, 33.333336f, 200, 200, false, false},
        {"fit to page keeps a small image", 50, 40, zmFitToPage, 0, 100, 50, 40, false, false},
        {"fit to page shrinks", 1000, 500, zmFitToPage, 0, 20, 200, 100, false, false},
        {"fit width", 400, 100, zmFitWidth, 0, 50, 200, 50, false, false},
        {"fit height", 100, 400, zmFitHeight, 0, 50, 50, 200, false, false},
    };
    TImageScrollBox& view = MakeView(200, 200);
    for (const TZoomCase& c : cases) {
        SCOPED_TRACE(c.Name);
        view.SetZoomMode(zmOriginalSize);
        view.AssignImage(MakeNoise(c.ImageWidth, c.ImageHeight));
        if (c.Mode == zmPercent)
            view.SetZoomPercent(c.Percent);
        else
            view.SetZoomMode(c.Mode);

        EXPECT_EQ(view.ZoomMode(), c.Mode);
        EXPECT_EQ(view.ZoomPercent(), c.ExpectedZoom);
        EXPECT_EQ(view.DisplayGraphic().Width(), c.Width);
        EXPECT_EQ(view.DisplayGraphic().Height(), c.Height);
        EXPECT_EQ(view.Picture()->size(), QSize(c.Width, c.Height));
        EXPECT_EQ(view.HorzScrollBarVisible(), c.Horizontal);
        EXPECT_EQ(view.VertScrollBarVisible(), c.Vertical);
        ExpectBarsMatchPicture();
    }
}

TEST_F(ImageScrollBoxTest, ZoomPercent_IgnoresTinyAndInvalidValues) {
    TImageScrollBox& view = MakeView();
    view.AssignImage(MakeNoise(1000, 1000));
    for (const float ignored : {0.05f, 0.1f, 0.0f, -20.0f, std::numeric_limits<float>::quiet_NaN(),
                                std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(ignored);
        view.SetZoomPercent(ignored);
        EXPECT_EQ(view.ZoomPercent(), 100.0f);
        EXPECT_EQ(view.ZoomMode(), zmOriginalSize);
        EXPECT_EQ(view.DisplayGraphic().Width(), 1000);
    }
    view.SetZoomPercent(0.5f);
    EXPECT_EQ(view.ZoomMode(), zmPercent);
    EXPECT_EQ(view.DisplayGraphic().Width(), 5);
}

TEST_F(ImageScrollBoxTest, Events_ZoomChangeForComputedZooms_RedrawAfterEveryRendering) {
    TImageScrollBox& view = MakeView(200, 200);
    std::vector<float> zooms;
    std::vector<int> redrawnWidths;
    view.OnZoomChange = [&](TImageScrollBox& sender, float zoom) {
        EXPECT_EQ(&sender, &view);
        zooms.push_back(zoom);
    };
    view.OnRedraw = [&](const TDibGraphic& image) { redrawnWidths.push_back(image.Width()); };

    view.AssignImage(MakeNoise(80, 60));
    view.SetZoomPercent(50); // the owner's own choice is not reported back
    view.SetZoomMode(zmFullPage);
    view.Redraw(false);
    view.SetZoomMode(zmOriginalSize);

    EXPECT_EQ(zooms, (std::vector<float>{250, 100}));
    EXPECT_EQ(redrawnWidths, (std::vector<int>{80, 80, 80, 80, 80}));
}

TEST_F(ImageScrollBoxTest, Centered_SmallPictureInTheMiddle_LargeOneTopLeftWithBars) {
    TImageScrollBox& view = MakeView(200, 200);
    view.AssignImage(MakeNoise(50, 40));
    EXPECT_EQ(view.Picture()->pos(), QPoint(0, 0));

    view.SetCentered(true);
    EXPECT_EQ(view.Picture()->pos(), QPoint(75, 80));

    view.AssignImage(MakeNoise(400, 300));
    EXPECT_EQ(view.Picture()->pos(), QPoint(0, 0));
    EXPECT_TRUE(view.HorzScrollBarVisible());
    EXPECT_TRUE(view.VertScrollBarVisible());

    // Beside a vertical bar a narrow picture is centred in what the bar leaves, so no part of
    // it hides under the bar.
    view.AssignImage(MakeNoise(180, 1000));
    ASSERT_TRUE(view.VertScrollBarVisible());
    ASSERT_FALSE(view.HorzScrollBarVisible());
    EXPECT_EQ(view.Picture()->x(), (view.ClientWidth() - 180) / 2);
    EXPECT_LE(view.Picture()->geometry().right(), view.ClientWidth() - 1);
    EXPECT_EQ(view.Picture()->y(), 0);
    ExpectBarsMatchPicture();
}

TEST_F(ImageScrollBoxTest, ScrollBars_AppearWhenTheOtherBarTakesTheSpaceThePictureNeeded) {
    TImageScrollBox& view = MakeView(200, 200);
    const int barHeight = view.horizontalScrollBar()->sizeHint().height();
    // Wide enough for a horizontal bar, and one pixel too high for what that bar leaves.
    view.AssignImage(MakeNoise(300, 200 - barHeight + 1));
    EXPECT_TRUE(view.HorzScrollBarVisible());
    EXPECT_TRUE(view.VertScrollBarVisible());
    ExpectBarsMatchPicture();

    // Scrolling to the end shows the last column and row of the picture.
    view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum());
    EXPECT_EQ(view.Picture()->geometry().right(), view.ClientWidth() - 1);
    EXPECT_EQ(view.Picture()->geometry().bottom(), view.ClientHeight() - 1);

    // A new rendering starts at the top-left again.
    view.SetZoomPercent(99);
    EXPECT_EQ(view.horizontalScrollBar()->value(), 0);
    EXPECT_EQ(view.Picture()->pos(), QPoint(0, 0));
}

TEST_F(ImageScrollBoxTest, FitToWindowSearch_BarsFollowEachStepOfTheZoom) {
    // The main window's Fit To Window search steps the zoom by 1 % and watches the bars.
    TImageScrollBox& view = MakeView(400, 240);
    view.AssignImage(MakeNoise(1600, 1200));
    int zoom = 100;
    auto step = [&](int by) {
        zoom += by;
        view.SetZoomPercent(float(zoom));
        ExpectBarsMatchPicture();
    };
    do
        step(-1);
    while (view.HorzScrollBarVisible() && zoom > 1);
    while (view.VertScrollBarVisible() && zoom > 1)
        step(-1);
    EXPECT_EQ(zoom, 20);
    EXPECT_EQ(view.DisplayGraphic().Width(), 320);
    EXPECT_EQ(view.DisplayGraphic().Height(), 240);
    EXPECT_FALSE(view.HorzScrollBarVisible() || view.VertScrollBarVisible());
    step(+1);
    EXPECT_TRUE(view.VertScrollBarVisible());

    // A small image grows until a bar would appear.
    view.SetZoomMode(zmOriginalSize);
    view.AssignImage(MakeNoise(200, 100));
    zoom = 100;
    do
        step(+1);
    while (!view.HorzScrollBarVisible());
    EXPECT_EQ(zoom, 201);
    step(-1);
    EXPECT_FALSE(view.HorzScrollBarVisible() || view.VertScrollBarVisible());
    EXPECT_EQ(view.DisplayGraphic().Width(), 400);
}

TEST_F(ImageScrollBoxTest, ScrollBarsAt_ForetellsTheBarsOfARenderingAtThatZoom) {
    TImageScrollBox& view = MakeView(120, 80);
    EXPECT_FALSE(view.ScrollBarsAt(500).Horizontal || view.ScrollBarsAt(500).Vertical);
    const int barWidth = view.verticalScrollBar()->sizeHint().width();
    // Sizes around both edges, also where one bar's strip brings the other.
    for (const QSize size : {QSize(160, 120), QSize(90, 60), QSize(119, 79),
                             QSize(120 - barWidth + 1, 100), QSize(1, 1)}) {
        view.AssignImage(MakeNoise(size.width(), size.height()));
        for (int zoom = 1; zoom <= 200; ++zoom) {
            const TImageScrollBox::TScrollBars foretold = view.ScrollBarsAt(float(zoom));
            view.SetZoomPercent(float(zoom));
            ASSERT_EQ(foretold.Horizontal, view.HorzScrollBarVisible())
                << size.width() << "x" << size.height() << " at " << zoom;
            ASSERT_EQ(foretold.Vertical, view.VertScrollBarVisible())
                << size.width() << "x" << size.height() << " at " << zoom;
        }
    }
}

TEST_F(ImageScrollBoxTest, Resize_RendersAgain) {
    TImageScrollBox& view = MakeView(200, 200);
    view.AssignImage(MakeNoise(400, 400));
    view.SetZoomMode(zmFullPage);
    EXPECT_EQ(view.ZoomPercent(), 50.0f);
    view.resize(100, 300);
    EXPECT_EQ(view.ZoomPercent(), 25.0f);
    EXPECT_EQ(view.DisplayGraphic().Width(), 100);
}

TEST_F(ImageScrollBoxTest, BlackAndWhite_IsShownSmoothedWhenAntiAliased) {
    TImageScrollBox& view = MakeView();
    const TDibGraphic bits = Checkerboard(64, 48);
    TDibGraphic smoothed;
    TAntiAliasTransform().ApplyOnDest(bits, smoothed);
    view.AssignImage(bits);

    // At exactly 100 % the picture is a copy: the bits themselves, or their smoothed greys.
    EXPECT_EQ(view.DisplayGraphic().ImageFormat(), ifBlackWhite);
    EXPECT_TRUE(SamePixels(bits, view.DisplayGraphic()));
    view.SetAntiAliased(true);
    EXPECT_EQ(view.DisplayGraphic().ImageFormat(), ifGray16);
    EXPECT_TRUE(SamePixels(smoothed, view.DisplayGraphic()));
    EXPECT_EQ(PixelsDifferingFromDisplay(view), 0);

    // Zoomed, the smoothed copy is what gets resized.
    view.SetZoomPercent(50);
    TResizeTransform resize;
    resize.Width = 32;
    resize.Height = 24;
    TDibGraphic expected;
    resize.ApplyOnDest(smoothed, expected);
    EXPECT_TRUE(SamePixels(expected, view.DisplayGraphic()));

    // Other formats are never smoothed.
    const TDibGraphic gray = PatternImage(ifGray256, 20, 10);
    view.SetZoomMode(zmOriginalSize);
    view.AssignImage(gray);
    EXPECT_TRUE(SamePixels(gray, view.DisplayGraphic()));
}

TEST_F(ImageScrollBoxTest, BlackAndWhite_ImageAssignedWhileHiddenIsSmoothedAnewWhenShown) {
    TImageScrollBox& view = MakeView();
    view.SetAntiAliased(true);
    view.AssignImage(Checkerboard(64, 48));

    view.hide();
    const TDibGraphic other =
        MakeIndexImage(64, 48, ifBlackWhite, [](int x, int) { return x < 20 ? 1 : 0; });
    view.AssignImage(other);
    view.show();

    TDibGraphic expected;
    TAntiAliasTransform().ApplyOnDest(other, expected);
    EXPECT_TRUE(SamePixels(expected, view.DisplayGraphic()));
}

class ImageScrollBoxFileTest : public ImageScrollBoxTest {
protected:
    QString Path(const QString& name) const { return Folder.filePath(name); }
    QTemporaryDir Folder;
};

TEST_F(ImageScrollBoxFileTest, LoadFromFile_ShowsTheFileAndRemembersItsName) {
    TImageScrollBox& view = MakeView();
    const TDibGraphic image = MakeNoise(30, 20);
    const QString path = Path("Bild mit Ümlaut.bmp");
    SaveImageFile(image, QFile::encodeName(path).toStdString());

    view.LoadFromFile(path, 1);
    EXPECT_TRUE(SamePixels(image, view.Graphic()));
    EXPECT_TRUE(SamePixels(image, view.DisplayGraphic()));
    EXPECT_EQ(view.FileName(), path);

    view.SetFileName(QString());
    EXPECT_TRUE(view.Graphic().Empty());
    EXPECT_TRUE(view.FileName().isEmpty());

    // Frame 0 (every frame) shows the first one.
    view.SetFileName(path);
    view.ClearImage();
    view.LoadFromFile(path, 0);
    EXPECT_TRUE(SamePixels(image, view.Graphic()));
}

TEST_F(ImageScrollBoxFileTest, LoadFromFile_ReadsOtherFormatsThroughQt) {
    TImageScrollBox& view = MakeView();
    const TDibGraphic image = MakeNoise(7, 5);
    const QString path = Path("picture.ppm");
    ASSERT_TRUE(DibToQImage(image).save(path, "PPM"));

    view.LoadFromFile(path);
    EXPECT_EQ(view.Graphic().ImageFormat(), ifTrueColor);
    EXPECT_TRUE(SamePixels(image, view.Graphic()));
    EXPECT_EQ(view.FileName(), path);
}

TEST_F(ImageScrollBoxFileTest, LoadFromFile_KeepsThePreviousImageOnError) {
    TImageScrollBox& view = MakeView();
    const QString good = Path("good.png");
    SaveImageFile(MakeNoise(40, 30), QFile::encodeName(good).toStdString());
    view.LoadFromFile(good);
    const TDibGraphic before = view.Graphic();

    QFile corrupt(Path("corrupt.bmp"));
    ASSERT_TRUE(corrupt.open(QIODevice::WriteOnly));
    corrupt.write("BM this is not a bitmap");
    corrupt.close();
    QFile unknown(Path("notes.xyz"));
    ASSERT_TRUE(unknown.open(QIODevice::WriteOnly));
    unknown.write("plain text");
    unknown.close();

    struct TCase {
        QString Path;
        const char* Message; // nullptr: the codec's own message
    } cases[] = {
        {Path("missing.png"), nullptr},
        {Path("corrupt.bmp"), nullptr},
        {Path("notes.xyz"), "Graphic files of .xyz format are not supported or not registered"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        try {
            view.LoadFromFile(c.Path);
            ADD_FAILURE() << "loaded";
        } catch (const EImageError& error) {
            if (c.Message) {
                EXPECT_STREQ(error.what(), c.Message);
            }
        }
        EXPECT_TRUE(SamePixels(before, view.Graphic()));
        EXPECT_TRUE(SamePixels(before, view.DisplayGraphic()));
        EXPECT_EQ(view.FileName(), good);
    }
}

TEST_F(ImageScrollBoxFileTest, LoadFromFile_RefusesPipesAndImagesBeyondTheLimitsAtOnce) {
    TImageScrollBox& view = MakeView();
    const QString good = Path("good.png");
    SaveImageFile(MakeNoise(40, 30), QFile::encodeName(good).toStdString());
    view.LoadFromFile(good);
    const TDibGraphic before = view.Graphic();

    // Named pipes, through our codecs and through Qt's readers: refused without waiting for
    // a writer (the test would hang otherwise).
    for (const char* name : {"pipe.png", "pipe.ppm"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(Path(name)).constData(), 0600), 0);
    // A picture Qt would read whose header claims 400 million pixels.
    QFile huge(Path("huge.ppm"));
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    huge.write("P6\n20000 20000\n255\n");
    huge.write(QByteArray(3000, '\x7f'));
    huge.close();
    const std::pair<QString, std::string> cases[] = {
        {Path("pipe.png"), "it is a named pipe, not a regular file"},
        {Path("pipe.ppm"), "it is a named pipe, not a regular file"},
        {Path("huge.ppm"),
         "Image size 20000x20000 (400 megapixels) is over the limit of 300 megapixels"},
    };
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path.toStdString());
        try {
            view.LoadFromFile(path);
            ADD_FAILURE() << "loaded";
        } catch (const EImageError& error) {
            EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
        }
        EXPECT_TRUE(SamePixels(before, view.Graphic()));
        EXPECT_EQ(view.FileName(), good);
    }
}

TEST_F(ImageScrollBoxFileTest, WhatTheViewHoldsIsChargedWhileItHoldsIt) {
    const std::size_t before = WorkingMemoryInUse();
    TImageScrollBox& view = MakeView();
    view.AssignImage(MakeNoise(100, 80));
    // The picture, the copy shown and the screen's picture of it.
    EXPECT_GE(WorkingMemoryInUse() - before, std::size_t(2 * 100 * 80 * 3 + 100 * 80 * 4));
    view.ClearImage();
    EXPECT_EQ(WorkingMemoryInUse(), before);

    // Too little budget to show it: the view shows nothing and says why.
    SetWorkingMemoryBudget(WorkingMemoryInUse() + 2 * 100 * 80 * 3 + 1000);
    try {
        view.AssignImage(MakeNoise(100, 80));
        ADD_FAILURE() << "shown";
    } catch (const EImageError& error) {
        EXPECT_NE(std::string(error.what()).find("Not enough working memory for "),
                  std::string::npos)
            << error.what();
    }
    SetWorkingMemoryBudget(0);
    EXPECT_TRUE(view.DisplayGraphic().Empty());
    view.ClearImage();
    EXPECT_EQ(WorkingMemoryInUse(), before);
}

TEST_F(ImageScrollBoxFileTest, SaveToFile_UnknownExtensionFailsAndWritesNothing) {
    TImageScrollBox& view = MakeView();
    view.AssignImage(MakeNoise(10, 10));
    bool beforeSave = false;
    view.OnBeforeSave = [&](TImageScrollBox&, TDibGraphic&, TJpegOptions&) { beforeSave = true; };

    const QString path = Path("copy.xyz");
    try {
        view.SaveToFile(path);
        ADD_FAILURE() << "saved";
    } catch (const EImageError& error) {
        EXPECT_STREQ(error.what(),
                     "Graphic files of .xyz format are not supported or not registered");
    }
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(beforeSave);
    EXPECT_TRUE(view.FileName().isEmpty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(ImageScrollBoxFileTest, SaveToFile_WritesTheWritersCopyWithTheWaitPointer) {
    TImageScrollBox& view = MakeView();
    const TDibGraphic image = MakeNoise(12, 8);
    view.AssignImage(image);
    view.OnBeforeSave = [&](TImageScrollBox& sender, TDibGraphic& copy, TJpegOptions&) {
        EXPECT_EQ(&sender, &view);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        copy.SetPixel(0, 0, MakeColor(1, 2, 3)); // the writer's copy, not the view's image
    };

    const QString path = Path("saved.bmp");
    view.SaveToFile(path);
    EXPECT_EQ(view.FileName(), path);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(SamePixels(image, view.Graphic()));
    const TDibGraphic written = LoadImageFile(QFile::encodeName(path).toStdString());
    EXPECT_EQ(written.Pixel(0, 0), MakeColor(1, 2, 3));
    EXPECT_EQ(written.Pixel(1, 0), image.Pixel(1, 0));

    // A write that fails keeps the name and restores the pointer.
    EXPECT_THROW(view.SaveToFile(Path("no such folder/x.bmp")), std::exception);
    EXPECT_EQ(view.FileName(), path);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

class ImageScrollBoxMouseTest : public ImageScrollBoxTest {
protected:
    void SetUp() override {
        MakeView(200, 200);
        View->OnQuickSelect = [this](TImageScrollBox& sender, const TDibGraphic& selection,
                                     const QRect& rect) {
            EXPECT_EQ(&sender, View);
            Selections.push_back({selection, rect});
        };
    }
    struct TSelection {
        TDibGraphic Image;
        QRect Rect;
    };
    std::vector<TSelection> Selections;
};

TEST_F(ImageScrollBoxMouseTest, QuickSelect_SelectsUpToThePictureEdge) {
    View->AssignImage(MakeNoise(100, 60));
    View->SetMouseMode(TImageScrollBox::mmQuickSelect);
    EXPECT_FALSE(View->Picture()->testAttribute(Qt::WA_SetCursor));
    QWidget* picture = View->Picture();

    struct TCase {
        const char* Name;
        QPoint From, To;
        QRect Expected;
    } cases[] = {
        {"inside", {10, 20}, {30, 25}, {10, 20, 20, 5}},
        {"released beyond the bottom right", {10, 20}, {150, 100}, {10, 20, 90, 40}},
        {"released beyond the top left", {50, 30}, {-20, -5}, {0, 0, 50, 30}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Selections.clear();
        Drag(picture, c.From, {c.To});
        ASSERT_EQ(Selections.size(), 1u);
        EXPECT_EQ(Selections[0].Rect, c.Expected);
        const TDibGraphic& selection = Selections[0].Image;
        ASSERT_EQ(selection.Width(), c.Expected.width());
        ASSERT_EQ(selection.Height(), c.Expected.height());
        for (int y = 0; y < selection.Height(); ++y)
            for (int x = 0; x < selection.Width(); ++x)
                ASSERT_EQ(selection.Pixel(x, y),
                          View->DisplayGraphic().Pixel(x + c.Expected.x(), y + c.Expected.y()));
    }

    // A click, a drag along one line and a drag with the right button select nothing.
    Selections.clear();
    Drag(picture, {40, 40}, {});
    Drag(picture, {40, 40}, {{60, 40}});
    Drag(picture, {40, 40}, {{60, 50}}, Qt::RightButton);
    EXPECT_TRUE(Selections.empty());
}

TEST_F(ImageScrollBoxMouseTest, QuickSelect_RectangleIsInDisplayedPictureCoordinates) {
    View->AssignImage(MakeNoise(400, 400));
    View->SetZoomPercent(25);
    View->SetMouseMode(TImageScrollBox::mmQuickSelect);
    Drag(View->Picture(), {10, 10}, {{60, 30}});
    ASSERT_EQ(Selections.size(), 1u);
    EXPECT_EQ(Selections[0].Rect, QRect(10, 10, 50, 20));
}

TEST_F(ImageScrollBoxMouseTest, QuickSelect_BandLeavesNoTraceUnlessKept) {
    View->AssignImage(MakeNoise(100, 60));
    QWidget* picture = View->Picture();
    for (const int mode : {TImageScrollBox::mmQuickSelect, TImageScrollBox::mmQuickSelectKeep}) {
        SCOPED_TRACE(mode);
        View->SetMouseMode(mode);
        ASSERT_EQ(PixelsDifferingFromDisplay(*View), 0);

        SendMouse(picture, QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton, Qt::LeftButton);
        SendMouse(picture, QEvent::MouseMove, {50, 40}, Qt::NoButton, Qt::LeftButton);
        EXPECT_GT(PixelsDifferingFromDisplay(*View), 0);
        SendMouse(picture, QEvent::MouseMove, {30, 20}, Qt::NoButton, Qt::LeftButton);
        SendMouse(picture, QEvent::MouseButtonRelease, {30, 20}, Qt::LeftButton, Qt::NoButton);

        if (mode == TImageScrollBox::mmQuickSelect) {
            EXPECT_EQ(PixelsDifferingFromDisplay(*View), 0);
        } else {
            EXPECT_GT(PixelsDifferingFromDisplay(*View), 0);
            View->Redraw(false);
            EXPECT_EQ(PixelsDifferingFromDisplay(*View), 0);
        }
    }
}

TEST_F(ImageScrollBoxMouseTest, QuickSelect_OwnerMayChangeTheModeInTheEvent) {
    View->AssignImage(MakeNoise(100, 60));
    View->SetMouseMode(TImageScrollBox::mmQuickSelectKeep);
    View->OnQuickSelect = [this](TImageScrollBox& sender, const TDibGraphic&, const QRect&) {
        sender.SetMouseMode(TImageScrollBox::mmPan);
        Selections.push_back({});
    };
    Drag(View->Picture(), {10, 10}, {{50, 50}});
    EXPECT_EQ(Selections.size(), 1u);
    EXPECT_EQ(View->Picture()->cursor().shape(), Qt::OpenHandCursor);
}

TEST_F(ImageScrollBoxMouseTest, Pan_WithoutScrollBarsChangesNothing) {
    View->AssignImage(MakeNoise(100, 60));
    QWidget* picture = View->Picture();
    EXPECT_EQ(picture->cursor().shape(), Qt::OpenHandCursor);

    SendMouse(picture, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(picture->cursor().shape(), Qt::OpenHandCursor);
    SendMouse(picture, QEvent::MouseMove, {10, 10}, Qt::NoButton, Qt::LeftButton);
    SendMouse(picture, QEvent::MouseButtonRelease, {10, 10}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(picture->pos(), QPoint(0, 0));
    EXPECT_EQ(picture->cursor().shape(), Qt::OpenHandCursor);
    EXPECT_TRUE(Selections.empty());
}

TEST_F(ImageScrollBoxMouseTest, Pan_DragsThePictureWithAClosedHand) {
    View->AssignImage(MakeNoise(400, 400));
    QWidget* picture = View->Picture();
    QScrollBar* horizontal = View->horizontalScrollBar();
    QScrollBar* vertical = View->verticalScrollBar();

    SendMouse(picture, QEvent::MouseButtonPress, {50, 50}, Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(picture->cursor().shape(), Qt::ClosedHandCursor);
    SendMouse(picture, QEvent::MouseMove, {30, 40}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(horizontal->value(), 20);
    EXPECT_EQ(vertical->value(), 10);
    EXPECT_EQ(picture->pos(), QPoint(-20, -10));
    // Far beyond the picture: the bars stop at their ends.
    SendMouse(picture, QEvent::MouseMove, {-2000, -2000}, Qt::NoButton, Qt::LeftButton);
    EXPECT_EQ(horizontal->value(), horizontal->maximum());
    EXPECT_EQ(vertical->value(), vertical->maximum());
    SendMouse(picture, QEvent::MouseButtonRelease, {-2000, -2000}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(picture->cursor().shape(), Qt::OpenHandCursor);

    // With the mouse switched off, dragging does nothing and the pointer is the default.
    View->SetMouseMode(TImageScrollBox::mmNone);
    EXPECT_FALSE(picture->testAttribute(Qt::WA_SetCursor));
    const QPoint before = picture->pos();
    Drag(picture, {50, 50}, {{10, 10}});
    EXPECT_EQ(picture->pos(), before);
}

} // namespace

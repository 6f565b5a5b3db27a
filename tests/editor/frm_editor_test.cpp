// The editor window and its commands: layout, undo history, selection, clipboard, effects,
// the close questions and help.
#include "tests/editor/editor_fixture.h"

#include "app/help_window.h"
#include "imaging/adjust_effects.h"
#include "imaging/convert_to_gray_transform.h"
#include "imaging/convolution_transform.h"
#include "imaging/fast_effects.h"
#include "imaging/flip_transform.h"
#include "imaging/negative_transform.h"
#include "imaging/rotate_transform.h"
#include "platform/dib_qimage.h"
#include "store/work_folder.h"

#include <QTextBrowser>

namespace {

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* item : menu->actions())
        if (!item->isSeparator())
            captions << item->text();
    return captions;
}

TDibGraphic Transformed(TImageTransform&& transform, const TDibGraphic& image) {
    TDibGraphic result;
    transform.ApplyOnDest(image, result);
    return result;
}

const QString SaveChanges = "Save Changes|Save changes to the current image?";

} // namespace

// --- The window ------------------------------------------------------------------------------

TEST_F(EditorTest, ShowsItsMenusToolBarAndZoomBoxWithOnlyTheCommandsThatExist) {
    TfrmEditorDriver& editor = OpenImage(MakeNoise(64, 48));

    QStringList menus;
    for (const QAction* item : editor.Menus()->actions())
        menus << item->text();
    EXPECT_EQ(menus,
              (QStringList{"&File", "&Edit", "&Color", "&Image", "&Annotate", "&View", "&Help"}));
    EXPECT_EQ(Captions(editor.Menu("&File")),
              (QStringList{"&Open", "&Save", "Save &As", "&Print", "&Batch Conversion", "E&xit"}));
    EXPECT_EQ(Captions(editor.Menu("&Edit")),
              (QStringList{"&Undo", "&Copy to Clipboard", "&Paste As New Image", "C&ut", "&Select",
                           "Cr&op", "Clea&r Clipboard"}));
    EXPECT_EQ(Captions(editor.Menu("&Color")), (QStringList{"&Grayscale", "&Negative", "&Adjust"}));
    EXPECT_EQ(Captions(editor.Menu("&Color/&Adjust")),
              (QStringList{"&Brightness", "&Contrast", "&Saturation"}));
    EXPECT_EQ(Captions(editor.Menu("&Image")),
              (QStringList{"&Rotate", "&Flip", "&Mirror", "&Smooth", "Shar&pen", "&Resize",
                           "Special &Effects"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/&Rotate")),
              (QStringList{"By &Angle (Degrees)", "By &XY Coordinates"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/&Flip")), (QStringList{"&Horizontal", "&Vertical"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/&Mirror")), (QStringList{"&Right", "&Down"}));
    EXPECT_EQ(
        Captions(editor.Menu("&Image/Special &Effects")),
        (QStringList{"&Blur", "&Noise", "&Mosaic", "&Fisheye", "&Wave", "&Emboss", "&Color Effects",
                     "&Squeeze", "S&plit", "&Ripple", "&Tile", "Posteri&ze", "Sol&arize"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/Special &Effects/&Blur")),
              (QStringList{"Blur", "&Gaussian", "&Split Blur"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/Special &Effects/&Noise")),
              (QStringList{"Color", "&Mono"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/Special &Effects/&Color Effects")),
              (QStringList{"X&Red", "X&Green", "X&Blue"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/Special &Effects/&Squeeze")),
              (QStringList{"&Horizontal", "&Top", "&Bottom", "&Diamond", "&Middle", "&Round",
                           "Double R&ound"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/Special &Effects/S&plit")),
              (QStringList{"&Round", "&Transpose"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/Special &Effects/&Ripple")),
              (QStringList{"&Tooth", "&Random"}));
    EXPECT_EQ(Captions(editor.Menu("&Image/Special &Effects/&Tile")),
              (QStringList{"&Normal", "&Overlap"}));
    EXPECT_EQ(Captions(editor.Menu("&Annotate")),
              (QStringList{"&Pointer", "&Arrow", "&Line", "&Rectangle", "F&illed Rectangle",
                           "&Ellipse", "Fille&d Ellipse", "Pe&n", "&Highlighter", "&Text",
                           "Numbered &Steps", "Redact (&Black Box)", "Pi&xelate", "&Color...",
                           "Line &Width...", "Font Si&ze..."}));
    EXPECT_EQ(Captions(editor.Menu("&View")), QStringList{"&Image Info"});
    EXPECT_EQ(editor.Menus()->actions().last()->menu(), nullptr); // Help is the command itself

    QStringList buttons, hints;
    for (QAction* item : editor.Tools()->actions())
        if (auto* button = qobject_cast<QToolButton*>(editor.Tools()->widgetForAction(item))) {
            buttons << button->objectName();
            hints << button->toolTip();
            EXPECT_EQ(button->height(), 22);
        }
    EXPECT_EQ(buttons, (QStringList{"tbOpen", "tbSave", "tbPrint", "tbCut", "tbCopy",
                                    "tbPasteAsNew", "tbUndo", "tbSelect", "tbCrop", "tbGrayscale",
                                    "tbVertical", "tbHorizontal", "tbInfo", "tbBrightness",
                                    "tbContrast", "tbInverted", "tbBatch", "tbHelp"}));
    EXPECT_EQ(hints,
              (QStringList{"Open", "Save", "Print", "Cut", "Copy to clipboard",
                           "Paste As New Image", "Undo", "Select", "Crop", "Grayscale",
                           "Flip Vertical", "Flip Horizontal", "Image Information", "Brightness",
                           "Contrast", "Negative (Invert Colors)", "Batch Conversion", "Help"}));
    // The annotation tools have a row of their own.
    QStringList annotateButtons, annotateHints;
    for (QAction* item : editor.AnnotateBar()->actions())
        if (auto* button =
                qobject_cast<QToolButton*>(editor.AnnotateBar()->widgetForAction(item))) {
            annotateButtons << button->objectName();
            annotateHints << button->toolTip();
            EXPECT_EQ(button->height(), 22);
        }
    EXPECT_EQ(annotateButtons,
              (QStringList{"tbPointer", "tbArrow", "tbLine", "tbRectangle", "tbFilledRectangle",
                           "tbEllipse", "tbFilledEllipse", "tbPen", "tbHighlighter", "tbText",
                           "tbStep", "tbRedact", "tbPixelate", "tbMarkColor"}));
    EXPECT_EQ(annotateHints, (QStringList{"Pointer (Pan and Select)", "Arrow", "Line", "Rectangle",
                                          "Filled Rectangle", "Ellipse", "Filled Ellipse", "Pen",
                                          "Highlighter", "Text", "Numbered Steps",
                                          "Redact (Black Box)", "Pixelate", "Color of the Marks"}));
    EXPECT_EQ(editor.ToolButton("tbOpen")->width(), 23);
    EXPECT_EQ(editor.ToolButton("tbInfo")->width(), 25);

    ASSERT_EQ(editor.Zoom()->count(), 21);
    EXPECT_EQ(editor.Zoom()->itemText(0), "View 10%");
    EXPECT_EQ(editor.Zoom()->itemText(3), "View 75%");
    EXPECT_EQ(editor.Zoom()->itemText(4), "View 100% (Actual Size)");
    EXPECT_EQ(editor.Zoom()->itemText(5), "View 125%");
    EXPECT_EQ(editor.Zoom()->itemText(20), "View 500%");
    EXPECT_EQ(editor.Zoom()->currentIndex(), 4);

    // At the launch: the list's image under its path, nothing to undo, nothing selected.
    EXPECT_EQ(Editor->windowTitle(), Window->Paths()[0]);
    EXPECT_EQ(editor.CurrentFile(), Window->Paths()[0]);
    EXPECT_TRUE(editor.LinkedToList());
    EXPECT_EQ(editor.ListIndex(), 0);
    EXPECT_EQ(Pixels(editor.Image()), Pixels(MakeNoise(64, 48)));
    EXPECT_EQ(editor.Status(), "64 x 48");
    EXPECT_FALSE(editor.UndoEnabled());
    EXPECT_FALSE(editor.CutEnabled());
    EXPECT_FALSE(editor.CropEnabled());
    EXPECT_FALSE(editor.Progress()->isVisible());
    EXPECT_FALSE(editor.Modified());
}

TEST_F(EditorTest, TheZoomBoxSetsTheViewsZoom) {
    TfrmEditorDriver& editor = OpenImage(MakeNoise(40, 30));
    for (const auto& [entry, percent] :
         {std::pair{0, 10}, {2, 50}, {8, 200}, {20, 500}, {4, 100}}) {
        editor.ChooseZoom(entry);
        EXPECT_EQ(editor.View()->ZoomPercent(), float(percent)) << entry;
        EXPECT_EQ(editor.View()->DisplayGraphic().Width(), 40 * percent / 100) << entry;
    }
}

// --- Undo ------------------------------------------------------------------------------------

TEST_F(EditorTest, SixEffectsLeaveFiveUndoStepsAndFiveUndosGoBackToTheFirstEffect) {
    const TDibGraphic original = MakeNoise(30, 20);
    TfrmEditorDriver& editor = OpenImage(original);
    std::vector<std::vector<uint32_t>> states{Pixels(original)};
    const std::vector<std::function<void()>> effects = {
        [&] { Editor->Inverted1Click(); }, [&] { Editor->Horizontal1Click(); },
        [&] { Editor->Vertical1Click(); }, [&] { Editor->Right1Click(); },
        [&] { Editor->Inverted1Click(); }, [&] { Editor->Down1Click(); },
    };
    for (const auto& effect : effects) {
        effect();
        states.push_back(Pixels(editor.Image()));
        EXPECT_TRUE(editor.Modified());
        EXPECT_TRUE(editor.UndoEnabled());
    }
    EXPECT_EQ(editor.Undo().Steps(), 5);
    EXPECT_NE(states[6], states[5]);

    for (int step = 5; step >= 1; --step) {
        Editor->Undo1Click();
        EXPECT_EQ(Pixels(editor.Image()), states[std::size_t(step)]) << step;
        EXPECT_EQ(editor.Undo().Steps(), step - 1);
    }
    // The first state is gone; the fifth Undo disabled Undo and cleared Modified.
    EXPECT_FALSE(editor.UndoEnabled());
    EXPECT_FALSE(editor.Modified());
    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), states[1]);
    EXPECT_TRUE(Messages().isEmpty()) << Messages().toStdString();
}

TEST_F(EditorTest, UndoBringsBackTheFormatSizeAndPaletteOfTheStep) {
    const TDibGraphic palette =
        MakeIndexImage(9, 5, ifColor16, [](int x, int y) { return (x + y) % 16; });
    TfrmEditorDriver& editor = OpenImage(palette, "pic1.pcx");
    ASSERT_EQ(editor.Image().ImageFormat(), ifColor16);
    Editor->Right1Click(); // true colour
    ASSERT_EQ(editor.Image().ImageFormat(), ifTrueColor);
    Answer(TMsgResult::OK);
    Dialogs.InputAnswers.push_back(QString("90"));
    Editor->ByAngleDegrees1Click();
    EXPECT_EQ(editor.Image().Width(), 5);
    EXPECT_EQ(editor.Status(), "5 x 9");

    Editor->Undo1Click();
    Editor->Undo1Click();
    EXPECT_EQ(editor.Image().ImageFormat(), ifColor16);
    EXPECT_EQ(editor.Image().Palette(), palette.Palette());
    EXPECT_EQ(Indices(editor.Image()), Indices(palette));
    EXPECT_EQ(editor.Status(), "9 x 5");
}

// --- Effects ---------------------------------------------------------------------------------

TEST_F(EditorTest, EachEffectOfTheMenusTransformsTheImageWithAnUndoStep) {
    const TDibGraphic image = MakeNoise(23, 17);
    struct TCase {
        QString Menu, Entry;
        std::function<TDibGraphic(const TDibGraphic&)> Expected;
    };
    const std::vector<TCase> cases = {
        {"&Color", "&Grayscale", [](auto& i) { return Transformed(TConvertToGrayTransform(), i); }},
        {"&Color", "&Negative", [](auto& i) { return Transformed(TNegativeTransform(), i); }},
        {"&Image/&Flip", "&Horizontal",
         [](auto& i) { return Transformed(TFlipHorizontalTransform(), i); }},
        {"&Image/&Flip", "&Vertical",
         [](auto& i) { return Transformed(TFlipVerticalTransform(), i); }},
        {"&Image", "&Smooth", [](auto& i) { return Transformed(TSmoothTransform(), i); }},
        {"&Image", "Shar&pen", [](auto& i) { return Transformed(TSharpenTransform(), i); }},
        {"&Image/Special &Effects", "&Emboss",
         [](auto& i) { return Transformed(TEmbossTransform(), i); }},
    };
    TfrmEditorDriver& editor = OpenImage(image);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Entry.toStdString());
        QAction* entry = editor.Entry(c.Menu, c.Entry);
        ASSERT_NE(entry, nullptr);
        const int steps = editor.Undo().Steps();
        entry->trigger();
        const TDibGraphic expected = c.Expected(image);
        EXPECT_EQ(editor.Image().ImageFormat(), expected.ImageFormat());
        EXPECT_EQ(Pixels(editor.Image()), Pixels(expected));
        EXPECT_EQ(editor.Undo().Steps(), steps + 1);
        EXPECT_FALSE(editor.Progress()->isVisible());
        Editor->Undo1Click();
        EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    }
    // The tool buttons run the same commands.
    editor.ToolButton("tbGrayscale")->click();
    EXPECT_EQ(editor.Image().ImageFormat(), ifGray256);
    editor.ToolButton("tbInverted")->click();
    editor.ToolButton("tbVertical")->click();
    editor.ToolButton("tbHorizontal")->click();
    EXPECT_EQ(editor.Undo().Steps(), 4);
}

TEST_F(EditorTest, MirrorRightAndDownCopyTheFirstHalfOverTheSecond) {
    // A row A B C D E: five columns of distinct colours.
    TfrmEditorDriver& editor =
        OpenImage(MakeImage(5, 3, [](int x, int y) { return MakeColor(x * 40, y, 0); }));
    editor.Entry("&Image/&Mirror", "&Right")->trigger();
    for (int y = 0; y < 3; ++y) {
        QStringList row;
        for (int x = 0; x < 5; ++x)
            row << QString(QChar('A' + ColorRed(editor.Image().Pixel(x, y)) / 40));
        EXPECT_EQ(row.join(' '), "A B C B A");
    }
    editor.Entry("&Image/&Mirror", "&Down")->trigger();
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(ColorGreen(editor.Image().Pixel(x, 2)), 0);
    EXPECT_EQ(editor.Undo().Steps(), 2);
}

TEST_F(EditorTest, OnAPaletteScreenAMirroredPictureComesThroughTheClipboard) {
    Screen.ColorCount = 256;
    TfrmEditorDriver& editor = OpenImage(MakeNoise(6, 4));
    Editor->Right1Click();
    ASSERT_FALSE(Clipboard.Image.isNull());
    EXPECT_EQ(Pixels(QImageToDib(Clipboard.Image)), Pixels(editor.Image()));
    EXPECT_EQ(editor.Image().Pixel(5, 0), editor.Image().Pixel(0, 0));
}

TEST_F(EditorTest, RotateByAngleAsksForTheAngleAndRefusesWhatIsNoNumber) {
    const TDibGraphic image = MakeNoise(30, 20);
    TfrmEditorDriver& editor = OpenImage(image);

    for (const QString& text : {QString("abc"), QString("nan"), QString("")}) {
        Dialogs = TFakeDialogs();
        Dialogs.InputAnswers.push_back(text);
        Answer(TMsgResult::OK);
        editor.Entry("&Image/&Rotate", "By &Angle (Degrees)")->trigger();
        EXPECT_EQ(Dialogs.Calls[0].Kind, "InputBox");
        EXPECT_EQ(Dialogs.Calls[0].Caption, "Rotate");
        EXPECT_EQ(Dialogs.Calls[0].Text, "Rotation Angle");
        EXPECT_EQ(Dialogs.MessageLog(),
                  QStringList{"Error|'" + text + "' is not a valid floating point value"});
        // Nothing changed, nothing to undo.
        EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
        EXPECT_FALSE(editor.Modified());
        EXPECT_FALSE(editor.UndoEnabled());
    }

    Dialogs = TFakeDialogs();
    Dialogs.InputAnswers.push_back(std::nullopt); // cancelled
    Editor->ByAngleDegrees1Click();
    EXPECT_FALSE(editor.Modified());

    Dialogs.InputAnswers.push_back(QString(" 45.5 "));
    Editor->ByAngleDegrees1Click();
    TRotateTransform rotate;
    rotate.Angle = 45.5;
    EXPECT_EQ(Pixels(editor.Image()), Pixels(Transformed(std::move(rotate), image)));
    EXPECT_EQ(editor.Undo().Steps(), 1);
    EXPECT_TRUE(editor.Modified());
}

TEST_F(EditorTest, BlurSplitBlursThroughTheTransferFileAndLeavesTheResultOnTheClipboard) {
    const TDibGraphic image = MakeNoise(17, 11);
    TfrmEditorDriver& editor = OpenImage(image);
    editor.Entry("&Image/Special &Effects/&Blur", "Blur")->trigger();

    TFastDIB expected = TrueColorFastDIB(image);
    FastSplitBlur(expected, 1, TBlurEdges::Nearest);
    EXPECT_EQ(Pixels(editor.Image()), Pixels(TrueColorDibGraphic(expected)));
    EXPECT_EQ(Pixels(QImageToDib(Clipboard.Image)), Pixels(editor.Image()));
    EXPECT_EQ(editor.Undo().Steps(), 1);
    EXPECT_TRUE(editor.Modified());
    // The transfer file has gone.
    EXPECT_FALSE(std::filesystem::exists(Work() / "del1.bmp"));
    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
}

TEST_F(EditorTest, ImageInfoTellsThePathSizeAndBitCount) {
    struct TCase {
        TDibGraphic Image;
        std::string Name;
        QString BitCount;
    } cases[] = {
        {MakeNoise(40, 30), "pic1.bmp", "Bit count: 24"},
        {MakeIndexImage(7, 3, ifColor16, [](int x, int) { return x; }), "pic2.bmp", "Bit count: 4"},
        {MakeIndexImage(7, 3, ifBlackWhite, [](int x, int) { return x & 1; }), "pic3.bmp",
         "Bit count: 1"},
        // A GIF file's image holds 256 colours at most, whatever its format in memory.
        {MakeIndexImage(7, 3, ifColor16, [](int x, int) { return x; }), "pic4.gif",
         "Bit count: 8-bit"},
    };
    for (const TCase& c : cases) {
        TfrmEditorDriver& editor = OpenImage(c.Image, c.Name);
        Dialogs = TFakeDialogs();
        Answer(TMsgResult::OK);
        editor.ToolButton("tbInfo")->click();
        ASSERT_EQ(Dialogs.Calls.size(), 1u);
        EXPECT_EQ(Dialogs.Calls[0].Caption, "Image Infomation");
        EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Information);
        EXPECT_EQ(Dialogs.Calls[0].Text,
                  editor.CurrentFile() + "\nDimensions: " +
                      QString("%1x%2\n").arg(c.Image.Width()).arg(c.Image.Height()) + c.BitCount);
    }
    // A pasted image has no path.
    Clipboard.Image = DibToQImage(MakeNoise(5, 4));
    Answer(TMsgResult::No);
    Editor->Paste1Click();
    Dialogs = TFakeDialogs();
    Answer(TMsgResult::OK);
    Editor->ImageInfo1Click();
    EXPECT_EQ(Dialogs.Calls[0].Text, "Dimensions: 5x4\nBit count: 24");
}

// --- Selection, clipboard, crop and cut ---------------------------------------------------

TEST_F(EditorTest, ASelectionAt200PercentCropsTheImagePixelsItCovers) {
    const TDibGraphic image = Gradient(200, 150);
    TfrmEditorDriver& editor = OpenImage(image);
    editor.ChooseZoom(8); // 200 %
    editor.ToolButton("tbSelect")->click();
    EXPECT_TRUE(editor.SelectionActive());
    EXPECT_TRUE(editor.CutEnabled());
    EXPECT_TRUE(editor.CropEnabled());
    EXPECT_EQ(editor.View()->MouseMode(), TImageScrollBox::mmQuickSelect);

    editor.SelectOnView(QRect(QPoint(100, 50), QPoint(299, 249))); // (100, 50)-(300, 250)
    EXPECT_EQ(editor.SelectionRect(), (TSelectionRect{100, 50, 300, 250}));
    EXPECT_TRUE(editor.SelectTimer()->isActive());
    EXPECT_TRUE(editor.View()->MarkedOutline().has_value());
    // The part the view delivered (zoomed) is on the clipboard until the crop.
    EXPECT_EQ(Clipboard.Image.size(), QSize(200, 200));

    editor.ToolButton("tbCrop")->click();
    ASSERT_EQ(editor.Image().Width(), 100);
    ASSERT_EQ(editor.Image().Height(), 100);
    EXPECT_EQ(editor.Image().Pixel(0, 0), image.Pixel(50, 25));
    EXPECT_EQ(editor.Image().Pixel(99, 99), image.Pixel(149, 124));
    EXPECT_EQ(editor.Status(), "100 x 100");
    // The clipboard keeps the cropped part; the selection is over.
    EXPECT_EQ(Pixels(QImageToDib(Clipboard.Image)), Pixels(editor.Image()));
    EXPECT_FALSE(editor.SelectionActive());
    EXPECT_FALSE(editor.CutEnabled());
    EXPECT_EQ(editor.View()->MouseMode(), TImageScrollBox::mmPan);
    EXPECT_EQ(editor.Undo().Steps(), 1);
    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
}

TEST_F(EditorTest, ASelectionAt100PercentCropsExactlyThePartTheViewDelivered) {
    const TDibGraphic image = Gradient(120, 90);
    TfrmEditorDriver& editor = OpenImage(image);
    Editor->Select1Click();
    editor.SelectOnView(QRect(10, 20, 30, 40));
    const QImage delivered = Clipboard.Image;
    Editor->Crop1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(QImageToDib(delivered)));
    EXPECT_EQ(editor.Image().Pixel(0, 0), image.Pixel(10, 20));
}

TEST_F(EditorTest, SelectionsAreTakenAtTheZoomTheyWereDrawnAt) {
    // Rounding halves to the even pixel: 25 at 50 % is 50; 101 at 200 % is 50.5, so 50.
    const struct {
        int Entry;
        QRect Drawn;
        TSelectionRect Image;
    } cases[] = {
        {2, QRect(QPoint(5, 10), QPoint(24, 29)), {10, 20, 50, 60}},  // 50 %
        {8, QRect(QPoint(21, 11), QPoint(100, 50)), {10, 6, 50, 26}}, // 200 %: 10.5 -> 10
        {3, QRect(QPoint(3, 3), QPoint(29, 29)), {4, 4, 40, 40}},     // 75 %
    };
    for (const auto& c : cases) {
        TfrmEditorDriver& editor = OpenImage(Gradient(120, 90));
        editor.ChooseZoom(c.Entry);
        Editor->Select1Click();
        editor.SelectOnView(c.Drawn);
        // A change of zoom after drawing does not move what was selected.
        editor.ChooseZoom(4);
        Editor->Crop1Click();
        EXPECT_EQ(editor.Image().Width(), c.Image.Width()) << c.Entry;
        EXPECT_EQ(editor.Image().Height(), c.Image.Height()) << c.Entry;
        EXPECT_EQ(editor.Image().Pixel(0, 0), Gradient(120, 90).Pixel(c.Image.Left, c.Image.Top))
            << c.Entry;
    }
}

TEST_F(EditorTest, CutFillsTheSelectionWithWhiteAtAnyZoomAndKeepsTheZoom) {
    const TDibGraphic image = Gradient(80, 60);
    for (const int entry : {2, 4, 8}) {
        SCOPED_TRACE(entry);
        TfrmEditorDriver& editor = OpenImage(image);
        editor.ChooseZoom(entry);
        const float zoom = editor.View()->ZoomPercent();
        const double scale = zoom / 100.0;
        Editor->Select1Click();
        editor.SelectOnView(
            QRect(int(10 * scale), int(20 * scale), int(30 * scale), int(10 * scale)));
        editor.ToolButton("tbCut")->click();

        EXPECT_EQ(editor.View()->ZoomPercent(), zoom);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 80; ++x) {
                const bool inside = x >= 10 && x < 40 && y >= 20 && y < 30;
                ASSERT_EQ(editor.Image().Pixel(x, y),
                          inside ? MakeColor(255, 255, 255) : image.Pixel(x, y))
                    << x << "," << y;
            }
        // The part cut is on the clipboard, in the image's own pixels.
        const TDibGraphic copied = QImageToDib(Clipboard.Image);
        ASSERT_EQ(copied.Width(), 30);
        EXPECT_EQ(copied.Pixel(0, 0), image.Pixel(10, 20));
        EXPECT_FALSE(editor.SelectionActive());
        EXPECT_TRUE(editor.Modified());
        Editor->Undo1Click();
        EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    }
}

TEST_F(EditorTest, CutOfAPaletteImageTakesItsWhitestEntry) {
    TPalette palette(16, TPaletteEntry{0, 0, 0});
    palette[7] = {250, 250, 250};
    const TDibGraphic image = MakeIndexImage(
        8, 8, ifColor16, [](int, int) { return 1; }, &palette);
    TfrmEditorDriver& editor = OpenImage(image, "pic1.pcx");
    Editor->Select1Click();
    editor.SelectOnView(QRect(2, 2, 3, 3));
    Editor->Cut1Click();
    EXPECT_EQ(editor.Image().ImageFormat(), ifColor16);
    EXPECT_EQ(editor.Image().PixelIndex(3, 3), 7);
    EXPECT_EQ(editor.Image().PixelIndex(0, 0), 1);
}

TEST_F(EditorTest, CopyPutsTheWholeImageOrTheSelectedPartOnTheClipboard) {
    const TDibGraphic image = Gradient(60, 40);
    TfrmEditorDriver& editor = OpenImage(image);
    editor.ToolButton("tbCopy")->click();
    EXPECT_EQ(Pixels(QImageToDib(Clipboard.Image)), Pixels(image));

    editor.ChooseZoom(8);
    Editor->Select1Click();
    editor.SelectOnView(QRect(20, 10, 40, 20));
    // Another program takes the clipboard before Copy: the selection is copied all the same.
    Clipboard.Image = DibToQImage(MakeNoise(3, 3));
    Editor->CopytoClipboard1Click();
    const TDibGraphic copied = QImageToDib(Clipboard.Image);
    ASSERT_EQ(copied.Width(), 20);
    ASSERT_EQ(copied.Height(), 10);
    EXPECT_EQ(copied.Pixel(0, 0), image.Pixel(10, 5));
    EXPECT_FALSE(editor.SelectionActive());
    EXPECT_EQ(editor.View()->MouseMode(), TImageScrollBox::mmPan);
    EXPECT_FALSE(editor.Modified());
}

TEST_F(EditorTest, SelectModeEndsByTimerClickOrAnEmptyRectangleAndCutAndCropNeedARectangle) {
    const TDibGraphic image = Gradient(50, 40);
    TfrmEditorDriver& editor = OpenImage(image);

    // The timer gives the mouse back to panning three seconds after a rectangle.
    Editor->Select1Click();
    editor.SelectOnView(QRect(1, 1, 5, 5));
    EXPECT_EQ(editor.SelectTimer()->interval(), 3000);
    EXPECT_EQ(editor.View()->Picture()->cursor().shape(), Qt::ArrowCursor);
    Editor->SelectTimerTimer();
    EXPECT_FALSE(editor.SelectTimer()->isActive());
    EXPECT_EQ(editor.View()->MouseMode(), TImageScrollBox::mmPan);
    EXPECT_TRUE(editor.SelectionActive()); // still there to cut or crop

    // Selecting again forgets the last rectangle: Cut and Crop take only one drawn now.
    Editor->Select1Click();
    EXPECT_FALSE(editor.SelectTimer()->isActive());
    EXPECT_EQ(editor.View()->Picture()->cursor().shape(), Qt::CrossCursor);
    Editor->Crop1Click();
    Editor->Cut1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_FALSE(editor.Modified());

    // A click on the picture ends select mode.
    Editor->Select1Click();
    Editor->editImageClick();
    EXPECT_FALSE(editor.SelectionActive());
    EXPECT_EQ(editor.View()->MouseMode(), TImageScrollBox::mmPan);

    // So does an empty rectangle, which empties the clipboard too.
    Editor->Select1Click();
    Clipboard.Image = DibToQImage(image);
    Editor->editImageQuickSelect(TDibGraphic(), QRect(3, 3, 0, 4));
    EXPECT_FALSE(editor.SelectionActive());
    EXPECT_TRUE(Clipboard.Image.isNull());

    // The Edit menu offers Cut and Crop only with a selection.
    Editor->Edit1Click();
    EXPECT_FALSE(editor.CutEntry()->isEnabled());
    EXPECT_FALSE(editor.CropEntry()->isEnabled());
    Editor->Select1Click();
    Editor->Edit1Click();
    EXPECT_TRUE(editor.CutEntry()->isEnabled());
    EXPECT_TRUE(editor.CropEntry()->isEnabled());
}

TEST_F(EditorTest, DraggingOnTheViewSelectsAndAClickEndsTheSelection) {
    TfrmEditorDriver& editor = OpenImage(Gradient(100, 80));
    Editor->Select1Click();
    QWidget* picture = editor.View()->Picture();
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(picture, QPoint(40, 30));
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(editor.SelectionRect(), (TSelectionRect{10, 10, 40, 30}));
    EXPECT_TRUE(editor.SelectionActive());

    QTest::mouseClick(picture, Qt::LeftButton, {}, QPoint(60, 60));
    EXPECT_FALSE(editor.SelectionActive());
}

// --- Paste As New Image and the clipboard --------------------------------------------------

TEST_F(EditorTest, PasteAsNewImageTakesTheClipboardsPictureWithAnUndoStep) {
    const TDibGraphic image = MakeNoise(30, 20);
    const TDibGraphic pasted = MakeNoise(12, 9, 7);
    TfrmEditorDriver& editor = OpenImage(image);

    // Nothing on the clipboard: nothing happens, the image keeps its file and its row.
    Clipboard.Clear();
    editor.PasteEntry()->trigger();
    EXPECT_TRUE(editor.LinkedToList());
    EXPECT_FALSE(editor.Modified());

    Clipboard.Image = DibToQImage(pasted);
    Editor->FormActivate();
    EXPECT_TRUE(editor.PasteButton()->isEnabled());
    editor.PasteButton()->click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(pasted));
    EXPECT_FALSE(editor.LinkedToList());
    EXPECT_TRUE(editor.CurrentFile().isEmpty());
    EXPECT_TRUE(Editor->windowTitle().isEmpty());
    EXPECT_EQ(editor.Status(), "12 x 9");
    EXPECT_TRUE(editor.Modified());
    EXPECT_TRUE(Dialogs.Calls.empty());

    // A modified image: the question first; Cancel pastes nothing.
    Answer(TMsgResult::Cancel);
    Editor->Paste1Click();
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{SaveChanges});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(Dialogs.Calls[0].Buttons, unsigned(mbYes | mbNo | mbCancel));
    EXPECT_EQ(editor.Undo().Steps(), 1);

    Answer(TMsgResult::No);
    Clipboard.Image = DibToQImage(image);
    Editor->Paste1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    Editor->Undo1Click();
    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_FALSE(editor.Modified());
}

TEST_F(EditorTest, APictureTheClipboardCannotGiveIsRefusedWithAMessage) {
    const TDibGraphic image = MakeNoise(30, 20);
    TfrmEditorDriver& editor = OpenImage(image);
    Clipboard.Unreadable = true; // offered, but larger than the decode limit
    Answer(TMsgResult::OK);
    Editor->Paste1Click();
    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_TRUE(Dialogs.Calls[0].Text.startsWith("The picture on the clipboard cannot be pasted"));
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_EQ(editor.Undo().Steps(), 0);
    EXPECT_TRUE(editor.LinkedToList());
}

TEST_F(EditorTest, ClearClipboardEmptiesItAndPasteFollowsIt) {
    TfrmEditorDriver& editor = OpenImage(MakeNoise(10, 10));
    Clipboard.Image = DibToQImage(MakeNoise(4, 4));
    Editor->Edit1Click();
    EXPECT_TRUE(editor.PasteEntry()->isEnabled());
    editor.Entry("&Edit", "Clea&r Clipboard")->trigger();
    EXPECT_TRUE(Clipboard.Image.isNull());
    EXPECT_FALSE(editor.PasteEntry()->isEnabled());
    EXPECT_FALSE(editor.PasteButton()->isEnabled());
}

// --- Closing -----------------------------------------------------------------------------------

TEST_F(EditorTest, ExitAndTheCloseBoxAskAboutUnsavedChanges) {
    TfrmEditorDriver& editor = OpenImage(MakeNoise(20, 10));
    // Unchanged: no question.
    Editor->Exit1Click();
    EXPECT_TRUE(Dialogs.Calls.empty());
    EXPECT_TRUE(Editor->isHidden());

    for (const bool exit : {true, false}) {
        SCOPED_TRACE(exit ? "Exit" : "close box");
        TfrmEditorDriver& changed = OpenImage(MakeNoise(20, 10));
        Editor->Inverted1Click();
        const auto close = [&] { exit ? Editor->Exit1Click() : (void)Editor->close(); };

        Dialogs = TFakeDialogs();
        Answer(TMsgResult::Cancel);
        close();
        EXPECT_EQ(Dialogs.MessageLog(), QStringList{SaveChanges});
        EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);
        EXPECT_TRUE(Editor->isVisible());

        Answer(TMsgResult::No);
        close();
        EXPECT_TRUE(Editor->isHidden());
        EXPECT_EQ(changed.ExitConfirmed(), exit);
    }
    (void)editor;
}

TEST_F(EditorTest, YesOnClosingSavesAndClosesButAFailedSaveKeepsTheWindowAndItsImage) {
    const QString file = Out + "/shot.bmp";
    const TDibGraphic image = MakeNoise(20, 10);
    TfrmEditorDriver& editor = OpenImage(image, LocalPath(file));
    Editor->Inverted1Click();
    Answer(TMsgResult::Yes);
    Editor->Exit1Click();
    EXPECT_TRUE(Editor->isHidden());
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(file))), Pixels(editor.Image()));

    // The file cannot be written now: the error is told and the editor stays with its image
    // and its undo history.
    Dialogs = TFakeDialogs();
    TfrmEditorDriver& again = OpenImage(image, LocalPath(file));
    Editor->Inverted1Click();
    TReadOnlyFolder readOnly(LocalPath(Out));
    ASSERT_TRUE(readOnly.Made());
    Answer(TMsgResult::Yes);
    Answer(TMsgResult::OK);
    Editor->close();
    EXPECT_TRUE(Editor->isVisible());
    ASSERT_EQ(Dialogs.MessageLog().size(), 2) << Messages().toStdString();
    EXPECT_TRUE(Dialogs.MessageLog()[1].startsWith("Error|")) << Messages().toStdString();
    EXPECT_TRUE(again.Modified());
    EXPECT_EQ(again.Undo().Steps(), 1);
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(file))), Pixels(image));
}

// --- Help --------------------------------------------------------------------------------------

TEST_F(EditorTest, HelpOpensTheEditorsTopicInAHelpWindowOfItsOwn) {
    std::filesystem::create_directories(LocalPath(Window->Folder() + "help"));
    WriteWholeFile(LocalPath(Window->Folder() + "help/karvin.html"),
                   "<html><body><a name=\"topic-101\"></a>Main<a name=\"topic-102\"></a>Editor"
                   "</body></html>");
    TfrmEditorDriver& editor = OpenImage(MakeNoise(10, 10));
    editor.ToolButton("tbHelp")->click();
    ASSERT_NE(Window->Help(), nullptr);
    EXPECT_EQ(Window->Help()->Source().fragment(), "topic-102");
    // The editor is modal: the help window is its own, so that the user can reach it.
    EXPECT_EQ(Window->Help()->parentWidget(), Editor.get());
    Editor.reset();
    EXPECT_EQ(Window->Help(), nullptr);
    Window->MainScreen1Click();
    EXPECT_EQ(Window->Help()->parentWidget(), Window.get());
}

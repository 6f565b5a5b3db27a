// The editor's annotation tools: each mark drawn with the mouse at two zoom levels, the preview,
// undo, Esc, gestures that make no mark, the numbered steps, the colour, width and font size
// kept in "annotate.dat", and a marked image through Save and Copy.
#include "tests/editor/editor_fixture.h"

#include "platform/dib_qimage.h"
#include "store/settings_files.h"

#include <QColorDialog>
#include <QTest>

#include <set>

namespace {

constexpr int Zoom100 = 4; // entries of the zoom box
constexpr int Zoom200 = 8;

// The position on the picture shown at `zoom` percent that lies over image pixel (x, y).
QPointF Shown(int zoom, int x, int y) {
    return {(x + 0.5) * zoom / 100, (y + 0.5) * zoom / 100};
}

TDibGraphic White(int width, int height) {
    return MakeImage(width, height, [](int, int) { return MakeColor(255, 255, 255); });
}

uint8_t Red(uint32_t color) {
    return uint8_t(color >> 16);
}
uint8_t Green(uint32_t color) {
    return uint8_t(color >> 8);
}
uint8_t Blue(uint32_t color) {
    return uint8_t(color);
}
// Drawn in the default colour (red), antialiased edges aside.
bool IsRed(uint32_t color) {
    return Red(color) >= 200 && Green(color) <= 90 && Blue(color) <= 90;
}
bool IsWhite(uint32_t color) {
    return (color & 0xFFFFFF) == 0xFFFFFF;
}
// Image pixels are compared as 0x00RRGGBB.
uint32_t At(const TDibGraphic& image, int x, int y) {
    return image.Pixel(x, y) & 0xFFFFFF;
}
// How many pixels of the box [left, right] x [top, bottom] are not white.
int Marked(const TDibGraphic& image, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x)
            count += !IsWhite(At(image, x, y));
    return count;
}

struct TToolCase {
    const char* What;
    TAnnotateTool Tool;
    std::vector<QPoint> Path; // image pixels
    std::function<TDibGraphic()> Picture;
    std::function<void(const TDibGraphic& before, const TDibGraphic& after)> Check;
};

} // namespace

TEST_F(EditorTest, EachToolDrawsItsMarkAtTheImagesResolutionWhateverTheZoom) {
    const auto white = [] { return White(48, 32); };
    const auto noise = [] { return MakeNoise(48, 32, 7); };
    const TToolCase cases[] = {
        {"arrow: the head at the end where the mouse was released",
         TAnnotateTool::Arrow,
         {{6, 16}, {40, 16}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             EXPECT_TRUE(IsRed(At(after, 20, 16)));
             EXPECT_GT(Marked(after, 28, 8, 40, 13) + Marked(after, 28, 19, 40, 24), 0);
             EXPECT_EQ(Marked(after, 0, 8, 18, 13) + Marked(after, 0, 19, 18, 24), 0);
         }},
        {"line: no head at either end",
         TAnnotateTool::Line,
         {{6, 16}, {40, 16}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             EXPECT_TRUE(IsRed(At(after, 6, 16)));
             EXPECT_TRUE(IsRed(At(after, 20, 16)));
             EXPECT_TRUE(IsRed(At(after, 40, 16)));
             EXPECT_EQ(Marked(after, 0, 0, 47, 12) + Marked(after, 0, 20, 47, 31), 0);
         }},
        {"rectangle: an outline",
         TAnnotateTool::Rectangle,
         {{6, 6}, {40, 26}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             EXPECT_TRUE(IsRed(At(after, 6, 16)));
             EXPECT_TRUE(IsRed(At(after, 40, 16)));
             EXPECT_TRUE(IsRed(At(after, 23, 6)));
             EXPECT_TRUE(IsRed(At(after, 23, 26)));
             EXPECT_EQ(Marked(after, 10, 10, 36, 22), 0);
             EXPECT_EQ(Marked(after, 0, 0, 47, 3), 0);
         }},
        {"filled rectangle: both end pixels covered",
         TAnnotateTool::FilledRectangle,
         {{40, 26}, {6, 6}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             for (const QPoint inside : {QPoint(6, 6), QPoint(40, 26), QPoint(23, 16)})
                 EXPECT_TRUE(IsRed(At(after, inside.x(), inside.y()))) << inside.x();
             EXPECT_EQ(Marked(after, 0, 0, 47, 5), 0);
             EXPECT_EQ(Marked(after, 41, 0, 47, 31), 0);
         }},
        {"ellipse: an outline inside its box",
         TAnnotateTool::Ellipse,
         {{6, 6}, {40, 26}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             EXPECT_TRUE(IsRed(At(after, 6, 16)));
             EXPECT_TRUE(IsRed(At(after, 23, 26)));
             EXPECT_EQ(Marked(after, 14, 12, 32, 20), 0);
             EXPECT_TRUE(IsWhite(At(after, 7, 7)));
         }},
        {"filled ellipse",
         TAnnotateTool::FilledEllipse,
         {{6, 6}, {40, 26}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             EXPECT_TRUE(IsRed(At(after, 23, 16)));
             EXPECT_TRUE(IsRed(At(after, 10, 16)));
             EXPECT_TRUE(IsWhite(At(after, 7, 7)));
         }},
        {"pen: through every position",
         TAnnotateTool::Pen,
         {{6, 26}, {11, 16}, {16, 6}, {21, 16}, {26, 26}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             EXPECT_TRUE(IsRed(At(after, 11, 16)));
             EXPECT_TRUE(IsRed(At(after, 21, 16)));
             EXPECT_TRUE(IsWhite(At(after, 16, 20)));
             EXPECT_EQ(Marked(after, 30, 0, 47, 31), 0);
         }},
        {"highlighter: translucent over what lies under it",
         TAnnotateTool::Highlighter,
         {{4, 16}, {44, 16}},
         [] {
             // Black and white columns.
             return MakeImage(48, 32, [](int x, int) {
                 return x % 4 < 2 ? MakeColor(0, 0, 0) : MakeColor(255, 255, 255);
             });
         },
         [](const TDibGraphic& before, const TDibGraphic& after) {
             const uint32_t dark = At(after, 20, 16), light = At(after, 22, 16);
             EXPECT_NE(light, At(before, 22, 16));
             EXPECT_NE(light, 0xFF0000u);               // not covered
             EXPECT_GT(Green(light), Green(dark) + 60); // the columns still show
             EXPECT_EQ(At(after, 22, 1), At(before, 22, 1));
         }},
        {"text: placed where clicked",
         TAnnotateTool::Text,
         {{6, 6}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             EXPECT_GT(Marked(after, 6, 6, 40, 31), 10);
             EXPECT_EQ(Marked(after, 0, 0, 47, 2), 0);
             EXPECT_EQ(Marked(after, 0, 0, 2, 31), 0);
         }},
        {"step marker: number 1 centred where clicked",
         TAnnotateTool::Step,
         {{24, 16}},
         white,
         [](const TDibGraphic&, const TDibGraphic& after) {
             EXPECT_GT(Marked(after, 20, 12, 28, 20), 20);
             EXPECT_TRUE(IsWhite(At(after, 0, 0)));
             EXPECT_TRUE(IsWhite(At(after, 47, 31)));
         }},
        {"redact: every pixel of the box black, both end pixels included",
         TAnnotateTool::Redact,
         {{6, 6}, {40, 26}},
         noise,
         [](const TDibGraphic& before, const TDibGraphic& after) {
             for (int y = 0; y < 32; ++y)
                 for (int x = 0; x < 48; ++x) {
                     const bool inside = x >= 6 && x <= 40 && y >= 6 && y <= 26;
                     ASSERT_EQ(At(after, x, y), inside ? 0u : At(before, x, y)) << x << "," << y;
                 }
         }},
        {"pixelate: blocks of one colour",
         TAnnotateTool::Pixelate,
         {{6, 6}, {40, 26}},
         noise,
         [](const TDibGraphic& before, const TDibGraphic& after) {
             std::set<uint32_t> colours;
             for (int y = 6; y <= 26; ++y)
                 for (int x = 6; x <= 40; ++x)
                     colours.insert(At(after, x, y));
             // 35 x 21 pixels in blocks of 12 touch at most 4 x 3 blocks.
             EXPECT_LE(colours.size(), 12u);
             EXPECT_EQ(At(after, 5, 5), At(before, 5, 5));
             EXPECT_EQ(At(after, 41, 27), At(before, 41, 27));
         }},
    };
    for (const TToolCase& c : cases) {
        SCOPED_TRACE(c.What);
        std::vector<std::uint32_t> drawn[2];
        for (const int zoomEntry : {Zoom100, Zoom200}) {
            const int zoom = TfrmEditor::ZoomPercentOfEntry(zoomEntry);
            SCOPED_TRACE(zoom);
            Dialogs = TFakeDialogs();
            if (c.Tool == TAnnotateTool::Text)
                Dialogs.InputAnswers.push_back("Wg");
            const TDibGraphic before = c.Picture();
            TfrmEditorDriver& editor = OpenImage(before);
            editor.ChooseZoom(zoomEntry);
            editor.ToolEntry(c.Tool)->trigger();
            ASSERT_TRUE(editor.Layer()->isVisible());
            std::vector<QPointF> path;
            for (const QPoint pixel : c.Path)
                path.push_back(Shown(zoom, pixel.x(), pixel.y()));
            editor.Drag(path);

            EXPECT_TRUE(Dialogs.AllAnswersUsed());
            EXPECT_TRUE(Messages().isEmpty()) << Messages().toStdString();
            ASSERT_EQ(editor.Image().Width(), 48);
            ASSERT_EQ(editor.Image().Height(), 32);
            c.Check(before, editor.Image());
            EXPECT_EQ(editor.Undo().Steps(), 1);
            EXPECT_TRUE(editor.Modified());
            EXPECT_TRUE(editor.UndoEnabled());
            drawn[zoomEntry == Zoom200] = Pixels(editor.Image());
            // The zoom shows the marked image.
            EXPECT_EQ(editor.View()->DisplayGraphic().Width(), 48 * zoom / 100);
            Editor->Undo1Click();
            EXPECT_EQ(Pixels(editor.Image()), Pixels(before));
        }
        EXPECT_EQ(drawn[0], drawn[1]);
    }
}

TEST_F(EditorTest, AnnotateToolsAreChosenOneAtATimeAndThePointerGivesTheMouseBack) {
    TfrmEditorDriver& editor = OpenImage(White(40, 30));
    // At the start the pointer is chosen and the view takes the mouse.
    EXPECT_TRUE(editor.ToolEntry(TAnnotateTool::Pointer)->isChecked());
    EXPECT_FALSE(editor.Layer()->isVisible());
    EXPECT_EQ(editor.View()->MouseMode(), TImageScrollBox::mmPan);

    auto* rectangle = editor.AnnotateBar()->findChild<QToolButton*>("tbRectangle");
    ASSERT_NE(rectangle, nullptr);
    rectangle->click();
    EXPECT_TRUE(rectangle->isChecked());
    EXPECT_TRUE(editor.ToolEntry(TAnnotateTool::Rectangle)->isChecked());
    EXPECT_FALSE(editor.ToolEntry(TAnnotateTool::Pointer)->isChecked());
    EXPECT_TRUE(editor.Layer()->isVisible());
    EXPECT_EQ(editor.Layer()->geometry(), editor.View()->Picture()->rect());
    EXPECT_EQ(Editor->AnnotateTool(), TAnnotateTool::Rectangle);

    // The layer follows the picture's size through the zoom.
    editor.ChooseZoom(Zoom200);
    EXPECT_EQ(editor.Layer()->size(), QSize(80, 60));

    editor.ToolEntry(TAnnotateTool::Ellipse)->trigger();
    EXPECT_FALSE(rectangle->isChecked());
    EXPECT_TRUE(editor.AnnotateBar()->findChild<QToolButton*>("tbEllipse")->isChecked());

    // Edit > Select goes back to the pointer first.
    Editor->Select1Click();
    EXPECT_TRUE(editor.ToolEntry(TAnnotateTool::Pointer)->isChecked());
    EXPECT_FALSE(editor.Layer()->isVisible());
    EXPECT_EQ(editor.View()->MouseMode(), TImageScrollBox::mmQuickSelect);
    EXPECT_TRUE(editor.SelectionActive());

    // A tool ends the selection.
    editor.ToolEntry(TAnnotateTool::Line)->trigger();
    EXPECT_FALSE(editor.SelectionActive());
    editor.ToolEntry(TAnnotateTool::Pointer)->trigger();
    EXPECT_EQ(editor.View()->MouseMode(), TImageScrollBox::mmPan);
}

TEST_F(EditorTest, ThePreviewIsPaintedOverTheViewAndLeavesTheImageUntouched) {
    const TDibGraphic image = White(40, 30);
    TfrmEditorDriver& editor = OpenImage(image);
    editor.ChooseZoom(Zoom200);
    editor.ToolEntry(TAnnotateTool::FilledRectangle)->trigger();

    editor.Press(Shown(200, 4, 4));
    editor.Move(Shown(200, 20, 15));
    editor.Move(Shown(200, 30, 20));

    EXPECT_TRUE(editor.Layer()->Busy());
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_EQ(editor.Undo().Steps(), 0);
    EXPECT_FALSE(editor.Modified());
    // The view shows the box being dragged.
    const QImage shown = editor.View()->Picture()->grab().toImage();
    EXPECT_TRUE(IsRed(shown.pixel(2 * 15, 2 * 10) & 0xFFFFFF));
    EXPECT_TRUE(IsWhite(shown.pixel(2 * 35, 2 * 25) & 0xFFFFFF));

    editor.Release(Shown(200, 30, 20));
    EXPECT_FALSE(editor.Layer()->Busy());
    EXPECT_TRUE(IsRed(At(editor.Image(), 15, 10)));
    EXPECT_EQ(editor.Undo().Steps(), 1);
}

TEST_F(EditorTest, EachMarkIsOneUndoStepAndUndoRemovesExactlyOne) {
    const TDibGraphic image = White(40, 30);
    TfrmEditorDriver& editor = OpenImage(image);
    editor.ToolEntry(TAnnotateTool::Line)->trigger();
    editor.Drag({Shown(100, 2, 2), Shown(100, 30, 2)});
    const std::vector<uint32_t> one = Pixels(editor.Image());
    editor.ToolEntry(TAnnotateTool::Redact)->trigger();
    editor.Drag({Shown(100, 5, 10), Shown(100, 20, 20)});
    EXPECT_EQ(editor.Undo().Steps(), 2);
    EXPECT_NE(Pixels(editor.Image()), one);

    editor.ToolButton("tbUndo")->click();
    EXPECT_EQ(Pixels(editor.Image()), one);
    EXPECT_TRUE(editor.Modified());
    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_FALSE(editor.Modified());
    EXPECT_FALSE(editor.UndoEnabled());
}

TEST_F(EditorTest, EscCancelsTheMarkInProgressAndKeepsTheWindow) {
    const TDibGraphic image = White(40, 30);
    TfrmEditorDriver& editor = OpenImage(image);
    editor.ToolEntry(TAnnotateTool::Arrow)->trigger();
    editor.Press(Shown(100, 2, 2));
    editor.Move(Shown(100, 30, 20));
    ASSERT_TRUE(editor.Layer()->Busy());

    QTest::keyClick(Editor.get(), Qt::Key_Escape);

    EXPECT_FALSE(editor.Layer()->Busy());
    EXPECT_TRUE(Editor->isVisible());
    EXPECT_TRUE(Dialogs.Calls.empty());
    // The release that follows makes no mark.
    editor.Release(Shown(100, 30, 20));
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_EQ(editor.Undo().Steps(), 0);
    EXPECT_FALSE(editor.Modified());
    // The next drag draws as usual.
    editor.Drag({Shown(100, 2, 2), Shown(100, 30, 20)});
    EXPECT_EQ(editor.Undo().Steps(), 1);

    // Undo or an effect while a mark is dragged ends the mark too.
    for (void (TfrmEditor::*command)() : {&TfrmEditor::Undo1Click, &TfrmEditor::Inverted1Click}) {
        editor.Press(Shown(100, 5, 25));
        editor.Move(Shown(100, 35, 25));
        (Editor.get()->*command)();
        EXPECT_FALSE(editor.Layer()->Busy());
        const std::vector<uint32_t> changed = Pixels(editor.Image());
        editor.Release(Shown(100, 35, 25));
        EXPECT_EQ(Pixels(editor.Image()), changed);
    }
    EXPECT_EQ(editor.Undo().Steps(), 1); // the effect's
}

TEST_F(EditorTest, ADragOfNoSizeOrEmptyTextMakesNoMarkAndNoUndoStep) {
    const TDibGraphic image = White(40, 30);
    TfrmEditorDriver& editor = OpenImage(image);
    editor.ChooseZoom(Zoom200);
    const struct {
        TAnnotateTool Tool;
        std::vector<QPointF> Path;
    } drags[] = {
        {TAnnotateTool::Arrow, {Shown(200, 5, 5)}},
        {TAnnotateTool::Line, {Shown(200, 5, 5), Shown(200, 9, 9), Shown(200, 5, 5)}},
        // Within one image pixel at 200 %.
        {TAnnotateTool::Line, {QPointF(10, 10), QPointF(11, 11)}},
        {TAnnotateTool::Rectangle, {Shown(200, 5, 5), Shown(200, 20, 5)}},
        {TAnnotateTool::FilledRectangle, {Shown(200, 5, 5), Shown(200, 5, 20)}},
        {TAnnotateTool::Ellipse, {Shown(200, 5, 5)}},
        {TAnnotateTool::FilledEllipse, {Shown(200, 5, 5), Shown(200, 5, 5)}},
        {TAnnotateTool::Pen, {Shown(200, 5, 5)}},
        {TAnnotateTool::Highlighter, {Shown(200, 5, 5), Shown(200, 5, 5)}},
        {TAnnotateTool::Redact, {Shown(200, 5, 5), Shown(200, 30, 5)}},
        {TAnnotateTool::Pixelate, {Shown(200, 5, 5)}},
        // Wholly outside the image.
        {TAnnotateTool::Redact, {QPointF(-40, -40), QPointF(-10, -10)}},
    };
    for (const auto& drag : drags) {
        SCOPED_TRACE(int(drag.Tool));
        editor.ToolEntry(drag.Tool)->trigger();
        editor.Drag(drag.Path);
    }
    // Text: empty, blanks only, cancelled.
    editor.ToolEntry(TAnnotateTool::Text)->trigger();
    Dialogs.InputAnswers = {QString(), QString("   "), std::nullopt};
    for (int click = 0; click < 3; ++click)
        editor.Click(Shown(200, 5, 5));

    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    EXPECT_EQ(Dialogs.Calls.size(), 3u);
    EXPECT_EQ(Dialogs.Calls[0].Kind, "InputBox");
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_EQ(editor.Undo().Steps(), 0);
    EXPECT_FALSE(editor.Modified());
    EXPECT_FALSE(editor.UndoEnabled());
}

TEST_F(EditorTest, StepMarkersCountUpAndUndoAndANewImageSetTheCount) {
    const TDibGraphic image = White(60, 30);
    TfrmEditorDriver& editor = OpenImage(image);
    editor.ToolEntry(TAnnotateTool::Step)->trigger();
    EXPECT_EQ(Editor->NextStepNumber(), 1);
    editor.Click(Shown(100, 10, 15));
    editor.Click(Shown(100, 30, 15));
    const std::vector<uint32_t> two = Pixels(editor.Image());
    editor.Click(Shown(100, 50, 15));
    const std::vector<uint32_t> three = Pixels(editor.Image());
    EXPECT_EQ(Editor->NextStepNumber(), 4);
    EXPECT_EQ(editor.Undo().Steps(), 3);

    // Undo takes the last marker and its number.
    Editor->Undo1Click();
    EXPECT_EQ(Pixels(editor.Image()), two);
    EXPECT_EQ(Editor->NextStepNumber(), 3);
    editor.Click(Shown(100, 50, 15));
    EXPECT_EQ(Pixels(editor.Image()), three);

    // Undo past an effect keeps the count it had.
    Editor->Inverted1Click();
    EXPECT_EQ(Editor->NextStepNumber(), 4);
    Editor->Undo1Click();
    EXPECT_EQ(Editor->NextStepNumber(), 4);

    // A pasted image counts from 1 again; undoing the paste brings back the count of the
    // image it replaced.
    Clipboard.Image = DibToQImage(White(20, 20));
    Answer(TMsgResult::No); // the changes are not saved
    Editor->Paste1Click();
    ASSERT_EQ(editor.Image().Width(), 20);
    EXPECT_EQ(Editor->NextStepNumber(), 1);
    Editor->Undo1Click();
    EXPECT_EQ(Editor->NextStepNumber(), 4);

    // The counts kept follow the undo history's five steps.
    for (int step = 0; step < 8; ++step)
        editor.Click(Shown(100, 10, 15));
    EXPECT_EQ(editor.Undo().Steps(), TUndoHistory::Depth);
    EXPECT_EQ(editor.StepsBeforeUndoKept(), TUndoHistory::Depth);
    EXPECT_EQ(Editor->NextStepNumber(), 12);
}

TEST_F(EditorTest, ColourWidthAndFontSizeAreChosenOnceAndKeptInAnnotateDat) {
    TfrmEditorDriver& editor = OpenImage(White(40, 30));
    EXPECT_EQ(Editor->MarkSettings(), TAnnotateSettings{});

    Dialogs.ModalScripts.push_back([](QDialog& dialog) {
        auto& colour = dynamic_cast<QColorDialog&>(dialog);
        EXPECT_EQ(colour.currentColor(), QColor(255, 0, 0));
        colour.setCurrentColor(QColor(0, 0, 255));
        colour.accept();
        return colour.result();
    });
    editor.AnnotateBar()->findChild<QToolButton*>("tbMarkColor")->click();
    Dialogs.InputAnswers = {QString(" 7 "), QString("30")};
    editor.Entry("&Annotate", "Line &Width...")->trigger();
    editor.Entry("&Annotate", "Font Si&ze...")->trigger();

    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    EXPECT_EQ(Dialogs.Calls[1].Caption, "Line Width");
    EXPECT_EQ(Dialogs.Calls[1].Text, "Line width in pixels (1 to 100):");
    EXPECT_EQ(Dialogs.Calls[2].Text, "Font size in pixels (6 to 400):");
    EXPECT_EQ(Editor->MarkSettings(), (TAnnotateSettings{0x0000FF, 7, 30}));
    EXPECT_EQ(Read("annotate.dat"), "#0000FF\r\n7\r\n30\r\n");

    // Every tool draws with them: a blue line 7 pixels wide.
    editor.ToolEntry(TAnnotateTool::Line)->trigger();
    editor.Drag({Shown(100, 2, 15), Shown(100, 37, 15)});
    EXPECT_EQ(At(editor.Image(), 20, 12), 0x0000FFu);
    EXPECT_EQ(At(editor.Image(), 20, 18), 0x0000FFu);
    EXPECT_TRUE(IsWhite(At(editor.Image(), 20, 10)));

    // Cancelled, or out of range: nothing changes, a bad value is refused with a message.
    Dialogs = TFakeDialogs();
    Dialogs.ModalScripts.push_back([](QDialog& dialog) {
        auto& colour = dynamic_cast<QColorDialog&>(dialog);
        colour.setCurrentColor(QColor(0, 255, 0));
        colour.reject();
        return colour.result();
    });
    Dialogs.InputAnswers = {std::nullopt, QString("0"), QString("401"), QString("big")};
    Answer(TMsgResult::OK);
    Answer(TMsgResult::OK);
    Answer(TMsgResult::OK);
    Editor->MarkColor1Click();
    Editor->MarkWidth1Click();
    Editor->MarkWidth1Click();
    Editor->MarkFontSize1Click();
    Editor->MarkFontSize1Click();
    EXPECT_EQ(Messages(), "Error|'0' is not a whole number from 1 to 100; "
                          "Error|'401' is not a whole number from 6 to 400; "
                          "Error|'big' is not a whole number from 6 to 400")
        << Messages().toStdString();
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    EXPECT_EQ(Editor->MarkSettings(), (TAnnotateSettings{0x0000FF, 7, 30}));
    EXPECT_EQ(Read("annotate.dat"), "#0000FF\r\n7\r\n30\r\n");

    // The next editor starts with them.
    Editor.reset();
    TfrmEditorDriver& again = OpenImage(White(10, 10), "pic2.bmp");
    (void)again;
    EXPECT_EQ(Editor->MarkSettings(), (TAnnotateSettings{0x0000FF, 7, 30}));
}

TEST_F(EditorTest, AMalformedAnnotateDatGivesTheDefaults) {
    Put("annotate.dat", "blue\r\n-4\r\n" + std::string(5000, '9') + "\r\n");
    TfrmEditorDriver& editor = OpenImage(White(10, 10));
    (void)editor;
    EXPECT_EQ(Editor->MarkSettings(), TAnnotateSettings{});
    // A file that cannot be written leaves the choice for this session and says why.
    std::filesystem::remove(Work() / "annotate.dat");
    std::filesystem::create_directory(Work() / "annotate.dat");
    Dialogs.InputAnswers = {QString("9")};
    Answer(TMsgResult::OK);
    Editor->MarkWidth1Click();
    EXPECT_EQ(Editor->MarkSettings().Width, 9);
    ASSERT_EQ(Dialogs.MessageLog().size(), 1);
    EXPECT_TRUE(Dialogs.MessageLog()[0].startsWith("Error|")) << Messages().toStdString();
}

TEST_F(EditorTest, AMarkedImageIsSavedAndCopiedLikeAnyEdit) {
    const TDibGraphic image = MakeNoise(40, 30);
    TfrmEditorDriver& editor = OpenImage(image, "pic1.png");
    const QString listed = Window->Paths()[0];
    editor.ToolEntry(TAnnotateTool::Redact)->trigger();
    editor.Drag({Shown(100, 5, 5), Shown(100, 25, 20)});
    const std::vector<uint32_t> marked = Pixels(editor.Image());
    ASSERT_NE(marked, Pixels(image));

    editor.ToolButton("tbCopy")->click();
    EXPECT_EQ(Pixels(QImageToDib(Clipboard.Image)), marked);

    editor.Entry("&File", "&Save")->trigger();
    EXPECT_TRUE(Messages().isEmpty()) << Messages().toStdString();
    EXPECT_FALSE(editor.Modified());
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(listed))), marked);
    EXPECT_EQ(Window->Paths()[0], listed);

    // Save As: the list's row follows the new file, which holds the mark.
    const QString target = Out + "/marked.bmp";
    SaveAnswer(target, 1);
    Editor->SaveAs1Click();
    EXPECT_TRUE(Messages().isEmpty()) << Messages().toStdString();
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(target))), marked);
    EXPECT_EQ(Window->Paths()[0], target);
    EXPECT_EQ(RowName(0), "marked.bmp");
    EXPECT_TRUE(MarkedSaved(0));
}

// The editor's file commands: Open, Save, Save As with its checks, the list, the link store and
// the note question that follow a save, the colour reductions, and Print.
#include "tests/editor/editor_fixture.h"

#include "imaging/format_registry.h"
#include "platform/dib_qimage.h"
#include "store/settings_files.h"
#include "weblink/link_notes.h"
#include "weblink/link_store.h"

namespace {

const QString Address = "https://example.org/page";
const QString SaveChanges = "Save Changes|Save changes to the current image?";

QString CommentsQuestion(const QString& path) {
    return "Comments|" + path + " has a URL. Do you want to add comments for this image?";
}

} // namespace

// --- Save As ----------------------------------------------------------------------------

TEST_F(EditorTest, SaveAsRefusesNamesItCannotUseAndChangesNothing) {
    const struct {
        const char* What;
        QString Chosen;
        QString Message;
    } cases[] = {
        {"no extension", "/shot",
         "Error|Please enter the proper image extension (.bmp, .gif, .jpg, .pcx, .png, .tga, or "
         ".tif)."},
        {"another extension", "/shot.xyz",
         "Error|Valid formats are:\nBMP, GIF, JPG, PCX, PNG, TGA, and TIF"},
        {"the working folder", "", "Error|You cannot save to the same folder as Karvin."},
        {"the program's folder", "", "Error|You cannot save to the same folder as Karvin."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        TfrmEditorDriver& editor = OpenImage(MakeNoise(20, 10));
        const QString listed = Window->Paths()[editor.ListIndex()];
        Editor->Inverted1Click();
        QString chosen = Out + c.Chosen;
        if (QString(c.What) == "the working folder")
            chosen = Path((Work() / "mine.png").string());
        if (QString(c.What) == "the program's folder")
            chosen = Window->Folder() + "mine.png";
        Dialogs = TFakeDialogs();
        SaveAnswer(chosen);
        Answer(TMsgResult::OK);

        editor.ToolButton("tbSave")->click();

        EXPECT_EQ(Messages().toStdString(), c.Message.toStdString());
        EXPECT_EQ(Dialogs.Calls.back().Icon, TMsgIcon::Critical);
        EXPECT_TRUE(Dialogs.AllAnswersUsed()); // the dialog does not come again
        EXPECT_FALSE(Exists(chosen));
        EXPECT_EQ(editor.CurrentFile(), listed);
        EXPECT_EQ(Window->Paths()[editor.ListIndex()], listed);
        EXPECT_TRUE(editor.Modified());
        EXPECT_EQ(editor.Undo().Steps(), 1);
    }
}

TEST_F(EditorTest, SaveAsToTheNameOfAnotherListedImageShowsTheDialogAgain) {
    const int other = List(MakeNoise(8, 8), LocalPath(Out + "/other.bmp"));
    TfrmEditorDriver& editor = OpenImage(MakeNoise(20, 10), "pic1.bmp");
    const QString target = Out + "/mine.png";
    // The listed name in other letter case, in the same (existing) folder.
    const QString shouted = Out + "/OTHER.BMP";
    SaveAnswer(shouted);
    Answer(TMsgResult::OK);
    SaveAnswer(target, 5);

    Editor->SaveAs1Click();

    ASSERT_TRUE(Dialogs.AllAnswersUsed()) << Messages().toStdString();
    EXPECT_EQ(Messages(), "Error|" + shouted +
                              " is currently being used by Karvin.\nPlease select another name.");
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::None);
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(target))), Pixels(editor.Image()));
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(Window->Paths()[other]))), Pixels(MakeNoise(8, 8)));
}

TEST_F(EditorTest, SaveAsUnderANewNameMovesTheListRowToTheNewFile) {
    const TDibGraphic image = MakeNoise(30, 20);
    TfrmEditorDriver& editor = OpenImage(image);
    const QString old = Window->Paths()[0];
    Editor->Inverted1Click();
    const QString target = Out + "/edited.png";
    SaveAnswer(target, 5);

    Editor->SaveAs1Click();

    // The dialog was preset with the image's name and type; the working folder is not offered.
    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    EXPECT_EQ(Dialogs.FileDialogs[0].FileName, "pic1.bmp");
    EXPECT_EQ(Dialogs.FileDialogs[0].FilterIndex, 1);
    EXPECT_NE(Dialogs.FileDialogs[0].Folder, Path(Work().string()));
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(target))), Pixels(editor.Image()));
    EXPECT_EQ(Window->Paths()[0], target);
    EXPECT_EQ(RowName(0), "edited.png");
    EXPECT_TRUE(MarkedSaved(0));
    EXPECT_EQ(editor.CurrentFile(), target);
    EXPECT_EQ(Editor->windowTitle(), target);
    EXPECT_FALSE(editor.Modified());
    EXPECT_EQ(editor.Undo().Steps(), 1); // the history stays
    EXPECT_TRUE(Messages().isEmpty()) << Messages().toStdString();
    // The capture in the working folder is untouched.
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(old))), Pixels(image));
}

TEST_F(EditorTest, SavingAnImageWithAnAddressAsksForCommentsAndRecordsTheLink) {
    // Yes: the note taken is recorded with the link.
    {
        TfrmEditorDriver& editor = OpenImage(MakeNoise(20, 10), "pic1.bmp", Address);
        const QString target = Out + "/page.png";
        SaveAnswer(target, 5);
        Answer(TMsgResult::Yes);
        NoteEntry("seen on the page");
        Editor->SaveAs1Click();
        EXPECT_EQ(Messages(), CommentsQuestion(target));
        EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Question);
        EXPECT_EQ(Dialogs.Calls[1].Buttons, unsigned(mbYes | mbNo));
        const std::string note = NoteFileName(LocalPath(target));
        EXPECT_EQ(URLStore().ReadURLStore(),
                  (std::vector<TURLLink>{{LocalPath(target), Address.toStdString(), note}}));
        EXPECT_EQ(ReadTextLines(note), (std::vector<std::string>{"seen on the page"}));
        (void)editor;
    }
    // Saved again over its own file (Yes to overwriting the linked image), No to comments: the
    // link and the note stay as they are.
    {
        const QString target = Out + "/page.png";
        Dialogs = TFakeDialogs();
        TfrmEditorDriver& editor = Open(0);
        ASSERT_EQ(editor.CurrentFile(), target);
        Editor->Inverted1Click();
        SaveAnswer(target, 5);
        Answer(TMsgResult::Yes);
        Answer(TMsgResult::No);
        Editor->SaveAs1Click();
        ASSERT_EQ(Dialogs.MessageLog().size(), 2) << Messages().toStdString();
        EXPECT_TRUE(Dialogs.MessageLog()[0].startsWith("Save|")) << Messages().toStdString();
        EXPECT_EQ(Dialogs.MessageLog()[1], CommentsQuestion(target));
        EXPECT_EQ(ReadTextLines(NoteFileName(LocalPath(target))),
                  (std::vector<std::string>{"seen on the page"}));
        EXPECT_EQ(URLStore().ReadURLStore().size(), 1u);
    }
}

TEST_F(EditorTest, AWriteThatFailsKeepsTheImageTheHistoryAndTheList) {
    TfrmEditorDriver& editor = OpenImage(MakeNoise(20, 10), "pic1.bmp", Address);
    const QString old = Window->Paths()[0];
    Editor->Inverted1Click();
    const TDibGraphic changed = editor.Image();
    TReadOnlyFolder readOnly(LocalPath(Out));
    ASSERT_TRUE(readOnly.Made());
    SaveAnswer(Out + "/shot.bmp");
    Answer(TMsgResult::OK);

    Editor->SaveAs1Click();

    ASSERT_EQ(Dialogs.MessageLog().size(), 1);
    EXPECT_TRUE(Dialogs.MessageLog()[0].startsWith("Error|")) << Messages().toStdString();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(changed));
    EXPECT_EQ(editor.Undo().Steps(), 1);
    EXPECT_TRUE(editor.Modified());
    EXPECT_EQ(editor.CurrentFile(), old);
    EXPECT_EQ(Window->Paths()[0], old);
    EXPECT_FALSE(MarkedSaved(0));
    EXPECT_TRUE(URLStore().ReadURLStore().empty());
}

// --- Formats and colour reductions ----------------------------------------------------------

TEST_F(EditorTest, SavingA256ColourImageAsJpegMakesItTrueColourFirst) {
    const TDibGraphic palette =
        MakeIndexImage(16, 16, ifColor256, [](int x, int y) { return (x * 16 + y) & 0xFF; });
    TfrmEditorDriver& editor = OpenImage(palette, "pic1.bmp");
    ASSERT_EQ(editor.Image().ImageFormat(), ifColor256);
    const QString target = Out + "/photo.jpg";
    SaveAnswer(target, 3);
    JpegWindow(3); // quality 70

    Editor->SaveAs1Click();

    EXPECT_EQ(editor.Image().ImageFormat(), ifTrueColor);
    EXPECT_EQ(Pixels(editor.Image()), Pixels(palette)); // the same colours
    const TDibGraphic written = LoadImageFile(LocalPath(target));
    EXPECT_EQ(written.ImageFormat(), ifTrueColor);
    EXPECT_EQ(ReadTextLines((Work() / "jpeg.cfg").string())->front(), "70");
    EXPECT_FALSE(editor.Modified());
}

TEST_F(EditorTest, OnA256ColourScreenSaveAsReducesTheImageButSaveDoesNot) {
    Screen.ColorCount = 256;
    TfrmEditorDriver& editor = OpenImage(MakeNoise(40, 30), LocalPath(Folder("out") + "/a.png"));
    Editor->Inverted1Click();
    ASSERT_EQ(editor.Image().ImageFormat(), ifTrueColor);

    Editor->Save1Click(); // its own file, as it is
    EXPECT_EQ(editor.Image().ImageFormat(), ifTrueColor);
    EXPECT_EQ(LoadImageFile(LocalPath(Out + "/a.png")).ImageFormat(), ifTrueColor);
    EXPECT_FALSE(editor.Modified());

    SaveAnswer(Out + "/b.png", 5);
    Editor->SaveAs1Click();
    EXPECT_EQ(editor.Image().ImageFormat(), ifColor256);
    EXPECT_EQ(LoadImageFile(LocalPath(Out + "/b.png")).ImageFormat(), ifColor256);
}

TEST_F(EditorTest, SaveWritesTheFileItCameFromAndAPastedImageGoesThroughSaveAs) {
    const QString file = Folder("out") + "/a.gif";
    TfrmEditorDriver& editor = OpenImage(MakeNoise(20, 10), LocalPath(file), Address);
    Editor->Inverted1Click();
    // A GIF file is written as Save As writes it, with the note question of its address.
    Answer(TMsgResult::No);
    editor.Entry("&File", "&Save")->trigger();
    EXPECT_EQ(Messages(), CommentsQuestion(file));
    EXPECT_EQ(LoadImageFile(LocalPath(file)).Width(), 20);
    EXPECT_FALSE(editor.Modified());

    Clipboard.Image = DibToQImage(MakeNoise(6, 5));
    Editor->Paste1Click();
    ASSERT_TRUE(editor.CurrentFile().isEmpty());
    Dialogs = TFakeDialogs();
    Dialogs.SaveAnswers.push_back(std::nullopt); // cancelled
    Editor->Save1Click();
    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Kind, "SaveFile");
    EXPECT_TRUE(editor.Modified());
}

// --- Open -------------------------------------------------------------------------------------

TEST_F(EditorTest, OpenLoadsAnotherImageAndAFileItCannotReadOpensNothing) {
    const TDibGraphic image = MakeNoise(20, 10);
    TfrmEditorDriver& editor = OpenImage(image);
    const QString broken = Folder("out") + "/broken.png";
    WriteWholeFile(LocalPath(broken), "not a picture at all");
    Dialogs.OpenAnswers.push_back(TFileDialogResult{broken, 1});
    Answer(TMsgResult::OK);

    editor.ToolButton("tbOpen")->click();

    ASSERT_EQ(Dialogs.MessageLog().size(), 1);
    EXPECT_TRUE(Dialogs.MessageLog()[0].startsWith("Error|")) << Messages().toStdString();
    EXPECT_EQ(Pixels(editor.Image()), Pixels(image));
    EXPECT_EQ(editor.CurrentFile(), Window->Paths()[0]);
    EXPECT_TRUE(editor.LinkedToList());

    // A modified image: the question first, then the other file, which is no row of the list.
    Editor->Inverted1Click();
    const QString other = Path(PutImage(LocalPath(Out + "/other.bmp"), MakeNoise(7, 5)));
    Dialogs = TFakeDialogs();
    Dialogs.OpenAnswers.push_back(TFileDialogResult{other, 1});
    Answer(TMsgResult::No);
    Editor->Open1Click();
    EXPECT_EQ(Messages(), SaveChanges);
    EXPECT_EQ(Pixels(editor.Image()), Pixels(MakeNoise(7, 5)));
    EXPECT_EQ(editor.CurrentFile(), other);
    EXPECT_EQ(Editor->windowTitle(), other);
    EXPECT_EQ(editor.Status(), "7 x 5");
    EXPECT_FALSE(editor.LinkedToList());
    EXPECT_FALSE(editor.Modified());
    EXPECT_EQ(editor.Undo().Steps(), 1); // opening leaves the history as it was

    // Saved now, the list is not touched.
    Editor->Inverted1Click();
    Editor->Save1Click();
    EXPECT_EQ(Window->Paths()[0], Path((Work() / "pic1.bmp").string()));
}

// --- Print ------------------------------------------------------------------------------------

TEST_F(EditorTest, PrintPutsASmallImageOnOnePageAndATallOneInSlices) {
    // The fake page is 4800 x 6600 at 600 dpi; the screen 96 dpi: an image prints at 6.25
    // times its size.
    TfrmEditorDriver& editor = OpenImage(MakeNoise(200, 100));
    Printer.PrintDialogAnswers = {true};
    editor.ToolButton("tbPrint")->click();
    ASSERT_EQ(Printer.EndedJobs().size(), 1u);
    EXPECT_EQ(Printer.EndedJobs()[0]->Title, "Karvin");
    const std::vector<TPrintedPicture> one = Printer.PrintedPictures();
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].Rect.x(), (4800 - one[0].Rect.width()) / 2); // centred
    EXPECT_EQ(one[0].Rect.y(), (6600 - one[0].Rect.height()) / 2);
    EXPECT_EQ(one[0].Rect.width(), 2 * one[0].Rect.height());

    // Taller than the page: one job per slice, each at the full printed width, and the editor
    // shows the whole image again afterwards.
    const TDibGraphic tall = MakeNoise(100, 2000);
    TfrmEditorDriver& second = OpenImage(tall, "pic2.bmp");
    Printer.Jobs.clear();
    Printer.PrintDialogAnswers = {true};
    Editor->Print1Click();
    const std::vector<TPrintedPicture> slices = Printer.PrintedPictures();
    ASSERT_GT(slices.size(), 1u);
    EXPECT_EQ(Printer.EndedJobs().size(), slices.size());
    int rows = 0;
    for (const TPrintedPicture& slice : slices) {
        EXPECT_EQ(slice.Rect.width(), slices[0].Rect.width());
        EXPECT_LE(slice.Rect.height(), 6600);
        rows += slice.Picture.Height();
    }
    EXPECT_EQ(rows, 2000);
    EXPECT_EQ(Pixels(second.Image()), Pixels(tall));
    (void)editor;

    // Cancelled: nothing printed.
    Printer.Jobs.clear();
    Printer.PrintDialogAnswers = {false};
    Editor->Print1Click();
    EXPECT_TRUE(Printer.Jobs.empty());
}

// The batch conversion window, opened from the image editor as the user opens it: the files
// selected in one folder written into another in the chosen format through the editor's view,
// the overwrite question, the JPEG quality, failures reported one by one, and the editor's
// image shown again afterwards.
#include "output/frm_bconvert.h"

#include "imaging/format_registry.h"
#include "imaging/true_color.h"
#include "tests/editor/editor_fixture.h"

#include <QComboBox>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QTreeWidget>

#include <fstream>

namespace {

const QString Done = "Conversion|Done";
const QString NotSupported = "Error|Compressed TIFF is not supported.";

std::string FileBytes(const QString& path) {
    std::ifstream file(QFile::encodeName(path).toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

std::string Bytes(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

QStringList Names(const QTreeWidget* list) {
    QStringList names;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        names << list->topLevelItem(i)->text(0);
    return names;
}

class BatchConversionWindow : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        From = Folder("from");
        To = Folder("to");
    }

    // What the user does in the window: shows the two folders, selects `names` in the source
    // list, picks `extension` in the format box and presses Convert, then Exit.
    struct TRun {
        QStringList Names;
        QString Extension;
        bool ChooseFormat = false; // chosen as the user does (the JPEG window follows)
    };
    void ConvertInWindow(const TRun& run) {
        Dialogs.ModalScripts.push_back([this, run](QDialog& dialog) {
            auto& window = dynamic_cast<TfrmBConvert&>(dialog);
            FormatAtOpen = window.cboFormat->currentText();
            window.ShowFromFolder(From);
            window.ShowToFolder(To);
            for (int i = 0; i < window.lvFiles1->topLevelItemCount(); ++i) {
                QTreeWidgetItem* item = window.lvFiles1->topLevelItem(i);
                item->setSelected(run.Names.contains(item->text(0)));
            }
            const int format = window.cboFormat->findText(run.Extension);
            window.cboFormat->setCurrentIndex(format);
            if (run.ChooseFormat)
                emit window.cboFormat->activated(format);
            window.btnOk->click();
            TargetList = Names(window.lvFiles2);
            window.btnCancel->click();
            return window.result();
        });
    }
    QString FromFile(const QString& name) const { return From + "/" + name; }
    QString ToFile(const QString& name) const { return To + "/" + name; }
    // The JPEG file the converter must make of `source` at `options`.
    std::string Jpeg(const QString& source, const TJpegOptions& options) const {
        return Bytes(EncodeImage(ExpandToTrueColor(LoadImageFile(LocalPath(source))),
                                 TImageCodec::Jpeg, options));
    }

    QString From;
    QString To;
    QString FormatAtOpen;
    QStringList TargetList;
};

} // namespace

TEST_F(BatchConversionWindow, ShowsItsCaptionFormatsAndTheFoldersChosen) {
    TImageScrollBox view;
    TfrmBConvert window(Services(), view);
    EXPECT_EQ(window.windowTitle(), "Batch Conversion");
    QStringList formats;
    for (int i = 0; i < window.cboFormat->count(); ++i)
        formats << window.cboFormat->itemText(i);
    EXPECT_EQ(formats, (QStringList{".BMP", ".GIF", ".JPG", ".PCX", ".PNG", ".TGA", ".TIF"}));
    EXPECT_EQ(window.lblFormat->text(), "New Format");
    EXPECT_EQ(window.btnOk->text(), "Convert");
    EXPECT_EQ(window.btnCancel->text(), "Exit");

    PutImage(LocalPath(FromFile("b.bmp")), MakeNoise(4, 4));
    PutImage(LocalPath(FromFile("a.png")), MakeNoise(4, 4));
    std::filesystem::create_directories(LocalPath(FromFile("sub")));
    window.ShowFromFolder(From);
    EXPECT_EQ(window.pFrom->text(), "From: " + From);
    // Folders first, then the files by name.
    EXPECT_EQ(Names(window.lvFiles1), (QStringList{"sub", "a.png", "b.bmp"}));
    // A folder chosen in the tree is listed, and named above it.
    window.Tree2->setCurrentIndex(
        dynamic_cast<QFileSystemModel*>(window.Tree2->model())->index(FromFile("sub")));
    EXPECT_EQ(window.ToFolder(), FromFile("sub"));
    EXPECT_EQ(window.pTo->text(), "To: " + FromFile("sub"));
    EXPECT_TRUE(Names(window.lvFiles2).isEmpty());
}

TEST_F(BatchConversionWindow, WritesTheSelectedFilesInTheNewFormatAndLeavesTheSources) {
    PutImage(LocalPath(FromFile("a.bmp")), Gradient(40, 30));
    PutImage(LocalPath(FromFile("b.gif")),
             MakeIndexImage(20, 10, ifColor256, [](int x, int y) { return (x * 7 + y) % 256; }));
    PutImage(LocalPath(FromFile("c.png")), MakeNoise(8, 8));
    const std::string aBefore = FileBytes(FromFile("a.bmp"));
    const std::string bBefore = FileBytes(FromFile("b.gif"));
    TfrmEditorDriver& editor = OpenImage(MakeNoise(16, 12));
    ConvertInWindow({{"a.bmp", "b.gif"}, ".JPG"});
    Answer(TMsgResult::OK);

    editor.ToolButton("tbBatch")->click();

    ASSERT_TRUE(Dialogs.AllAnswersUsed()) << Messages().toStdString();
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Batch Conversion");
    EXPECT_EQ(FormatAtOpen, ".BMP"); // the editor opens it on the first format
    EXPECT_EQ(Messages(), Done);
    EXPECT_EQ(Dialogs.Calls.back().Icon, TMsgIcon::Warning);
    // Without "jpeg.cfg": quality 100, not progressive.
    ASSERT_FALSE(std::filesystem::exists(Work() / "jpeg.cfg"));
    EXPECT_EQ(FileBytes(ToFile("a.JPG")), Jpeg(FromFile("a.bmp"), {100, false}));
    EXPECT_EQ(FileBytes(ToFile("b.JPG")), Jpeg(FromFile("b.gif"), {100, false}));
    EXPECT_FALSE(Exists(ToFile("c.JPG")));
    EXPECT_EQ(FileBytes(FromFile("a.bmp")), aBefore);
    EXPECT_EQ(FileBytes(FromFile("b.gif")), bBefore);
    // The target list shows the new files.
    EXPECT_EQ(TargetList, (QStringList{"a.JPG", "b.JPG"}));
}

TEST_F(BatchConversionWindow, ChoosingJpegAsksForTheQualityWhichTheFilesThenGet) {
    PutImage(LocalPath(FromFile("a.bmp")), Gradient(40, 30));
    TfrmEditorDriver& editor = OpenImage(MakeNoise(16, 12));
    ConvertInWindow({{"a.bmp"}, ".JPG", true});
    JpegWindow(5);
    Answer(TMsgResult::OK);

    editor.Entry("&File", "&Batch Conversion")->trigger();

    ASSERT_TRUE(Dialogs.AllAnswersUsed()) << Messages().toStdString();
    EXPECT_EQ(Dialogs.Calls[1].Caption, "JPEG Save Options");
    EXPECT_EQ(FileBytes(ToFile("a.JPG")), Jpeg(FromFile("a.bmp"), {50, false}));
}

TEST_F(BatchConversionWindow, AnExistingTargetIsReplacedOnlyWhenTheUserSaysYes) {
    PutImage(LocalPath(FromFile("a.bmp")), Gradient(40, 30));
    PutImage(LocalPath(FromFile("b.bmp")), MakeNoise(9, 7));
    std::ofstream(LocalPath(ToFile("a.PNG"))) << "old";
    TfrmEditorDriver& editor = OpenImage(MakeNoise(16, 12));
    const QString question =
        "Overwrite|" + ToFile("a.PNG") + " already exists.\nDo you want to overwrite it?";

    ConvertInWindow({{"a.bmp", "b.bmp"}, ".PNG"});
    Answer(TMsgResult::No);
    Answer(TMsgResult::OK);
    Editor->BatchConversion1Click();

    ASSERT_TRUE(Dialogs.AllAnswersUsed()) << Messages().toStdString();
    EXPECT_EQ(Dialogs.MessageLog(), (QStringList{question, Done}));
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Question);
    EXPECT_EQ(Dialogs.Calls[1].Buttons, unsigned(mbYes | mbNo));
    EXPECT_EQ(FileBytes(ToFile("a.PNG")), "old");
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(ToFile("b.PNG")))), Pixels(MakeNoise(9, 7)));

    Dialogs = TFakeDialogs();
    ConvertInWindow({{"a.bmp"}, ".PNG"});
    Answer(TMsgResult::Yes);
    Answer(TMsgResult::OK);
    Editor->BatchConversion1Click();
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(ToFile("a.PNG")))), Pixels(Gradient(40, 30)));
    (void)editor;
}

TEST_F(BatchConversionWindow, FilesThatCannotBeConvertedAreReportedOneByOneAndTheRunGoesOn) {
    PutImage(LocalPath(FromFile("a.bmp")), Gradient(40, 30));
    const std::vector<uint8_t> bitmap = EncodeImage(MakeNoise(40, 30), TImageCodec::Bmp);
    std::ofstream(LocalPath(FromFile("broken.bmp")), std::ios::binary)
        .write(reinterpret_cast<const char*>(bitmap.data()), 100);
    std::ofstream(LocalPath(FromFile("notes.txt"))) << "text";
    TfrmEditorDriver& editor = OpenImage(MakeNoise(16, 12));
    ConvertInWindow({{"a.bmp", "broken.bmp", "notes.txt"}, ".TIF"});
    for (int i = 0; i < 3; ++i)
        Answer(TMsgResult::OK);

    Editor->BatchConversion1Click();

    ASSERT_TRUE(Dialogs.AllAnswersUsed()) << Messages().toStdString();
    EXPECT_EQ(Dialogs.MessageLog(), (QStringList{NotSupported, NotSupported, Done}));
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Critical);
    EXPECT_EQ(Pixels(LoadImageFile(LocalPath(ToFile("a.TIF")))), Pixels(Gradient(40, 30)));
    EXPECT_FALSE(Exists(ToFile("broken.TIF")));
    EXPECT_FALSE(Exists(ToFile("notes.TIF")));
    (void)editor;
}

TEST_F(BatchConversionWindow, AFolderThatCannotTakeTheFilesIsSaidOnceBeforeAnythingIsConverted) {
    PutImage(LocalPath(FromFile("a.bmp")), Gradient(4, 3));
    PutImage(LocalPath(FromFile("b.bmp")), Gradient(4, 3));
    TfrmEditorDriver& editor = OpenImage(MakeNoise(16, 12));
    TReadOnlyFolder readOnly(LocalPath(To));
    if (!readOnly.Made())
        GTEST_SKIP() << "the file system cannot make a folder read-only";
    ConvertInWindow({{"a.bmp", "b.bmp"}, ".PNG"});
    Answer(TMsgResult::OK);

    Editor->BatchConversion1Click();

    ASSERT_TRUE(Dialogs.AllAnswersUsed()) << Messages().toStdString();
    ASSERT_EQ(Dialogs.MessageLog().size(), 1);
    EXPECT_TRUE(
        Dialogs.MessageLog()[0].startsWith("Error|Cannot write into the folder \"" + To + "\": "))
        << Messages().toStdString();
    EXPECT_FALSE(Exists(ToFile("a.PNG")));
    (void)editor;
}

TEST_F(BatchConversionWindow, TheEditorShowsItsImageAgainAfterwards) {
    PutImage(LocalPath(FromFile("a.bmp")), Gradient(40, 30));
    PutImage(LocalPath(FromFile("b.bmp")), MakeNoise(9, 7));
    TfrmEditorDriver& editor = OpenImage(MakeNoise(16, 12));
    Editor->Inverted1Click();
    const std::vector<uint32_t> shown = Pixels(editor.Image());
    const QString fileName = editor.View()->FileName();
    ConvertInWindow({{"a.bmp", "b.bmp"}, ".GIF"});
    Answer(TMsgResult::OK);

    Editor->BatchConversion1Click();

    ASSERT_TRUE(Exists(ToFile("b.GIF")));
    EXPECT_EQ(Pixels(editor.Image()), shown);
    EXPECT_EQ(editor.View()->FileName(), fileName);
    EXPECT_EQ(editor.View()->DisplayGraphic().Width(), 16);
    EXPECT_TRUE(editor.Modified());
    EXPECT_EQ(editor.Undo().Steps(), 1);

    // A view that was empty stays empty.
    TImageScrollBox empty;
    TfrmBConvert window(Services(), empty);
    window.ShowFromFolder(From);
    window.ShowToFolder(To);
    window.lvFiles1->topLevelItem(0)->setSelected(true);
    window.cboFormat->setCurrentIndex(window.cboFormat->findText(".PNG"));
    Dialogs = TFakeDialogs();
    Answer(TMsgResult::OK);
    window.btnOk->click();
    EXPECT_EQ(Messages(), Done);
    EXPECT_TRUE(Exists(ToFile("a.PNG")));
    EXPECT_TRUE(empty.Graphic().Empty());
    EXPECT_TRUE(empty.FileName().isEmpty());
}

// Save As and Auto Save of the main window, with the save dialog, the folder picker, the
// JPEG quality window and the note windows played through the scripted dialogs.
#include "tests/app/frm_main_fixture.h"

#include "output/frm_jpeg_compression.h"
#include "store/settings_files.h"
#include "tests/imaging/test_images.h"
#include "tests/store/file_size_limit.h"
#include "tests/store/read_only_folder.h"
#include "weblink/frm_comment_message.h"
#include "weblink/frm_comments.h"
#include "weblink/link_notes.h"
#include "weblink/link_store.h"
#include "weblink/note_text_box.h"
#include "widgets/image_scroll_box.h"
#include "widgets/tool_pictures.h"

#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QToolButton>

#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

const QString Address = "https://example.org/page";
const QString NoSelection = "Error|Please select an image name";
const QString SameFolderWithThe = "Error|You cannot save to the same folder as Karvin.";
const QString SameFolderWithoutThe = "Error|You cannot save to same folder as Karvin.";
const QString NoExtension = "Error|Please enter the proper image extension "
                            "(.bmp,.gif,.jpg,.pcx,.png,.tga,or .tif).";
const QString ValidFormats = "Error|Valid formats are:\nBMP, GIF, JPG, PCX, PNG, TGA, and TIF";

QString InUse(const QString& path) {
    return "Error|" + path + " is currently being used by Karvin.\nPlease select another name.";
}
QString NotesQuestion(const QString& fileName) {
    return "Notes|" + fileName +
           " is linked to a URL and is being recorded in WebLink.\nWould you like to add a note?";
}
QString CommentQuestion(const QString& path) {
    return path + " is linked to a URL and is being recorded in WebLink.\n"
                  "Would you like to add a note?";
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

class SaveCommands : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        Window = Start();
        Window->Folder() = Folder("prog") + "/";
        Out = Folder("out");
    }
    void TearDown() override {
        Window.reset();
        MainWindow::TearDown();
    }

    // A folder under the scratch folder, made when missing; without a trailing "/".
    QString Folder(const std::string& name) {
        fs::create_directories(Scratch / name);
        return Path((Scratch / name).string());
    }
    // Writes an image (a name in the working folder or an absolute path) and lists it.
    int List(const std::string& path, const QString& url = {},
             const TDibGraphic& image = MakeNoise(40, 30)) {
        Window->AppendImage(Path(PutImage(path, image)), url);
        return int(Window->Paths().size()) - 1;
    }
    // Forgets every listed image (their files stay), so that a case of a table starts afresh.
    void ClearList() { Window->List()->Clear(); }
    void Select(std::initializer_list<int> rows) {
        Window->List()->clearSelection();
        for (int row : rows)
            Window->List()->topLevelItem(row)->setSelected(true);
    }
    QString Name(int row) const { return Window->List()->topLevelItem(row)->text(1); }
    // The diskette in the "Saved" column.
    bool MarkedSaved(int row) const {
        return Window->List()->topLevelItem(row)->icon(0).pixmap(16, 16).toImage() ==
               SavedRowPicture().toImage();
    }
    static std::string Bytes(const QString& path) {
        return ReadWholeFile(LocalPath(path)).value_or("<missing>");
    }
    static bool Exists(const QString& path) { return fs::exists(LocalPath(path)); }
    static std::vector<std::string> Files(const QString& folder) {
        return FilesIn(LocalPath(folder));
    }

    // The user's answers.
    void SaveAnswer(const QString& path, int type = 1) {
        Dialogs.SaveAnswers.push_back(TFileDialogResult{path, type});
    }
    void SaveCancelled() { Dialogs.SaveAnswers.push_back(std::nullopt); }
    // The user reads `count` messages and presses OK.
    void Ok(int count = 1) {
        for (int i = 0; i < count; ++i)
            Dialogs.MessageAnswers.push_back(TMsgResult::OK);
    }
    // The JPEG window: the slider moved to `position` and OK, or closed without OK.
    void JpegWindow(std::optional<int> position, bool progressive = false) {
        Dialogs.ModalScripts.push_back([position, progressive](QDialog& dialog) {
            auto& jpeg = dynamic_cast<TfrmJPEGCompression&>(dialog);
            if (!position)
                return int(QDialog::Rejected);
            jpeg.tbCompress->setValue(*position);
            jpeg.cbProgressive->setChecked(progressive);
            jpeg.btnOK->click();
            return jpeg.result();
        });
    }
    // The note entry window: `typed` and then the "Save" button, or "E&xit Without Save".
    void NoteEntry(const QString& typed, bool save = true) {
        Dialogs.ModalScripts.push_back([typed, save](QDialog& dialog) {
            auto& entry = dynamic_cast<TfrmComments&>(dialog);
            entry.moComments->setPlainText(typed);
            if (save)
                entry.btnSave->click();
            else
                entry.ExitWithoutSave1->trigger();
            return entry.result();
        });
    }
    // Auto Save's note question, answered with a button of the window.
    void NoteQuestion(QPushButton* TfrmCommentMessage::*button, QStringList* asked = nullptr) {
        Dialogs.ModalScripts.push_back([button, asked](QDialog& dialog) {
            auto& question = dynamic_cast<TfrmCommentMessage&>(dialog);
            if (asked)
                *asked << question.lblComment->text();
            (question.*button)->click();
            return question.result();
        });
    }

    std::unique_ptr<TfrmMainDriver> Window;
    QString Out;
};

std::vector<TURLLink> Links() {
    return URLStore().ReadURLStore();
}

} // namespace

// --- Save As ----------------------------------------------------------------------------

TEST_F(SaveCommands, TheMenusAndTheSaveButtonRunTheCommands) {
    List("pic1.bmp");
    Select({0});
    const auto entry = [](QMenu* menu, const QString& caption) {
        for (QAction* action : menu->actions())
            if (action->text() == caption)
                return action;
        ADD_FAILURE() << caption.toStdString();
        return static_cast<QAction*>(nullptr);
    };
    for (const auto& [run, picksFolder] :
         std::initializer_list<std::pair<std::function<void()>, bool>>{
             {[&] { entry(Window->Menu("&File"), "Save &As")->trigger(); }, false},
             {[&] { entry(Window->PopupMenu(), "Sa&ve As...")->trigger(); }, false},
             {[&] { Window->ToolButton("tbSave")->click(); }, false},
             {[&] { entry(Window->Menu("&File"), "Auto &Save")->trigger(); }, true},
             {[&] { entry(Window->PopupMenu(), "Auto &Save")->trigger(); }, true},
         }) {
        Dialogs = TFakeDialogs();
        if (picksFolder)
            Dialogs.FolderAnswers = {std::nullopt};
        else
            SaveCancelled();

        run();

        ASSERT_EQ(Dialogs.Calls.size(), 1u);
        EXPECT_EQ(Dialogs.Calls[0].Kind, picksFolder ? "SelectFolder" : "SaveFile");
    }
    EXPECT_EQ(entry(Window->Menu("&File"), "Save &As")->shortcut(),
              QKeySequence(QKeySequence::Save));
}

TEST_F(SaveCommands, SaveAsWritesEachFormatByItsExtensionAndMarksTheRow) {
    const TDibGraphic image = MakeNoise(40, 30);
    struct TCase {
        const char* Name;
        bool Lossless;
    };
    const TCase cases[] = {{"shot.bmp", true},  {"shot.pcx", true}, {"shot.png", true},
                           {"shot.tga", true},  {"shot.tif", true}, {"SHOT.TIF", true},
                           {"shot.gif", false}, {"shot.jpg", false}};
    for (const TCase& test : cases) {
        ClearList();
        const int row = List("pic1.bmp", {}, image);
        Select({row});
        const QString target = Out + "/" + test.Name;
        SaveAnswer(target);
        if (QString(test.Name).endsWith(".jpg"))
            JpegWindow(std::nullopt);

        Window->SaveAs1Click();

        ASSERT_TRUE(Exists(target)) << test.Name;
        const TDibGraphic written = LoadImageFile(LocalPath(target));
        EXPECT_EQ(written.Width(), 40);
        EXPECT_EQ(written.Height(), 30);
        if (test.Lossless) {
            EXPECT_EQ(Pixels(written), Pixels(image)) << test.Name;
        }
        EXPECT_EQ(Window->Paths()[row], target);
        EXPECT_EQ(Name(row), test.Name);
        EXPECT_TRUE(MarkedSaved(row)) << test.Name;
        fs::remove(LocalPath(target));
    }
    EXPECT_TRUE(Dialogs.MessageLog().isEmpty()) << Dialogs.MessageLog().join("; ").toStdString();
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(SaveCommands, SavedImagesFollowTheUmaskWhileCapturesStayPrivate) {
    const auto modeOf = [](const QString& path) {
        struct stat info {};
        ::stat(LocalPath(path).c_str(), &info);
        return info.st_mode & 07777;
    };
    const int saved = List("pic1.bmp");
    const int copied = List("pic2.bmp");
    EXPECT_EQ(modeOf(Window->Paths()[saved]), 0600u);
    const mode_t oldMask = ::umask(022);
    Select({saved});
    SaveAnswer(Out + "/shot.png");
    Window->SaveAs1Click();
    Select({copied});
    Dialogs.FolderAnswers = {Out};
    Window->SaveSelectedToFolder1Click();
    ::umask(oldMask);

    EXPECT_EQ(modeOf(Out + "/shot.png"), 0644u);
    EXPECT_EQ(modeOf(Out + "/pic1.bmp"), 0644u);
    EXPECT_TRUE(Dialogs.MessageLog().isEmpty()) << Dialogs.MessageLog().join("; ").toStdString();
}

TEST_F(SaveCommands, TheSaveDialogOffersTheSevenTypesAndStartsWithTheImagesNameAndType) {
    List("pic1.png");
    List("pic2.bmp");
    List("pic3.jpeg"); // no type of its own: the type stays as it was
    Select({0, 1, 2});
    SaveCancelled();
    SaveCancelled();
    SaveCancelled();

    Window->SaveAs1Click();

    ASSERT_EQ(Dialogs.FileDialogs.size(), 3u);
    EXPECT_EQ(Dialogs.FileDialogs[0].Filters,
              (QStringList{"Bitmap (*.bmp)", "GIF (*.gif)", "JPEG (*.jpg)", "PaintBrush (*.pcx)",
                           "Portable Network Graphic (*.png)", "Targa (*.tga)", "TIFF (*.tif)"}));
    EXPECT_TRUE(Dialogs.FileDialogs[0].ConfirmOverwrite);
    EXPECT_EQ(Dialogs.FileDialogs[0].FileName, "pic1.png");
    EXPECT_EQ(Dialogs.FileDialogs[0].FilterIndex, 5);
    EXPECT_EQ(Dialogs.FileDialogs[1].FileName, "pic2.bmp");
    EXPECT_EQ(Dialogs.FileDialogs[1].FilterIndex, 1);
    EXPECT_EQ(Dialogs.FileDialogs[2].FileName, "pic3.jpeg");
    EXPECT_EQ(Dialogs.FileDialogs[2].FilterIndex, 1);
    // Cancel leaves every entry as it was.
    EXPECT_EQ(Rows(*Window), (QStringList{"pic1.png", "pic2.bmp", "pic3.jpeg"}));
    EXPECT_FALSE(MarkedSaved(0));
}

TEST_F(SaveCommands, ATypeChangePutsTheTypesExtensionOnTheName) {
    struct TCase {
        QString Before;
        int Type;
        QString After;
    };
    const TCase cases[] = {
        {"shot.bmp", 3, "shot.jpg"},
        {"shot", 5, "shot.png"},
        {"a.b.tif", 1, "a.b.bmp"},
        {"", 2, ""},
        {"/x/y.z/pic1.png", 7, "/x/y.z/pic1.tif"},
        {"Über Bild.gif", 4, "Über Bild.pcx"},
    };
    for (const TCase& test : cases)
        EXPECT_EQ(TSaveCommands::imgSaveDialogTypeChange(test.Type, test.Before), test.After)
            << test.Before.toStdString();

    // The dialog runs it on a type change.
    List("pic1.bmp");
    Select({0});
    SaveCancelled();
    Window->SaveAs1Click();
    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    ASSERT_TRUE(Dialogs.FileDialogs[0].OnTypeChange);
    EXPECT_EQ(Dialogs.FileDialogs[0].OnTypeChange(3, "shot.bmp"), "shot.jpg");
}

TEST_F(SaveCommands, AnImageMayBeSavedOverItsOwnFileButNotOverAnotherListedOne) {
    const int own = List((Scratch / "out" / "shot.png").string());
    const int other = List((Scratch / "out" / "other.png").string());
    const int capture = List("pic1.bmp");
    const std::string otherBytes = Bytes(Window->Paths()[other]);
    Select({own, capture});
    SaveAnswer(Out + "/shot.png");  // its own path: no question
    SaveAnswer(Out + "/other.png"); // another listed image
    SaveAnswer(Out + "/OTHER.png"); // the same in other letter case
    SaveAnswer(Out + "/new.png");
    Ok(2);

    Window->SaveAs1Click();

    EXPECT_EQ(Dialogs.MessageLog(),
              (QStringList{InUse(Out + "/other.png"), InUse(Out + "/OTHER.png")}));
    for (const TDialogCall& call : Dialogs.Calls)
        if (call.Kind == "Message") {
            EXPECT_EQ(call.Buttons, unsigned(mbOK));
        }
    EXPECT_EQ(Window->Paths()[own], Out + "/shot.png");
    EXPECT_TRUE(MarkedSaved(own));
    EXPECT_EQ(Window->Paths()[capture], Out + "/new.png");
    EXPECT_EQ(Bytes(Window->Paths()[other]), otherBytes);
    EXPECT_FALSE(Exists(Out + "/OTHER.png"));
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(SaveCommands, ANameWithoutExtensionAsksAgainWithTheOldName) {
    const int row = List("pic1.bmp");
    Select({row});
    SaveAnswer(Out + "/shot");
    SaveAnswer(Out + "/shot.png");
    Ok();

    Window->SaveAs1Click();

    EXPECT_EQ(Dialogs.MessageLog(), QStringList{NoExtension});
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Critical);
    ASSERT_EQ(Dialogs.FileDialogs.size(), 2u);
    EXPECT_EQ(Dialogs.FileDialogs[1].FileName, "pic1.bmp");
    EXPECT_EQ(Window->Paths()[row], Out + "/shot.png");
    EXPECT_EQ(Files(Out), std::vector<std::string>{"shot.png"});
}

TEST_F(SaveCommands, AnUnknownExtensionIsRefusedAndTheNextImageFollows) {
    const int first = List("pic1.bmp");
    const int second = List("pic2.bmp");
    Select({first, second});
    SaveAnswer(Out + "/shot.jpeg");
    SaveAnswer(Out + "/second.png");
    Ok();

    Window->SaveAs1Click();

    EXPECT_EQ(Dialogs.MessageLog(), QStringList{ValidFormats});
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Critical);
    EXPECT_EQ(Dialogs.FileDialogs[1].FileName, "pic2.bmp");
    EXPECT_EQ(Name(first), "pic1.bmp");
    EXPECT_TRUE(IsInWorkFolder(LocalPath(Window->Paths()[first])));
    EXPECT_FALSE(MarkedSaved(first));
    EXPECT_EQ(Window->Paths()[second], Out + "/second.png");
    EXPECT_EQ(Files(Out), std::vector<std::string>{"second.png"});
}

TEST_F(SaveCommands, TheProgramsFoldersAreRefusedAndEndTheCommand) {
    const QString work = Path(WorkFolder());
    fs::create_directory_symlink(Work(), Scratch / "link to work");
    const QString cases[] = {
        Window->Folder() + "shot.png",
        Window->Folder() + "below/it/shot.png",
        Window->Folder().toUpper() + "shot.png",
        work + "/shot.png",
        work + "/sub/shot.png",
        Path((Scratch / "link to work" / "shot.png").string()),
    };
    for (const QString& target : cases) {
        Dialogs = TFakeDialogs();
        const int first = List("pic1.bmp");
        const int second = List("pic2.bmp");
        Select({first, second});
        SaveAnswer(target);
        Ok();

        Window->SaveAs1Click();

        EXPECT_EQ(Dialogs.MessageLog(), QStringList{SameFolderWithThe}) << target.toStdString();
        EXPECT_EQ(Dialogs.Calls.back().Icon, TMsgIcon::Critical);
        EXPECT_EQ(Dialogs.FileDialogs.size(), 1u); // the second image is not offered
        EXPECT_FALSE(Exists(target));
        EXPECT_EQ(Name(first), "pic1.bmp");
        EXPECT_TRUE(Dialogs.AllAnswersUsed());
    }

    // A folder that only begins like the working folder is not it.
    Dialogs = TFakeDialogs();
    const QString beside = Folder("cache/karvin-old") + "/shot.png";
    const int row = List("pic1.bmp");
    Select({row});
    SaveAnswer(beside);
    Window->SaveAs1Click();
    EXPECT_TRUE(Dialogs.MessageLog().isEmpty());
    EXPECT_EQ(Window->Paths()[row], beside);
}

TEST_F(SaveCommands, WithoutSelectionSaveAsSaysSoAndWithoutImagesDoesNothing) {
    Window->SaveAs1Click();
    EXPECT_TRUE(Dialogs.Calls.empty());

    List("pic1.bmp");
    Ok();
    Window->SaveAs1Click();

    EXPECT_EQ(Dialogs.MessageLog(), QStringList{NoSelection});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);
}

TEST_F(SaveCommands, TheViewShowsWhatItShowedBeforeOnceSaveAsIsDone) {
    const TDibGraphic shown = MakeNoise(20, 10, 5);
    const int first = List("pic1.bmp", {}, shown);
    const int second = List("pic2.png", {}, MakeNoise(30, 30, 6));
    Window->ShowImageFile(Window->Paths()[first]);
    const QString status = Window->StatusText();
    Select({second});
    SaveAnswer(Out + "/shot.png");

    Window->SaveAs1Click();

    EXPECT_EQ(Pixels(Window->ImageView()->Graphic()), Pixels(shown));
    EXPECT_EQ(Window->StatusText(), status);
}

TEST_F(SaveCommands, TheStatusLineNamesTheSavedFileOfTheImageShown) {
    const int row = List("pic1.bmp", {}, MakeNoise(20, 10, 5));
    const int other = List("pic2.bmp", {}, MakeNoise(30, 30, 6));
    Window->ShowImageFile(Window->Paths()[row]);
    ASSERT_TRUE(Window->StatusText().startsWith(Window->Paths()[row]));
    Select({row, other});
    SaveAnswer(Out + "/shot.png");
    SaveAnswer(Out + "/other.png");

    Window->SaveAs1Click();

    EXPECT_EQ(Window->StatusText(), Out + "/shot.png, 20x10, High Color");
}

TEST_F(SaveCommands, TheJpegWindowDecidesTheQualityOfTheFile) {
    const TDibGraphic image = MakeNoise(48, 32);
    struct TCase {
        const char* What;
        std::string StoredBefore; // "jpeg.cfg" before, "" for none
        std::optional<int> Slider;
        bool Progressive;
        std::string StoredAfter;
        TJpegOptions Written;
    };
    const TCase cases[] = {
        {"slider at 10", "", 10, false, "0\r\n0\r\n", {0, false}},
        {"slider at 3, progressive", "", 3, true, "70\r\n1\r\n", {70, true}},
        {"closed without OK, nothing stored", "", std::nullopt, false, "<missing>", {100, false}},
        {"closed without OK, stored before",
         "30\r\n1\r\n",
         std::nullopt,
         false,
         "30\r\n1\r\n",
         {30, true}},
    };
    for (const TCase& test : cases) {
        fs::remove(Work() / "jpeg.cfg");
        if (!test.StoredBefore.empty())
            Put("jpeg.cfg", test.StoredBefore);
        ClearList();
        const int row = List("pic1.bmp", {}, image);
        Select({row});
        SaveAnswer(Out + "/shot.jpg", 3);
        JpegWindow(test.Slider, test.Progressive);

        Window->SaveAs1Click();

        EXPECT_EQ(Read("jpeg.cfg"), test.StoredAfter) << test.What;
        const auto expected = EncodeImage(image, TImageCodec::Jpeg, test.Written);
        EXPECT_EQ(Bytes(Out + "/shot.jpg"), std::string(expected.begin(), expected.end()))
            << test.What;
        fs::remove(LocalPath(Out + "/shot.jpg"));
    }
}

TEST_F(SaveCommands, APaletteImageBecomesTrueColourForJpeg) {
    const TDibGraphic image =
        MakeIndexImage(16, 16, ifColor256, [](int x, int y) { return x * 16 + y; });
    const int row = List("pic1.bmp", {}, image);
    Select({row});
    SaveAnswer(Out + "/shot.jpg", 3);
    TImageFormat previewFormat = ifBlackWhite;
    Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
        auto& jpeg = dynamic_cast<TfrmJPEGCompression&>(dialog);
        previewFormat = jpeg.testImage->Graphic().ImageFormat();
        return int(QDialog::Rejected);
    });

    Window->SaveAs1Click();

    EXPECT_EQ(previewFormat, ifTrueColor);
    EXPECT_EQ(LoadImageFile(LocalPath(Out + "/shot.jpg")).ImageFormat(), ifTrueColor);
    EXPECT_TRUE(Dialogs.MessageLog().isEmpty()) << Dialogs.MessageLog().join("; ").toStdString();
}

TEST_F(SaveCommands, OnA256ColourScreenImagesAreReducedBeforeTheyAreWritten) {
    Screen.ColorCount = 256;
    const TDibGraphic image = MakeNoise(20, 20);
    struct TCase {
        int CaptureFormat;
        TImageFormat Written;
    };
    for (const TCase test : {TCase{0, ifColor256}, TCase{2, ifGray256}}) {
        WriteSetting(sfDefaultFormat, test.CaptureFormat);
        ClearList();
        const int row = List("pic1.bmp", {}, image);
        Select({row});
        SaveAnswer(Out + "/shot.bmp");

        Window->SaveAs1Click();

        EXPECT_EQ(LoadImageFile(LocalPath(Out + "/shot.bmp")).ImageFormat(), test.Written);
        fs::remove(LocalPath(Out + "/shot.bmp"));
    }
}

TEST_F(SaveCommands, AWriteErrorIsReportedAndTheNextImageIsStillOffered) {
    // A 16-colour image cannot be a TGA file; the images before and after it are saved.
    const int first = List("pic1.bmp");
    const int second =
        List("pic2.bmp", {}, MakeIndexImage(8, 8, ifColor16, [](int x, int) { return x; }));
    const int third = List("pic3.bmp");
    Select({first, second, third});
    SaveAnswer(Out + "/first.png");
    SaveAnswer(Out + "/second.tga");
    Ok();
    SaveAnswer(Out + "/third.png");

    Window->SaveAs1Click();

    EXPECT_EQ(Dialogs.MessageLog(),
              QStringList{"Error|TARGA image must be true color or 8 bit with palette"});
    EXPECT_EQ(Window->Paths()[first], Out + "/first.png");
    EXPECT_EQ(Name(second), "pic2.bmp");
    EXPECT_FALSE(MarkedSaved(second));
    EXPECT_EQ(Window->Paths()[third], Out + "/third.png");
    EXPECT_TRUE(MarkedSaved(third));
    EXPECT_EQ(Files(Out), (std::vector<std::string>{"first.png", "third.png"}));
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(SaveCommands, ANameInAFolderThatDoesNotExistBringsTheDialogBack) {
    const std::string aFile = LocalPath(Out) + "/a-file";
    WriteWholeFile(aFile, "x");
    const int row = List("pic1.bmp");
    Select({row});
    for (const QString& folder : {Out + "/gone/", Out + "/gone/deeper/", Out + "/a-file/"}) {
        SaveAnswer(folder + "shot.png");
        Ok();
    }
    SaveAnswer(Out + "/shot.png");

    Window->SaveAs1Click();

    QStringList refusals;
    for (const QString& folder : {Out + "/gone/", Out + "/gone/deeper/", Out + "/a-file/"})
        refusals << "Error|The folder " + folder +
                        " does not exist.\nPlease choose an existing folder.";
    EXPECT_EQ(Dialogs.MessageLog(), refusals);
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Warning);
    EXPECT_EQ(Window->Paths()[row], Out + "/shot.png");
    EXPECT_EQ(Files(Out), (std::vector<std::string>{"a-file", "shot.png"}));
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(SaveCommands, ATargetThatCannotBeWrittenIsReportedAndLeavesNoFile) {
    const QString readOnly = Folder("out/read-only");
    struct TCase {
        const char* What;
        QString Target;
        rlim_t FileSizeLimit;
        const char* Error; // "" for the system's text of a folder that refuses files
    };
    const TCase cases[] = {
        {"folder not writable", readOnly + "/shot.png", RLIM_INFINITY, ""},
        {"disk full half-way", Out + "/shot.bmp", 1000, "File too large"},
    };
    for (const TCase& test : cases) {
        Dialogs = TFakeDialogs();
        const int row = List("pic1.bmp", Address);
        Select({row});
        SaveAnswer(test.Target);
        Ok();
        {
            TReadOnlyFolder locked(LocalPath(readOnly));
            ASSERT_TRUE(locked.Made());
            TFileSizeLimit limit(test.FileSizeLimit);
            Window->SaveAs1Click();
        }
        ASSERT_EQ(Dialogs.MessageLog().size(), 1) << test.What;
        EXPECT_TRUE(Dialogs.MessageLog()[0].startsWith("Error|Cannot ")) << test.What;
        EXPECT_TRUE(Dialogs.MessageLog()[0].contains(test.Error)) << test.What;
        EXPECT_EQ(Name(row), "pic1.bmp");
        EXPECT_FALSE(MarkedSaved(row));
        EXPECT_EQ(Files(Out), std::vector<std::string>{"read-only"}) << test.What;
        EXPECT_TRUE(Files(readOnly).empty()) << test.What;
        EXPECT_TRUE(Links().empty());
    }
}

TEST_F(SaveCommands, AVanishedImageIsReportedAndTheNextIsStillSaved) {
    const int gone = List("pic1.bmp");
    const int next = List("pic2.bmp");
    fs::remove(LocalPath(Window->Paths()[gone]));
    Select({gone, next});
    SaveAnswer(Out + "/next.png");
    Ok();

    Window->SaveAs1Click();

    ASSERT_EQ(Dialogs.MessageLog().size(), 1);
    EXPECT_EQ(Dialogs.MessageLog()[0], "Error|Cannot open file \"" + Window->Paths()[gone] +
                                           "\": No such file or directory");
    EXPECT_EQ(Name(gone), "pic1.bmp");
    EXPECT_EQ(Window->Paths()[next], Out + "/next.png");
    EXPECT_EQ(Files(Out), std::vector<std::string>{"next.png"});
}

TEST_F(SaveCommands, NamesWithBlanksAndLettersBeyondAsciiAreSavedAndLinked) {
    const QString folder = Folder("Mes Images/Été 2024");
    const int row = List("pic1.bmp", Address);
    Select({row});
    SaveAnswer(folder + "/Capture d’écran Ü.png");
    Dialogs.MessageAnswers = {TMsgResult::No};

    Window->SaveAs1Click();

    const QString saved = folder + "/Capture d’écran Ü.png";
    EXPECT_TRUE(Exists(saved));
    EXPECT_EQ(Name(row), "Capture d’écran Ü.png");
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{NotesQuestion("Capture d’écran Ü.png")});
    EXPECT_EQ(Links(), (std::vector<TURLLink>{{LocalPath(saved), Address.toStdString(),
                                               NoteFileName(LocalPath(saved))}}));
}

// --- Save As: the note step and the link store ------------------------------------------

TEST_F(SaveCommands, SaveAsAsksForANoteAndRecordsTheLink) {
    struct TCase {
        const char* What;
        TMsgResult Answer;
        std::optional<QString> Typed; // the note entry window: typed text and "Save"
        bool ExitWithoutSave;
        std::string Note; // the note file, "<missing>" for none
    };
    const TCase cases[] = {
        {"a note", TMsgResult::Yes, "seen on\nthe front page", false,
         "seen on\r\nthe front page\r\n"},
        {"Save with nothing typed", TMsgResult::Yes, "", false, "<missing>"},
        {"Exit Without Save", TMsgResult::Yes, "", true, "\r\n"},
        {"no note", TMsgResult::No, std::nullopt, false, "<missing>"},
    };
    for (const TCase& test : cases) {
        fs::remove(URLStore().StorePath());
        ClearList();
        const int row = List("pic1.png", Address);
        Select({row});
        const QString target = Out + "/shot.png";
        fs::remove(LocalPath(target));
        SaveAnswer(target, 5);
        Dialogs.MessageAnswers = {test.Answer};
        if (test.Typed)
            NoteEntry(*test.Typed, !test.ExitWithoutSave);

        Window->SaveAs1Click();

        EXPECT_EQ(Dialogs.MessageLog().last(), NotesQuestion("shot.png")) << test.What;
        EXPECT_EQ(Dialogs.Calls.back().Kind, test.Typed ? "ExecModal" : "Message");
        const std::string note = NoteFileName(LocalPath(target));
        EXPECT_EQ(ReadWholeFile(note).value_or("<missing>"), test.Note) << test.What;
        EXPECT_EQ(Links(),
                  (std::vector<TURLLink>{{LocalPath(target), Address.toStdString(), note}}))
            << test.What;
        EXPECT_TRUE(Window->Note().NoteLines().isEmpty());
        EXPECT_TRUE(Dialogs.AllAnswersUsed()) << test.What;
        fs::remove(note);
    }
}

TEST_F(SaveCommands, ResavingWithNoRemovesTheOldNoteOfThatName) {
    const QString target = Out + "/shot.png";
    const std::string note = NoteFileName(LocalPath(target));
    WriteWholeFile(note, "an earlier image's note\r\n");
    const int row = List("pic1.png", Address);
    Select({row});
    SaveAnswer(target);
    Dialogs.MessageAnswers = {TMsgResult::No};

    Window->SaveAs1Click();

    EXPECT_FALSE(fs::exists(note));
}

TEST_F(SaveCommands, ImagesWithoutAddressAreSavedWithoutNoteOrLink) {
    const int row = List("pic1.png");
    Select({row});
    SaveAnswer(Out + "/shot.png");

    Window->SaveAs1Click();

    EXPECT_TRUE(Dialogs.MessageLog().isEmpty());
    EXPECT_TRUE(Links().empty());
}

TEST_F(SaveCommands, OverwritingALinkedImageAsksFirstAndReplacesItsLinkOnYes) {
    const QString target = Out + "/old.png";
    const std::string note = NoteFileName(LocalPath(target));
    URLStore().AddURLLink(LocalPath(target), "https://old.example/", {"old note"}, true);
    const std::string question = "Save|You are about to overwrite " +
                                 AsciiUpper(LocalPath(target)) +
                                 " which has a URL linked to it. Do you want to overwrite it?";
    const int row = List("pic1.png", Address);
    Select({row});
    SaveAnswer(target); // No: the dialog again
    SaveAnswer(target); // Yes
    Dialogs.MessageAnswers = {TMsgResult::No, TMsgResult::Yes, TMsgResult::No};

    Window->SaveAs1Click();

    EXPECT_EQ(Dialogs.MessageLog(),
              (QStringList{QString::fromStdString(question), QString::fromStdString(question),
                           NotesQuestion("old.png")}));
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Question);
    EXPECT_EQ(Dialogs.Calls[1].Buttons, unsigned(mbYes | mbNo));
    EXPECT_EQ(Links(), (std::vector<TURLLink>{{LocalPath(target), Address.toStdString(), note}}));
    EXPECT_FALSE(fs::exists(note));
}

TEST_F(SaveCommands, ARefusedOrFailedOverwriteKeepsTheLinkedImagesLinkAndNote) {
    // A listed, linked image: its name is in use, so its link must stay.
    const QString listed = Out + "/listed.png";
    const int listedRow = List(LocalPath(listed), Address);
    URLStore().AddURLLink(LocalPath(listed), LocalPath(Address), {"listed note"}, true);
    // A linked image that is not listed; the write over it fails.
    const QString linked = Out + "/linked.bmp";
    PutImage(LocalPath(linked), MakeNoise(4, 4));
    URLStore().AddURLLink(LocalPath(linked), "https://b.example/", {"b note"}, true);
    const auto linksBefore = Links();
    const int row = List("pic1.bmp", Address);
    Select({row});
    SaveAnswer(listed);
    SaveAnswer(linked);
    Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::Yes, TMsgResult::OK};

    {
        TFileSizeLimit fullDisk(1000);
        Window->SaveAs1Click();
    }

    ASSERT_EQ(Dialogs.MessageLog().size(), 3);
    EXPECT_EQ(Dialogs.MessageLog()[0], InUse(listed));
    EXPECT_TRUE(Dialogs.MessageLog()[1].startsWith("Save|You are about to overwrite"));
    EXPECT_TRUE(Dialogs.MessageLog()[2].contains("File too large"));
    EXPECT_EQ(Links(), linksBefore);
    EXPECT_EQ(*ReadWholeFile(NoteFileName(LocalPath(listed))), "listed note\r\n");
    EXPECT_EQ(*ReadWholeFile(NoteFileName(LocalPath(linked))), "b note\r\n");
    EXPECT_EQ(Name(row), "pic1.bmp");
    EXPECT_EQ(Name(listedRow), "listed.png");
}

// --- Auto Save --------------------------------------------------------------------------

TEST_F(SaveCommands, AutoSaveCopiesUnderTheNextFreeNamesAndRemembersTheFolder) {
    const int bmp = List("pic1.bmp");
    const int jpg = List("pic1.jpg", {}, MakeNoise(16, 16));
    const std::string bmpBytes = Bytes(Window->Paths()[bmp]);
    const std::string jpgBytes = Bytes(Window->Paths()[jpg]);
    WriteWholeFile(LocalPath(Out + "/pic1.bmp"), "someone else's");
    Select({bmp, jpg});
    Dialogs.FolderAnswers = {Out};

    Window->SaveSelectedToFolder1Click();

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    const QString home = Path(HomeFolder());
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Save Selected Images To " + home);
    EXPECT_EQ(Dialogs.Calls[0].Text, home);
    EXPECT_EQ(Files(Out), (std::vector<std::string>{"pic1.bmp", "pic1.jpg", "pic2.bmp"}));
    EXPECT_EQ(Bytes(Out + "/pic2.bmp"), bmpBytes);
    EXPECT_EQ(Bytes(Out + "/pic1.jpg"), jpgBytes);
    EXPECT_EQ(Bytes(Out + "/pic1.bmp"), "someone else's");
    EXPECT_EQ(Window->Paths()[bmp], Out + "/pic2.bmp");
    EXPECT_EQ(Window->Paths()[jpg], Out + "/pic1.jpg");
    EXPECT_EQ(Rows(*Window), (QStringList{"pic1.jpg", "pic2.bmp"}));
    EXPECT_TRUE(MarkedSaved(bmp) && MarkedSaved(jpg));
    EXPECT_EQ(Read("lastsave.dat"), LocalPath(Out) + "\r\n");

    // The next run starts in that folder; entries already there are left alone.
    Dialogs = TFakeDialogs();
    Dialogs.FolderAnswers = {Out + "/"};
    Window->SaveSelectedToFolder1Click();
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Save Selected Images To " + Out);
    EXPECT_EQ(Files(Out), (std::vector<std::string>{"pic1.bmp", "pic1.jpg", "pic2.bmp"}));
    EXPECT_EQ(Window->Paths()[bmp], Out + "/pic2.bmp");
    EXPECT_TRUE(Dialogs.MessageLog().isEmpty());
}

TEST_F(SaveCommands, AutoSaveRefusesTheProgramsFolders) {
    const QString program = Folder("prog");
    WriteWholeFile(LocalPath(program + "/karvin"), "the program");
    const QString work = Path(WorkFolder());
    struct TCase {
        QString Folder;
        QString Message;
        TMsgIcon Icon;
    };
    const TCase cases[] = {
        {program, SameFolderWithoutThe, TMsgIcon::Warning},
        {program + "/", SameFolderWithoutThe, TMsgIcon::Warning},
        {work, SameFolderWithThe, TMsgIcon::Critical},
        {Folder("cache/karvin/below"), SameFolderWithThe, TMsgIcon::Critical},
        {Path((Scratch / "link to work").string()), SameFolderWithThe, TMsgIcon::Critical},
    };
    fs::create_directory_symlink(Work(), Scratch / "link to work");
    const int row = List("pic1.bmp");
    for (const TCase& test : cases) {
        Dialogs = TFakeDialogs();
        Select({row});
        Dialogs.FolderAnswers = {test.Folder};
        Ok();

        Window->SaveSelectedToFolder1Click();

        EXPECT_EQ(Dialogs.MessageLog(), QStringList{test.Message}) << test.Folder.toStdString();
        EXPECT_EQ(Dialogs.Calls.back().Icon, test.Icon);
        EXPECT_EQ(Name(row), "pic1.bmp");
        EXPECT_EQ(Read("lastsave.dat"), "<missing>");
    }
    EXPECT_EQ(Files(program), std::vector<std::string>{"karvin"});

    // A folder that only begins like the working folder is not it.
    Dialogs = TFakeDialogs();
    Dialogs.FolderAnswers = {Folder("cache/karvin-old")};
    Window->SaveSelectedToFolder1Click();
    EXPECT_TRUE(Dialogs.MessageLog().isEmpty());
    EXPECT_EQ(Window->Paths()[row], Folder("cache/karvin-old") + "/pic1.bmp");
}

TEST_F(SaveCommands, AutoSaveWithoutSelectionOrFolderDoesNothing) {
    const int row = List("pic1.bmp");
    Ok();
    Window->SaveSelectedToFolder1Click();
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{NoSelection});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);

    Dialogs = TFakeDialogs();
    Select({row});
    Dialogs.FolderAnswers = {std::nullopt};
    Window->SaveSelectedToFolder1Click();
    EXPECT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_TRUE(Files(Out).empty());
    EXPECT_EQ(Read("lastsave.dat"), "<missing>");
}

TEST_F(SaveCommands, NoToAllSilencesTheNoteQuestionForTheRestOfOneRun) {
    const int first = List("pic1.png", Address);
    const int second = List("pic2.png", Address);
    const int third = List("pic3.png", Address);
    WriteWholeFile(LocalPath(Out + "/pic2png.txt"), "stale note\r\n");
    Select({first, second, third});
    Dialogs.FolderAnswers = {Out};
    QStringList asked;
    NoteQuestion(&TfrmCommentMessage::btnNoAll, &asked);

    Window->SaveSelectedToFolder1Click();

    EXPECT_EQ(asked, QStringList{CommentQuestion(Out + "/pic1.png")});
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    std::vector<TURLLink> expected;
    for (const char* name : {"pic1.png", "pic2.png", "pic3.png"}) {
        const std::string path = LocalPath(Out + "/" + name);
        expected.push_back({path, Address.toStdString(), NoteFileName(path)});
    }
    EXPECT_EQ(Links(), expected);
    EXPECT_EQ(Files(Out), (std::vector<std::string>{"pic1.png", "pic2.png", "pic3.png"}));
    EXPECT_EQ(Window->Note().NoteAnswer(), naYes);

    // The next run asks again: Yes with a note, then No.
    Dialogs = TFakeDialogs();
    const int fourth = List("pic4.png", Address);
    const int fifth = List("pic5.png", Address);
    Select({fourth, fifth});
    Dialogs.FolderAnswers = {Folder("next")};
    NoteQuestion(&TfrmCommentMessage::btnYes);
    NoteEntry("a note");
    NoteQuestion(&TfrmCommentMessage::btnNo);

    Window->SaveSelectedToFolder1Click();

    EXPECT_TRUE(Dialogs.AllAnswersUsed());
    EXPECT_EQ(*ReadWholeFile((Scratch / "next" / "pic1png.txt").string()), "a note\r\n");
    EXPECT_FALSE(fs::exists(Scratch / "next" / "pic2png.txt"));
    EXPECT_EQ(Links().size(), 5u);
}

TEST_F(SaveCommands, AutoSaveShowsItsProgressAndPutsTheViewBack) {
    const TDibGraphic shown = MakeNoise(12, 12, 9);
    const int first = List("pic1.bmp", {}, shown);
    const int second = List("pic2.bmp");
    const int third = List("pic3.bmp");
    Window->ShowImageFile(Window->Paths()[first]);
    const QString status = Window->StatusText();
    Select({second, third});
    Dialogs.FolderAnswers = {Out};
    struct TStep {
        int Value;
        int Maximum;
        bool Shown;
        bool operator==(const TStep&) const = default;
    };
    std::vector<TStep> steps;
    QObject::connect(Window->Progress(), &QProgressBar::valueChanged, [&](int value) {
        if (value > 0)
            steps.push_back(
                {value, Window->Progress()->maximum(), !Window->Progress()->isHidden()});
    });

    Window->SaveSelectedToFolder1Click();

    EXPECT_EQ(steps, (std::vector<TStep>{{1, 2, true}, {2, 2, true}}));
    EXPECT_EQ(Window->Progress()->value(), 0);
    EXPECT_EQ(Window->Progress()->maximum(), 100);
    EXPECT_TRUE(Window->Progress()->isHidden());
    EXPECT_EQ(Pixels(Window->ImageView()->Graphic()), Pixels(shown));
    EXPECT_EQ(Window->StatusText(), status);
}

TEST_F(SaveCommands, ImagesThatCannotBeCopiedAreReportedAndTheRestAreSaved) {
    const int gone = List("pic1.bmp");
    const int kept = List("pic2.png");
    const QString gonePath = Window->Paths()[gone];
    fs::remove(LocalPath(gonePath));
    Select({gone, kept});
    Dialogs.FolderAnswers = {Out};
    Ok();

    Window->SaveSelectedToFolder1Click();

    EXPECT_EQ(Dialogs.MessageLog(), QStringList{"Error|Cannot read file \"" + gonePath +
                                                "\": No such file or directory"});
    EXPECT_EQ(Dialogs.Calls.back().Icon, TMsgIcon::Critical);
    EXPECT_EQ(Window->Paths()[gone], gonePath);
    EXPECT_FALSE(MarkedSaved(gone));
    EXPECT_EQ(Window->Paths()[kept], Out + "/pic1.png");
    EXPECT_EQ(Files(Out), std::vector<std::string>{"pic1.png"});
}

TEST_F(SaveCommands, AFullDiskLeavesNoPartOfACopyBehind) {
    const int row = List("pic1.bmp", Address, MakeNoise(100, 100));
    Select({row});
    Dialogs.FolderAnswers = {Out};
    Ok();
    {
        TFileSizeLimit fullDisk(4096);
        Window->SaveSelectedToFolder1Click();
    }

    ASSERT_EQ(Dialogs.MessageLog().size(), 1);
    EXPECT_TRUE(
        Dialogs.MessageLog()[0].startsWith("Error|Cannot write file \"" + Out + "/pic1.bmp\""));
    EXPECT_TRUE(Dialogs.MessageLog()[0].contains("File too large"));
    EXPECT_TRUE(Files(Out).empty());
    EXPECT_TRUE(IsInWorkFolder(LocalPath(Window->Paths()[row])));
    EXPECT_TRUE(Links().empty());
}

TEST_F(SaveCommands, AFolderThatCannotBeWrittenIsReported) {
    const int row = List("pic1.bmp");
    Select({row});
    Dialogs.FolderAnswers = {Out};
    Ok();
    {
        TReadOnlyFolder locked(LocalPath(Out));
        ASSERT_TRUE(locked.Made());
        Window->SaveSelectedToFolder1Click();
    }

    ASSERT_EQ(Dialogs.MessageLog().size(), 1);
    EXPECT_TRUE(
        Dialogs.MessageLog()[0].startsWith("Error|Cannot create file \"" + Out + "/pic1.bmp\": "));
    EXPECT_TRUE(IsInWorkFolder(LocalPath(Window->Paths()[row])));
    EXPECT_TRUE(Files(Out).empty());
}

TEST_F(SaveCommands, AutoSaveKeepsNamesWithBlanksAndLettersBeyondAscii) {
    const QString folder = Folder("Mes Images/Été");
    const int row = List((Scratch / "Mes Images" / "Ünïcode shot.PNG").string(), Address);
    Select({row});
    Dialogs.FolderAnswers = {folder};
    NoteQuestion(&TfrmCommentMessage::btnNo);

    Window->SaveSelectedToFolder1Click();

    EXPECT_EQ(Window->Paths()[row], folder + "/pic1.png");
    EXPECT_EQ(Read("lastsave.dat"), LocalPath(folder) + "\r\n");
    EXPECT_EQ(Links().at(0).ImagePath, LocalPath(folder + "/pic1.png"));
}

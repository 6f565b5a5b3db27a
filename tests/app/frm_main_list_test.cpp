// The list commands: Delete with its notes and links, Select All, Go To URL and its enabling,
// Clear clipboard; the window's activation; the help window and the about box.
#include "tests/app/frm_main_fixture.h"

#include "app/frm_about.h"
#include "app/help_window.h"
#include "store/file_io.h"
#include "tests/imaging/test_images.h"
#include "weblink/link_notes.h"
#include "weblink/link_store.h"
#include "widgets/image_scroll_box.h"
#include "widgets/tool_pictures.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

namespace fs = std::filesystem;

namespace {

const QString DeleteQuestion = "Confirmation|Are you sure you want to delete the image(s)?";

// The captions of a menu's entries, separators left out.
QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* item : menu->actions())
        if (!item->isSeparator())
            captions << item->text();
    return captions;
}

class MainWindowList : public MainWindow {
protected:
    // Five captures, pic1..pic5, each a different picture; the window shown.
    std::unique_ptr<TfrmMainDriver> StartWithFive() {
        for (int n = 1; n <= 5; ++n)
            PutImage("pic" + std::to_string(n) + ".bmp", MakeNoise(10 + n, 10, n));
        auto window = StartShown();
        SortRowsByName(*window);
        return window;
    }
    // The folder enumerates in any order; the tests want pic1..pic5 from the top.
    static void SortRowsByName(TfrmMainDriver& window) {
        QStringList paths = window.Paths();
        paths.sort();
        window.List()->Clear();
        for (const QString& path : paths)
            window.AppendImage(path, "");
    }
    // Gives a row a page address, a link record and a note file, as saving it would.
    // Gives a row a page address: the rows are listed again, the same but for its address.
    static void SetAddress(TfrmMainDriver& window, int row, const QString& url) {
        const QStringList paths = window.Paths();
        QStringList urls = window.URLs();
        urls[row] = url;
        window.List()->Clear();
        for (int listed = 0; listed < paths.size(); ++listed)
            window.AppendImage(paths[listed], urls[listed]);
    }
    void Link(TfrmMainDriver& window, int row, const std::string& url) {
        SetAddress(window, row, QString::fromStdString(url));
        const std::string image = QFile::encodeName(window.Paths()[row]).toStdString();
        URLStore().AddURLLink(image, url, {"a note"}, true);
    }
    static std::vector<std::string> LinkedImages() {
        std::vector<std::string> images;
        for (const TURLLink& link : URLStore().ReadURLStore())
            images.push_back(fs::path(link.ImagePath).filename().string());
        return images;
    }
    static void Select(TfrmMainDriver& window, const QList<int>& rows) {
        window.List()->clearSelection();
        for (int row : rows)
            ClickRow(window, row, Qt::ControlModifier);
    }
};

} // namespace

TEST_F(MainWindowList, DeletingThreeRowsRemovesTheirFilesNotesAndLinksOnly) {
    auto window = StartWithFive();
    for (int row = 0; row < 5; ++row)
        Link(*window, row, "https://example.org/page" + std::to_string(row + 1));
    ASSERT_EQ(FilesLeft(),
              (std::vector<std::string>{"karvin.cfg", "pic1.bmp", "pic1bmp.txt", "pic2.bmp",
                                        "pic2bmp.txt", "pic3.bmp", "pic3bmp.txt", "pic4.bmp",
                                        "pic4bmp.txt", "pic5.bmp", "pic5bmp.txt", "urlpath.dat"}));
    Select(*window, {0, 2, 3});
    Dialogs.MessageAnswers = {TMsgResult::Yes};

    window->Delete1Click();

    EXPECT_EQ(Dialogs.MessageLog(), QStringList{DeleteQuestion});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(Dialogs.Calls[0].Buttons, unsigned(mbYes | mbNo));
    // (The link store keeps its scratch copy for the clean-up at exit.)
    EXPECT_EQ(FilesLeft(),
              (std::vector<std::string>{"karvin.cfg", "pic2.bmp", "pic2bmp.txt", "pic5.bmp",
                                        "pic5bmp.txt", "tmppath.dat", "urlpath.dat"}));
    EXPECT_EQ(LinkedImages(), (std::vector<std::string>{"pic2.bmp", "pic5.bmp"}));
    ASSERT_EQ(window->List()->topLevelItemCount(), 2);
    EXPECT_EQ(window->List()->topLevelItem(0)->text(1), "pic2.bmp");
    EXPECT_EQ(window->List()->topLevelItem(1)->text(1), "pic5.bmp");
    EXPECT_EQ(window->Paths().size(), 2);
    EXPECT_TRUE(window->Paths()[0].endsWith("/pic2.bmp"));
    EXPECT_TRUE(window->Paths()[1].endsWith("/pic5.bmp"));
    EXPECT_EQ(window->URLs(),
              (QStringList{"https://example.org/page2", "https://example.org/page5"}));
    // The first remaining row is selected and shown.
    EXPECT_EQ(window->SelectedRows(), QList<int>{0});
    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(MakeNoise(12, 10, 2)));
    EXPECT_EQ(window->StatusText(), window->Paths()[0] + ", 12x10, High Color");
}

TEST_F(MainWindowList, DeletingASavedRowMovesTheSavedCopyAndItsNoteToTheTrash) {
    // The desktop's trash of this test's user.
    const char* oldDataHome = std::getenv("XDG_DATA_HOME");
    const std::optional<std::string> savedDataHome =
        oldDataHome ? std::optional<std::string>(oldDataHome) : std::nullopt;
    ::setenv("XDG_DATA_HOME", (Scratch / "data").c_str(), 1);
    // The home folder on the same file system as the image: its trash is the one used.
    fs::create_directories(Scratch / "home");
    fs::create_directories(Scratch / "data");
    const fs::path trash = Scratch / "data" / "Trash";
    auto window = StartWithFive();
    fs::create_directories(Scratch / "My Pictures");
    const std::string saved =
        PutImage((Scratch / "My Pictures" / "Straße 1.png").string(), MakeNoise(4, 4));
    window->AppendImage(Path(saved), "");
    Link(*window, 5, "https://example.org/saved");
    ASSERT_TRUE(FileExists(NoteFileName(saved)));
    Select(*window, {1, 5});
    Dialogs.MessageAnswers = {TMsgResult::Yes};

    window->Delete1Click();

    // The question names the saved file; the capture is deleted, the saved copy and its note
    // can be brought back from the trash.
    EXPECT_EQ(
        Dialogs.MessageLog(),
        QStringList{DeleteQuestion + "\nThe saved file goes to the trash: " + Path(saved) + "."});
    EXPECT_TRUE(FilesIn(Scratch / "My Pictures").empty());
    EXPECT_FALSE(FileExists((Work() / "pic2.bmp").string()));
    ASSERT_TRUE(fs::is_directory(trash / "files"));
    EXPECT_EQ(FilesIn(trash / "files"),
              (std::vector<std::string>{"Straße 1.png", "Straße 1png.txt"}));
    EXPECT_EQ(Pixels(LoadImageFile((trash / "files" / "Straße 1.png").string())),
              Pixels(MakeNoise(4, 4)));
    EXPECT_EQ(FilesIn(trash / "info"),
              (std::vector<std::string>{"Straße 1.png.trashinfo", "Straße 1png.txt.trashinfo"}));
    EXPECT_TRUE(LinkedImages().empty());
    EXPECT_EQ(Rows(*window), (QStringList{"pic1.bmp", "pic3.bmp", "pic4.bmp", "pic5.bmp"}));
    if (savedDataHome)
        ::setenv("XDG_DATA_HOME", savedDataHome->c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}

TEST_F(MainWindowList, DeleteQuestionNamesOnlySavedFilesAndAFewOfMany) {
    auto window = StartWithFive();
    QStringList saved;
    for (int n = 1; n <= 7; ++n) {
        saved << Path((Scratch / ("shot" + std::to_string(n) + ".png")).string());
        window->AppendImage(saved.last(), "");
    }
    struct TCase {
        QList<int> Rows;
        QString Question;
    };
    const TCase cases[] = {
        {{0, 1}, DeleteQuestion},
        {{0, 5, 6},
         DeleteQuestion + "\nThe saved files go to the trash: " + saved[0] + ", " + saved[1] + "."},
        {{5, 6, 7, 8, 9, 10, 11},
         DeleteQuestion + "\nThe saved files go to the trash: " + saved.mid(0, 5).join(", ") +
             " and 2 more."},
    };
    for (const TCase& c : cases) {
        Select(*window, c.Rows);
        Dialogs = TFakeDialogs();
        Dialogs.MessageAnswers = {TMsgResult::No};

        window->Delete1Click();

        EXPECT_EQ(Dialogs.MessageLog(), QStringList{c.Question});
        EXPECT_EQ(window->List()->topLevelItemCount(), 12);
    }
}

TEST_F(MainWindowList, DeletingEveryRowEmptiesTheViewAndDisablesGoToURL) {
    auto window = StartWithFive();
    Link(*window, 1, "https://example.org/");
    Select(*window, {1});
    window->ImageMenuPopup();
    window->Image1Click();
    ASSERT_TRUE(window->GotoURLEntry()->isEnabled());
    ASSERT_TRUE(window->PopupGotoURLEntry()->isEnabled());
    ASSERT_FALSE(window->ImageView()->Graphic().Empty());
    window->WorkImage() = MakeNoise(3, 3);
    window->SelectAll2Click();
    Dialogs.MessageAnswers = {TMsgResult::Yes};

    window->ToolButton("tbDelete")->click();

    EXPECT_EQ(FilesLeft(), (std::vector<std::string>{"karvin.cfg", "tmppath.dat"}));
    EXPECT_EQ(window->List()->topLevelItemCount(), 0);
    EXPECT_TRUE(window->Paths().isEmpty());
    EXPECT_TRUE(window->URLs().isEmpty());
    EXPECT_TRUE(window->ImageView()->Graphic().Empty());
    EXPECT_TRUE(window->WorkImage().Empty());
    EXPECT_EQ(window->StatusText(), "");
    EXPECT_FALSE(window->GotoURLEntry()->isEnabled());
    EXPECT_FALSE(window->PopupGotoURLEntry()->isEnabled());
}

TEST_F(MainWindowList, DeleteAsksFirstAndNeedsASelection) {
    auto window = StartWithFive();
    Dialogs.MessageAnswers = {TMsgResult::OK};
    window->Delete1Click();
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{"Error|Please select an image."});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);

    Select(*window, {1, 4});
    Dialogs.MessageAnswers = {TMsgResult::No};
    window->Entry("&File", "&Delete")->trigger();
    EXPECT_EQ(Dialogs.MessageLog().last(), DeleteQuestion);
    EXPECT_EQ(FilesLeft().size(), 6u);
    EXPECT_EQ(window->List()->topLevelItemCount(), 5);
    EXPECT_EQ(window->SelectedRows(), (QList<int>{1, 4}));
}

TEST_F(MainWindowList, ACaptureThatLandsWhileDeleteRunsIsKeptAndTheChosenRowsGo) {
    // A hot key (or "karvin trigger") while the question is up, or handled in the walk's
    // event processing: the capture selects its own row, which must not be what Yes deletes.
    for (bool inTheWalk : {false, true}) {
        SCOPED_TRACE(inTheWalk ? "in the walk" : "while the question is up");
        // Each case in a working folder of its own.
        fs::remove_all(Work());
        TSettingsRecord settings;
        settings.PrintSelection = psCaptureOnly;
        PutSettings(settings);
        auto window = StartWithFive();
        Select(*window, {0, 2});
        Dialogs.MessageAnswers = {TMsgResult::Yes};
        Dialogs.WhileMessageShown = [&](const TDialogCall&) {
            if (inTheWalk)
                QTimer::singleShot(0, [&] { HotKeys.Press(0, VkPrintScreen); });
            else
                ASSERT_TRUE(HotKeys.Press(0, VkPrintScreen));
        };

        window->Delete1Click();

        // In the walk the capture comes after pic1.bmp has gone, and takes that free name.
        const QStringList kept = inTheWalk
                                     ? QStringList{"pic1.bmp", "pic2.bmp", "pic4.bmp", "pic5.bmp"}
                                     : QStringList{"pic2.bmp", "pic4.bmp", "pic5.bmp", "pic6.bmp"};
        EXPECT_EQ(Rows(*window), kept);
        std::vector<std::string> images = FilesLeft();
        std::erase_if(images, [](const std::string& name) { return !name.starts_with("pic"); });
        std::vector<std::string> keptFiles;
        for (const QString& name : kept)
            keptFiles.push_back(name.toStdString());
        EXPECT_EQ(images, keptFiles);
        // The capture's file, not the small image that was there before.
        const std::string capture =
            (inTheWalk ? Work() / "pic1.bmp" : Work() / "pic6.bmp").string();
        EXPECT_EQ(LoadImageFile(capture).Width(), Screen.ScreenSize().width());
        EXPECT_EQ(Dialogs.MessageLog(), QStringList{DeleteQuestion});
        window.reset();
        Dialogs.Calls.clear();
    }
}

TEST_F(MainWindowList, ARowWhoseFileIsGoneIsRemovedAllTheSame) {
    auto window = StartWithFive();
    fs::remove(Work() / "pic3.bmp");
    Select(*window, {2});
    Dialogs.MessageAnswers = {TMsgResult::Yes};

    window->Delete1Click();

    EXPECT_EQ(Rows(*window), (QStringList{"pic1.bmp", "pic2.bmp", "pic4.bmp", "pic5.bmp"}));
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{DeleteQuestion});
}

TEST_F(MainWindowList, AFileThatCannotBeDeletedKeepsItsRowNoteAndLink) {
    auto window = StartWithFive();
    // Where the saved image was, the user has put a folder: it cannot be deleted as a file,
    // not even by root.
    fs::create_directories(Scratch / "saved" / "shot.png");
    window->AppendImage(Path((Scratch / "saved" / "shot.png").string()), "");
    Link(*window, 5, "https://example.org/kept");
    Select(*window, {0, 5});
    Dialogs.MessageAnswers = {TMsgResult::Yes, TMsgResult::OK};

    window->Delete1Click();

    ASSERT_EQ(Dialogs.Calls.size(), 2u);
    EXPECT_EQ(Dialogs.Calls[1].Caption, "Error");
    EXPECT_TRUE(Dialogs.Calls[1].Text.startsWith("Cannot delete " + Path(Scratch.string()) +
                                                 "/saved/shot.png: "))
        << Dialogs.Calls[1].Text.toStdString();
    EXPECT_FALSE(FileExists((Work() / "pic1.bmp").string()));
    EXPECT_EQ(Rows(*window),
              (QStringList{"pic2.bmp", "pic3.bmp", "pic4.bmp", "pic5.bmp", "shot.png"}));
    EXPECT_EQ(LinkedImages(), std::vector<std::string>{"shot.png"});
    EXPECT_TRUE(FileExists((Scratch / "saved" / "shotpng.txt").string()));
    EXPECT_EQ(window->SelectedRows(), QList<int>{0}); // the list is tidied up all the same
}

TEST_F(MainWindowList, GoToURLIsEnabledForExactlyOneSelectedRowWithAnAddress) {
    struct TCase {
        const char* Name;
        QList<int> Selected;
        bool EnabledBefore;
        bool EnabledAfter;
    };
    const TCase cases[] = {
        {"one row with an address", {1}, false, true}, {"one row without", {0}, true, false},
        {"two rows: unchanged", {1, 3}, false, false}, {"two rows: unchanged", {0, 1}, true, true},
        {"none: unchanged", {}, true, true},           {"none: unchanged", {}, false, false},
    };
    auto window = StartWithFive();
    Link(*window, 1, "https://example.org/1");
    Link(*window, 3, "https://example.org/3");
    for (const auto& c : cases) {
        Select(*window, c.Selected);
        for (auto [menu, entry] : {std::pair{window->PopupMenu(), window->PopupGotoURLEntry()},
                                   std::pair{window->Menu("&Image"), window->GotoURLEntry()}}) {
            entry->setEnabled(c.EnabledBefore);
            emit menu->aboutToShow(); // opening the menu
            EXPECT_EQ(entry->isEnabled(), c.EnabledAfter)
                << c.Name << ", " << entry->text().toStdString();
        }
    }
}

TEST_F(MainWindowList, GoToURLOpensTheSelectedRowsAddress) {
    auto window = StartWithFive();
    const std::string longest = "https://example.org/?q=" + std::string(255 - 23, 'x');
    const std::string tooLong = longest + "y";
    ASSERT_EQ(longest.size(), 255u);
    Link(*window, 0, "https://example.org/short");
    Link(*window, 1, longest);
    Link(*window, 2, tooLong);

    // Both entries stay enabled from the last single selection with an address.
    Select(*window, {0});
    emit window->Menu("&Image")->aboutToShow();
    emit window->PopupMenu()->aboutToShow();
    Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK};
    Select(*window, {});
    window->GotoURLEntry()->trigger();
    Select(*window, {0, 1});
    window->PopupGotoURLEntry()->trigger();
    EXPECT_EQ(Dialogs.MessageLog(), (QStringList{"Error|Please select an image name",
                                                 "Error|Please select one image name only"}));
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Warning);

    // The desktop's open operation below 256 characters, the browser itself from 256 on;
    // the flag of the last capture is cleared either way.
    window->LongURL() = true;
    Select(*window, {0});
    window->GotoURL1Click();
    EXPECT_FALSE(window->LongURL());
    Select(*window, {1});
    window->GotoURL1Click();
    window->LongURL() = true;
    Select(*window, {2});
    window->GotoURL1Click();
    EXPECT_FALSE(window->LongURL());
    Select(*window, {4}); // no address: nothing to open
    window->GotoURL1Click();

    EXPECT_EQ(Desktop.Documents,
              (QStringList{"https://example.org/short", QString::fromStdString(longest)}));
    EXPECT_EQ(Desktop.Browsed, QStringList{QString::fromStdString(tooLong)});
    EXPECT_EQ(Dialogs.Calls.size(), 2u);
}

TEST_F(MainWindowList, GoToURLOpensNoAddressThatIsNotAWebOrFileAddress) {
    auto window = StartWithFive();
    const QString tail(240, 'x');
    struct TCase {
        QString Stored;
        QString Opened; // empty: nothing is opened
        bool Long;      // through the browser itself
    };
    const TCase cases[] = {
        {"--renderer-cmd-prefix=/tmp/prog" + tail, "", false},
        {"--renderer-cmd-prefix=/tmp/prog", "", false},
        {"-" + tail, "", false},
        {"javascript:alert(1)", "", false},
        {"smb://server/share/" + tail, "", false},
        {"https://example.org/\x01" + tail, "", false},
        {"https://example.org/a\n--no-sandbox", "", false},
        {"HTTPS://Example.org/a b", "https://example.org/a%20b", false},
        {"https://example.org/" + tail + " y", "https://example.org/" + tail + "%20y", true},
        {"file:///tmp/page.html", "file:///tmp/page.html", false},
    };
    for (const TCase& c : cases) {
        SetAddress(*window, 0, c.Stored);
        Desktop.Documents.clear();
        Desktop.Browsed.clear();
        Dialogs.Calls.clear();
        Dialogs.MessageAnswers.clear();
        if (c.Opened.isEmpty())
            Dialogs.MessageAnswers = {TMsgResult::OK};
        Select(*window, {0});
        emit window->Menu("&Image")->aboutToShow();

        window->GotoURL1Click();

        const std::string name = c.Stored.toStdString();
        EXPECT_EQ(window->GotoURLEntry()->isEnabled(), !c.Opened.isEmpty()) << name;
        if (c.Opened.isEmpty()) {
            EXPECT_TRUE(Desktop.Documents.isEmpty()) << name;
            EXPECT_TRUE(Desktop.Browsed.isEmpty()) << name;
            EXPECT_EQ(Dialogs.MessageLog(),
                      QStringList{"Error|The page address of this image cannot be opened: "
                                  "Karvin opens only web (http, https), ftp and file addresses."})
                << name;
        } else {
            EXPECT_EQ(c.Long ? Desktop.Browsed : Desktop.Documents, QStringList{c.Opened}) << name;
            EXPECT_TRUE((c.Long ? Desktop.Documents : Desktop.Browsed).isEmpty()) << name;
            EXPECT_TRUE(Dialogs.Calls.empty()) << name;
        }
    }
}

TEST_F(MainWindowList, SelectAllSelectsEveryRowAndLeavesTheView) {
    auto window = StartWithFive();
    ClickRow(*window, 2);
    const std::vector<uint32_t> shown = Pixels(window->ImageView()->Graphic());
    window->ZoomBox()->setFocus();

    window->Entry("&Edit", "Select &All")->trigger();

    EXPECT_EQ(window->SelectedRows(), (QList<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(window->List()->hasFocus());
    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), shown);
}

TEST_F(MainWindowList, ClearClipboardEmptiesIt) {
    auto window = Start();
    Clipboard.Text = "something";
    Clipboard.Image = QImage(2, 2, QImage::Format_RGB32);
    window->Entry("&Edit", "Clear clip&board")->trigger();
    EXPECT_FALSE(Clipboard.HasImage());
    EXPECT_EQ(Clipboard.GetText(), "");
}

TEST_F(MainWindowList, ActivationGivesTheListTheFocusAndRedrawsOnPaletteScreens) {
    struct TCase {
        std::uint64_t Colors;
        bool ThumbViewerOpen;
        bool Redrawn;
        bool ListFocused;
    };
    const TCase cases[] = {
        {16777216, false, false, true},
        {256, false, true, true},
        {16, true, true, false},
    };
    for (const auto& c : cases) {
        PutImage("pic1.bmp", MakeNoise(5, 5)); // the last window's end took it away
        Screen.ColorCount = c.Colors;
        auto window = StartShown();
        ClickRow(*window, 0);
        ASSERT_FALSE(window->ImageView()->Graphic().Empty());
        int redraws = 0;
        window->ImageView()->OnRedraw = [&](const TDibGraphic&) { ++redraws; };
        window->ThumbViewer() = c.ThumbViewerOpen;
        window->MethodBox()->setFocus();

        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(window.get(), &activate);

        EXPECT_EQ(redraws > 0, c.Redrawn) << c.Colors;
        EXPECT_EQ(window->List()->hasFocus(), c.ListFocused) << c.Colors;
    }
}

TEST_F(MainWindowList, HelpOpensTheDocumentAtItsTopicsInOneWindow) {
    auto window = StartShown();
    const QString document = window->Folder() + "help/karvin.html";
    ASSERT_TRUE(QFileInfo(document).isFile()) << document.toStdString();

    window->Entry("&Help", "&Main Screen")->trigger();
    ASSERT_TRUE(window->Help());
    THelpWindow* help = window->Help();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), "Karvin Help");
    const auto at = [&](const QString& anchor) {
        QUrl page = QUrl::fromLocalFile(document);
        page.setFragment(anchor);
        return page;
    };
    EXPECT_EQ(help->Source(), at("topic-101"));
    const int mainScreen = help->ScrollPosition();
    EXPECT_GT(mainScreen, 0);

    window->ClickMe()->click();
    EXPECT_EQ(window->Help(), help);
    EXPECT_EQ(help->Source(), at("topic-201"));
    EXPECT_GT(help->ScrollPosition(), 0);
    EXPECT_LT(help->ScrollPosition(), mainScreen); // the quick start comes first

    window->Entry("&Help", "&Contents")->trigger();
    EXPECT_EQ(help->Source(), QUrl::fromLocalFile(document));
    EXPECT_EQ(help->ScrollPosition(), 0);
    EXPECT_TRUE(help->Browser->toPlainText().contains("Quick start"));
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(MainWindowList, HelpWindowOpensAtItsOwnSizeAndClosesWithEscapeOrCtrlW) {
    auto window = StartShown();
    for (const QKeySequence& keys :
         {QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W)}) {
        window->Content1Click();
        THelpWindow* help = window->Help();
        ASSERT_TRUE(help);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
        EXPECT_EQ(help->windowType(), Qt::Dialog);
        const QRect screen = help->screen()->availableGeometry();
        EXPECT_LT(help->width(), screen.width());
        EXPECT_LT(help->height(), screen.height());
        EXPECT_LE(help->width(), 680);
        EXPECT_LE(help->height(), 560);
        help->Browser->setFocus();

        QTest::keySequence(help->Browser, keys);

        EXPECT_FALSE(help->isVisible()) << keys.toString().toStdString();
    }
}

TEST_F(MainWindowList, AMissingHelpDocumentIsReported) {
    auto window = StartShown();
    window->Folder() = QString::fromStdString(Scratch.string()) + "/";
    Dialogs.MessageAnswers = {TMsgResult::OK};

    window->Content1Click();

    EXPECT_EQ(Dialogs.MessageLog(), QStringList{"Error|Cannot find the help file " +
                                                window->Folder() + "help/karvin.html."});
    EXPECT_FALSE(window->Help());
}

TEST_F(MainWindowList, AboutShowsTheVersionAndTheLibraries) {
    auto window = StartShown();
    QString title, heading, version, credits;
    bool onTop = false, readOnly = false, bold = false;
    QSize size;
    Dialogs.ModalScripts = {[&](QDialog& dialog) {
        auto& about = dynamic_cast<TfrmAbout&>(dialog);
        title = about.windowTitle();
        heading = about.lblTitle->text();
        bold = about.lblTitle->font().bold();
        version = about.lblVersion->text();
        credits = about.txtCredits->toPlainText();
        readOnly = about.txtCredits->isReadOnly();
        onTop = about.windowFlags() & Qt::WindowStaysOnTopHint;
        size = about.size();
        about.btnOK->click();
        return about.result();
    }};

    window->Entry("&Help", "&About")->trigger();

    ASSERT_TRUE(Dialogs.AllAnswersUsed());
    EXPECT_EQ(title, "Karvin");
    EXPECT_EQ(heading, "Karvin");
    EXPECT_TRUE(bold);
    EXPECT_TRUE(
        QRegularExpression("^version: \\d+\\.\\d+\\.\\d+\\.\\d+$").match(version).hasMatch())
        << version.toStdString();
    EXPECT_EQ(version, "version: " KARVIN_VERSION);
    for (const char* library : {"Qt", "libjpeg", "libpng", "zlib", "libtiff", "giflib", "Xlib"})
        EXPECT_TRUE(credits.contains(library)) << library;
    EXPECT_TRUE(readOnly);
    EXPECT_TRUE(onTop);
    EXPECT_EQ(size, QSize(353, 197));
}

TEST_F(MainWindowList, OnlyCommandsThatExistHaveEntriesAndButtons) {
    auto window = Start();
    QStringList menus;
    for (const QAction* menu : window->menuBar()->actions())
        menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&Thumbnails", "Time&r", "&Image", "&E-mail",
                                  "&Setup", "&Help"}));
    EXPECT_EQ(Captions(window->Menu("&Thumbnails")),
              (QStringList{"&Low Quality", "&High Quality "}));
    for (const char* quality : {"&Low Quality", "&High Quality "})
        EXPECT_EQ(Captions(window->Entry("&Thumbnails", quality)->menu()),
                  (QStringList{"&Small", "&Medium", "&Large"}));
    EXPECT_EQ(Captions(window->Menu("&File")),
              (QStringList{"Auto &Save", "Save &As", "&Delete", "Printer Setup", "&Print",
                           "&WebLink Viewer", "E&xit"}));
    EXPECT_EQ(Captions(window->Menu("&Edit")),
              (QStringList{"&Copy to clipboard", "&Paste in MS Word", "Clear clip&board",
                           "Select &All"}));
    EXPECT_EQ(Captions(window->Menu("Time&r")),
              (QStringList{"Timer Capture &On", "Timer Capture O&ff"}));
    EXPECT_EQ(Captions(window->Menu("&Image")), (QStringList{"&Edit Image", "&Go To URL"}));
    EXPECT_EQ(Captions(window->Menu("&Setup")), (QStringList{"&Karvin", "&DurIdozezed"}));
    EXPECT_EQ(Captions(window->Menu("&E-mail")), QStringList{"Mail Recipient"});
    EXPECT_EQ(Captions(window->Menu("&Help")),
              (QStringList{"&Contents", "&Main Screen", "&About"}));
    EXPECT_EQ(Captions(window->PopupMenu()),
              (QStringList{"&Copy to clipboard", "Paste in MS &Word", "Auto &Save", "Sa&ve As...",
                           "&Delete", "Select &All", "&Print", "&Edit Image", "E-&mail Image(s) To",
                           "&Go to URL"}));
    EXPECT_EQ(Captions(window->Entry(window->PopupMenu(), "E-&mail Image(s) To")->menu()),
              QStringList{"Mail Recipient"});
    EXPECT_FALSE(window->GotoURLEntry()->isEnabled());
    EXPECT_FALSE(window->PopupGotoURLEntry()->isEnabled());

    QStringList buttons;
    for (QAction* item : window->Tools()->actions())
        if (QWidget* widget = window->Tools()->widgetForAction(item))
            if (!widget->objectName().isEmpty())
                buttons << widget->objectName();
    EXPECT_EQ(buttons, (QStringList{"tbSave", "tbDelete", "tbPrint", "tbEmail", "tbCopy", "tbPaste",
                                    "tbThumbs", "tbEditor", "tbWeblink", "btnClickMe"}));
    EXPECT_EQ(window->ToolButton("tbEditor")->toolTip(), "Edit Image");
    EXPECT_EQ(window->ToolButton("tbSave")->size(), QSize(57, 54));
    EXPECT_EQ(window->ToolButton("tbDelete")->size(), QSize(57, 54));
    EXPECT_EQ(window->ToolButton("tbDelete")->iconSize(), QSize(50, 48));
    EXPECT_EQ(window->ClickMe()->text(), "Click Me");
    EXPECT_EQ(window->ClickMe()->toolTip(), "Quick Start Instructions");
    EXPECT_TRUE(window->ClickMe()->font().bold());
}

TEST_F(MainWindowList, ClickMeIsYellowAndRedAndTealAndWhiteUnderThePointer) {
    auto window = StartShown();
    QPushButton* button = window->ClickMe();
    // The face just inside the border, left of the caption.
    const auto faceColour = [&] { return QColor(button->grab().toImage().pixel(3, 3)); };
    auto hasCaptionColour = [&](QColor colour) {
        const QImage face = button->grab().toImage();
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x)
                if (QColor(face.pixel(x, y)) == colour)
                    return true;
        return false;
    };
    EXPECT_EQ(faceColour(), QColor(255, 255, 0));
    EXPECT_TRUE(hasCaptionColour(QColor(255, 0, 0)));

    QTest::mouseMove(button, button->rect().center());
    QCoreApplication::processEvents();
    ASSERT_TRUE(button->underMouse());
    EXPECT_EQ(faceColour(), QColor(0, 128, 128));
    EXPECT_TRUE(hasCaptionColour(QColor(255, 255, 255)));
}

TEST_F(MainWindowList, SavedColumnShowsADisketteForImagesOutsideTheWorkingFolder) {
    Put("pic1.bmp");
    auto window = Start();
    window->AppendImage(QString::fromStdString((Scratch / "mine.bmp").string()), "");
    const auto pictureOf = [&](int row) {
        return window->List()->topLevelItem(row)->icon(0).pixmap(16, 16).toImage();
    };
    EXPECT_EQ(pictureOf(0), UnsavedRowPicture().toImage());
    EXPECT_EQ(pictureOf(1), SavedRowPicture().toImage());

    // Saving the first elsewhere replaces its path; its picture follows.
    window->List()->Rename(0, QString::fromStdString((Scratch / "kept.bmp").string()));
    EXPECT_EQ(pictureOf(0), SavedRowPicture().toImage());
}

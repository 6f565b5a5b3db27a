#include "tests/app/frm_main_fixture.h"

#include "platform/session_end.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <memory>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

const QString ExitQuestion = "Karvin|Do you want to DELETE unsaved images?";

} // namespace

TEST_F(MainWindow, FirstStartMakesThePrivateFolderAndTheDefaultRecord) {
    Clipboard.Image = QImage(4, 4, QImage::Format_RGB32);
    Clipboard.Text = "from before the start";

    auto window = Start();

    struct stat info {};
    ASSERT_EQ(::stat(Work().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0700u);
    EXPECT_EQ(Read("karvin.cfg"), EncodeSettings(TSettingsRecord{}));
    EXPECT_EQ(Read("karvin.cfg").size(), 64u);
    EXPECT_EQ(window->MethodBox()->currentText(), "Full Screen");
    EXPECT_EQ(window->PrintBox()->currentText(), "Print and Capture");
    EXPECT_EQ(window->FormatBox()->currentText(), "Windows Bitmap (BMP)");
    EXPECT_EQ(window->ZoomBox()->currentText(), "View 100%");
    EXPECT_FALSE(Clipboard.HasImage());
    EXPECT_TRUE(Clipboard.GetText().isEmpty());
    EXPECT_EQ(window->windowTitle(), "Karvin");
    EXPECT_TRUE(window->isHidden());
    EXPECT_TRUE(Tray.Visible);
    EXPECT_EQ(Tray.Hint, "Karvin");
    EXPECT_TRUE(window->ShowTimer()->isActive());
    EXPECT_EQ(window->ShowTimer()->interval(), 2000);
    EXPECT_EQ(window->List()->topLevelItemCount(), 0);
    EXPECT_EQ(window->DurIdozezedDelayText(), "0.5");
    EXPECT_EQ(window->Folder(), QCoreApplication::applicationDirPath() + "/");
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(MainWindow, AWaylandSessionIsSaidOnceInTheStatusLineAndBesideTheTrayIcon) {
    const QString note =
        "In this Wayland session Karvin sees only the programs that run under X11 (XWayland): "
        "its hot keys work only while one of them is in front, and captures show only their "
        "windows.";
    struct TCase {
        const char* SessionType;
        const char* WaylandDisplay; // nullptr: not set
        bool Wayland;
    };
    const TCase cases[] = {
        {"wayland", nullptr, true},
        {"x11", "wayland-0", true},
        {"x11", nullptr, false},
        {"", nullptr, false},
    };
    const QByteArray sessionBefore = qgetenv("XDG_SESSION_TYPE");
    const QByteArray displayBefore = qgetenv("WAYLAND_DISPLAY");
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.SessionType) + " " +
                     (c.WaylandDisplay ? c.WaylandDisplay : "-"));
        qputenv("XDG_SESSION_TYPE", c.SessionType);
        if (c.WaylandDisplay)
            qputenv("WAYLAND_DISPLAY", c.WaylandDisplay);
        else
            qunsetenv("WAYLAND_DISPLAY");
        Tray.Messages.clear();

        auto window = Start();
        window->ApplySettings(); // as after the settings dialog: not said again

        EXPECT_EQ(window->StatusText(), c.Wayland ? note : QString());
        EXPECT_EQ(Tray.Messages, c.Wayland ? QStringList{"Karvin|" + note} : QStringList());
        EXPECT_TRUE(Dialogs.Calls.empty());
    }
    qputenv("XDG_SESSION_TYPE", sessionBefore);
    if (displayBefore.isNull())
        qunsetenv("WAYLAND_DISPLAY");
    else
        qputenv("WAYLAND_DISPLAY", displayBefore);
}

TEST_F(MainWindow, ListsTheCapturesAnEarlierRunLeftBehind) {
    for (const char* name :
         {"pic10.png", "PIC7.BMP", "pic2.png", "big.bmp", "karvin.cfg", "repeat.dat", "maillog",
          "attach.dat", "a.jpeg", "b.tiff", "del1.jpg", "scr2.bmp"})
        Put(name);
    fs::permissions(Put("pic8.bmp"), fs::perms::owner_read);
    Put("duridozezed.dat", "2.5\r\n");

    auto window = Start();

    // In the order of their numbers; scratch files of the program's steps are no captures.
    QStringList inListOrder;
    for (int row = 0; row < window->List()->topLevelItemCount(); ++row)
        inListOrder << window->List()->topLevelItem(row)->text(1);
    EXPECT_EQ(inListOrder, (QStringList{"pic2.png", "pic7.bmp", "pic10.png"}));
    ASSERT_EQ(window->Paths().size(), 3);
    ASSERT_EQ(window->URLs(), (QStringList{"", "", ""}));
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(window->Paths()[row], QString::fromStdString(WorkFolder()) + "/" +
                                            window->List()->topLevelItem(row)->text(1));
        EXPECT_EQ(window->List()->topLevelItem(row)->text(0), ""); // not saved yet
    }
    EXPECT_TRUE(window->List()->selectedItems().isEmpty());
    EXPECT_EQ(window->DurIdozezedDelayText(), "2.5");
}

TEST_F(MainWindow, ApplySettingsLoadsTheOptionBoxesWithoutWritingThem) {
    auto window = Start();
    TSettingsRecord record;
    record.CapSelection = 11;
    record.PrintSelection = 2;
    record.DefaultFormat = 6;
    PutSettings(record);

    window->ApplySettings();

    EXPECT_EQ(window->MethodBox()->currentText(), "Zoom Capture");
    EXPECT_EQ(window->PrintBox()->currentText(), "Capture Only");
    EXPECT_EQ(window->FormatBox()->currentText(), "TIFF");
    EXPECT_EQ(Read("karvin.cfg"), EncodeSettings(record));

    record.CapSelection = 13; // outside the list: no item shown
    record.DefaultFormat = -1;
    PutSettings(record);
    window->ApplySettings();
    EXPECT_EQ(window->MethodBox()->currentIndex(), -1);
    EXPECT_EQ(window->FormatBox()->currentIndex(), -1);
    EXPECT_EQ(Read("karvin.cfg"), EncodeSettings(record));
}

TEST_F(MainWindow, ChoosingAnOptionRewritesOnlyItsField) {
    TSettingsRecord record;
    record.CapSelection = 4;
    record.HotKeyKey = 30;
    record.NoMinimize = 1;
    PutSettings(record);
    auto window = Start();
    const std::string before = Read("karvin.cfg");

    QTest::keyClick(window->PrintBox(), Qt::Key_Down);
    QTest::keyClick(window->PrintBox(), Qt::Key_Down);

    ASSERT_EQ(window->PrintBox()->currentText(), "Capture Only");
    std::string expected = before;
    expected.replace(4, 4, std::string("\x02\x00\x00\x00", 4));
    EXPECT_EQ(Read("karvin.cfg"), expected);

    QTest::keyClick(window->FormatBox(), Qt::Key_End);
    QTest::keyClick(window->MethodBox(), Qt::Key_Home);
    EXPECT_EQ(ReadSettings().DefaultFormat, 6);
    EXPECT_EQ(ReadSettings().CapSelection, 0);
}

TEST_F(MainWindow, AnOptionThatCannotBeWrittenIsReported) {
    auto window = Start();
    // The folder is swapped for a link while the program runs.
    fs::rename(Work(), Scratch / "moved");
    fs::create_directories(Scratch / "elsewhere");
    fs::create_directory_symlink(Scratch / "elsewhere", Work());
    Dialogs.MessageAnswers = {TMsgResult::OK};

    QTest::keyClick(window->FormatBox(), Qt::Key_Down);

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_TRUE(Dialogs.Calls[0].Text.contains("is a symbolic link"));
    EXPECT_TRUE(FilesIn(Scratch / "elsewhere").empty());
    EXPECT_EQ(FilesIn(Scratch / "moved"), std::vector<std::string>{"karvin.cfg"});
}

TEST_F(MainWindow, FirstAppearanceFollowsStartMinimizedAndNoMinimize) {
    struct TCase {
        int StartMinimized;
        int NoMinimize;
        bool TrayAvailable;
        bool Visible;
        bool Minimized;
    };
    const TCase cases[] = {
        {0, 0, true, true, false},  // shown
        {0, 1, true, true, false},  // shown
        {1, 1, true, true, true},   // minimised on the task bar
        {5, 1, true, true, true},   // any non-zero value starts minimised
        {1, 0, true, false, false}, // only the tray icon
        {1, 0, false, true, true},  // no tray: the task bar instead
    };
    for (const auto& c : cases) {
        TSettingsRecord record;
        record.StartMinimized = c.StartMinimized;
        record.NoMinimize = c.NoMinimize;
        PutSettings(record);
        Tray.TrayAvailable = c.TrayAvailable;
        auto window = Start();
        ASSERT_TRUE(window->isHidden());

        window->ShowMainTimerTimer();

        const std::string label = "StartMinimized " + std::to_string(c.StartMinimized) +
                                  ", NoMinimize " + std::to_string(c.NoMinimize) +
                                  (c.TrayAvailable ? ", tray" : ", no tray");
        EXPECT_EQ(window->isVisible(), c.Visible) << label;
        EXPECT_EQ(window->isMinimized(), c.Minimized) << label;
        EXPECT_FALSE(window->ShowTimer()->isActive()) << label;
        EXPECT_TRUE(Tray.Visible) << label;
    }
}

TEST_F(MainWindow, MinimisingGoesToTheTrayUnlessNoMinimizeOrNoTray) {
    struct TCase {
        int NoMinimize;
        bool TrayAvailable;
        bool HiddenAfterMinimising;
    };
    for (const auto& c : {TCase{0, true, true}, TCase{1, true, false}, TCase{0, false, false}}) {
        TSettingsRecord record;
        record.NoMinimize = c.NoMinimize;
        PutSettings(record);
        Tray.TrayAvailable = c.TrayAvailable;
        auto window = Start();
        window->ShowMainTimerTimer();
        ASSERT_TRUE(window->isVisible());

        window->showMinimized();
        QCoreApplication::processEvents();

        EXPECT_EQ(window->isHidden(), c.HiddenAfterMinimising)
            << "NoMinimize " << c.NoMinimize << (c.TrayAvailable ? ", tray" : ", no tray");

        Windows.Activated.clear();
        window->ShowKarvin1Click();
        EXPECT_TRUE(window->isVisible());
        EXPECT_FALSE(window->isMinimized());
        EXPECT_EQ(Windows.Activated, std::vector<TWindowId>{window->winId()});
    }
}

TEST_F(MainWindow, TrayMenuShowsTheWindowAndExits) {
    auto window = Start();
    ASSERT_TRUE(Tray.Menu);
    QList<QAction*> items = Tray.Menu->actions();
    ASSERT_EQ(items.size(), 3);
    // "&Capture Now" comes first (its capture is tried with the capture tests).
    EXPECT_EQ(items[0]->text(), "&Capture Now");
    EXPECT_FALSE(items[0]->font().bold());
    items.removeFirst();
    EXPECT_EQ(items[0]->text(), "&Show Karvin Window");
    EXPECT_TRUE(items[0]->font().bold());
    EXPECT_EQ(Tray.Menu->defaultAction(), items[0]);
    EXPECT_EQ(items[1]->text(), "E&xit");
    EXPECT_FALSE(items[1]->font().bold());

    Tray.DoubleClick();
    EXPECT_TRUE(window->isVisible());
    window->hide();
    items[0]->trigger();
    EXPECT_TRUE(window->isVisible());

    items[1]->trigger();
    EXPECT_EQ(Closed->count(), 1);
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(MainWindow, TheEndOfTheSessionKeepsTheCapturesAndRemovesTheScratchFiles) {
    for (const char* name : {"pic1.bmp", "pic2.png", "del1.jpg", "scr2.bmp", "big.bmp"})
        Put(name);
    auto window = StartShown();
    Put("del1.bmp"); // a scratch file of this run

    QEvent sessionEnd(SessionEndEvent);
    QCoreApplication::sendEvent(window.get(), &sessionEnd);

    // No question: nobody is there to answer it.
    EXPECT_EQ(Closed->count(), 1);
    EXPECT_TRUE(Dialogs.Calls.empty());
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(Tray.Visible);
    window.reset();
    EXPECT_EQ(FilesLeft(), (std::vector<std::string>{"karvin.cfg", "pic1.bmp", "pic2.png"}));
    // The next start lists them.
    auto next = Start();
    EXPECT_EQ(Rows(*next), (QStringList{"pic1.bmp", "pic2.png"}));
}

TEST_F(MainWindow, ExitAsksBeforeDeletingUnsavedCaptures) {
    Put("pic1.bmp");
    Put("repeat.dat");
    auto window = Start();
    Dialogs.MessageAnswers = {TMsgResult::No};

    window->Exit2Click();

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{ExitQuestion});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Question);
    EXPECT_EQ(Dialogs.Calls[0].Buttons, unsigned(mbYes | mbNo));
    EXPECT_EQ(Closed->count(), 0);
    EXPECT_FALSE(window->Exiting());
    EXPECT_EQ(FilesLeft(), (std::vector<std::string>{"karvin.cfg", "pic1.bmp", "repeat.dat"}));

    Dialogs.MessageAnswers = {TMsgResult::Yes};
    window->Exit2Click();
    EXPECT_EQ(Closed->count(), 1);
    window.reset();
    EXPECT_EQ(FilesLeft(), (std::vector<std::string>{"karvin.cfg", "repeat.dat"}));
    EXPECT_TRUE(Dialogs.AllAnswersUsed());
}

TEST_F(MainWindow, ExitWithoutQuestionWhenNothingIsUnsavedOrNoConfirmationIsWanted) {
    enum TAfterStart { Nothing, SaveElsewhere, DeleteFile };
    struct TCase {
        const char* Name;
        int Confirmation;
        std::vector<std::string> Files;
        TAfterStart AfterStart;
    };
    const TCase cases[] = {
        {"empty folder", 1, {}, Nothing},
        {"scratch files only", 1, {"attach.dat"}, Nothing},
        {"every capture saved elsewhere", 1, {"pic1.png", "attach.dat"}, SaveElsewhere},
        {"listed capture gone from the folder", 1, {"pic1.png"}, DeleteFile},
        {"no confirmation", 0, {"pic1.png"}, Nothing},
    };
    for (const auto& c : cases) {
        fs::remove_all(Work());
        TSettingsRecord record;
        record.Confirmation = c.Confirmation;
        PutSettings(record);
        for (const auto& name : c.Files)
            Put(name);
        auto window = Start();
        if (c.AfterStart == SaveElsewhere)
            window->List()->Rename(0, QString::fromStdString((Scratch / "saved.png").string()));
        if (c.AfterStart == DeleteFile)
            fs::remove(Work() / "pic1.png");

        window->Exit2Click();

        EXPECT_TRUE(Dialogs.Calls.empty()) << c.Name;
        EXPECT_EQ(Closed->count(), 1) << c.Name;
        window.reset();
        EXPECT_EQ(FilesLeft(), std::vector<std::string>{"karvin.cfg"}) << c.Name;
    }
}

TEST_F(MainWindow, TheCloseBoxGoesThroughTheExitQuestion) {
    Put("pic1.bmp");
    auto window = Start();
    window->ShowMainTimerTimer();

    Dialogs.MessageAnswers = {TMsgResult::No};
    window->close();
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{ExitQuestion});
    EXPECT_EQ(Closed->count(), 0);
    EXPECT_TRUE(window->isVisible());

    Dialogs.MessageAnswers = {TMsgResult::Yes};
    window->close();
    EXPECT_EQ(Closed->count(), 1);
    EXPECT_TRUE(window->Exiting());
    EXPECT_EQ(Dialogs.MessageLog().size(), 2);
}

TEST_F(MainWindow, TheCloseBoxClosesAtOnceWithoutConfirmation) {
    TSettingsRecord record;
    record.Confirmation = 0;
    PutSettings(record);
    Put("pic1.bmp");
    auto window = Start();

    window->close();

    EXPECT_EQ(Closed->count(), 1);
    EXPECT_TRUE(Dialogs.Calls.empty());
    window.reset();
    EXPECT_EQ(FilesLeft(), std::vector<std::string>{"karvin.cfg"});
}

TEST_F(MainWindow, ARefusedWorkingFolderIsReportedAndTheWindowStillOpens) {
    const fs::path elsewhere = Scratch / "elsewhere";
    fs::create_directories(elsewhere);
    WriteWholeFile((elsewhere / "pic1.bmp").string(), "keep");
    fs::create_directories(Scratch / "cache");
    fs::create_directory_symlink(elsewhere, Work());
    Dialogs.MessageAnswers = {TMsgResult::OK};

    auto window = Start();

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
    EXPECT_TRUE(Dialogs.Calls[0].Text.contains("is a symbolic link"))
        << Dialogs.Calls[0].Text.toStdString();
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->ShowTimer()->isActive());

    window->Exit2Click(); // leaving works all the same
    EXPECT_EQ(Closed->count(), 1);
    window.reset();
    EXPECT_EQ(FilesIn(elsewhere), std::vector<std::string>{"pic1.bmp"});
}

// The console methods on a real X server: a real terminal (xterm) in front, another program
// taking the CLIPBOARD selection as a copy in the terminal does, and the real clipboard's
// change notices reaching the capture.
#include "store/file_io.h"
#include "store/settings_files.h"
#include "tests/scripts/skip_outside_ci.h"

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

// X headers come after every Qt header.
#include "tests/capture/main_window_x11_fixture.h"

namespace {

class ConsoleX11 : public TMainWindowX11<TFakeDialogs> {
protected:
    void TearDown() override {
        if (Terminal.state() != QProcess::NotRunning) {
            Terminal.kill();
            Terminal.waitForFinished(5000);
        }
        TMainWindowX11<TFakeDialogs>::TearDown();
    }

    // Another program copies `text` to the clipboard (as xterm does on Ctrl+Shift+C); xclip
    // serves it from the background until another copy or our emptying ends its ownership.
    static void CopyText(const QString& text) {
        QProcess xclip;
        xclip.start("xclip", {"-selection", "clipboard", "-i"});
        ASSERT_TRUE(xclip.waitForStarted(5000));
        xclip.write(text.toUtf8());
        xclip.closeWriteChannel();
        ASSERT_TRUE(xclip.waitForFinished(5000));
    }

    bool Foreground(const QString& className) {
        return WaitUntil([&] { return Windows.ClassName(Windows.ForegroundWindow()) == className; },
                         10000);
    }

    std::string TextFile(const std::string& name) const {
        return ReadWholeFile((Texts / name).string()).value_or("<missing>");
    }

    QProcess Terminal;
    std::filesystem::path Texts;
};

TEST_F(ConsoleX11, TextCopiedWithATerminalInFrontBecomesTextFilesAndNothingElseDoes) {
    if (QStandardPaths::findExecutable("xterm").isEmpty() ||
        QStandardPaths::findExecutable("xclip").isEmpty())
        KARVIN_SKIP_OUTSIDE_CI("xterm and xclip are needed");
    PutCaptureSettings(cmConsoleTextAsTextFile);
    Texts = Scratch / "texts";
    std::filesystem::create_directories(Texts);
    WriteConsoleTextFolder(Texts.string());
    auto window = StartMain();
    window->ShowMainTimerTimer();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));

    Terminal.start("xterm",
                   {"-geometry", "80x24+20+20", "-title", "console", "-e", "sleep", "600"});
    ASSERT_TRUE(Terminal.waitForStarted(5000));
    ASSERT_TRUE(Foreground("xterm"));
    const TWindowId terminal = Windows.ForegroundWindow();

    CopyText(u"$ ls\nREADME  café"_qs);
    ASSERT_TRUE(WaitUntil([&] { return FileExists((Texts / "dostext1.txt").string()); }, 10000));
    EXPECT_EQ(TextFile("dostext1.txt"), "$ ls\nREADME  caf\xE9\n");
    // The clipboard was emptied: nobody offers anything any more.
    EXPECT_TRUE(WaitUntil([&] { return User.SelectionOwner("CLIPBOARD") == None; }));

    // A copy made in another program's window is left alone.
    Window editor = User.CreateWindow(QRect(200, 150, 300, 180), "gedit", "Gedit", "notes");
    ASSERT_TRUE(User.MapAndWait(editor));
    ASSERT_TRUE(Windows.SetForegroundWindow(editor));
    ASSERT_TRUE(Foreground("gedit"));
    QSignalSpy changes(QGuiApplication::clipboard(), &QClipboard::dataChanged);
    CopyText("a line of the editor");
    // Our program has seen that copy before the terminal comes back to the front.
    ASSERT_TRUE(WaitUntil([&] { return changes.count() > 0; }, 10000));

    // The terminal again: the next copy is the second file, and the editor's made none.
    ASSERT_TRUE(Windows.SetForegroundWindow(terminal));
    ASSERT_TRUE(Foreground("xterm"));
    CopyText("$ pwd");
    ASSERT_TRUE(WaitUntil([&] { return FileExists((Texts / "dostext2.txt").string()); }, 10000));
    EXPECT_EQ(TextFile("dostext2.txt"), "$ pwd\n");
    EXPECT_FALSE(FileExists((Texts / "dostext3.txt").string()));
    EXPECT_EQ(Sound.Beeps, 2);
    EXPECT_TRUE(window->Paths().isEmpty());
}

} // namespace

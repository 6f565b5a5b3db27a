// The console methods with every platform service faked: the watch of the clipboard that
// choosing a method starts and ends, what a terminal in front puts on the clipboard becoming a
// text file, a picture of the text or a stored picture, and the folder of the text files.
#include "tests/app/frm_main_fixture.h"

#include "capture/console_capture.h"
#include "output/print_layouts.h"
#include "platform/dib_qimage.h"
#include "store/file_io.h"
#include "store/settings_files.h"
#include "tests/imaging/test_images.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"

#include <QCoreApplication>
#include <QEvent>
#include <QProcess>

#include <sys/stat.h>

namespace {

const QRect TerminalFrame(10, 10, 300, 180);
const QString SameFolder = "Error|You cannot save to same folder as Karvin.";

bool SamePixels(const TDibGraphic& a, const TDibGraphic& b) {
    return a.Width() == b.Width() && a.Height() == b.Height() && Pixels(a) == Pixels(b);
}

class Console : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        Terminal = Windows.Add({"xterm", "user@host: ~", TerminalFrame, TerminalFrame});
        Editor = Windows.Add({"gedit", "notes.txt - gedit", TerminalFrame, TerminalFrame});
        Windows.Foreground = Terminal;
        Texts = Scratch / "texts";
        std::filesystem::create_directories(Texts);
    }

    // The console method and the capture choice in the settings, the text files going to
    // Texts.
    void PutConsoleSettings(int method, int printSelection = psCaptureOnly) {
        TSettingsRecord record;
        record.CapSelection = method;
        record.PrintSelection = printSelection;
        PutSettings(record);
        WriteConsoleTextFolder(Texts.string());
    }

    // The user picks a method in the method box.
    static void ChooseMethod(TfrmMainDriver& window, int method) {
        window.MethodBox()->setCurrentIndex(method);
        emit window.MethodBox()->activated(method);
    }

    std::string TextFile(const std::string& name) const {
        return ReadWholeFile((Texts / name).string()).value_or("<missing>");
    }
    std::vector<std::string> TextFiles() const { return FilesIn(Texts); }

    // The lines of every job printed, in order.
    QStringList PrintedLines() const {
        QStringList lines;
        for (const TPrintedJob* job : Printer.EndedJobs())
            for (const TPrintedPage& page : job->Pages)
                for (const TPrintedText& text : page.Texts)
                    lines << text.Text;
        return lines;
    }

    TWindowId Terminal = 0;
    TWindowId Editor = 0;
    std::filesystem::path Texts;
};

TEST_F(Console, ChoosingAConsoleMethodWatchesTheClipboardAndAnyOtherMethodEndsTheWatch) {
    PutConsoleSettings(cmFullScreen);
    auto window = StartShown();
    TConsoleCapture& console = window->Capture().Console();
    EXPECT_FALSE(Clipboard.ChangeHandler);

    // What was copied before is not taken: the clipboard is emptied.
    Clipboard.Text = "copied before";
    ChooseMethod(*window, cmConsoleTextAsGraphic);
    EXPECT_TRUE(Clipboard.ChangeHandler);
    EXPECT_TRUE(Clipboard.Text.isEmpty());
    EXPECT_EQ(console.ConsoleMethodName(), "Full DOS Screen: Text As Graphic");
    EXPECT_EQ(ReadSettings().CapSelection, cmConsoleTextAsGraphic);

    // The text file method asks for the folder of the files, showing the one in use.
    Dialogs.FolderAnswers = {std::nullopt};
    ChooseMethod(*window, cmConsoleTextAsTextFile);
    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Kind, "SelectFolder");
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Current Path: " + Path(Texts.string()));
    EXPECT_EQ(Dialogs.Calls[0].Text, Path(Texts.string()));
    EXPECT_TRUE(console.InViewerChain());
    EXPECT_EQ(console.ConsoleMethodName(), "Full DOS Screen: Text As Text File");

    ChooseMethod(*window, cmActiveWindow);
    EXPECT_FALSE(Clipboard.ChangeHandler);
    EXPECT_FALSE(console.InViewerChain());
    EXPECT_TRUE(console.ConsoleMethodName().isEmpty());
    // Nothing is taken any more.
    Clipboard.OtherProgramCopiesText("ls");
    EXPECT_TRUE(TextFiles().empty());
    EXPECT_EQ(Sound.Beeps, 0);
}

TEST_F(Console, TheWatchFollowsTheMethodShownAtTheStartAndWhenTheWindowComesToTheFront) {
    // Started in the tray with a console method: the clipboard is watched from the start.
    PutConsoleSettings(cmConsoleTextAsTextFile);
    auto window = Start();
    EXPECT_TRUE(Clipboard.ChangeHandler);
    EXPECT_EQ(window->Capture().Console().ConsoleMethodName(),
              "Full DOS Screen: Text As Text File");

    // The settings window chose another method meanwhile: the next activation ends the watch.
    window->MethodBox()->setCurrentIndex(cmFullScreen);
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window.get(), &activate);
    EXPECT_FALSE(Clipboard.ChangeHandler);

    window->MethodBox()->setCurrentIndex(cmConsoleGraphicsOnly);
    QCoreApplication::sendEvent(window.get(), &activate);
    EXPECT_TRUE(Clipboard.ChangeHandler);
    EXPECT_EQ(window->Capture().Console().ConsoleMethodName(), "Full DOS Screen: Graphics Only");

    // The window goes, and its watch with it.
    window.reset();
    EXPECT_FALSE(Clipboard.ChangeHandler);
}

TEST_F(Console, TextCopiedInATerminalBecomesTheNextNumberedTextFile) {
    PutConsoleSettings(cmConsoleTextAsTextFile);
    auto window = StartShown();

    Clipboard.OtherProgramCopiesText("$ ls\nREADME  notes.txt");
    EXPECT_EQ(TextFile("dostext1.txt"), "$ ls\nREADME  notes.txt\n");
    EXPECT_TRUE(Clipboard.Text.isEmpty());
    EXPECT_EQ(Sound.Beeps, 1);

    Clipboard.OtherProgramCopiesText("$ pwd");
    EXPECT_EQ(TextFile("dostext2.txt"), "$ pwd\n");
    EXPECT_EQ(TextFiles(), (std::vector<std::string>{"dostext1.txt", "dostext2.txt"}));
    // No image is made, stored or listed; nothing is printed.
    EXPECT_EQ(window->Paths().size(), 0);
    EXPECT_TRUE(Printer.Jobs.empty());
    EXPECT_TRUE(Dialogs.Calls.empty());

    // Text copied in another window, or a picture copied in the terminal, changes nothing.
    Windows.Foreground = Editor;
    Clipboard.OtherProgramCopiesText("a line of the editor");
    Windows.Foreground = Terminal;
    Clipboard.OtherProgramCopiesImage(DibToQImage(MakeNoise(8, 8, 1)));
    EXPECT_EQ(TextFiles().size(), 2u);
    EXPECT_EQ(Sound.Beeps, 2);
    EXPECT_FALSE(Clipboard.Image.isNull());

    // A name taken meanwhile is passed over, never written over.
    WriteWholeFile((Texts / "dostext3.txt").string(), "someone else's");
    Clipboard.OtherProgramCopiesText("$ date");
    EXPECT_EQ(TextFile("dostext3.txt"), "someone else's");
    EXPECT_EQ(TextFile("dostext4.txt"), "$ date\n");
}

TEST_F(Console, TheTextFileIsPrintedAndKeptByTheCaptureChoice) {
    struct TCase {
        int PrintSelection;
        bool Offline;
        bool FileKept;
        bool Printed;
        bool ClipboardEmptied;
        QStringList Messages;
    };
    const QString failure = QString("Error|") + PrinterFailureText;
    const TCase cases[] = {
        {psPrintAndCapture, false, true, true, true, {}},
        {psPrintOnly, false, false, true, true, {}},
        {psCaptureOnly, false, true, false, true, {}},
        // A printer that fails keeps the file and the clipboard's text.
        {psPrintAndCapture, true, true, false, false, {failure}},
        {psPrintOnly, true, true, false, false, {failure}},
    };
    for (const TCase& c : cases) {
        const std::string what = std::to_string(c.PrintSelection) + (c.Offline ? " offline" : "");
        std::filesystem::remove_all(Texts);
        std::filesystem::create_directories(Texts);
        PutConsoleSettings(cmConsoleTextAsTextFile, c.PrintSelection);
        auto window = StartShown();
        Printer.Jobs.clear();
        Printer.Offline = c.Offline;
        Dialogs.Calls.clear();
        Dialogs.MessageAnswers = {TMsgResult::OK};

        Clipboard.OtherProgramCopiesText("C:\\>dir\r\nREADME   TXT");

        EXPECT_EQ(TextFiles().size(), c.FileKept ? 1u : 0u) << what;
        EXPECT_EQ(PrintedLines(),
                  c.Printed ? QStringList({"C:\\>dir", "README   TXT"}) : QStringList())
            << what;
        EXPECT_EQ(Clipboard.Text.isEmpty(), c.ClipboardEmptied) << what;
        EXPECT_EQ(Dialogs.MessageLog(), c.Messages) << what;
        EXPECT_EQ(window->Paths().size(), 0) << what;
        Dialogs.MessageAnswers.clear();
    }
}

TEST_F(Console, TextIsWrittenInTheSingleByteCodePageUnlessACharacterHasNoByteThere) {
    struct TCase {
        QString Text;
        std::string File;
    };
    const TCase cases[] = {
        {"plain ASCII", "plain ASCII\n"},
        {u"café – “quoted” 5 €"_qs, "caf\xE9 \x96 \x93quoted\x94 5 \x80\n"},
        // Box drawing and Greek have no byte there: the whole text is UTF-8, marked.
        {u"┌─┐ αβ é"_qs,
         "\xEF\xBB\xBF\xE2\x94\x8C\xE2\x94\x80\xE2\x94\x90 \xCE\xB1\xCE\xB2 \xC3\xA9\n"},
    };
    PutConsoleSettings(cmConsoleTextAsTextFile, psPrintAndCapture);
    auto window = StartShown();
    int n = 0;
    for (const TCase& c : cases) {
        Printer.Jobs.clear();
        Clipboard.OtherProgramCopiesText(c.Text);
        const std::string name = "dostext" + std::to_string(++n) + ".txt";
        EXPECT_EQ(TextFile(name), c.File) << c.Text.toStdString();
        // The printout reads the file back to the same characters.
        EXPECT_EQ(PrintedLines(), QStringList{c.Text}) << c.Text.toStdString();
    }
}

TEST_F(Console, AHugeTextIsWrittenWholeAndPrintedAsFarAsThePageGoes) {
    PutConsoleSettings(cmConsoleTextAsTextFile, psPrintAndCapture);
    auto window = StartShown();
    // 200000 lines, a few megabytes; one line far wider than any page.
    QString text;
    for (int line = 0; line < 200000; ++line)
        text += QString("line %1 of the listing\n").arg(line);
    text += QString(100000, 'w');

    Clipboard.OtherProgramCopiesText(text);

    const std::string file = TextFile("dostext1.txt");
    EXPECT_EQ(file.size(), std::size_t(text.size() + 1));
    EXPECT_EQ(file.substr(0, 25), "line 0 of the listing\nlin");
    // A page of 6600 pixels has room for 508 lines of 13 pixels.
    const QStringList printed = PrintedLines();
    ASSERT_EQ(printed.size(), 6600 / 13 + 1);
    EXPECT_EQ(printed.first(), "line 0 of the listing");
    EXPECT_EQ(printed.last(), "line 507 of the listing");
}

TEST_F(Console, TextAsGraphicStoresTheFirst26LinesAsAPictureAndPrintsThemAll) {
    PutConsoleSettings(cmConsoleTextAsGraphic, psPrintAndCapture);
    auto window = StartShown();
    QStringList lines;
    for (int line = 1; line <= 30; ++line)
        lines << QString("line %1").arg(line);

    Clipboard.OtherProgramCopiesText(lines.join("\r\n") + "\r\n");

    ASSERT_EQ(window->Paths().size(), 1);
    EXPECT_EQ(Rows(*window), QStringList{"pic1.bmp"});
    const TDibGraphic stored = LoadImageFile((Work() / "pic1.bmp").string());
    // 80 characters by 26 lines, the lines beyond the 26th cut off.
    const TDibGraphic expected = RenderTextLines(lines.mid(0, 26));
    EXPECT_TRUE(SamePixels(stored, expected));
    EXPECT_FALSE(SamePixels(stored, RenderTextLines(lines.mid(0, 25))));
    // The printout has every line on one page.
    EXPECT_EQ(PrintedLines(), lines);
    EXPECT_EQ(Printer.EndedJobs().size(), 1u);
    EXPECT_TRUE(Clipboard.Text.isEmpty());
    EXPECT_TRUE(Clipboard.Image.isNull());
    EXPECT_EQ(Sound.Beeps, 1);
    EXPECT_EQ(window->List()->topLevelItem(0)->isSelected(), true);
}

TEST_F(Console, GraphicsOnlyStoresThePictureATerminalCopiesByTheCaptureChoice) {
    struct TCase {
        int PrintSelection;
        bool NoPrinters;
        bool Stored;
        bool Printed;
    };
    // Without any printer, "Print Only" keeps the picture rather than lose it unprinted.
    const TCase cases[] = {{psPrintAndCapture, false, true, true},
                           {psPrintOnly, false, false, true},
                           {psCaptureOnly, false, true, false},
                           {psPrintAndCapture, true, true, false},
                           {psPrintOnly, true, true, false}};
    const TDibGraphic picture = MakeNoise(40, 30, 3);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.NoPrinters ? "no printer" : "a printer");
        Printer.NoPrinters = c.NoPrinters;
        PutConsoleSettings(cmConsoleGraphicsOnly, c.PrintSelection);
        auto window = StartShown();
        Printer.Jobs.clear();

        // Text is not what this method takes.
        Clipboard.OtherProgramCopiesText("some text");
        EXPECT_EQ(window->Paths().size(), 0);
        Clipboard.OtherProgramCopiesImage(DibToQImage(picture));

        EXPECT_EQ(window->Paths().size(), c.Stored ? 1 : 0) << c.PrintSelection;
        if (c.Stored) {
            EXPECT_TRUE(SamePixels(LoadImageFile(LocalPath(window->Paths()[0])), picture));
        }
        EXPECT_EQ(Printer.EndedJobs().size(), c.Printed ? 1u : 0u) << c.PrintSelection;
        // The clipboard keeps the picture.
        EXPECT_FALSE(Clipboard.Image.isNull()) << c.PrintSelection;
        EXPECT_EQ(Sound.Beeps, 1) << c.PrintSelection;
        Sound.Beeps = 0;
    }
}

TEST_F(Console, AClipboardManagerPuttingBackWhatWasJustTakenMakesNoSecondCapture) {
    PutConsoleSettings(cmConsoleTextAsTextFile);
    auto window = StartShown();
    Clipboard.OtherProgramCopiesText("$ uptime");
    // The manager restores the emptied clipboard at once: taken again, this would go on
    // without end.
    Clipboard.OtherProgramCopiesText("$ uptime");
    EXPECT_EQ(TextFiles(), std::vector<std::string>{"dostext1.txt"});
    EXPECT_EQ(Clipboard.Text, "$ uptime");
    EXPECT_EQ(Sound.Beeps, 1);
    Clipboard.OtherProgramCopiesText("$ whoami");
    EXPECT_EQ(TextFile("dostext2.txt"), "$ whoami\n");

    // The same for a picture, which a manager takes over as its own copy.
    window.reset();
    PutConsoleSettings(cmConsoleGraphicsOnly);
    window = StartShown();
    const QImage picture = DibToQImage(MakeNoise(20, 10, 5));
    Clipboard.OtherProgramCopiesImage(picture);
    Clipboard.OtherProgramCopiesImage(picture);
    EXPECT_EQ(window->Paths().size(), 1);
    Clipboard.OtherProgramCopiesImage(DibToQImage(MakeNoise(20, 10, 6)));
    EXPECT_EQ(window->Paths().size(), 2);
}

TEST_F(Console, TheFolderOfTheTextFilesIsNeitherTheProgramsNorTheWorkingFolder) {
    PutConsoleSettings(cmFullScreen);
    const std::filesystem::path withProgram = Scratch / "copy";
    std::filesystem::create_directories(withProgram);
    WriteWholeFile((withProgram / "karvin").string(), "a program");
    EnsureWorkFolder();
    std::filesystem::create_directories(Work() / "inside");
    const std::filesystem::path chosen = Scratch / "chosen";
    std::filesystem::create_directories(chosen);
    auto window = StartShown();

    Dialogs.FolderAnswers = {QCoreApplication::applicationDirPath(),
                             Path(withProgram.string()),
                             Path(Work().string()),
                             Path((Work() / "inside").string()),
                             Path((Scratch / "missing").string()),
                             Path(chosen.string())};
    Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK, TMsgResult::OK, TMsgResult::OK,
                              TMsgResult::OK};
    ChooseMethod(*window, cmConsoleTextAsTextFile);

    const QStringList messages = Dialogs.MessageLog();
    ASSERT_EQ(messages.size(), 5);
    EXPECT_EQ(messages.mid(0, 4), QStringList({SameFolder, SameFolder, SameFolder, SameFolder}));
    EXPECT_EQ(messages[4], "Error|Console text files cannot be written to " +
                               Path((Scratch / "missing").string()) +
                               ": No such file or directory.\nPlease choose another folder.");
    EXPECT_EQ(Dialogs.Calls[1].Icon, TMsgIcon::Warning);
    EXPECT_EQ(ReadConsoleTextFolder(), chosen.string());
    EXPECT_TRUE(Dialogs.AllAnswersUsed());

    // Cancelled, the folder stays as it was.
    Dialogs.Calls.clear();
    Dialogs.FolderAnswers = {std::nullopt};
    ChooseMethod(*window, cmConsoleTextAsTextFile);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Current Path: " + Path(chosen.string()));
    EXPECT_EQ(ReadConsoleTextFolder(), chosen.string());
}

TEST_F(Console, AFolderGoneOrLockedSinceItWasChosenIsAskedForAgain) {
    PutConsoleSettings(cmConsoleTextAsTextFile);
    const std::filesystem::path locked = Scratch / "locked";
    std::filesystem::create_directories(locked);
    ::chmod(locked.c_str(), 0500);
    if (::access(locked.c_str(), W_OK) == 0) {
        // Root writes anywhere: a folder that has gone stands in.
        std::filesystem::remove(locked);
    }
    WriteConsoleTextFolder(locked.string());
    auto window = StartShown();

    // Cancelled: nothing is written and the clipboard keeps the text.
    Dialogs.MessageAnswers = {TMsgResult::OK};
    Dialogs.FolderAnswers = {std::nullopt};
    Clipboard.OtherProgramCopiesText("$ make");
    ASSERT_EQ(Dialogs.MessageLog().size(), 1);
    EXPECT_TRUE(Dialogs.MessageLog()[0].startsWith(
        "Error|Console text files cannot be written to " + Path(locked.string()) + ": "));
    EXPECT_EQ(Clipboard.Text, "$ make");
    EXPECT_EQ(Sound.Beeps, 0);

    // Another folder chosen: the text goes there and the folder is kept.
    Dialogs.Calls.clear();
    Dialogs.MessageAnswers = {TMsgResult::OK};
    Dialogs.FolderAnswers = {Path(Texts.string())};
    Clipboard.OtherProgramCopiesText("$ make");
    EXPECT_EQ(TextFile("dostext1.txt"), "$ make\n");
    EXPECT_EQ(ReadConsoleTextFolder(), Texts.string());
    EXPECT_TRUE(Clipboard.Text.isEmpty());
}

} // namespace

namespace {

QString PdfText(const QString& pdf) {
    QProcess pdftotext;
    pdftotext.start("pdftotext", {"-enc", "UTF-8", pdf, "-"});
    EXPECT_TRUE(pdftotext.waitForFinished(60000));
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

TEST_F(Console, TheTextFilePrintsToAPdfFileWithEveryCharacter) {
    PutConsoleSettings(cmConsoleTextAsTextFile, psPrintAndCapture);
    TQtPrinter pdfPrinter;
    const QString pdf = Path((Scratch / "console.pdf").string());
    pdfPrinter.SelectPdfFile(pdf);
    TfrmMainDriver window(TServices{Dialogs, Clipboard, Tray, Windows, Screen, Desktop, HotKeys,
                                    Sound, Browsers, pdfPrinter, WordProcessor, Mailer, Keyboard,
                                    MouseHook});

    Clipboard.OtherProgramCopiesText(u"$ ls -l\ncafé menu.txt\n┌─┐ box"_qs);

    ASSERT_TRUE(FileExists(pdf.toStdString()));
    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("$ ls -l")) << text.toStdString();
    EXPECT_TRUE(text.contains(u"café menu.txt"_qs)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"┌─┐ box"_qs)) << text.toStdString();
    EXPECT_TRUE(Clipboard.Text.isEmpty());
}

} // namespace

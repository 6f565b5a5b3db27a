// The main window's print commands on the recording printer: their checks before the print
// dialog, the dialog's Cancel, the refusal window, the printer message, and the view that
// shows afterwards what it showed before.
#include "tests/app/frm_main_fixture.h"

#include "imaging/format_registry.h"
#include "output/frm_print_error.h"
#include "output/print_layouts.h"
#include "platform/dib_qimage.h"
#include "store/file_io.h"
#include "tests/imaging/test_images.h"
#include "widgets/image_scroll_box.h"

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>

#include <functional>

namespace {

class MainWindowPrint : public MainWindow {
protected:
    void SetUp() override {
        MainWindow::SetUp();
        Screen.Pixels.NewImage(1024, 768, ifTrueColor);
    }
    // The window with these images listed (pic1, pic2, ... in the working folder).
    std::unique_ptr<TfrmMainDriver> StartWith(const std::vector<TDibGraphic>& images) {
        for (std::size_t i = 0; i < images.size(); ++i)
            PutImage("pic" + std::to_string(i + 1) + ".bmp", images[i]);
        return StartShown();
    }
    static void Select(TfrmMainDriver& window, const std::vector<QString>& names) {
        window.List()->clearSelection();
        for (const QString& name : names)
            window.List()->topLevelItem(RowOf(window, name))->setSelected(true);
    }
    static void SelectAll(TfrmMainDriver& window) {
        for (int row = 0; row < window.List()->topLevelItemCount(); ++row)
            window.List()->topLevelItem(row)->setSelected(true);
    }
    // The window shows `name` as a click on its row shows it.
    static void Show(TfrmMainDriver& window, const QString& name) {
        ClickRow(window, RowOf(window, name));
    }
};

struct TPrintCommand {
    const char* Name;
    std::function<void(TfrmMainDriver&)> Run;
};

const std::vector<TPrintCommand>& PrintCommands() {
    static const std::vector<TPrintCommand> commands = {
        {"Image(s)", &TfrmMain::Images1perpageClick},
        {"Caption Above", &TfrmMain::CaptionAboveImageClick},
        {"Caption Below", &TfrmMain::CaptionBelowImageClick},
        {"Date Above", &TfrmMain::TimeDateAboveImageClick},
        {"Date Below", &TfrmMain::TimeDateBelowImageClick},
        {"Stretch", &TfrmMain::ImagesStretchToFullPage2Click},
        {"Many", &TfrmMain::ImagesAsManyToAPage1Click},
        {"Thumbnails", &TfrmMain::ImagesAsThumbnails1Click},
    };
    return commands;
}

} // namespace

TEST_F(MainWindowPrint, CommandsCheckTheSelectionBeforeThePrintDialog) {
    const QString pleaseSelect = "Error|Please select an image.";
    struct TExpected {
        QStringList EmptyList;   // messages with no rows
        QStringList NoSelection; // messages with rows but none selected
        bool DialogWithoutSelection;
    };
    const TExpected expected[] = {
        {{}, {pleaseSelect}, false},
        {{pleaseSelect}, {pleaseSelect}, false},
        {{pleaseSelect}, {pleaseSelect}, false},
        {{pleaseSelect}, {pleaseSelect}, false},
        {{pleaseSelect}, {pleaseSelect}, false},
        {{pleaseSelect}, {}, true},
        {{pleaseSelect}, {pleaseSelect}, false},
        {{pleaseSelect}, {pleaseSelect}, false},
    };
    const auto& commands = PrintCommands();
    auto empty = StartShown();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        Dialogs.Calls.clear();
        Dialogs.MessageAnswers.assign(expected[i].EmptyList.size(), TMsgResult::OK);
        commands[i].Run(*empty);
        EXPECT_EQ(Dialogs.MessageLog(), expected[i].EmptyList) << commands[i].Name;
    }
    EXPECT_EQ(Printer.PrintDialogCount, 0);
    empty.reset();

    auto window = StartWith({MakeNoise(64, 48)});
    window->List()->clearSelection();
    for (std::size_t i = 0; i < commands.size(); ++i) {
        Dialogs.Calls.clear();
        Printer.PrintDialogCount = 0;
        if (expected[i].DialogWithoutSelection)
            Printer.PrintDialogAnswers = {true};
        Dialogs.MessageAnswers.assign(expected[i].NoSelection.size(), TMsgResult::OK);
        commands[i].Run(*window);
        EXPECT_EQ(Dialogs.MessageLog(), expected[i].NoSelection) << commands[i].Name;
        EXPECT_EQ(Printer.PrintDialogCount, expected[i].DialogWithoutSelection ? 1 : 0)
            << commands[i].Name;
    }
    for (const auto& call : Dialogs.Calls)
        EXPECT_EQ(call.Icon, TMsgIcon::Warning);
    EXPECT_TRUE(Printer.Jobs.empty());
}

TEST_F(MainWindowPrint, CancelledPrintDialogPrintsNothing) {
    auto window = StartWith({MakeNoise(64, 48)});
    SelectAll(*window);
    for (const auto& command : PrintCommands()) {
        Printer.PrintDialogAnswers = {false};
        command.Run(*window);
        EXPECT_TRUE(Printer.PrintDialogAnswers.empty()) << command.Name;
    }
    EXPECT_TRUE(Printer.Jobs.empty());
    EXPECT_EQ(Printer.Batches, 0);
    EXPECT_TRUE(Dialogs.Calls.empty());
    EXPECT_TRUE(window->ImageView()->Graphic().Empty());
}

TEST_F(MainWindowPrint, ImagesPrintsCentredAndTheViewShowsWhatItShowedBefore) {
    const TDibGraphic capture = MakeNoise(1024, 768, 1);
    const TDibGraphic shown = MakeNoise(30, 20, 2);
    auto window = StartWith({capture, shown});
    Show(*window, "pic2.bmp");
    const QString statusBefore = window->StatusText();
    const QString fileBefore = window->ImageView()->FileName();
    Select(*window, {"pic1.bmp"});
    Printer.PrintDialogAnswers = {true};

    window->Images1perpageClick();

    const auto pictures = Printer.PrintedPictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].Rect, QRect(0, 1500, 4800, 3600));
    EXPECT_EQ(Pixels(pictures[0].Picture), Pixels(capture));
    EXPECT_EQ(Printer.Jobs[0].Title, "Karvin");
    EXPECT_EQ(Printer.Batches, 1);
    EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(shown));
    EXPECT_EQ(window->ImageView()->FileName(), fileBefore);
    EXPECT_EQ(window->StatusText(), statusBefore);
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(MainWindowPrint, TallImagePrintsInSlicesThroughTheClipboard) {
    // 800 x 2000 prints 3750 x 9375: two slices.
    const TDibGraphic tall = MakeNoise(800, 2000);
    auto window = StartWith({tall});
    Select(*window, {"pic1.bmp"});
    Printer.PrintDialogAnswers = {true};

    window->Images1perpageClick();

    ASSERT_EQ(Printer.EndedJobs().size(), 2u);
    const auto pictures = Printer.PrintedPictures();
    EXPECT_EQ(pictures[0].Rect.topLeft(), QPoint(0, 0));
    EXPECT_EQ(pictures[0].Rect.width(), 3750);
    EXPECT_EQ(pictures[1].Rect.width(), 3750);
    EXPECT_EQ(pictures[0].Picture.Height() + pictures[1].Picture.Height(), 2000);
    // The clipboard keeps the last slice; the view is empty again, as before the command.
    EXPECT_EQ(Pixels(QImageToDib(Clipboard.GetImage())), Pixels(pictures[1].Picture));
    EXPECT_TRUE(window->ImageView()->Graphic().Empty());
}

TEST_F(MainWindowPrint, CaptionCommandsAskForTheCaptionAndPrintWithoutOneOnCancel) {
    struct TCase {
        void (TfrmMain::*Handler)();
        QString Title;
    };
    const TCase cases[] = {
        {&TfrmMain::CaptionAboveImageClick, "Caption Above Image"},
        {&TfrmMain::CaptionBelowImageClick, "Caption Below Image"},
        {&TfrmMain::TimeDateAboveImageClick, "Caption, Date, Time Above Image"},
        {&TfrmMain::TimeDateBelowImageClick, "Caption, Date, Time Below Image"},
    };
    auto window = StartWith({MakeNoise(1024, 768)});
    Select(*window, {"pic1.bmp"});
    for (const auto& c : cases) {
        Dialogs.Calls.clear();
        Printer.Jobs.clear();
        Printer.PrintDialogAnswers = {true};
        Dialogs.InputAnswers = {std::nullopt};

        (window.get()->*c.Handler)();

        ASSERT_EQ(Dialogs.Calls.size(), 1u);
        EXPECT_EQ(Dialogs.Calls[0].Kind, "InputBox");
        EXPECT_EQ(Dialogs.Calls[0].Caption, c.Title);
        EXPECT_EQ(Dialogs.Calls[0].Text, "Enter Comment");
        ASSERT_EQ(Printer.Jobs.size(), 1u);
        const TPrintedPage& page = Printer.Jobs[0].Pages.at(0);
        EXPECT_EQ(page.Pictures.at(0).Rect, QRect(0, 1500, 4800, 3600));
        // The date layouts write the date and time even without a caption.
        const bool withDate = c.Title.startsWith("Caption, Date");
        EXPECT_EQ(page.Texts.size(), withDate ? 1u : 0u) << c.Title.toStdString();
    }
    EXPECT_FALSE(window->Progress()->isVisible());
    EXPECT_EQ(window->Progress()->maximum(), 100);
}

TEST_F(MainWindowPrint, HighImageGetsTheSelfClosingErrorWindowAndIsSkipped) {
    // On this 1024 x 768 screen 1409 rows print taller than the page: no page takes it whole.
    auto window = StartWith({MakeNoise(600, 1409, 1), MakeNoise(100, 100, 2)});
    SelectAll(*window);
    Printer.PrintDialogAnswers = {true};
    QString message;
    Dialogs.ModalScripts = {[&](QDialog& dialog) {
        message = dialog.findChild<QPlainTextEdit*>("moMessage")->toPlainText();
        return int(QDialog::Accepted);
    }};

    window->ImagesAsManyToAPage1Click();

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Kind, "ExecModal");
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_EQ(Dialogs.Calls[0].Text, "TfrmPrintError");
    EXPECT_EQ(message, "pic1.bmp is larger than your printer page. It can only be printed using "
                       "regular print or thumbnail printing.");
    const auto pictures = Printer.PrintedPictures();
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].Picture.Width(), 100);

    // The same image prints with Image(s), in slices.
    Printer.Jobs.clear();
    Printer.PrintDialogAnswers = {true};
    Select(*window, {"pic1.bmp"});
    window->Images1perpageClick();
    int rows = 0;
    for (const auto& slice : Printer.PrintedPictures())
        rows += slice.Picture.Height();
    EXPECT_EQ(Printer.PrintedPictures().size(), 2u);
    EXPECT_EQ(rows, 1409);
}

TEST(PrintErrorWindow, ShowsTheMessageAndClosesItselfAfterFifteenSeconds) {
    TfrmPrintError form("pic7.png");
    EXPECT_EQ(form.windowTitle(), "Error");
    EXPECT_EQ(form.size(), QSize(472, 86));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.moMessage->toPlainText(),
              "pic7.png is larger than your printer page. It can only be printed using regular "
              "print or thumbnail printing.");
    EXPECT_TRUE(form.moMessage->isReadOnly());
    EXPECT_EQ(form.moMessage->size(), QSize(457, 33));
    EXPECT_EQ(form.btnOK->text(), "OK");
    EXPECT_EQ(form.StopTimer->interval(), 15000);
    EXPECT_TRUE(form.StopTimer->isActive());

    // Shown modally, the timer's end closes it.
    form.StopTimer->start(1);
    EXPECT_EQ(form.exec(), int(QDialog::Rejected));
    QTimer::singleShot(0, &form, [&form] { form.btnOK->click(); });
    EXPECT_EQ(form.exec(), int(QDialog::Accepted));
}

TEST_F(MainWindowPrint, PrinterFailureIsToldOrReportedAndTheViewComesBack) {
    const TDibGraphic shown = MakeNoise(30, 20, 3);
    auto window = StartWith({MakeNoise(64, 48, 1), MakeNoise(64, 48, 2), shown});
    Show(*window, "pic3.bmp");
    Select(*window, {"pic1.bmp", "pic2.bmp"});
    Printer.Offline = true;
    const QString printerMessage = QString("Error|") + PrinterFailureText;
    struct TCase {
        void (TfrmMain::*Handler)();
        QStringList Messages;
    };
    // Image(s) and Stretch tell the printer message for each image and go on; the other
    // layouts end at the first failure with the general error report.
    const TCase cases[] = {
        {&TfrmMain::Images1perpageClick, {printerMessage, printerMessage}},
        {&TfrmMain::ImagesStretchToFullPage2Click, {printerMessage, printerMessage}},
        {&TfrmMain::ImagesAsManyToAPage1Click, {"Error|The printer is offline."}},
        {&TfrmMain::ImagesAsThumbnails1Click, {"Error|The printer is offline."}},
    };
    for (const auto& c : cases) {
        Dialogs.Calls.clear();
        Dialogs.MessageAnswers.assign(c.Messages.size(), TMsgResult::OK);
        Printer.PrintDialogAnswers = {true};
        (window.get()->*c.Handler)();
        EXPECT_EQ(Dialogs.MessageLog(), c.Messages);
        for (const auto& call : Dialogs.Calls)
            EXPECT_EQ(call.Icon, TMsgIcon::Critical);
        EXPECT_EQ(Pixels(window->ImageView()->Graphic()), Pixels(shown));
        EXPECT_FALSE(window->Progress()->isVisible());
    }
    EXPECT_TRUE(Printer.EndedJobs().empty());
}

TEST_F(MainWindowPrint, ImagesGoneOrUnreadableAreNamedOnceAndTheOthersPrint) {
    auto window = StartWith(
        {MakeNoise(64, 48, 1), MakeNoise(64, 48, 2), MakeNoise(64, 48, 3), MakeNoise(64, 48, 4)});
    const std::string gone = (Work() / "pic2.bmp").string();
    const std::string unreadable = (Work() / "pic3.bmp").string();
    std::filesystem::remove(gone);
    WriteWholeFile(unreadable, "not a picture");
    QString whyUnreadable;
    try {
        LoadImageFile(unreadable);
    } catch (const std::exception& error) {
        whyUnreadable = QString::fromLocal8Bit(error.what());
    }
    ASSERT_FALSE(whyUnreadable.isEmpty());
    // In list order, as the command comes to them; "Thumbnails" passes over a file that has
    // gone without a word.
    QStringList lines, linesOfThumbnails;
    for (const QString& path : window->Paths()) {
        if (path == Path(gone))
            lines << path + ": No such file or directory";
        if (path == Path(unreadable)) {
            lines << path + ": " + whyUnreadable;
            linesOfThumbnails << lines.last();
        }
    }

    for (const auto& command : PrintCommands()) {
        const bool thumbnails = command.Name == std::string("Thumbnails");
        const bool captions =
            QString(command.Name).contains("Above") || QString(command.Name).contains("Below");
        Dialogs.Calls.clear();
        Dialogs.MessageAnswers = {TMsgResult::OK};
        Dialogs.InputAnswers.assign(captions ? 2 : 0, QString("caption"));
        Printer.Jobs.clear();
        Printer.PrintDialogAnswers = {true};
        SelectAll(*window);

        command.Run(*window);

        EXPECT_EQ(Printer.PrintedPictures().size(), 2u) << command.Name;
        EXPECT_EQ(Dialogs.MessageLog(),
                  QStringList{"Error|These images were not printed:\n" +
                              (thumbnails ? linesOfThumbnails : lines).join('\n')})
            << command.Name;
        EXPECT_TRUE(Dialogs.AllAnswersUsed()) << command.Name;
    }
}

TEST_F(MainWindowPrint, ThumbnailsPassTheTilesThroughTheClipboard) {
    auto window = StartWith({MakeNoise(64, 48, 1), MakeNoise(48, 64, 2)});
    SelectAll(*window);
    Printer.PrintDialogAnswers = {true};

    window->ImagesAsThumbnails1Click();

    ASSERT_EQ(Printer.EndedJobs().size(), 1u);
    const auto pictures = Printer.PrintedPictures();
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[1].Rect, QRect(800, 0, 750, 562));
    EXPECT_EQ(Pixels(QImageToDib(Clipboard.GetImage())), Pixels(pictures[1].Picture));
    EXPECT_TRUE(window->ImageView()->Graphic().Empty());
    EXPECT_FALSE(window->Progress()->isVisible());
}

TEST_F(MainWindowPrint, PrinterSetupShowsTheSetupDialog) {
    auto window = StartShown();
    Printer.SetupAnswers = {false};
    window->Printer1Click();
    EXPECT_EQ(Printer.SetupCount, 1);
    EXPECT_TRUE(Printer.Jobs.empty());
}

TEST_F(MainWindowPrint, PrintCaptureAndPrintImagePagePrintTheViewInTheirOwnBatch) {
    auto window = StartShown();
    window->ImageView()->AssignImage(MakeNoise(1000, 500));

    EXPECT_TRUE(window->Print().PrintCapture(1, "5", "3"));
    EXPECT_TRUE(window->Print().PrintImagePage());

    ASSERT_EQ(Printer.EndedJobs().size(), 2u);
    EXPECT_EQ(Printer.Batches, 2);
    EXPECT_EQ(Printer.Jobs[0].Batch, 1);
    const auto pictures = Printer.PrintedPictures();
    EXPECT_EQ(pictures[0].Rect, QRect(0, 0, 4800, 2400));
    EXPECT_EQ(pictures[1].Rect, QRect(56, 2128, 4687, 2343));

    Printer.Offline = true;
    Dialogs.MessageAnswers = {TMsgResult::OK};
    EXPECT_FALSE(window->Print().PrintCapture(0, "5", "3"));
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{QString("Error|") + PrinterFailureText});
}

TEST_F(MainWindowPrint, ConsoleTextIsRenderedAndPrintedByTheCaptureChoice) {
    struct TCase {
        int PrintSelection;
        bool Rendered;
        bool Printed;
    };
    const TCase cases[] = {{0, true, true}, {1, false, true}, {2, true, false}};
    for (const auto& c : cases) {
        TSettingsRecord settings;
        settings.PrintSelection = c.PrintSelection;
        PutSettings(settings);
        auto window = StartShown();
        Printer.Jobs.clear();
        Clipboard.SetText("C:\\>dir\r\nREADME   TXT\r\n");

        window->Print().RenderConsoleText();

        EXPECT_EQ(!window->ImageView()->Graphic().Empty(), c.Rendered) << c.PrintSelection;
        EXPECT_EQ(Clipboard.HasImage(), c.Rendered) << c.PrintSelection;
        EXPECT_EQ(Printer.EndedJobs().size(), c.Printed ? 1u : 0u) << c.PrintSelection;
        if (c.Printed) {
            const auto& texts = Printer.Jobs[0].Pages.at(0).Texts;
            ASSERT_EQ(texts.size(), 2u);
            EXPECT_EQ(texts[1].Text, "README   TXT");
            EXPECT_EQ(texts[1].At, QPoint(0, 13));
        }
        EXPECT_FALSE(FileExists((Work() / "texttemp.txt").string()));
        Clipboard.Clear();
    }
}

TEST_F(MainWindowPrint, PrintTextLinesOfAMissingFileFails) {
    auto window = StartShown();
    EXPECT_THROW(window->Print().PrintTextLines(Path((Scratch / "gone.txt").string())), EFileError);
    EXPECT_TRUE(Printer.Jobs.empty());

    const std::string file = (Scratch / "dos.txt").string();
    WriteWholeFile(file, "line 1\r\nline 2\r\n");
    EXPECT_TRUE(window->Print().PrintTextLines(Path(file)));
    ASSERT_EQ(Printer.EndedJobs().size(), 1u);
    EXPECT_EQ(Printer.Jobs[0].Pages[0].Texts.size(), 2u);
}

TEST_F(MainWindowPrint, CapturesArePrintedByTheCaptureAndPrintChoice) {
    // A 320 x 200 screen at 96 dpi: at its size the capture prints 2000 x 1250 at 600 dpi;
    // fitted to the page, 4800 x 3000.
    Screen.Pixels = MakeNoise(320, 200, 5);
    struct TCase {
        int Choice;
        int PrintSize;
        std::optional<QRect> Printed;
        bool Stored;
    };
    const TCase cases[] = {
        {0, 1, QRect(0, 0, 2000, 1250), true},
        {0, 0, QRect(0, 0, 4800, 3000), true},
        {1, 2, QRect(0, 0, 4800, 3000), false},
        {2, 1, std::nullopt, true},
    };
    for (const auto& c : cases) {
        TSettingsRecord settings;
        settings.PrintSelection = c.Choice;
        settings.PrintSize = c.PrintSize;
        PutSettings(settings);
        auto window = StartShown();
        Printer.Jobs.clear();

        ASSERT_TRUE(HotKeys.Press(0, VkPrintScreen));

        const auto pictures = Printer.PrintedPictures();
        ASSERT_EQ(pictures.size(), c.Printed ? 1u : 0u) << c.Choice;
        if (c.Printed) {
            EXPECT_EQ(pictures[0].Rect, *c.Printed) << c.Choice << " " << c.PrintSize;
            EXPECT_EQ(Pixels(pictures[0].Picture), Pixels(Screen.Pixels));
        }
        EXPECT_EQ(window->Paths().size(), c.Stored ? 1 : 0) << c.Choice;
    }

    // A printer that fails is told; the capture is stored all the same.
    TSettingsRecord settings;
    PutSettings(settings);
    auto window = StartShown();
    Printer.Offline = true;
    Dialogs.MessageAnswers = {TMsgResult::OK};
    ASSERT_TRUE(HotKeys.Press(0, VkPrintScreen));
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{QString("Error|") + PrinterFailureText});
    EXPECT_EQ(window->Paths().size(), 1);
}

TEST_F(MainWindowPrint, PrintMenusAndTheToolButtonRunThePrintCommands) {
    auto captions = [](const QMenu* menu) {
        QStringList texts;
        for (const QAction* item : menu->actions())
            texts << item->text();
        return texts;
    };
    const QStringList entries = {"&Image(s)", "Image(s) With &Caption",
                                 "&Image(s) With Caption And Time-&Date Stamp",
                                 "Image(s) Stretch To &Full Page", "Image(s) As &Many To A Page"};
    auto window = StartWith({MakeNoise(64, 48)});
    EXPECT_EQ(captions(window->PrintMenu()), entries + QStringList{"&Thumbnails"});
    EXPECT_EQ(captions(window->PopupPrintMenu()), entries + QStringList{"&ThumbNails"});
    for (QMenu* print : {window->PrintMenu(), window->PopupPrintMenu()})
        for (int sub : {1, 2})
            EXPECT_EQ(captions(print->actions()[sub]->menu()),
                      (QStringList{"&Above Image", "&Below Image"}));

    // Every entry and the tool button reach their command: with nothing selected each
    // refuses (Stretch shows the print dialog, which is cancelled here).
    window->List()->clearSelection();
    std::vector<QAction*> items;
    for (QMenu* print : {window->PrintMenu(), window->PopupPrintMenu()})
        for (QAction* item : print->actions())
            if (item->menu())
                for (QAction* sub : item->menu()->actions())
                    items.push_back(sub);
            else
                items.push_back(item);
    ASSERT_EQ(items.size(), 16u);
    Printer.PrintDialogAnswers = {false, false};
    Dialogs.MessageAnswers.assign(15, TMsgResult::OK);
    for (QAction* item : items)
        item->trigger();
    window->ToolButton("tbPrint")->click();
    EXPECT_EQ(Dialogs.MessageLog().size(), 15);
    EXPECT_EQ(Printer.PrintDialogCount, 2);

    Select(*window, {"pic1.bmp"});
    Printer.PrintDialogAnswers = {true};
    window->ToolButton("tbPrint")->click();
    EXPECT_EQ(Printer.PrintedPictures().size(), 1u);
    EXPECT_EQ(window->ToolButton("tbPrint")->toolTip(), "Print");

    Printer.SetupAnswers = {true};
    window->Entry("&File", "Printer Setup")->trigger();
    EXPECT_EQ(Printer.SetupCount, 1);
}

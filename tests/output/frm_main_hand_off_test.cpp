// Handing images to other programs from the main window: Copy to clipboard, Paste in MS Word
// (with a word processor that answers as each test says), the e-mail menus and button with
// the files they write, played through the fakes.
#include "tests/app/frm_main_fixture.h"

#include "output/hand_off_commands.h"
#include "platform/dib_qimage.h"
#include "tests/imaging/test_images.h"
#include "widgets/image_scroll_box.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

namespace {

const QString OneForClipboard = "Error|Only one image can be copied to the clipboard.";
const QString OneForWord = "Error|Only one image can be copied to MS Word at a time.";
const QString WordMissing = "Error|You cannot use this function because MS Word 97 or MS Word "
                            "2000\nis not installed on your PC.";
const QString NewSessionQuestion = "Warning|MS Word is not currently running. Do you want\nto "
                                   "insert this image in a new session of MS Word?";
const QString PleaseSelect = "Error|Please select an image.";
const QString MailerMissing = "Error|ROvuzir.exe is missing.";
const QString EmailSetup = "Setup|To configure this button to use your default\nmail program, "
                           "click \"E-mail\" on the menu bar\nand then select your mail program.";

std::vector<uint32_t> Pixels(const QImage& image) {
    std::vector<uint32_t> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            pixels.push_back(image.pixel(x, y) & 0xFFFFFF);
    return pixels;
}

class HandOff : public MainWindow {
protected:
    // The window shown with three captures pic1..pic3 (different pictures), in that order.
    std::unique_ptr<TfrmMainDriver> StartWithThree() {
        auto window = StartShown();
        for (int n = 1; n <= 3; ++n)
            window->AppendImage(
                Path(PutImage("pic" + std::to_string(n) + ".bmp", MakeNoise(20 + n, 10, n))), "");
        return window;
    }
    static void Select(TfrmMainDriver& window, const QList<int>& rows) {
        window.List()->clearSelection();
        for (int row : rows)
            window.List()->topLevelItem(row)->setSelected(true);
    }
    // Clicks a row: it is selected alone and its image shown.
    static void Show(TfrmMainDriver& window, int row) {
        window.List()->clearSelection();
        ClickRow(window, row);
    }
    static QStringList Captions(const QMenu* menu) {
        QStringList captions;
        for (const QAction* item : menu->actions())
            captions << item->text();
        return captions;
    }
    static QMenu* PopupEmailMenu(TfrmMainDriver& window) {
        return window.Entry(window.PopupMenu(), "E-&mail Image(s) To")->menu();
    }
};

} // namespace

TEST_F(HandOff, CopyToClipboardCopiesTheImageShownWithOrWithoutASelectedRow) {
    auto window = StartWithThree();
    Show(*window, 1);
    const auto shown = ::Pixels(MakeNoise(22, 10, 2));

    window->ToolButton("tbCopy")->click();
    EXPECT_EQ(Pixels(Clipboard.Image), shown);

    // No row selected: still the image shown.
    Clipboard.Clear();
    window->List()->clearSelection();
    window->Entry("&Edit", "&Copy to clipboard")->trigger();
    EXPECT_EQ(Pixels(Clipboard.Image), shown);
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(HandOff, CopyToClipboardRefusesTwoRowsAndDoesNothingOnAnEmptyList) {
    auto window = StartShown();
    const int clearsAtStart = Clipboard.ClearCount;
    window->Copytoclipboard1Click();
    EXPECT_EQ(Clipboard.ClearCount, clearsAtStart);
    EXPECT_TRUE(Dialogs.Calls.empty());

    window.reset();
    window = StartWithThree();
    Show(*window, 0);
    Clipboard.SetText("kept");
    Select(*window, {0, 2});
    Dialogs.MessageAnswers = {TMsgResult::OK};
    window->Entry(window->PopupMenu(), "&Copy to clipboard")->trigger();
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{OneForClipboard});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);
    EXPECT_EQ(Clipboard.Text, "kept");
}

TEST_F(HandOff, ThePictureOtherWindowsCopyGoesOnTheClipboardInScreenColours) {
    auto window = StartShown();
    TPalette palette = DefaultPalette(ifColor16);
    palette[0] = {10, 20, 30};
    palette[1] = {200, 100, 50};
    const TDibGraphic indexed = MakeIndexImage(
        9, 4, ifColor16, [](int x, int y) { return (x + y) % 2; }, &palette);
    IImageHandOff& handOff = window->HandOffCommands();

    handOff.CopyPictureToClipboard(indexed);

    EXPECT_EQ(Clipboard.Image.format(), QImage::Format_RGB32);
    EXPECT_EQ(Pixels(Clipboard.Image), ::Pixels(indexed));
    // An empty picture leaves the clipboard empty.
    handOff.CopyPictureToClipboard(TDibGraphic());
    EXPECT_TRUE(Clipboard.Image.isNull());
}

TEST_F(HandOff, PasteGoesIntoTheRunningWordProcessorThroughTheClipboard) {
    auto window = StartWithThree();
    Show(*window, 2);

    window->ToolButton("tbPaste")->click();

    ASSERT_EQ(WordProcessor.PastedIntoRunning.size(), 1u);
    EXPECT_EQ(Pixels(WordProcessor.PastedIntoRunning[0]), ::Pixels(MakeNoise(23, 10, 3)));
    EXPECT_EQ(Pixels(Clipboard.Image), ::Pixels(MakeNoise(23, 10, 3)));
    EXPECT_TRUE(WordProcessor.PastedIntoNew.empty());
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(HandOff, PasteAsksBeforeStartingANewSessionAndTellsWhenItFails) {
    struct TCase {
        const char* Name;
        TWordPaste Running;
        std::optional<TMsgResult> Answer; // to the question, when it is asked
        bool Starts;
        QStringList Messages;
        int PastedIntoNew;
    };
    const TCase cases[] = {
        {"No: nothing happens",
         TWordPaste::NotRunning,
         TMsgResult::No,
         true,
         {NewSessionQuestion},
         0},
        {"Yes: a new session",
         TWordPaste::NotRunning,
         TMsgResult::Yes,
         true,
         {NewSessionQuestion},
         1},
        {"Yes, but none starts",
         TWordPaste::NotRunning,
         TMsgResult::Yes,
         false,
         {NewSessionQuestion, WordMissing},
         0},
        {"the running one fails", TWordPaste::Failed, std::nullopt, true, {WordMissing}, 0},
    };
    auto window = StartWithThree();
    Show(*window, 0);
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        Dialogs.Calls.clear();
        WordProcessor = TFakeWordProcessor();
        WordProcessor.Running = c.Running;
        WordProcessor.Starts = c.Starts;
        Dialogs.MessageAnswers.clear();
        if (c.Answer)
            Dialogs.MessageAnswers.push_back(*c.Answer);
        if (c.Messages.last() == WordMissing)
            Dialogs.MessageAnswers.push_back(TMsgResult::OK);

        window->Entry("&Edit", "&Paste in MS Word")->trigger();

        EXPECT_EQ(Dialogs.MessageLog(), c.Messages);
        EXPECT_EQ(int(WordProcessor.PastedIntoNew.size()), c.PastedIntoNew);
        if (c.PastedIntoNew == 1) {
            EXPECT_EQ(Pixels(WordProcessor.PastedIntoNew[0]), ::Pixels(MakeNoise(21, 10, 1)));
        }
        if (c.Answer) {
            EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Question);
            EXPECT_EQ(Dialogs.Calls[0].Buttons, unsigned(mbYes | mbNo));
        }
        if (c.Messages.last() == WordMissing) {
            EXPECT_EQ(Dialogs.Calls.back().Icon, TMsgIcon::Critical);
        }
        EXPECT_TRUE(Dialogs.AllAnswersUsed());
    }
}

TEST_F(HandOff, PasteRefusesTwoRowsAndPastesNothingWithoutAPicture) {
    auto window = StartWithThree();
    Show(*window, 0);
    Select(*window, {1, 2});
    Dialogs.MessageAnswers = {TMsgResult::OK};
    window->Entry(window->PopupMenu(), "Paste in MS &Word")->trigger();
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{OneForWord});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);
    EXPECT_EQ(WordProcessor.RunningAsked, 0);

    // Another program took the clipboard before the word processor was asked: nothing is
    // pasted, and the caller is told.
    Clipboard.Clear();
    EXPECT_FALSE(window->HandOffCommands().PasteIntoWord(window.get()));
    EXPECT_EQ(WordProcessor.RunningAsked, 0);
}

TEST_F(HandOff, EmailMenusOfferTheMailerAndTheSendToEntries) {
    Mailer.Entries = {"/send/mail program.desktop", "/send/Tom & Jerry.desktop"};
    auto window = StartShown();
    const QStringList expected{"Mail Recipient", "mail program", "tom && jerry"};
    EXPECT_EQ(Captions(window->Menu("&E-mail")), expected);
    EXPECT_EQ(Captions(PopupEmailMenu(*window)), expected);
}

TEST_F(HandOff, MailRecipientWritesTheSelectedPathsAndStartsTheMailer) {
    auto window = StartWithThree();
    Select(*window, {0, 1, 2});

    window->Entry("&E-mail", "Mail Recipient")->trigger();

    const QStringList paths = window->Paths();
    EXPECT_EQ(Read("attach.dat"),
              (paths[0] + "\r\n" + paths[1] + "\r\n" + paths[2] + "\r\n").toStdString());
    EXPECT_EQ(Read("defmail.dat"), "0\r\n");
    EXPECT_EQ(Mailer.MailerStarts, 1);
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(HandOff, MailRecipientWithoutTheMailerStillWritesTheList) {
    Mailer.Installed = false;
    auto window = StartWithThree();
    Put("attach.dat", "/an/earlier/list.png\r\n");
    Select(*window, {1});
    Dialogs.MessageAnswers = {TMsgResult::OK};

    window->Entry(PopupEmailMenu(*window), "Mail Recipient")->trigger();

    EXPECT_EQ(Read("attach.dat"), (window->Paths()[1] + "\r\n").toStdString());
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{MailerMissing});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
    EXPECT_EQ(Mailer.MailerStarts, 0);
}

TEST_F(HandOff, ASendToEntryGetsTheImagesAndTheButtonUsesItAgain) {
    Mailer.Entries = {"/send/a.desktop", "/send/b.desktop"};
    auto window = StartWithThree();
    Select(*window, {2, 0});
    Dialogs.MessageAnswers = {TMsgResult::OK};

    window->ToolButton("tbEmail")->click();
    EXPECT_EQ(Dialogs.MessageLog(), QStringList{EmailSetup});
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Information);
    EXPECT_TRUE(Mailer.Opened.empty());

    window->Entry("&E-mail", "b")->trigger();
    const QStringList images{window->Paths()[0], window->Paths()[2]}; // in list order
    ASSERT_EQ(Mailer.Opened.size(), 1u);
    EXPECT_EQ(Mailer.Opened[0].first, "/send/b.desktop");
    EXPECT_EQ(Mailer.Opened[0].second, images);
    EXPECT_EQ(Read("defmail.dat"), "2\r\n");

    window->ToolButton("tbEmail")->click();
    ASSERT_EQ(Mailer.Opened.size(), 2u);
    EXPECT_EQ(Mailer.Opened[1].first, "/send/b.desktop");
    EXPECT_EQ(Mailer.Opened[1].second, images);
    EXPECT_EQ(Mailer.MailerStarts, 0);
    EXPECT_EQ(Dialogs.Calls.size(), 1u);
}

TEST_F(HandOff, EmailNeedsASelectionAndAnEntryThatExists) {
    auto window = StartShown();
    // An empty list: nothing at all.
    window->EmailEntryClick(0);
    window->tbEmailClick();
    EXPECT_TRUE(Dialogs.Calls.empty());

    window.reset();
    window = StartWithThree();
    window->List()->clearSelection();
    Dialogs.MessageAnswers = {TMsgResult::OK, TMsgResult::OK};
    window->EmailEntryClick(0);
    window->tbEmailClick();
    EXPECT_EQ(Dialogs.MessageLog(), (QStringList{PleaseSelect, PleaseSelect}));
    EXPECT_EQ(Read("attach.dat"), "<missing>");
    EXPECT_EQ(Read("defmail.dat"), "<missing>");

    // A number without an entry (the send-to entry was removed since) does nothing.
    Dialogs.Calls.clear();
    Put("defmail.dat", "5\r\n");
    Select(*window, {0});
    window->tbEmailClick();
    EXPECT_TRUE(Dialogs.Calls.empty());
    EXPECT_EQ(Mailer.MailerStarts, 0);
    EXPECT_TRUE(Mailer.Opened.empty());
}

TEST_F(HandOff, APathWithALineBreakIsNotListedForTheMailer) {
    auto window = StartShown();
    const std::string odd = (Scratch / "two\nlines.bmp").string();
    window->AppendImage(Path(PutImage(odd, MakeNoise(4, 4))), "");
    Select(*window, {0});
    Dialogs.MessageAnswers = {TMsgResult::OK};

    window->EmailEntryClick(0);

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_TRUE(Dialogs.Calls[0].Text.contains("line break"))
        << Dialogs.Calls[0].Text.toStdString();
    EXPECT_EQ(Read("attach.dat"), "<missing>");
    EXPECT_EQ(Mailer.MailerStarts, 0);
}

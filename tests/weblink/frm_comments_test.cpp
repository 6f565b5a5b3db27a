// The three note windows, played the way a user plays them.
#include "weblink/frm_comment.h"
#include "weblink/frm_comment_message.h"
#include "weblink/frm_comments.h"
#include "weblink/note_text_box.h"

#include "store/file_io.h"
#include "tests/fakes/fake_dialogs.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The window shown as the program shows it.
template <typename TWindow> void Show(TWindow& window) {
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
}

QStringList MenuTexts(const QMenuBar& bar) {
    QStringList texts;
    for (const QAction* menu : bar.actions()) {
        texts << menu->text();
        for (const QAction* item : menu->menu()->actions())
            texts << "  " + item->text();
    }
    return texts;
}

} // namespace

TEST(NoteEntry, HasTheNoteCaptionTheFileMenuAndNoEmptyHelpMenu) {
    QStringList lines;
    TfrmComments window(lines);
    EXPECT_EQ(window.windowTitle(), "Note");
    EXPECT_EQ(MenuTexts(*window.MainMenu),
              (QStringList{"&File", "  &Save and Exit", "  E&xit Without Save"}));
    EXPECT_EQ(window.btnSave->text(), "Save");
    EXPECT_TRUE(window.btnSave->isDefault());
    EXPECT_EQ(window.moComments->size(), QSize(536, 89));
}

TEST(NoteEntry, EachWayOutLeavesTheNoteLinesAsTheUserMeantThem) {
    struct TCase {
        const char* Way;
        QString Typed;
        std::function<void(TfrmComments&)> Act;
        QStringList Lines;
        bool Closes;
    };
    const auto saveButton = [](TfrmComments& w) { w.btnSave->click(); };
    const auto saveAndExit = [](TfrmComments& w) { w.SaveandExit1->trigger(); };
    const auto exitWithoutSave = [](TfrmComments& w) { w.ExitWithoutSave1->trigger(); };
    const auto cancelButton = [](TfrmComments& w) { w.btnCancel->click(); };
    const auto escape = [](TfrmComments& w) { QTest::keyClick(w.moComments, Qt::Key_Escape); };
    const auto enter = [](TfrmComments& w) { QTest::keyClick(w.moComments, Qt::Key_Return); };
    const auto closeBox = [](TfrmComments& w) { w.close(); };
    const TCase cases[] = {
        {"Save", "first\nsecond", saveButton, {"first", "second"}, true},
        {"Save, a last line break", "first\n", saveButton, {"first"}, true},
        {"Save, nothing typed", "", saveButton, {}, true},
        {"Save and Exit", "a note", saveAndExit, {"a note"}, true},
        {"Save and Exit, nothing typed", "", saveAndExit, {}, false},
        {"Exit Without Save", "typed away", exitWithoutSave, {""}, true},
        {"Cancel", "typed away", cancelButton, {""}, true},
        {"Esc", "typed away", escape, {""}, true},
        {"Enter presses Save", "one line", enter, {"one line"}, true},
        {"close box", "typed away", closeBox, {}, true},
    };
    for (const TCase& test : cases) {
        QStringList lines;
        TfrmComments window(lines);
        Show(window);
        window.moComments->setPlainText(test.Typed);

        test.Act(window);

        EXPECT_EQ(lines, test.Lines) << test.Way;
        EXPECT_EQ(window.isVisible(), !test.Closes) << test.Way;
    }
}

TEST(NoteEntry, CtrlEnterStartsANewLineInTheNote) {
    QStringList lines;
    TfrmComments window(lines);
    Show(window);
    window.moComments->setFocus();
    QTest::keyClicks(window.moComments, "one");
    QTest::keyClick(window.moComments, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClicks(window.moComments, "two");
    EXPECT_TRUE(window.isVisible());

    window.btnSave->click();

    EXPECT_EQ(lines, (QStringList{"one", "two"}));
}

TEST(NoteQuestion, EachButtonGivesItsAnswerAndTheCloseBoxNone) {
    struct TCase {
        const char* Way;
        std::function<void(TfrmCommentMessage&)> Act;
        int Answer;
    };
    const TCase cases[] = {
        {"Yes", [](TfrmCommentMessage& w) { w.btnYes->click(); }, naYes},
        {"No", [](TfrmCommentMessage& w) { w.btnNo->click(); }, naNo},
        {"No To All", [](TfrmCommentMessage& w) { w.btnNoAll->click(); }, naNoToAll},
        {"close box", [](TfrmCommentMessage& w) { w.close(); }, naNo},
    };
    for (const TCase& test : cases) {
        int answer = naNo;
        TfrmCommentMessage window(answer);
        Show(window);

        test.Act(window);

        EXPECT_EQ(answer, test.Answer) << test.Way;
        EXPECT_FALSE(window.isVisible()) << test.Way;
    }
}

TEST(NoteQuestion, ShowsTheQuestionOnTheCommentWindow) {
    int answer = naYes;
    TfrmCommentMessage window(answer);
    window.lblComment->setText("/home/u/a long/path/to/the/saved/picture/of/a/web/page/pic12.png"
                               " is linked to a URL and is being recorded in WebLink.\n"
                               "Would you like to add a note?");
    Show(window);

    EXPECT_EQ(window.windowTitle(), "Comment");
    EXPECT_EQ(window.btnYes->text(), "Yes");
    EXPECT_EQ(window.btnNo->text(), "No");
    EXPECT_EQ(window.btnNoAll->text(), "No To All");
    EXPECT_GE(window.width(), 464);
    EXPECT_GE(window.height(), 90);
    // The whole question fits in the window.
    EXPECT_LE(window.lblComment->geometry().right(), window.width());
    EXPECT_GE(window.lblComment->height(),
              window.lblComment->heightForWidth(window.lblComment->width()));
}

class NoteView : public ::testing::Test {
protected:
    void SetUp() override {
        Folder = fs::temp_directory_path() / ("karvin-note-" + std::to_string(::getpid()));
        fs::remove_all(Folder);
        fs::create_directories(Folder);
    }
    void TearDown() override { fs::remove_all(Folder); }
    QString Note(const char* name) const {
        return QString::fromStdString((Folder / name).string());
    }
    std::string Read(const char* name) const {
        return ReadWholeFile((Folder / name).string()).value_or("<missing>");
    }
    fs::path Folder;
    TFakeDialogs Dialogs;
};

TEST_F(NoteView, OkWritesTheTextOverTheNoteFile) {
    WriteWholeFile((Folder / "page1png.txt").string(), "old\r\nnote\r\n");
    for (const auto& [typed, written] :
         {std::pair<QString, std::string>{"new\nnote", "new\r\nnote\r\n"}, {"", ""}}) {
        TfrmComment window(Dialogs);
        window.TargetFile = Note("page1png.txt");
        Show(window);
        window.moComment->setPlainText(typed);

        window.btnOk->click();

        EXPECT_EQ(Read("page1png.txt"), written);
        EXPECT_EQ(window.windowTitle(), "Note");
        EXPECT_FALSE(window.isVisible());
    }
}

TEST_F(NoteView, TheCloseBoxWritesNothing) {
    WriteWholeFile((Folder / "page1png.txt").string(), "old\r\n");
    TfrmComment window(Dialogs);
    window.TargetFile = Note("page1png.txt");
    Show(window);
    window.moComment->setPlainText("changed my mind");

    window.close();

    EXPECT_EQ(Read("page1png.txt"), "old\r\n");
}

TEST_F(NoteView, ANoteThatCannotBeWrittenIsReportedAndTheTextStays) {
    TfrmComment window(Dialogs);
    window.TargetFile = Note("gone/page1png.txt");
    Show(window);
    window.moComment->setPlainText("keep me");
    Dialogs.MessageAnswers = {TMsgResult::OK};

    window.btnOk->click();

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
    EXPECT_TRUE(Dialogs.Calls[0].Text.contains("No such file or directory"))
        << Dialogs.Calls[0].Text.toStdString();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.moComment->toPlainText(), "keep me");
    EXPECT_FALSE(fs::exists(Folder / "gone"));
}

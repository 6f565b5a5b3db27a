// The main window's Edit Image: which rows it takes, the editor it opens on the row's image, the
// list after an edit saved under a new name, and the external editor of the settings.
#include "tests/editor/editor_fixture.h"

#include "store/settings_files.h"

#include <sys/stat.h>

namespace {

// Edit Image as the user reaches it: the Image menu, the list's menu and the tool button.
std::vector<std::function<void(TfrmMainDriver&)>> Launchers() {
    return {[](TfrmMainDriver& w) { w.Entry("&Image", "&Edit Image")->trigger(); },
            [](TfrmMainDriver& w) {
                for (QAction* item : w.PopupMenu()->actions())
                    if (item->text() == "&Edit Image")
                        item->trigger();
            },
            [](TfrmMainDriver& w) { w.ToolButton("tbEditor")->click(); }};
}

} // namespace

TEST_F(EditorTest, EditImageTakesExactlyOneSelectedRow) {
    // An empty list: nothing at all.
    for (const auto& launch : Launchers())
        launch(*Window);
    EXPECT_TRUE(Dialogs.Calls.empty());

    List(MakeNoise(8, 8), "pic1.bmp");
    List(MakeNoise(8, 8, 2), "pic2.bmp");
    const struct {
        QList<int> Selected;
        QString Message;
    } cases[] = {{{}, "Error|Please select an image name"},
                 {{0, 1}, "Error|Please select one image name only"}};
    for (const auto& c : cases) {
        for (const auto& launch : Launchers()) {
            Window->List()->clearSelection();
            for (int row : c.Selected)
                Window->List()->topLevelItem(row)->setSelected(true);
            Dialogs = TFakeDialogs();
            Answer(TMsgResult::OK);
            launch(*Window);
            EXPECT_EQ(Dialogs.MessageLog(), QStringList{c.Message});
            EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Warning);
        }
    }
}

TEST_F(EditorTest, EditImageOpensTheSelectedImageAndTheListFollowsASaveUnderANewName) {
    List(MakeNoise(8, 8), "pic1.bmp");
    const TDibGraphic image = MakeNoise(30, 20, 3);
    const int row = List(image, "pic2.bmp");
    Window->List()->topLevelItem(row)->setSelected(true);
    const QString target = Out + "/edited.bmp";
    SaveAnswer(target);
    QString caption;
    std::vector<uint32_t> opened;
    Dialogs.ModalScripts.push_back([&](QDialog& dialog) {
        auto& editor = dynamic_cast<TfrmEditor&>(dialog);
        TfrmEditorDriver driver(editor);
        caption = editor.windowTitle();
        opened = Pixels(driver.Image());
        editor.Inverted1Click();
        editor.SaveAs1Click();
        editor.Exit1Click();
        return int(QDialog::Rejected);
    });

    Window->ToolButton("tbEditor")->click();

    ASSERT_TRUE(Dialogs.AllAnswersUsed());
    EXPECT_EQ(Dialogs.Calls[0].Text, "TfrmEditor");
    EXPECT_EQ(caption, Path((Work() / "pic2.bmp").string()));
    EXPECT_EQ(opened, Pixels(image));
    // The row is the edited file now, and the main window shows it.
    EXPECT_EQ(Window->Paths()[row], target);
    EXPECT_EQ(RowName(row), "edited.bmp");
    EXPECT_EQ(Window->Paths().size(), 2);
    EXPECT_EQ(Window->ImageView()->FileName(), target);
    EXPECT_NE(Pixels(Window->ImageView()->Graphic()), Pixels(image));
    EXPECT_TRUE(Messages().isEmpty()) << Messages().toStdString();
}

TEST_F(EditorTest, WithTheExternalEditorChosenEditImageStartsItOnTheImage) {
    TSettingsRecord settings;
    settings.UseEditor = 1;
    PutSettings(settings);
    const int row = List(MakeNoise(8, 8));
    Window->List()->topLevelItem(row)->setSelected(true);

    // A program file: started with the whole stored path and the image's path.
    const std::string program = (Scratch / "my editor").string();
    WriteWholeFile(program, "#!/bin/sh\n");
    ::chmod(program.c_str(), 0755);
    WriteEditorPath(program);
    Window->ToolButton("tbEditor")->click();
    ASSERT_EQ(Desktop.Started.size(), 1u);
    EXPECT_EQ(Desktop.Started[0], (QStringList{Path(program), Window->Paths()[row]}));
    EXPECT_TRUE(Dialogs.Calls.empty()); // no editor window

    // Anything that is no program file is refused, and nothing is started.
    for (const std::string& stored : {(Scratch / "notes.txt").string(), std::string("sh")}) {
        WriteWholeFile((Scratch / "notes.txt").string(), "text");
        WriteEditorPath(stored);
        Dialogs = TFakeDialogs();
        Answer(TMsgResult::OK);
        Window->Entry("&Image", "&Edit Image")->trigger();
        ASSERT_EQ(Dialogs.MessageLog().size(), 1) << stored;
        EXPECT_TRUE(Dialogs.MessageLog()[0].startsWith("Error|The image editor "));
        EXPECT_EQ(Desktop.Started.size(), 1u);
    }
}

// The settings window: how each control shows its field of "karvin.cfg" and writes it back,
// the hot-key list, the external editor and "editor.dat", the start-up entry, what a refusal
// keeps; and Setup > "&Karvin" in the main window, which applies the settings afterwards.
#include "app/frm_configure.h"

#include "app/help_window.h"
#include "store/autostart_entry.h"
#include "store/settings_files.h"
#include "tests/app/frm_main_fixture.h"
#include "tests/scripts/skip_outside_ci.h"
#include "tests/store/read_only_folder.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTextBrowser>

#include <functional>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class Configure : public TWorkFolderTest {
protected:
    void SetUp() override {
        TWorkFolderTest::SetUp();
        Program = MakeProgram("bin/karvin");
        Editor = MakeProgram("bin/editor");
    }
    std::unique_ptr<TfrmConfigure> Open() { return Open(Program); }
    std::unique_ptr<TfrmConfigure> Open(const std::string& program) {
        return std::make_unique<TfrmConfigure>(Dialogs, ProgramFolder,
                                               QFile::decodeName(program.c_str()));
    }
    void PutRecord(const TSettingsRecord& record) {
        EnsureWorkFolder();
        WriteSettings(record);
    }
    TSettingsRecord Stored() const { return ReadSettings(); }
    // A program file the user may run, made under the scratch folder.
    std::string MakeProgram(const std::string& name) {
        const fs::path path = Scratch / name;
        fs::create_directories(path.parent_path());
        WriteWholeFile(path.string(), "#!/bin/sh\n");
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    }
    fs::path Autostart() const { return Scratch / "config" / "autostart"; }
    std::vector<std::string> AutostartNames() const {
        std::vector<std::string> names;
        if (fs::exists(Autostart()))
            for (const auto& entry : fs::directory_iterator(Autostart()))
                names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    static ino_t Inode(const fs::path& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
    }

    TFakeDialogs Dialogs;
    QString ProgramFolder = QCoreApplication::applicationDirPath() + "/";
    std::string Program;
    std::string Editor;
};

// What a control shows of its field: the item of a list, "checked" or "unchecked", or which
// print size is chosen.
QString Shown(const TfrmConfigure& dialog, TSettingsField field) {
    const auto box = [](const QCheckBox* check) {
        return QString(check->isChecked() ? "checked" : "unchecked");
    };
    switch (field) {
    case sfCapSelection:
        return dialog.cboCapSelection->currentText();
    case sfPrintSelection:
        return dialog.cboPrintSelection->currentText();
    case sfPrintSize:
        if (dialog.optWhatYouSeeIsWhatYouGet->isChecked() == dialog.optFitToPage->isChecked())
            return "both or neither";
        return dialog.optWhatYouSeeIsWhatYouGet->isChecked() ? "WYSIWYG" : "Stretch";
    case sfGrayScale:
        return box(dialog.cbGrayScale);
    case sfNegative:
        return box(dialog.cbNegative);
    case sfDefaultFormat:
        return dialog.cboGformat->currentText();
    case sfStartMinimized:
        return box(dialog.cbStartMinimized);
    case sfStartWindows:
        return box(dialog.cbStartWindows);
    case sfMouseCursor:
        return box(dialog.cbMouseCursor);
    case sfConfirmation:
        return box(dialog.cbConfirmation);
    case sfUseEditor:
        return box(dialog.cbEditor);
    case sfHotKeyControl:
        return box(dialog.cbControl);
    case sfHotKeyAlt:
        return box(dialog.cbAlt);
    case sfHotKeyShift:
        return box(dialog.cbShift);
    case sfHotKeyKey:
        return dialog.cboKeys->currentText();
    case sfNoMinimize:
        return box(dialog.cbNoMinimize);
    }
    return "?";
}

QStringList Captions(const QMenu* menu) {
    QStringList captions;
    for (const QAction* item : menu->actions())
        captions << item->text();
    return captions;
}

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int index = 0; index < box->count(); ++index)
        items << box->itemText(index);
    return items;
}

} // namespace

TEST_F(Configure, ShowsItsPanelsControlsAndMenu) {
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle(), "Configuration");
    const std::pair<QWidget*, QString> captions[] = {
        {dialog->optWhatYouSeeIsWhatYouGet, "Normal Image Size (WYSIWYG)"},
        {dialog->optFitToPage, "Stretch Image To Full Page"},
        {dialog->cbControl, "Control Key"},
        {dialog->cbAlt, "Alt Key"},
        {dialog->cbShift, "Shift Key"},
        {dialog->lblNote, "Note: Use this option if you do not want to use the PrintScreen key."},
        {dialog->cbGrayScale, "Grayscale"},
        {dialog->cbNegative, "Negative (Inverted Colors)"},
        {dialog->cbMouseCursor, "Include Mouse Cursor"},
        {dialog->cbStartMinimized, "Start Minimized  "},
        {dialog->cbStartWindows, "Start When The Desktop Starts"},
        {dialog->cbConfirmation, "Confirm Unsaved Images On Exit"},
        {dialog->cbNoMinimize, "Do Not Minimized To System Tray"},
        {dialog->cbEditor, "Use External Editor"},
        {dialog->btnBrowse, "Select"},
        {dialog->btnOK, "Save"},
        {dialog->btnCancel, "Cancel"},
    };
    for (const auto& [control, caption] : captions) {
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(control))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(control))
            text = label->text();
        EXPECT_EQ(text, caption) << control->objectName().toStdString();
    }
    const std::pair<QWidget*, QString> headings[] = {
        {dialog->PrintPanel, "Printing Size Options"},
        {dialog->AdvancePanel, "Hotkey Options (Advanced Users)"},
        {dialog->panAffects, "Miscellaneous Capture Options"},
        {dialog->panStart, "Start and Exit Options"},
        {dialog->MiscPanel, "Image Editor Options"},
    };
    for (const auto& [panel, heading] : headings) {
        const auto* label = panel->findChild<QLabel*>(panel->objectName() + "Heading");
        ASSERT_TRUE(label) << panel->objectName().toStdString();
        EXPECT_EQ(label->text(), heading);
        EXPECT_TRUE(label->font().bold());
    }

    QStringList keys = Items(dialog->cboKeys);
    ASSERT_EQ(keys.size(), 38);
    EXPECT_EQ(keys.first(), "F1");
    EXPECT_EQ(keys[11], "F12");
    EXPECT_EQ(keys[12], "A");
    EXPECT_EQ(keys.last(), "Z");
    EXPECT_FALSE(dialog->cboKeys->isEnabled());
    EXPECT_EQ(Items(dialog->cboCapSelection).size(), 13);
    EXPECT_EQ(dialog->cboCapSelection->itemText(9), "Full DOS Screen: Text To Text File");
    EXPECT_EQ(dialog->cboCapSelection->itemText(12), "DurIdozezed");
    EXPECT_EQ(Items(dialog->cboGformat),
              (QStringList{"BMP", "GIF", "JPEG", "PCX", "PNG", "TGA", "TIFF"}));
    EXPECT_EQ(Items(dialog->cboPrintSelection),
              (QStringList{"Print and Capture", "Print Only", "Capture Only"}));

    QStringList menus;
    for (const QAction* menu : dialog->MainMenu->actions())
        menus << menu->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Help"}));
    EXPECT_EQ(Captions(dialog->MainMenu->actions().first()->menu()),
              (QStringList{"&Save", "E&xit"}));
    EXPECT_FALSE(dialog->Help1->menu());

    dialog->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
    // The copies of the main window's boxes are never shown.
    EXPECT_FALSE(dialog->panCapStyle->isVisible());
    EXPECT_FALSE(dialog->panPrintMode->isVisible());
    EXPECT_TRUE(dialog->MiscPanel->isVisible());
    EXPECT_GE(dialog->width(), 488);
    EXPECT_GE(dialog->height(), 384 + dialog->MainMenu->height());
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize()); // a fixed frame
}

TEST_F(Configure, EachFieldLoadsIntoItsControlAndIsWrittenBack) {
    struct TCase {
        TSettingsField Field;
        int32_t Stored;
        QString Shown;
        int32_t Written;
    };
    const TCase cases[] = {
        {sfCapSelection, 9, "Full DOS Screen: Text To Text File", 9},
        {sfCapSelection, 12, "DurIdozezed", 12},
        {sfPrintSelection, 1, "Print Only", 1},
        {sfPrintSelection, 2, "Capture Only", 2},
        {sfPrintSize, 1, "WYSIWYG", 1},
        {sfPrintSize, 2, "Stretch", 2},
        {sfPrintSize, 0, "Stretch", 2},
        {sfGrayScale, 1, "checked", 1},
        {sfNegative, 1, "checked", 1},
        {sfDefaultFormat, 2, "JPEG", 2},
        {sfDefaultFormat, 6, "TIFF", 6},
        {sfStartMinimized, 1, "checked", 1},
        {sfMouseCursor, 1, "checked", 1},
        {sfConfirmation, 0, "unchecked", 0},
        {sfUseEditor, 1, "checked", 1},
        {sfHotKeyControl, 0, "unchecked", 0},
        {sfHotKeyAlt, 0, "unchecked", 0},
        {sfHotKeyShift, 1, "checked", 1},
        {sfHotKeyKey, 0, "F1", 0},
        {sfHotKeyKey, 11, "F12", 11},
        {sfHotKeyKey, 12, "A", 12},
        {sfHotKeyKey, 37, "Z", 37},
        {sfNoMinimize, 1, "checked", 1},
        // Values the program never writes show, and are saved as, the field's default.
        {sfCapSelection, 13, "Full Screen", 0},
        {sfPrintSelection, -1, "Print and Capture", 0},
        {sfDefaultFormat, 7, "BMP", 0},
        {sfHotKeyKey, 99, "P", 27},
        {sfGrayScale, 2, "unchecked", 0},
        {sfConfirmation, 5, "checked", 1},
        {sfHotKeyAlt, -1, "checked", 1},
        // Whether Karvin starts with the desktop is whether the entry is there.
        {sfStartWindows, 1, "unchecked", 0},
    };
    for (const TCase& c : cases) {
        TSettingsRecord record;
        SettingsFieldRef(record, c.Field) = c.Stored;
        PutRecord(record);
        WriteEditorPath(Editor);

        auto dialog = Open();
        EXPECT_EQ(Shown(*dialog, c.Field), c.Shown) << c.Field << " = " << c.Stored;
        ASSERT_TRUE(dialog->btnOKClick()) << Dialogs.MessageLog().join("\n").toStdString();

        TSettingsRecord expected;
        SettingsFieldRef(expected, c.Field) = c.Written;
        EXPECT_EQ(Stored(), expected) << c.Field << " = " << c.Stored;
    }
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(Configure, EachControlWritesItsField) {
    struct TCase {
        const char* Name;
        std::function<void(TfrmConfigure&)> Act;
        std::function<void(TSettingsRecord&)> Change;
    };
    const TCase cases[] = {
        {"Stretch", [](auto& d) { d.optFitToPage->click(); }, [](auto& r) { r.PrintSize = 2; }},
        {"Grayscale", [](auto& d) { d.cbGrayScale->click(); }, [](auto& r) { r.GrayScale = 1; }},
        {"Negative", [](auto& d) { d.cbNegative->click(); }, [](auto& r) { r.Negative = 1; }},
        {"Mouse", [](auto& d) { d.cbMouseCursor->click(); }, [](auto& r) { r.MouseCursor = 1; }},
        {"Minimized", [](auto& d) { d.cbStartMinimized->click(); },
         [](auto& r) { r.StartMinimized = 1; }},
        {"Confirm", [](auto& d) { d.cbConfirmation->click(); },
         [](auto& r) { r.Confirmation = 0; }},
        {"No tray", [](auto& d) { d.cbNoMinimize->click(); }, [](auto& r) { r.NoMinimize = 1; }},
        {"Control", [](auto& d) { d.cbControl->click(); }, [](auto& r) { r.HotKeyControl = 0; }},
        {"Alt", [](auto& d) { d.cbAlt->click(); }, [](auto& r) { r.HotKeyAlt = 0; }},
        {"Shift and F12",
         [](auto& d) {
             d.cbShift->click();
             d.cboKeys->setCurrentIndex(11);
         },
         [](auto& r) {
             r.HotKeyShift = 1;
             r.HotKeyKey = 11;
         }},
        {"Editor",
         [this](auto& d) {
             d.cbEditor->click();
             d.EditorPath->setText(QFile::decodeName(Editor.c_str()));
         },
         [](auto& r) { r.UseEditor = 1; }},
        {"Desktop", [](auto& d) { d.cbStartWindows->click(); },
         [](auto& r) { r.StartWindows = 1; }},
    };
    for (const TCase& c : cases) {
        PutRecord(TSettingsRecord{});
        auto dialog = Open();
        c.Act(*dialog);
        ASSERT_TRUE(dialog->btnOKClick()) << c.Name;
        TSettingsRecord expected;
        c.Change(expected);
        EXPECT_EQ(Stored(), expected) << c.Name;
        DeleteAutostartEntry();
    }
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(Configure, OpeningAndSavingWithoutChangesRewritesTheSame64Bytes) {
    // Every field away from its default, the hidden ones included.
    const TSettingsRecord record{7, 2, 2, 1, 1, 4, 1, 1, 1, 0, 1, 0, 1, 1, 5, 1};
    PutRecord(record);
    WriteEditorPath(Editor);
    WriteAutostartEntry(Program);
    const std::string bytes = Read("karvin.cfg");
    ASSERT_EQ(bytes.size(), 64u);
    const ino_t before = Inode(Work() / "karvin.cfg");

    auto dialog = Open();
    dialog->show();
    dialog->btnOK->click();

    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(Read("karvin.cfg"), bytes);
    EXPECT_NE(Inode(Work() / "karvin.cfg"), before); // written again, not left alone
    EXPECT_EQ(Read("editor.dat"), Editor + "\r\n");
    EXPECT_EQ(AutostartNames(), std::vector<std::string>{"Karvin.desktop"});
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(Configure, WithoutASettingsFileTheDefaultsAreWrittenFirst) {
    auto dialog = Open();
    const std::string defaults = EncodeSettings(TSettingsRecord{});
    EXPECT_EQ(Read("karvin.cfg"), defaults);
    EXPECT_TRUE(dialog->optWhatYouSeeIsWhatYouGet->isChecked());
    EXPECT_EQ(dialog->cboKeys->currentText(), "P");
    ASSERT_TRUE(dialog->btnOKClick());
    EXPECT_EQ(Read("karvin.cfg"), defaults);
}

TEST_F(Configure, GarbageInTheFilesOpensTheWindowOnTheDefaults) {
    Put("karvin.cfg", std::string(64, '\xFF'));
    Put("editor.dat", std::string("\x01\x02\xFF\xFE garbage\r\n", 14));
    auto dialog = Open();
    // What the window shows on the default record (but for the size: every one but 1 fits
    // the page).
    TSettingsRecord defaults;
    defaults.PrintSize = -1;
    PutRecord(defaults);
    auto reference = Open();
    for (int field = 0; field < SettingsFieldCount; ++field)
        EXPECT_EQ(Shown(*dialog, TSettingsField(field)), Shown(*reference, TSettingsField(field)))
            << field;
    EXPECT_TRUE(dialog->EditorPath->text().isEmpty());
    EXPECT_FALSE(dialog->EditorPath->isEnabled());
    EXPECT_TRUE(Dialogs.Calls.empty());
}

TEST_F(Configure, AnUnreadableSettingsFileOpensOnDefaultsAndSavingSaysWhy) {
    EnsureWorkFolder();
    fs::create_directory(Work() / "karvin.cfg");
    auto dialog = Open();
    EXPECT_EQ(dialog->cboKeys->currentText(), "P");
    EXPECT_TRUE(dialog->cbConfirmation->isChecked());
    EXPECT_TRUE(Dialogs.Calls.empty());

    Dialogs.MessageAnswers = {TMsgResult::OK};
    dialog->show();
    dialog->btnOK->click();

    ASSERT_EQ(Dialogs.Calls.size(), 1u);
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
    EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
    EXPECT_TRUE(Dialogs.Calls[0].Text.contains("karvin.cfg"))
        << Dialogs.Calls[0].Text.toStdString();
    EXPECT_TRUE(dialog->isVisible()); // nothing the user chose is lost
}

TEST_F(Configure, UncheckingEveryModifierDisablesTheKeyListAndKeepsTheKey) {
    TSettingsRecord record;
    record.HotKeyKey = 5; // F6
    PutRecord(record);
    auto dialog = Open();
    // With Control and Alt checked the list still waits for a click on a modifier.
    EXPECT_FALSE(dialog->cboKeys->isEnabled());

    dialog->cbShift->click();
    EXPECT_TRUE(dialog->cboKeys->isEnabled());
    dialog->cbShift->click();
    EXPECT_TRUE(dialog->cboKeys->isEnabled()); // Control and Alt still checked
    dialog->cbControl->click();
    EXPECT_TRUE(dialog->cboKeys->isEnabled());
    dialog->cbAlt->click();
    EXPECT_FALSE(dialog->cboKeys->isEnabled());
    ASSERT_TRUE(dialog->btnOKClick());

    TSettingsRecord expected = record;
    expected.HotKeyControl = 0;
    expected.HotKeyAlt = 0;
    EXPECT_EQ(Stored(), expected);
    EXPECT_EQ(Stored().HotKeyKey, 5);
}

TEST_F(Configure, TheEditorPathAndSelectFollowUseExternalEditor) {
    auto dialog = Open();
    EXPECT_FALSE(dialog->cbEditor->isChecked());
    EXPECT_FALSE(dialog->EditorPath->isEnabled());
    EXPECT_FALSE(dialog->btnBrowse->isEnabled());
    dialog->cbEditor->click();
    EXPECT_TRUE(dialog->EditorPath->isEnabled());
    EXPECT_TRUE(dialog->btnBrowse->isEnabled());
    dialog->cbEditor->click();
    EXPECT_FALSE(dialog->EditorPath->isEnabled());
    EXPECT_FALSE(dialog->btnBrowse->isEnabled());
}

TEST_F(Configure, SelectPutsTheChosenProgramInThePathAndSaveStoresIt) {
    const std::string other = MakeProgram("tools/paint");
    auto dialog = Open();
    dialog->cbEditor->click();
    dialog->EditorPath->setText(QFile::decodeName(Editor.c_str()));
    Dialogs.OpenAnswers = {TFileDialogResult{QFile::decodeName(other.c_str()), 1}};

    dialog->btnBrowse->click();

    ASSERT_EQ(Dialogs.FileDialogs.size(), 1u);
    const TFileDialogOptions& shown = Dialogs.FileDialogs[0];
    EXPECT_EQ(shown.Filters, QStringList{"Programs (*)"});
    EXPECT_TRUE(shown.ExecutablesOnly);
    // It opens where the editor chosen before is.
    EXPECT_EQ(shown.Folder, QFile::decodeName((Scratch / "bin").c_str()));
    EXPECT_EQ(shown.FileName, "editor");
    EXPECT_EQ(dialog->EditorPath->text(), QFile::decodeName(other.c_str()));
    ASSERT_TRUE(dialog->btnOKClick());
    EXPECT_EQ(Read("editor.dat"), other + "\r\n");
    EXPECT_EQ(Stored().UseEditor, 1);
}

TEST_F(Configure, CancellingSelectUnchecksTheEditorAndKeepsEditorDat) {
    TSettingsRecord record;
    record.UseEditor = 1;
    PutRecord(record);
    WriteEditorPath(Editor);
    auto dialog = Open();
    ASSERT_TRUE(dialog->cbEditor->isChecked());
    EXPECT_EQ(dialog->EditorPath->text(), QFile::decodeName(Editor.c_str()));
    Dialogs.OpenAnswers = {std::nullopt};

    dialog->btnBrowse->click();

    EXPECT_FALSE(dialog->cbEditor->isChecked());
    EXPECT_FALSE(dialog->EditorPath->isEnabled());
    EXPECT_FALSE(dialog->btnBrowse->isEnabled());
    ASSERT_TRUE(dialog->btnOKClick());
    EXPECT_EQ(Stored(), TSettingsRecord{});
    EXPECT_EQ(Read("editor.dat"), Editor + "\r\n");
}

TEST_F(Configure, ABlankEditorOrOneThatIsNoProgramIsRefusedAndNothingIsWritten) {
    const std::string text = (Scratch / "notes.txt").string();
    WriteWholeFile(text, "notes");
    const QString notProgram = "is not a program file you may run. Choose the image editor's "
                               "program with \"Select\".";
    struct TCase {
        QString Path;
        QString Message;
    };
    const TCase cases[] = {
        {"", "Image Editor Path cannot be blank."},
        {"   ", "Image Editor Path cannot be blank."},
        {QFile::decodeName(text.c_str()),
         "\"" + QFile::decodeName(text.c_str()) + "\" " + notProgram},
        {"bin/editor", "\"bin/editor\" " + notProgram},
        {QFile::decodeName(Scratch.c_str()),
         "\"" + QFile::decodeName(Scratch.c_str()) + "\" " + notProgram},
        {"/no/such/editor", "\"/no/such/editor\" " + notProgram},
    };
    PutRecord(TSettingsRecord{});
    Put("editor.dat", "/old/editor\r\n");
    const std::string bytes = Read("karvin.cfg");
    for (const TCase& c : cases) {
        for (const bool fromMenu : {false, true}) {
            Dialogs.Calls.clear();
            Dialogs.MessageAnswers = {TMsgResult::OK};
            auto dialog = Open();
            dialog->show();
            dialog->cbGrayScale->click();
            dialog->cbStartWindows->click();
            dialog->cbEditor->click();
            dialog->EditorPath->setText(c.Path);

            if (fromMenu)
                dialog->Save1->trigger();
            else
                dialog->btnOK->click();

            ASSERT_EQ(Dialogs.Calls.size(), 1u) << c.Path.toStdString();
            EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
            EXPECT_EQ(Dialogs.Calls[0].Text, c.Message);
            EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
            // Nothing written, and the window stays open with what the user chose.
            EXPECT_EQ(Read("karvin.cfg"), bytes);
            EXPECT_EQ(Read("editor.dat"), "/old/editor\r\n");
            EXPECT_TRUE(AutostartNames().empty());
            EXPECT_TRUE(dialog->isVisible()) << c.Path.toStdString();
            EXPECT_TRUE(dialog->cbGrayScale->isChecked());
            EXPECT_EQ(dialog->EditorPath->text(), c.Path);
        }
    }
}

TEST_F(Configure, StartingWithTheDesktopSavedTwiceLeavesOneEntryAndUncheckingRemovesIt) {
    auto dialog = Open();
    EXPECT_FALSE(dialog->cbStartWindows->isChecked());
    dialog->cbStartWindows->click();
    ASSERT_TRUE(dialog->btnOKClick());
    ASSERT_TRUE(dialog->btnOKClick());

    EXPECT_EQ(AutostartNames(), std::vector<std::string>{"Karvin.desktop"});
    EXPECT_EQ(ReadWholeFile((Autostart() / "Karvin.desktop").string()),
              AutostartEntryText(Program));
    EXPECT_EQ(Stored().StartWindows, 1);
    EXPECT_TRUE(Open()->cbStartWindows->isChecked());

    dialog->cbStartWindows->click();
    ASSERT_TRUE(dialog->btnOKClick());
    EXPECT_TRUE(AutostartNames().empty());
    EXPECT_EQ(Stored().StartWindows, 0);
    EXPECT_FALSE(Open()->cbStartWindows->isChecked());
}

TEST_F(Configure, TheBoxShowsWhetherTheEntryIsThereWhateverTheRecordSays) {
    WriteAutostartEntry(Program);
    PutRecord(TSettingsRecord{}); // StartWindows 0
    EXPECT_TRUE(Open()->cbStartWindows->isChecked());
    DeleteAutostartEntry();
    TSettingsRecord record;
    record.StartWindows = 1;
    PutRecord(record);
    EXPECT_FALSE(Open()->cbStartWindows->isChecked());
}

TEST_F(Configure, AnAutostartFolderThatRefusesChangesIsReportedAndTheBoxStaysAsItWas) {
    PutRecord(TSettingsRecord{});
    const std::string bytes = Read("karvin.cfg");
    fs::create_directories(Autostart());
    for (const bool entryThere : {false, true}) {
        if (entryThere)
            WriteAutostartEntry(Program);
        TReadOnlyFolder locked(Autostart().string());
        ASSERT_TRUE(locked.Made());
        Dialogs.Calls.clear();
        Dialogs.MessageAnswers = {TMsgResult::OK};
        auto dialog = Open();
        dialog->show();
        ASSERT_EQ(dialog->cbStartWindows->isChecked(), entryThere);
        dialog->cbStartWindows->click();
        dialog->cbNegative->click();

        dialog->btnOK->click();

        ASSERT_EQ(Dialogs.Calls.size(), 1u) << entryThere;
        EXPECT_EQ(Dialogs.Calls[0].Caption, "Error");
        EXPECT_EQ(Dialogs.Calls[0].Icon, TMsgIcon::Critical);
        EXPECT_TRUE(Dialogs.Calls[0].Text.contains("Karvin.desktop"))
            << Dialogs.Calls[0].Text.toStdString();
        EXPECT_EQ(dialog->cbStartWindows->isChecked(), entryThere);
        EXPECT_TRUE(dialog->cbNegative->isChecked());
        EXPECT_TRUE(dialog->isVisible());
        EXPECT_EQ(Read("karvin.cfg"), bytes);
        EXPECT_EQ(AutostartNames(), entryThere ? std::vector<std::string>{"Karvin.desktop"}
                                               : std::vector<std::string>{});
    }
}

TEST_F(Configure, ADesktopSessionStartsThisProgramFromTheEntry) {
    const QString gio = QStandardPaths::findExecutable("gio");
    if (gio.isEmpty())
        KARVIN_SKIP_OUTSIDE_CI("gio (libglib2.0-bin) is not installed");
    // A folder name with every character the entry must quote or escape (but "%", which
    // GLib refuses in a program's path however it is written).
    const fs::path folder = Scratch / "my apps $HOME \\ \"q\" `b` it's";
    const std::string marker = (Scratch / "started").string();
    const std::string program = (folder / "karvin").string();
    fs::create_directories(folder);
    // The marker appears whole (renamed into place), so the test never reads it half-written.
    WriteWholeFile(program, "#!/bin/sh\nprintf '%s' \"$0\" > '" + marker + ".part' && mv '" +
                                marker + ".part' '" + marker + "'\n");
    fs::permissions(program, fs::perms::owner_all);

    auto dialog = Open(program);
    dialog->cbStartWindows->click();
    ASSERT_TRUE(dialog->btnOKClick());

    QProcess launch;
    launch.start(gio, {"launch", QFile::decodeName((Autostart() / "Karvin.desktop").c_str())});
    ASSERT_TRUE(launch.waitForFinished(10000));
    EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ReadWholeFile(marker).has_value(); }, 10000));
    EXPECT_EQ(ReadWholeFile(marker).value_or("<not started>"), program);
}

TEST_F(Configure, CancelAndExitWriteNothing) {
    PutRecord(TSettingsRecord{});
    const std::string bytes = Read("karvin.cfg");
    for (const char* way : {"Cancel", "Exit", "Escape"}) {
        auto dialog = Open();
        dialog->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog.get()));
        dialog->cbGrayScale->click();
        dialog->cbStartWindows->click();
        dialog->cbEditor->click();
        dialog->EditorPath->setText(QFile::decodeName(Editor.c_str()));
        if (std::string(way) == "Cancel")
            dialog->btnCancel->click();
        else if (std::string(way) == "Exit")
            dialog->Exit1->trigger();
        else
            QTest::keyClick(dialog.get(), Qt::Key_Escape);
        EXPECT_EQ(dialog->result(), QDialog::Rejected) << way;
        EXPECT_FALSE(dialog->isVisible()) << way;
        EXPECT_EQ(Read("karvin.cfg"), bytes) << way;
        EXPECT_EQ(Read("editor.dat"), "<missing>") << way;
        EXPECT_TRUE(AutostartNames().empty()) << way;
    }
}

TEST_F(Configure, TheMenusSaveKeepsTheWindowOpen) {
    auto dialog = Open();
    dialog->show();
    dialog->cbMouseCursor->click();
    dialog->Save1->trigger();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(Stored().MouseCursor, 1);
}

TEST_F(Configure, HelpOpensTheDocumentAtTheWindowsTopic) {
    auto dialog = Open();
    dialog->show();
    dialog->Help1->trigger();

    auto* help = dialog->findChild<THelpWindow*>();
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isVisible());
    QUrl page = QUrl::fromLocalFile(ProgramFolder + "help/karvin.html");
    page.setFragment("topic-103");
    EXPECT_EQ(help->Source(), page);
    EXPECT_GT(help->ScrollPosition(), 0);
    EXPECT_TRUE(help->Browser->toPlainText().contains("Start When The Desktop Starts"));
    EXPECT_TRUE(Dialogs.Calls.empty());

    auto elsewhere = std::make_unique<TfrmConfigure>(
        Dialogs, QFile::decodeName(Scratch.c_str()) + "/", QFile::decodeName(Program.c_str()));
    Dialogs.MessageAnswers = {TMsgResult::OK};
    elsewhere->Help1->trigger();
    EXPECT_EQ(Dialogs.MessageLog(),
              QStringList{"Error|Cannot find the help file " + QFile::decodeName(Scratch.c_str()) +
                          "/help/karvin.html."});
}

// Setup > "&Karvin" in the main window.

namespace {

class MainWindowSetup : public MainWindow {
protected:
    // Plays the user in the settings window.
    void InTheSettingsWindow(std::function<void(TfrmConfigure&)> play) {
        Dialogs.ModalScripts.push_back([play](QDialog& dialog) {
            auto& configure = dynamic_cast<TfrmConfigure&>(dialog);
            play(configure);
            return configure.result();
        });
    }
};

} // namespace

TEST_F(MainWindowSetup, TheSettingsWindowIsFollowedByTheSettingsAppliedAgain) {
    auto window = StartShown();
    EXPECT_EQ(HotKeys.Registered[HotKeyUser], (TFakeHotKeys::TKey{ModControl | ModAlt, VkA + 15}));
    ASSERT_TRUE(window->MinimizesToTray());
    // Another window of the program changed the method meanwhile: the box follows the file.
    WriteSetting(sfCapSelection, cmUserRectangle);
    InTheSettingsWindow([](TfrmConfigure& dialog) {
        dialog.cbControl->click();
        dialog.cbShift->click();
        dialog.cboKeys->setCurrentIndex(4); // F5
        dialog.cbNoMinimize->click();
        dialog.btnOK->click();
    });

    window->Entry("&Setup", "&Karvin")->trigger();

    ASSERT_TRUE(Dialogs.AllAnswersUsed());
    ASSERT_EQ(Dialogs.Calls.size(), 1u) << Dialogs.MessageLog().join("\n").toStdString();
    EXPECT_EQ(Dialogs.Calls[0].Caption, "Configuration");
    EXPECT_EQ(Dialogs.Calls[0].Text, "TfrmConfigure");
    EXPECT_EQ(HotKeys.Registered[HotKeyUser], (TFakeHotKeys::TKey{ModAlt | ModShift, VkF1 + 4}));
    EXPECT_EQ(HotKeys.Registered[HotKeyPrintScreen], (TFakeHotKeys::TKey{0, VkPrintScreen}));
    EXPECT_FALSE(HotKeys.Press(ModControl | ModAlt, VkA + 15)); // the old key does nothing
    EXPECT_EQ(window->MethodBox()->currentIndex(), int(cmUserRectangle));
    EXPECT_FALSE(window->MinimizesToTray());
    // The window is gone once the settings are applied.
    EXPECT_FALSE(window->findChild<TfrmConfigure*>());
}

TEST_F(MainWindowSetup, CancellingStillAppliesWhatTheFileHolds) {
    auto window = StartShown();
    WriteSetting(sfNoMinimize, 1);
    WriteSetting(sfHotKeyKey, 0); // F1
    HotKeys.Log.clear();
    InTheSettingsWindow([](TfrmConfigure& dialog) {
        dialog.cbShift->click();
        dialog.btnCancel->click();
    });

    window->Karvin1Click();

    EXPECT_EQ(HotKeys.Registered[HotKeyUser], (TFakeHotKeys::TKey{ModControl | ModAlt, VkF1}));
    EXPECT_FALSE(window->MinimizesToTray());
    EXPECT_EQ(ReadSettings().HotKeyShift, 0);
}

TEST_F(MainWindowSetup, ANewHotKeyThatAnotherProgramHoldsIsReported) {
    auto window = StartShown();
    HotKeys.HeldByOthers = {{ModControl | ModAlt | ModShift, VkA + 15}};
    InTheSettingsWindow([](TfrmConfigure& dialog) {
        dialog.cbShift->click();
        dialog.btnOK->click();
    });

    window->Karvin1Click();

    const QString text = "Ctrl+Alt+Shift+P is in use by another program. Capture with "
                         "PrintScreen, or have your desktop run \"karvin trigger\" on a key of "
                         "your choice.";
    EXPECT_EQ(window->StatusText(), text);
    EXPECT_EQ(Tray.Messages, QStringList{"Karvin|" + text});
    EXPECT_FALSE(HotKeys.IsRegistered(HotKeyUser));
}

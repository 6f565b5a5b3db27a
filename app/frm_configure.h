// The settings window ("Configuration"): the settings of "karvin.cfg" that the main window's
// option boxes do not cover (the print size after a capture, the second hot key, grey,
// negative and the pointer in captures, the start and exit behaviour, the external image
// editor), the start-up entry and "editor.dat".
//
// It shows the record as the file holds it and writes a whole new record made from its
// controls, so it also keeps the three values of the main window's boxes, in copies that are
// never shown, and writes them back unchanged. The main window applies the settings again
// after it closes, saved or not.
#pragma once

#include "store/settings.h"

#include <QDialog>
#include <QPointer>

class IDialogs;
class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QWidget;
class THelpWindow;

class TfrmConfigure : public QDialog {
    Q_OBJECT
public:
    // `programFolder` (ending in "/") holds the help document; `program` is the file the
    // start-up entry starts (the running Karvin).
    TfrmConfigure(IDialogs& dialogs, const QString& programFolder, const QString& program,
                  QWidget* parent = nullptr);

    // Loads the controls from "karvin.cfg" (written with the defaults when missing), the
    // start-up entry and "editor.dat".
    void FormCreate();
    // "Save" and File > "&Save": writes the start-up entry or deletes it, "editor.dat" when an
    // external editor is chosen, and the record. True when everything was written; otherwise
    // the user has been told why, and the dialog stays open with what they chose.
    bool btnOKClick();
    // "Cancel" and File > "E&xit": closes without writing.
    void btnCancelClick();
    // The editor's path and "Select" follow "Use External Editor".
    void cbEditorClick();
    // Picks the editor's program file; cancelling unchecks "Use External Editor".
    void btnBrowseClick();
    // The key list can be changed while at least one of the three modifiers is checked.
    void cbControlClick();
    void cbAltClick();
    void cbShiftClick();
    // The help document at this window's topic.
    void Help1Click();

    // The record the controls stand for, without the start-up entry and the editor (fields 7
    // and 10 as the controls show them).
    TSettingsRecord RecordFromControls() const;

    QMenuBar* MainMenu = nullptr;
    QAction* Save1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* Help1 = nullptr;

    QWidget* PrintPanel = nullptr;
    QRadioButton* optWhatYouSeeIsWhatYouGet = nullptr;
    QRadioButton* optFitToPage = nullptr;

    QWidget* AdvancePanel = nullptr;
    QCheckBox* cbControl = nullptr;
    QCheckBox* cbAlt = nullptr;
    QCheckBox* cbShift = nullptr;
    QComboBox* cboKeys = nullptr;
    QLabel* lblNote = nullptr;

    QWidget* panAffects = nullptr;
    QCheckBox* cbGrayScale = nullptr;
    QCheckBox* cbNegative = nullptr;
    QCheckBox* cbMouseCursor = nullptr;

    QWidget* panStart = nullptr;
    QCheckBox* cbStartMinimized = nullptr;
    QCheckBox* cbStartWindows = nullptr;
    QCheckBox* cbConfirmation = nullptr;
    QCheckBox* cbNoMinimize = nullptr;

    QWidget* MiscPanel = nullptr;
    QCheckBox* cbEditor = nullptr;
    QLineEdit* EditorPath = nullptr;
    QPushButton* btnBrowse = nullptr;

    QWidget* panButtons = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

    // Never shown: the main window's three choices, carried through a save.
    QWidget* panCapStyle = nullptr;
    QWidget* panPrintMode = nullptr;
    QComboBox* cboCapSelection = nullptr;
    QComboBox* cboGformat = nullptr;
    QComboBox* cboPrintSelection = nullptr;

private:
    void BuildControls();
    void BuildLayout();
    void BuildMenu();
    void LoadControls(const TSettingsRecord& settings);
    void UpdateKeyList();
    void SetEditorControlsEnabled(bool enabled);
    // Refuses an editor that is checked but blank or no program file; true when it may be
    // saved.
    bool CheckEditorPath();
    // Makes or removes the start-up entry as the box says. On a failure the user is told
    // why and the box shows again whether the entry is there.
    bool ApplyStartupEntry();

    IDialogs& Dialogs;
    QString ProgramFolder;
    QString Program;
    QPointer<THelpWindow> HelpWindow;
};

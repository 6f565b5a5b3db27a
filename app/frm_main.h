// The main window: the list of the run's captures, the option boxes, the tray icon, and the
// start-up and shutdown of the program.
//
// The window is created hidden; two seconds later ShowMainTimerTimer shows it, minimises it
// or leaves only the tray icon, as the settings say. Closing it for good emits
// MainWindowClosed, which ends the program; destroying it empties the working folder of
// everything but the settings files.
//
// One class, whose command handlers live with the subsystem they belong to (see
// DEVELOPERS.md): this file's handlers are in app/frm_main.cpp.
#pragma once

#include "app/services.h"
#include "imaging/dib_graphic.h"

#include <QMainWindow>
#include <QStringList>

class QAction;
class QComboBox;
class QMenu;
class QTimer;
class QTreeWidget;

class TfrmMain : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate.
    explicit TfrmMain(const TServices& services, QWidget* parent = nullptr);
    // Runs FormDestroy.
    ~TfrmMain() override;

    // Start-up and shutdown.
    void FormCreate();
    // Makes sure the working folder and the settings file exist and puts the settings into
    // the window. Throws EFileError when the folder or the settings file fails.
    void ApplySettings();
    void ShowMainTimerTimer();
    void Exit2Click();
    void ExitKarvinClick();
    // Whether the window may close now (close box, system menu, end of the session).
    bool FormCloseQuery();
    void FormDestroy();
    // Tray menu "&Show Karvin Window", tray double click, and a second start of the program.
    void ShowKarvin1Click();

    // The option boxes: each choice is written to the settings record at once.
    void cboCapSelectionClick();
    void cboPrintSelectionClick();
    void cboDefaultFormatClick();

    // Appends a row for an image file to the captured-image list.
    void AppendImage(const QString& path, const QString& url);

    // The captured-image list: the rows of lvPicNames, ImagePaths and ImageURLs are three
    // parallel sequences of the same length and order. A row's "Saved" column is blank while
    // its image lies only in the working folder; its "File Name" column shows the file name.
    QTreeWidget* lvPicNames = nullptr;
    QStringList ImagePaths; // full path of each row's image file
    QStringList ImageURLs;  // page address of each row's image, empty when none

    QComboBox* cboCapSelection = nullptr;
    QComboBox* cboPrintSelection = nullptr;
    QComboBox* cboDefaultFormat = nullptr;
    QComboBox* cboViewPercent = nullptr;
    // The right-hand part of the window, where the image view sits.
    QWidget* ViewArea = nullptr;

    QTimer* ShowMainTimer = nullptr;
    QMenu* TrayMenu = nullptr;
    QAction* ShowKarvin1 = nullptr; // "&Show Karvin Window", the default item
    QAction* ExitKarvin = nullptr;  // "E&xit"

    TDibGraphic WorkImage;    // scratch copy of the view image
    QString DurIdozezedDelay; // seconds between DurIdozezed steps, as text
    QString ProgramFolder;    // folder of the executable, ending in "/"
    // Set by the Exit command right before it closes the window: the close is confirmed.
    bool ExitRequested = false;

signals:
    // The window has been closed for good; the program ends.
    void MainWindowClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

    TServices Services;

private:
    void BuildWindow();
    // The unsaved-images question of the Exit command; true when leaving may go ahead.
    bool ConfirmLeaving();
    void ShowNormalAndActivate();

    // Minimising hides the window and leaves only the tray icon (when there is a tray).
    bool MinimizeToTray = true;
    bool Destroyed = false;
};

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
#include "imaging/image_transform.h"

#include <QMainWindow>
#include <QStringList>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QStatusBar;
class QTimer;
class QTreeWidget;
class TImageScrollBox;

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

    // The list and the view.
    //
    // Shows the image of the row that has the keyboard focus at the chosen zoom.
    void lvPicNamesClick();
    // Loads an image file into the view and shows its status line; a file that does not
    // exist changes nothing (false). Throws when the file cannot be read (the view is then
    // empty).
    bool ShowImageFile(const QString& path);
    // The status line of the image in the view: path, size and colour depth.
    void ShowImageStatus(const QString& path);
    // Applies the zoom choice of cboViewPercent to the view.
    void cboViewPercentClick();
    // The progress of a transform the window runs, 0..100: the progress bar shows it while
    // it is below 100 and is hidden at 100.
    void ReportProgress(int percent);
    // The same as a transform's progress callback.
    TProgressCallback ReportProgressCallback();

    QString StatusText() const;

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
    // The view that captures land in and that list commands load images into.
    TImageScrollBox* MainImage = nullptr;
    // The status line: the text on the left, the progress bar of transforms on the right.
    QStatusBar* StatPanel = nullptr;
    QLabel* StatPanelText = nullptr;
    QProgressBar* ProgressBar = nullptr;

    QTimer* ShowMainTimer = nullptr;
    QMenu* TrayMenu = nullptr;
    QAction* ShowKarvin1 = nullptr; // "&Show Karvin Window", the default item
    QAction* ExitKarvin = nullptr;  // "E&xit"

    // The view image as it was before the last transform of a capture; "View 100%" brings
    // it back. Emptied whenever a file is shown.
    TDibGraphic WorkImage;
    QString DurIdozezedDelay; // seconds between DurIdozezed steps, as text
    QString ProgramFolder;    // folder of the executable, ending in "/"
    // Set by the Exit command right before it closes the window: the close is confirmed.
    bool ExitRequested = false;
    // Set while the thumbnail viewer is open.
    bool ThumbViewerOpen = false;
    // Set by a capture when the browser's page address was 256 characters or longer;
    // cleared by Go To URL.
    bool LongURL = false;

signals:
    // The window has been closed for good; the program ends.
    void MainWindowClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

    TServices Services;

private:
    void BuildWindow();
    QWidget* BuildOptionBoxes(QWidget* parent);
    QWidget* BuildListAndView(QWidget* parent);
    void BuildStatusLine();
    // The Fit To Window search: the largest whole zoom, stepped from 100, that shows no
    // scroll bar.
    void FitToWindow();
    // The unsaved-images question of the Exit command; true when leaving may go ahead.
    bool ConfirmLeaving();
    void ShowNormalAndActivate();

    // Minimising hides the window and leaves only the tray icon (when there is a tray).
    bool MinimizeToTray = true;
    bool Destroyed = false;
};

// The main window: the list of the run's captures, the option boxes, the tray icon, and the
// start-up and shutdown of the program.
//
// The window is created hidden; two seconds later ShowMainTimerTimer shows it, minimises it
// or leaves only the tray icon, as the settings say. Closing it for good emits
// MainWindowClosed, which ends the program; destroying it empties the working folder of
// everything but the settings files.
//
// One class, whose command handlers live with the subsystem they belong to (see
// DEVELOPERS.md): this file's handlers are in app/frm_main.cpp. The menus and the tool bar
// are built in app/frm_main_menus.cpp, where every command that has an entry is wired.
#pragma once

#include "app/services.h"
#include "capture/region_highlight.h"
#include "imaging/dib_graphic.h"
#include "imaging/image_transform.h"
#include "output/print_layouts.h"
#include "store/settings.h"

#include <QMainWindow>
#include <QPointer>
#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class TImageScrollBox;
class THelpWindow;
enum class TToolPicture;

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
    // Shows a row's "Saved" picture: the diskette once its image lies outside the working
    // folder (saved elsewhere), blank before.
    void UpdateRowPicture(int row);

    // List commands.
    //
    // Deletes the selected rows' images, note files and link records, after a question.
    void Delete1Click();
    // Selects every row; the view does not change.
    void SelectAll2Click();
    // Opening the pop-up menu and the Image menu: Go To URL follows the selected row.
    void ImageMenuPopup();
    void Image1Click();
    // Opens the selected row's page address in the web browser.
    void GotoURL1Click();
    // Edit > "Clear clip&board".
    void Clearclipboard1Click();
    // The window was uncovered or activated: the view's palette is realised again on screens
    // of 256 colours or fewer, and the list takes the keyboard focus.
    void FormPaint();

    // Help: the help document at its contents, at the main screen's topic, at the quick start.
    void Content1Click();
    void MainScreen1Click();
    void btnClickMeClick();
    void About1Click();
    // Opens the help document at an anchor ("topic-101"), at its top for none.
    void ShowHelp(const QString& anchor);

    // The rows selected, from the top.
    QList<int> SelectedRows() const;

    // Capture (capture/frm_main_capture.cpp).
    //
    // The hot keys' message: PrintScreen (101) and the user's combination (102) capture by
    // the method of the settings; any other id (Alt+F4 while zoom capture waits) only sets
    // the view back to 100 %. "karvin trigger" arrives here as 101.
    void WMHotKey(int id);
    // Registers PrintScreen and the user's combination from the settings; a key another
    // program holds is said once in the status line and beside the tray icon.
    void RegisterCaptureHotKeys();
    void UnregisterCaptureHotKeys();
    // The simple methods: each puts the capture on the clipboard and into the view, and
    // returns whether there was anything to capture.
    bool CaptureFullScreen();
    // The foreground window with its frame; with `underPointer`, the client area of the
    // window under the pointer.
    bool CaptureWindow(bool underPointer);
    bool CaptureClientArea();
    // Grabs the rectangle once more; the clipboard and the view take this second grab.
    bool ShowCapture(const QRect& rect);
    // The picture on the clipboard into the view, at 100 %.
    void TakeClipboardIntoView();
    // Cuts one pixel off every edge of the view image.
    void CropCaptureBorder();
    // The intake of a capture that is on the clipboard and in the view: grey and negative,
    // printing, storing, listing, the hot keys back, the focus back to the window in front.
    void FinishCapture();
    // Writes the view image as the next "pic" file of the working folder in the capture
    // format (0 BMP ... 6 TIFF) and lists it with the pending page address. Throws when the
    // file cannot be written; nothing is listed then.
    void StoreCapture(int format);

    // Printing (output/frm_main_print.cpp). Each print command asks for a selection, shows
    // the print dialog, prints the selected images in list order, loading each into the view,
    // and puts back what the view showed before.
    void Images1perpageClick();
    void CaptionAboveImageClick();
    void CaptionBelowImageClick();
    void TimeDateAboveImageClick();
    void TimeDateBelowImageClick();
    void ImagesStretchToFullPage2Click();
    void ImagesAsManyToAPage1Click();
    void ImagesAsThumbnails1Click();
    // File > Printer Setup.
    void Printer1Click();
    // Prints the view's image centred at its screen-proportional size, slicing a tall one
    // over several jobs. False when the printer failed (the user has been told).
    bool PrintImagePage();
    // Prints the view's image in one job: stretch 0 at its size in inches, else filling the
    // page; the size texts go with the printer's orientation ("5" and "3" in portrait).
    // False when the printer failed (the user has been told).
    bool PrintCapture(int stretch, const QString& widthText, const QString& heightText);
    // Prints the lines of a text file on one page in the console font. False when the
    // printer failed (the user has been told). Throws EFileError when the file cannot be read.
    bool PrintTextLines(const QString& file);
    // The clipboard's text as a console screen: rendered into the view (unless the capture
    // choice is "Print Only") and printed (unless it is "Capture Only").
    void RenderConsoleText();

    // Selection capture (capture/frm_main_selection.cpp): pointing at a window, dragging a
    // rectangle or an ellipse over the screen, and taking the stored area again. Each hands
    // its capture to FinishCapture, or registers the hot keys again when nothing was
    // selected; a stored area that cannot be taken throws.
    //
    // "Mouse Selected Region": the first press highlights the window under the pointer until
    // the second press, which takes its client area.
    void CaptureMouseSelectedRegion();
    void CaptureUserRectangle();
    void CaptureUserRectangleWithRepeat();
    void CaptureUserCircle();
    void CaptureUserCircleWithRepeat();
    // The tick of RegionTimer: the highlight moves to the window under the pointer.
    void RegionTimerTimer();
    // Ends the highlighting between the two presses without a capture.
    void CancelRegionSelection();

    // Saving (output/frm_main_save.cpp).
    //
    // Save As: each selected image is written in the format of the extension the user gives,
    // under a name chosen in the save dialog.
    void SaveAs1Click();
    // Auto Save: the selected images are copied unchanged into one folder the user picks,
    // each under the next free "pic" name there.
    void SaveSelectedToFolder1Click();
    // The save dialog's type change: the extension of the name in the dialog's file-name box
    // becomes the new type's (shot.bmp -> shot.jpg, shot -> shot.jpg); an empty box stays
    // empty.
    static QString imgSaveDialogTypeChange(int filterIndex, const QString& fileName);
    // True when `target` is, ignoring letter case, the path of a listed image; the user is
    // then told to pick another name.
    bool NameInUse(const QString& target);
    // The save dialog of Save As, with the seven types. It keeps the type and the folder the
    // user chose last.
    TFileDialogOptions imgSaveDialog = NewSaveDialog();

    // Notes (weblink/frm_main_notes.cpp).
    //
    // How the note question is put after an image with a page address was saved.
    enum class TNoteQuestion {
        AutoSave, // our question window with "Yes", "No" and "No To All"
        SaveAs,   // a Yes/No question box
    };
    // The note step after the image of `row` was saved at its row's path: asks whether the
    // user wants a note, takes it (or deletes an old note file of that name on No), and
    // records the page address in the link store.
    void RecordSavedImageLink(int row, TNoteQuestion question);
    // The note being taken for the image the note step is at; the note entry window writes
    // into it.
    QStringList NoteLines;
    // The answer to the note question during an Auto Save run: 1 Yes, 2 No, 3 No To All.
    // Every run starts with 1.
    int NoteAnswer = 1;

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

    // The tool bar: a button appears only for a command that exists.
    QToolBar* ToolBar = nullptr;
    QToolButton* tbSave = nullptr;
    QToolButton* tbDelete = nullptr;
    QToolButton* tbPrint = nullptr;    // Print > "&Image(s)"
    QPushButton* btnClickMe = nullptr; // "Click Me": quick-start help

    // The main menu's entries that the window changes, and the pop-up menu of the list and
    // the view.
    QMenu* File1 = nullptr;
    QMenu* Edit1 = nullptr;
    QMenu* Image1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Delete1 = nullptr;
    QAction* Printer1 = nullptr; // "Printer Setup"
    QMenu* Print1 = nullptr;     // File > "&Print"
    QAction* Exit2 = nullptr;
    QAction* Clearclipboard1 = nullptr;
    QAction* SelectAll2 = nullptr;
    QAction* GotoURL1 = nullptr; // Image > "&Go To URL"
    QAction* Content1 = nullptr;
    QAction* MainScreen1 = nullptr;
    QAction* About1 = nullptr;
    QMenu* ImageMenu = nullptr;
    QAction* ImageMenuGotoURL = nullptr; // "&Go to URL" of the pop-up menu
    QMenu* ImageMenuPrint = nullptr;     // "&Print" of the pop-up menu

    // The help window, made when first needed and kept while the program runs.
    QPointer<THelpWindow> HelpWindow;

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
    // The page address of the browser that was in front at the hot key, for the next capture
    // stored; empty when none.
    QString PendingURL;
    // Timer capture is running: the methods that wait for the user are refused.
    bool TimerCaptureOn = false;
    // The region method between its two presses: RegionTimer ticks every 700 ms from the
    // first press on; HighlightedWindow is the window shown highlighted (0 for none);
    // RegionTickBusy is set while a tick runs and stays set while the pointer stays on the
    // highlighted window.
    QTimer* RegionTimer = nullptr;
    TWindowId HighlightedWindow = 0;
    bool RegionTickBusy = false;

signals:
    // The window has been closed for good; the program ends.
    void MainWindowClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

    TServices Services;

private:
    void BuildWindow();
    QWidget* BuildOptionBoxes(QWidget* parent);
    QWidget* BuildListAndView(QWidget* parent);
    void BuildStatusLine();
    // The menus and the tool bar (app/frm_main_menus.cpp).
    void BuildMenus();
    void BuildFileMenu(QMenu* menu);
    void BuildEditMenu(QMenu* menu);
    void BuildImageMenu(QMenu* menu);
    void BuildHelpMenu(QMenu* menu);
    void BuildImagePopupMenu();
    // The entries of a "&Print" submenu; the pop-up menu captions the last one differently.
    void BuildPrintMenu(QMenu* menu, const QString& thumbnailsCaption);
    void BuildToolBar();
    QToolButton* AddToolButton(const char* name, TToolPicture picture, const QString& hint,
                               void (TfrmMain::*command)());
    // Starts a new group of tool buttons: a separator, unless it would stand first or next
    // to another one.
    void AddToolSeparator();
    void ShowImageMenu(const QPoint& globalPos);

    // Delete's walk over the selected rows; throws when an image file cannot be deleted.
    void DeleteSelectedRows();
    // Empties the view and what belongs to its image.
    void ClearView();
    // Go To URL's entry follows the selected row (exactly one), else stays as it is.
    void UpdateGotoURLEntry(QAction* entry);

    // Save As and Auto Save (output/frm_main_save.cpp).
    static TFileDialogOptions NewSaveDialog();
    enum class TSaveOutcome { Saved, Skipped, EndCommand };
    TSaveOutcome SaveImageAs(int row);
    struct TSaveTarget;
    TSaveTarget AskSaveTarget(int row);
    bool IsKarvinFolderPath(const QString& target) const;
    bool ShowImageToSave(int row);
    void WriteViewImageAs(const QString& target, const QString& extension);
    void AskJpegOptions();
    std::optional<QString> PickAutoSaveFolder();
    void CopyImagesToFolder(const QList<int>& rows, const QString& folder);
    // The row's image now lies at `path`, outside the working folder.
    void MarkRowSaved(int row, const QString& path);

    // The Fit To Window search: the largest whole zoom, stepped from 100, that shows no
    // scroll bar.
    void FitToWindow();
    // The unsaved-images question of the Exit command; true when leaving may go ahead.
    bool ConfirmLeaving();
    void ShowNormalAndActivate();
    // A print command after its own checks: the print dialog, then the layout over `paths`
    // in one batch of the printer, with the view kept and put back; failures end the command
    // and are reported.
    void RunPrintCommand(const QStringList& paths, const TPrintLayout& layout);
    // The same for the selected rows' images; with none, "Please select an image.".
    void PrintSelectedImages(const TPrintLayout& layout);
    // A print of the window's own (after a capture, of console text) in a batch of the
    // printer; a printer failure is told. False when the printer failed.
    bool PrintWithBatch(const std::function<bool(const TPrintContext&)>& print);
    // The rows selected in the list, as their image paths in list order.
    QStringList SelectedImagePaths() const;
    // The refusal of a command that needs a selection: "Please select an image."
    void ShowPleaseSelectAnImage();

    // The steps of a capture (capture/frm_main_capture.cpp).
    void CaptureOnHotKey();
    void ShowTooManyImagesWarning();
    void MinimizeForCapture();
    void AskBrowserInFront();
    void RunCaptureMethod(int method);
    void FinishSimpleCapture(bool captured);
    bool CaptureRect(const QRect& rect);
    TDibGraphic GrabScreenRect(const QRect& rect);
    void DrawPointerOnScreen(TDibGraphic& grab, const QRect& rect);
    void ApplyCaptureColours();
    void TransformCapture(TImageTransform& transform);
    void PrintAfterCapture(bool stretch);
    void SelectLastCapture();
    void SetViewBackTo100();
    void ReportRefusedHotKeys(const QStringList& refused, const QStringList& working);

    // The steps of the selection methods (capture/frm_main_selection.cpp).
    void HighlightRegion(TWindowId window);
    void RemoveRegionHighlight();
    void SelectRectangle();
    void SelectEllipse();
    void ReportRepeatFileError(const QString& error);
    void PutOnClipboard(const QImage& picture);
    void FinishRepeatCapture();
    void FinishSelectionCapture();

    // Minimising hides the window and leaves only the tray icon (when there is a tray).
    bool MinimizeToTray = true;
    bool Destroyed = false;

    // The settings as read when the capture's hot key came.
    TSettingsRecord CaptureSettings;
    // The window in front when the hot key came; it gets the focus back.
    TWindowId ForegroundAtHotKey = 0;
    // A capture runs: a press or trigger that slips in meanwhile is ignored.
    bool CaptureRunning = false;
    bool CaptureHotKeysOn = false;
    // The hot keys found held by other programs and already reported, as their names.
    QStringList ReportedRefusals;
    // The highlight of the region method, while one is shown.
    std::unique_ptr<TRegionHighlight> RegionHighlight;
};

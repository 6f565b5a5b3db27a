// The main window: the list of the run's captures, the option boxes, the tray icon, and the
// start-up and shutdown of the program.
//
// The window is created hidden; two seconds later ShowMainTimerTimer shows it, minimises it
// or leaves only the tray icon, as the settings say. Closing it for good emits
// MainWindowClosed, which ends the program; destroying it empties the working folder of
// everything but the settings files.
//
// The window is the shell: its own commands (the list, the view, the option boxes, help) are
// in app/frm_main.cpp, the menus and the tool bar in app/frm_main_menus.cpp. Capturing,
// printing, saving, the note step, the hand-off to other programs and the image editor are
// objects of their features (TCaptureIntake, TPrintCommands, TSaveCommands, TNoteStep,
// THandOffCommands, TEditImageCommand, TThumbViewerCommand) that work on the window through
// IMainView; the handlers the menus and the rest of the program call are forwarded to them here.
#pragma once

#include "imaging/dib_graphic.h"
#include "platform/services.h"
#include "widgets/feature_links.h"
#include "widgets/main_view.h"

#include <QMainWindow>
#include <QPersistentModelIndex>
#include <QPointer>

#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QMenu;
class QProgressBar;
class QTimer;
class QToolBar;
class QToolButton;
class TCaptureIntake;
class TCaptureList;
class TEditImageCommand;
class THandOffCommands;
class THelpWindow;
class TImageScrollBox;
class TNoteStep;
class TPrintCommands;
class TSaveCommands;
class TThumbViewerCommand;
enum class TToolPicture;

class TfrmMain : public QMainWindow, private IMainView, private IListCommands {
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
    // Setup > "&Karvin": the settings window, then the settings applied again, whether it
    // saved or not.
    void Karvin1Click();
    // Setup > "&DurIdozezed": the delay between the steps of a whole-page capture.
    void DurIdozezedDelay1Click();
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
    bool ShowImageFile(const QString& path) override;
    void ShowImageStatus(const QString& path) override;
    QString StatusText() const override;
    // Applies the zoom choice of cboViewPercent to the view.
    void cboViewPercentClick();
    // The rows selected, from the top.
    QList<int> SelectedRows() const;

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

    // Capture (capture/capture_intake.h): the hot keys' message.
    void WMHotKey(int id);
    // Timer capture (capture/timer_capture.h).
    void TimerCaptureOnClick();
    void TimerCaptureOff1Click();

    // Printing (output/print_commands.h).
    void Images1perpageClick();
    void CaptionAboveImageClick();
    void CaptionBelowImageClick();
    void TimeDateAboveImageClick();
    void TimeDateBelowImageClick();
    void ImagesStretchToFullPage2Click();
    void ImagesAsManyToAPage1Click();
    void ImagesAsThumbnails1Click();
    void Printer1Click();

    // Saving (output/save_commands.h).
    void SaveAs1Click();
    void SaveSelectedToFolder1Click();

    // The WebLink viewer (weblink/frm_url_img.h).
    void StartWebImageLauncher1Click();

    // Hand-off to other programs (output/hand_off_commands.h).
    void Copytoclipboard1Click();
    void CopytoMSWord97or20001Click();
    // An entry of the e-mail menus: 0 "Mail Recipient", k the k-th send-to entry.
    void EmailEntryClick(int entry);
    void tbEmailClick();

    // The image editor (editor/edit_image_command.h).
    void ImageEditorClick();

    // The thumbnail viewer (thumbs/frm_thumb.h): "&Thumbnails" > "&Low Quality" and
    // "&High Quality " > "&Small", "&Medium", "&Large", and the tool button.
    void Small1Click();
    void Medium1Click();
    void Large1Click();
    void Small2Click();
    void Medium2Click();
    void Large2Click();
    void tbThumbsClick();

signals:
    // The window has been closed for good; the program ends.
    void MainWindowClosed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;

private:
    friend class TfrmMainDriver; // the tests' view of the window and its parts

    // IMainView: what the features see of the window.
    QWidget* Window() override { return this; }
    TCaptureList& Captures() override { return *lvPicNames; }
    TImageScrollBox& View() override { return *MainImage; }
    TDibGraphic& WorkImage() override { return WorkImage_; }
    void SetStatusText(const QString& text) override;
    void ShowTimerStatus(const QString& text) override;
    void ResetZoomBox() override;
    QString ProgramFolder() const override { return ProgramFolder_; }
    void ShowHelp(QWidget* owner, const QString& anchor) override;
    void BeginProgress(int maximum) override;
    void StepProgress(int position) override;
    void EndProgress() override;

    // IListCommands: the main window's commands as the thumbnail viewer runs them.
    void SaveSelectedAs() override;
    void AutoSaveSelected() override;
    void DeleteSelected() override;
    void PrintImageFiles(TPrintEntry entry, const QStringList& paths) override;
    void EditRow(int row) override;
    void OpenWebLinkViewer(bool* rebuildThumbnails) override;
    QStringList MailEntryCaptions() const override;
    void MailSelected(int entry) override;
    void ShowFocusedRow() override;

    void BuildWindow();
    QWidget* BuildOptionBoxes(QWidget* parent);
    QWidget* BuildListAndView(QWidget* parent);
    void BuildStatusLine();
    // The menus and the tool bar (app/frm_main_menus.cpp).
    void BuildMenus();
    void BuildFileMenu(QMenu* menu);
    void BuildEditMenu(QMenu* menu);
    void BuildImageMenu(QMenu* menu);
    void BuildSetupMenu(QMenu* menu);
    void BuildThumbnailsMenu(QMenu* menu);
    // An opening command of the thumbnail viewer, with ThumbViewerOpen set while it runs.
    void OpenThumbnailViewer(void (TThumbViewerCommand::*command)());
    void BuildTimerMenu(QMenu* menu);
    void BuildHelpMenu(QMenu* menu);
    void BuildImagePopupMenu();
    // The entries of the two e-mail menus, from the mail targets found at the start.
    void BuildEmailMenus();
    // The entries of a "&Print" submenu; the pop-up menu captions the last one differently.
    void BuildPrintMenu(QMenu* menu, const QString& thumbnailsCaption);
    void BuildToolBar();
    void AddToolButton(const char* name, TToolPicture picture, const QString& hint,
                       void (TfrmMain::*command)());
    // Starts a new group of tool buttons: a separator, unless it would stand first or next
    // to another one.
    void AddToolSeparator();
    void ShowImageMenu(const QPoint& globalPos);

    // Delete's walk over the rows chosen; throws when an image file cannot be deleted.
    void DeleteRows(const QList<QPersistentModelIndex>& chosen);
    // Empties the view and what belongs to its image.
    void ClearView();
    // Go To URL's entry follows the selected row (exactly one), else stays as it is.
    void UpdateGotoURLEntry(QAction* entry);
    // The Fit To Window search: the largest whole zoom, stepped from 100, that shows no
    // scroll bar.
    void FitToWindow();
    // The unsaved-images question of the Exit command; true when leaving may go ahead.
    bool ConfirmLeaving();
    void ShowNormalAndActivate();
    // In a Wayland session: says once, in the status line and beside the tray icon, that
    // Karvin sees only the X11 programs there.
    void ShowSessionNote();

    TServices Services;

    // The captured-image list and the view that captures land in and that list commands load
    // images into; the status line: the text on the left, the progress bar on the right.
    TCaptureList* lvPicNames = nullptr;
    TImageScrollBox* MainImage = nullptr;
    QLabel* StatPanelText = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QLabel* TimerStatus = nullptr; // says that timer capture runs, and how often
    QComboBox* cboCapSelection = nullptr;
    QComboBox* cboPrintSelection = nullptr;
    QComboBox* cboDefaultFormat = nullptr;
    QComboBox* cboViewPercent = nullptr;
    // The tool bar: a button appears only for a command that exists.
    QToolBar* ToolBar = nullptr;
    // The entries the window changes: Go To URL follows the selected row.
    QAction* GotoURL1 = nullptr;         // Image > "&Go To URL"
    QMenu* ImageMenu = nullptr;          // the pop-up menu of the list and the view
    QAction* ImageMenuGotoURL = nullptr; // its "&Go to URL"
    // The e-mail menus, filled when the window is created: "&E-mail" of the menu bar and the
    // pop-up menu's "E-&mail Image(s) To".
    QMenu* EmailMenu = nullptr;
    QMenu* ImageMenuEmail = nullptr;
    // Timer > "Timer Capture &On" and "Timer Capture O&ff": their check marks show the state.
    QAction* TimerCaptureOn = nullptr;
    QAction* TimerCaptureOff1 = nullptr;
    QMenu* TrayMenu = nullptr;
    QTimer* ShowMainTimer = nullptr;
    // The help window, made when first needed and kept while the program runs.
    QPointer<THelpWindow> HelpWindow;

    // The features, in the order they are made: each may use those above it.
    std::unique_ptr<TNoteStep> Notes;
    std::unique_ptr<TPrintCommands> Printing;
    std::unique_ptr<TSaveCommands> Saving;
    std::unique_ptr<TCaptureIntake> Intake;
    std::unique_ptr<THandOffCommands> HandOff;

    std::unique_ptr<TEditImageCommand> Editing;
    std::unique_ptr<TThumbViewerCommand> Thumbs;

    // The view image as it was before the last transform of a capture (IMainView).
    TDibGraphic WorkImage_;
    QString ProgramFolder_; // folder of the executable, ending in "/"
    // Set by the Exit command right before it closes the window: the close is confirmed.
    bool ExitRequested = false;
    // Set while the thumbnail viewer is open.
    bool ThumbViewerOpen = false;
    // Minimising hides the window and leaves only the tray icon (when there is a tray).
    bool MinimizeToTray = true;
    bool Destroyed = false;
};

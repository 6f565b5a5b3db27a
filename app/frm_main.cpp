#include "app/frm_main.h"

#include "app/app_icon.h"
#include "app/frm_about.h"
#include "app/frm_configure.h"
#include "app/help_window.h"
#include "app/option_texts.h"
#include "capture/capture_intake.h"
#include "capture/console_capture.h"
#include "capture/duridozezed_capture.h"
#include "capture/timer_capture.h"
#include "editor/edit_image_command.h"
#include "imaging/fast_dib.h"
#include "imaging/format_registry.h"
#include "output/hand_off_commands.h"
#include "output/print_commands.h"
#include "output/save_commands.h"
#include "platform/session.h"
#include "platform/session_end.h"
#include "store/file_io.h"
#include "store/settings.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "thumbs/frm_thumb.h"
#include "weblink/frm_url_img.h"
#include "weblink/link_notes.h"
#include "weblink/link_store.h"
#include "weblink/note_step.h"
#include "widgets/capture_formats.h"
#include "widgets/capture_list.h"
#include "widgets/go_to_url.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"
#include "widgets/wait_pointer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The program the start-up entry runs: the front end "karvin" beside this program, which
// starts it when given no command, so the entry names the command users know; this program
// itself where it stands alone.
QString StartingProgram() {
    const QString frontEnd = QCoreApplication::applicationDirPath() + "/karvin";
    return ::access(QFile::encodeName(frontEnd).constData(), X_OK) == 0
               ? frontEnd
               : QCoreApplication::applicationFilePath();
}

QComboBox* MakeOptionBox(QWidget* parent, const char* name, const QStringList& texts, int width,
                         const char* hint) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(texts);
    // The widths the boxes were laid out for, widened where the desktop's font needs more
    // room for the longest item: a cut item text looks broken.
    box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    box->setFixedWidth(std::max(width, box->sizeHint().width()));
    box->setToolTip(hint);
    return box;
}

// A record read from the file is used as it is: an index outside the list shows no item.
void SetOptionIndex(QComboBox* box, int32_t index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? int(index) : -1);
}

template <std::size_t N> QStringList Texts(const std::array<const char*, N>& texts) {
    QStringList list;
    for (const char* text : texts)
        list << text;
    return list;
}

QStringList CaptureFormatBoxTexts() {
    QStringList list;
    for (const TCaptureFormatInfo& format : CaptureFormats)
        list << format.BoxText;
    return list;
}

// Deletes a capture of the working folder. One that is gone already is no failure; one that
// stays is, so that its row is not removed as if it had been deleted.
void DeleteImageFile(const std::string& path) {
    if (::unlink(path.c_str()) == 0 || errno == ENOENT)
        return;
    throw EFileError("Cannot delete " + path + ": " + std::strerror(errno));
}

// A saved image (and its note beside it) lies in the user's own folders: it goes to the
// desktop's trash, from where the user can bring it back, as a file manager would do with it. Only
// a file goes; whatever else now stands at its path stays, and so does its row.
void MoveFileToTrash(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return;
        throw EFileError("Cannot delete " + path + ": " + std::strerror(errno));
    }
    if (!S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode))
        throw EFileError("Cannot delete " + path + ": " +
                         std::strerror(S_ISDIR(info.st_mode) ? EISDIR : EINVAL));
    if (!QFile::moveToTrash(FromLocalPath(path)))
        throw EFileError("Cannot move " + path + " to the trash.");
}

// The second line of Delete's question: the saved files among the rows, which go to the
// trash. Empty when all are captures of the working folder.
QString SavedFilesLine(const QStringList& paths) {
    QStringList saved;
    for (const QString& path : paths)
        if (!IsInWorkFolder(LocalPath(path)))
            saved << path;
    if (saved.isEmpty())
        return QString();
    // A long selection is named in part: the question must fit the screen.
    constexpr int Named = 5;
    QString line = (saved.size() == 1 ? "The saved file goes to the trash: "
                                      : "The saved files go to the trash: ") +
                   saved.mid(0, Named).join(", ");
    if (saved.size() > Named)
        line += " and " + QString::number(saved.size() - Named) + " more";
    return line + ".";
}

// The percentage of a "View N%" item.
int ViewPercentOf(const QString& itemText) {
    QString number = itemText;
    number.remove("View ").remove('%');
    return number.toInt();
}

} // namespace

TfrmMain::TfrmMain(const TServices& services, QWidget* parent)
    : QMainWindow(parent), Services(services) {
    BuildWindow();
    IMainView& view = *this;
    Notes = std::make_unique<TNoteStep>(Services, view);
    Printing = std::make_unique<TPrintCommands>(Services, view);
    Saving = std::make_unique<TSaveCommands>(Services, view, *Notes);
    Intake = std::make_unique<TCaptureIntake>(Services, view, *Printing);
    HandOff = std::make_unique<THandOffCommands>(Services, view);
    Editing = std::make_unique<TEditImageCommand>(Services,
                                                  TEditorLinks{view, *Saving, *Printing, *Notes});
    Thumbs = std::make_unique<TThumbViewerCommand>(
        Services, TThumbViewerLinks{view, static_cast<IListCommands&>(*this), *HandOff});
    Intake->Timer().SetMenuEntries(TimerCaptureOn, TimerCaptureOff1);
    Services.Tray.Show(windowIcon(), "Karvin", TrayMenu, [this] { ShowKarvin1Click(); });
    Services.HotKeys.SetHandler([this](int id) { Intake->WMHotKey(id); });
    FormCreate();
}

TfrmMain::~TfrmMain() {
    Services.HotKeys.SetHandler(nullptr);
    Intake->UnregisterCaptureHotKeys();
    FormDestroy();
}

void TfrmMain::BuildWindow() {
    setWindowTitle("Karvin");
    setWindowIcon(KarvinIcon());

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    column->addWidget(BuildOptionBoxes(central));
    column->addWidget(BuildListAndView(central), 1);
    setCentralWidget(central);
    BuildStatusLine();
    BuildMenus();
    BuildToolBar();

    // The client area (tool bar, boxes, list and view, status line) is 618 x 414; the menu
    // bar comes on top.
    resize(618, 414 + menuBar()->sizeHint().height());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    ShowMainTimer = new QTimer(this);
    ShowMainTimer->setInterval(2000);
    connect(ShowMainTimer, &QTimer::timeout, this, &TfrmMain::ShowMainTimerTimer);

    TrayMenu = new QMenu(this);
    // A capture from the tray, for desktops that keep PrintScreen for themselves.
    TrayMenu->addAction("&Capture Now", this, [this] { WMHotKey(HotKeyPrintScreen); });
    QAction* showKarvin =
        TrayMenu->addAction("&Show Karvin Window", this, &TfrmMain::ShowKarvin1Click);
    QFont bold = showKarvin->font();
    bold.setBold(true);
    showKarvin->setFont(bold);
    TrayMenu->setDefaultAction(showKarvin);
    TrayMenu->addAction("E&xit", this, &TfrmMain::ExitKarvinClick);
}

QWidget* TfrmMain::BuildOptionBoxes(QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* options = new QHBoxLayout(row);
    options->setContentsMargins(0, 0, 0, 0);
    options->setSpacing(2);
    cboCapSelection =
        MakeOptionBox(row, "cboCapSelection", Texts(CaptureMethodTexts), 201, "Capture Method");
    cboPrintSelection = MakeOptionBox(row, "cboPrintSelection", Texts(PrintSelectionTexts), 137,
                                      "Capture and Print Options");
    cboDefaultFormat = MakeOptionBox(row, "cboDefaultFormat", CaptureFormatBoxTexts(), 137,
                                     "Capture Image Format");
    cboViewPercent =
        MakeOptionBox(row, "cboViewPercent", Texts(ViewPercentTexts), 105, "Zoom Mode");
    for (QComboBox* box : {cboCapSelection, cboPrintSelection, cboDefaultFormat, cboViewPercent})
        options->addWidget(box);
    options->addStretch();
    // activated, not currentIndexChanged: only the user's choice runs the handlers, not the
    // index that ApplySettings or FormCreate puts there.
    connect(cboCapSelection, &QComboBox::activated, this, &TfrmMain::cboCapSelectionClick);
    connect(cboPrintSelection, &QComboBox::activated, this, &TfrmMain::cboPrintSelectionClick);
    connect(cboDefaultFormat, &QComboBox::activated, this, &TfrmMain::cboDefaultFormatClick);
    connect(cboViewPercent, &QComboBox::activated, this, &TfrmMain::cboViewPercentClick);
    return row;
}

QWidget* TfrmMain::BuildListAndView(QWidget* parent) {
    auto* body = new QWidget(parent);
    auto* row = new QHBoxLayout(body);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);

    lvPicNames = new TCaptureList(body);
    lvPicNames->setObjectName("lvPicNames");
    lvPicNames->setFixedWidth(209);
    connect(lvPicNames, &QTreeWidget::itemClicked, this, [this] { lvPicNamesClick(); });
    lvPicNames->OnKeyboardMove = [this] { lvPicNamesClick(); };
    row->addWidget(lvPicNames);

    auto* viewArea = new QWidget(body);
    viewArea->setObjectName("ViewArea");
    viewArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* area = new QVBoxLayout(viewArea);
    area->setContentsMargins(0, 0, 0, 0);
    MainImage = new TImageScrollBox(viewArea);
    MainImage->setObjectName("MainImage");
    QPalette grey = MainImage->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    MainImage->setPalette(grey);
    MainImage->viewport()->setPalette(grey);
    MainImage->viewport()->setAutoFillBackground(true);
    // Black-and-white captures (console screens) are shown smoothed into greys.
    MainImage->SetAntiAliased(true);
    MainImage->SetZoomMode(zmOriginalSize);
    area->addWidget(MainImage);
    row->addWidget(viewArea, 1);
    return body;
}

void TfrmMain::BuildStatusLine() {
    auto* statPanel = new QStatusBar(this);
    statPanel->setObjectName("StatPanel");
    statPanel->setSizeGripEnabled(false);
    StatPanelText = new QLabel(statPanel);
    // A long path must not widen the window: the text is cut at the window's edge.
    StatPanelText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statPanel->addWidget(StatPanelText, 1);
    TimerStatus = new QLabel(statPanel);
    TimerStatus->setObjectName("TimerStatus");
    statPanel->addPermanentWidget(TimerStatus);
    TimerStatus->hide();
    ProgressBar = new QProgressBar(statPanel);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setFixedWidth(176);
    ProgressBar->setMaximumHeight(StatPanelText->sizeHint().height());
    ProgressBar->setTextVisible(false);
    statPanel->addPermanentWidget(ProgressBar);
    ProgressBar->hide();
    setStatusBar(statPanel);
}

void TfrmMain::FormCreate() {
    ExitRequested = false;
    // Buffers of the fast raster effects made in the screen's format take it from here.
    const TScreenPixelFormat screen = ScreenPixelFormat(Services.Screen.ScreenColorCount());
    SetFastDIBScreenFormat(screen.BitsPerPixel, screen.Layout16);
    // Captures and every other image made here without a resolution of its own carry the
    // screen's.
    SetScreenLogicalDpi(Services.Screen.ScreenDpi());
    // Captures travel through the clipboard and the intake asks whether it holds a picture:
    // nothing from before the start may remain there.
    Services.Clipboard.Clear();
    lvPicNames->Clear();
    try {
        // The captures of a run that did not end normally.
        for (const auto& path : ListLeftoverImages())
            AppendImage(FromLocalPath(path), QString());
        QCoreApplication::processEvents();
        WorkImage_.Clear();
        ApplySettings();
        ShowSessionNote();
        QCoreApplication::processEvents();
        cboViewPercent->setCurrentIndex(ViewPercent100);
        ProgramFolder_ = QCoreApplication::applicationDirPath() + "/";
        HandOff->BuildMailTargets();
        BuildEmailMenus();
        Intake->DurIdozezed().ReadDelay();
        ShowMainTimer->start();
    } catch (const std::exception& error) {
        // The rest of the start is skipped, but the window opens, so that the user sees that
        // the program runs.
        ReportError(Services.Dialogs, this, QString::fromLocal8Bit(error.what()));
        ShowNormalAndActivate();
    }
}

void TfrmMain::ApplySettings() {
    EnsureWorkFolder();
    const TSettingsRecord settings = EnsureAndReadSettings();
    SetOptionIndex(cboCapSelection, settings.CapSelection);
    SetOptionIndex(cboPrintSelection, settings.PrintSelection);
    SetOptionIndex(cboDefaultFormat, settings.DefaultFormat);
    Intake->RegisterCaptureHotKeys();
    // Also when the window starts in the tray, a console method chosen watches the clipboard.
    Intake->Console().MethodShown(cboCapSelection->currentIndex());
    MinimizeToTray = settings.NoMinimize != 1;
}

void TfrmMain::ShowSessionNote() {
    if (!IsWaylandSession())
        return;
    const QString note =
        "In this Wayland session Karvin sees only the programs that run under X11 (XWayland): "
        "its hot keys work only while one of them is in front, and captures show only their "
        "windows.";
    // After a note about hot keys held by other programs, if there is one.
    const QString before = StatusText();
    SetStatusText(before.isEmpty() ? note : before + " " + note);
    Services.Tray.ShowMessage("Karvin", note, TTrayNoticeIcon::Warning);
}

void TfrmMain::ShowMainTimerTimer() {
    ShowMainTimer->stop();
    const TSettingsRecord settings = ReadSettingsOrDefault();
    if (settings.StartMinimized == 0) {
        ShowNormalAndActivate();
        return;
    }
    if (settings.NoMinimize == 1) {
        MinimizeToTray = false;
        showMinimized();
        return;
    }
    MinimizeToTray = true;
    // Without a tray the window would be lost: it waits on the task bar instead.
    if (!Services.Tray.Available())
        showMinimized();
}

void TfrmMain::Karvin1Click() {
    {
        TfrmConfigure configure(Services.Dialogs, ProgramFolder_, StartingProgram(), this);
        Services.Dialogs.ExecModal(configure);
    }
    // The boxes, the hot keys and the tray follow the file, whatever the window did.
    RunCommand(Services.Dialogs, this, [this] { ApplySettings(); });
}

void TfrmMain::DurIdozezedDelay1Click() {
    RunCommand(Services.Dialogs, this, [this] { Intake->DurIdozezed().DurIdozezedDelay1Click(); });
}

void TfrmMain::ShowKarvin1Click() {
    ShowNormalAndActivate();
    // An image the thumbnail viewer opened in the editor: that editor is what the user is
    // working in, and it comes to the front over the main window.
    const TfrmThumb* viewer = Thumbs->OpenViewer();
    TfrmEditor* editor = Editing->OpenEditor();
    if (viewer && viewer->EditorOpen() && editor) {
        editor->raise();
        if (!Services.Windows.SetForegroundWindow(editor->winId()))
            editor->activateWindow();
    }
}

void TfrmMain::ShowNormalAndActivate() {
    if (isMinimized() || isHidden())
        showNormal();
    raise();
    // Through the window manager, as the user's own request: a program asking for itself
    // is otherwise often kept in the background.
    if (!Services.Windows.SetForegroundWindow(winId()))
        activateWindow();
}

void TfrmMain::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !isMinimized())
        return;
    if (MinimizeToTray && Services.Tray.Available())
        // Hidden once the minimising is through; the tray icon stays.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized())
                hide();
        });
}

bool TfrmMain::ConfirmLeaving() {
    const TSettingsRecord settings = ReadSettingsOrDefault();
    if (settings.Confirmation != 1 || !HasWorkImages())
        return true;
    // A capture is unsaved while its file lies in the working folder; saving it elsewhere
    // replaces its path.
    const QStringList& paths = lvPicNames->Paths();
    const bool anyUnsaved = std::any_of(paths.begin(), paths.end(), [](const QString& path) {
        return IsInWorkFolder(LocalPath(path));
    });
    if (!anyUnsaved)
        return true;
    return Services.Dialogs.Message(this, "Karvin", "Do you want to DELETE unsaved images?",
                                    TMsgIcon::Question, mbYes | mbNo) == TMsgResult::Yes;
}

void TfrmMain::Exit2Click() {
    if (!ConfirmLeaving())
        return;
    ExitRequested = true;
    close();
}

void TfrmMain::ExitKarvinClick() {
    Exit2Click();
}

bool TfrmMain::FormCloseQuery() {
    if (ExitRequested || ReadSettingsOrDefault().Confirmation != 1)
        return true;
    // The Exit command's question, asked here: a window cannot be closed again from inside
    // its own close event, so the answer decides this close.
    if (!ConfirmLeaving())
        return false;
    ExitRequested = true;
    return true;
}

void TfrmMain::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        event->ignore();
        return;
    }
    event->accept();
    emit MainWindowClosed();
}

void TfrmMain::FormDestroy() {
    if (Destroyed)
        return;
    Destroyed = true;
    WorkImage_.Clear();
    Services.Tray.Hide();
    // Captures, saved or not, do not outlive the run; the settings stay.
    CleanWorkFolder();
    lvPicNames->Clear();
}

void TfrmMain::AppendImage(const QString& path, const QString& url) {
    lvPicNames->Add(path, url);
}

QList<int> TfrmMain::SelectedRows() const {
    return lvPicNames->SelectedRows();
}

void TfrmMain::Delete1Click() {
    if (SelectedRows().isEmpty()) {
        ShowPleaseSelectAnImage(Services.Dialogs, this);
        return;
    }
    // The rows the user chose are the ones the answer is about. A capture can land while the
    // question is up or during the walk (a hot key, "karvin trigger") and select its own
    // row: that one is kept.
    const QList<QPersistentModelIndex> chosen = lvPicNames->MarkSelectedRows();
    QStringList selectedPaths;
    for (int row : SelectedRows())
        selectedPaths << lvPicNames->Path(row);
    QString question = "Are you sure you want to delete the image(s)?";
    if (const QString saved = SavedFilesLine(selectedPaths); !saved.isEmpty())
        question += "\n" + saved;
    if (Services.Dialogs.Message(this, "Confirmation", question, TMsgIcon::Question,
                                 mbYes | mbNo) != TMsgResult::Yes)
        return;
    // A file that cannot be deleted ends the walk with a message; what was deleted up to
    // then is gone from the list, and the list is tidied up all the same.
    RunCommand(Services.Dialogs, this, [&] { DeleteRows(chosen); });
    if (!lvPicNames->IsEmpty()) {
        lvPicNames->clearSelection();
        lvPicNames->setCurrentItem(lvPicNames->topLevelItem(0));
        lvPicNamesClick();
    } else {
        ClearView();
    }
    if (lvPicNames->IsEmpty()) {
        GotoURL1->setEnabled(false);
        ImageMenuGotoURL->setEnabled(false);
    }
}

void TfrmMain::DeleteRows(const QList<QPersistentModelIndex>& chosen) {
    // From the top; each mark follows its row as the rows above it go.
    for (const QPersistentModelIndex& mark : chosen) {
        const int row = TCaptureList::RowOf(mark);
        if (row < 0)
            continue;
        const std::string image = LocalPath(lvPicNames->Path(row));
        // The image first: when it cannot be deleted, its row, note and link stay as they
        // are. A saved row's path is the saved copy, which is what goes, to the trash.
        const bool saved = !IsInWorkFolder(image);
        if (saved)
            MoveFileToTrash(image);
        else
            DeleteImageFile(image);
        const std::string note = NoteFileName(image);
        if (saved)
            MoveFileToTrash(note);
        else if (FileExists(note))
            DeleteFile(note);
        URLStore().RemoveURLLink(image);
        lvPicNames->Remove(row);
        // The list is repainted as it shrinks; clicks wait until the walk is done.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void TfrmMain::ClearView() {
    MainImage->ClearImage();
    // The copy of an image no longer shown must not come back with "View 100%".
    WorkImage_.Clear();
    StatPanelText->clear();
}

void TfrmMain::SelectAll2Click() {
    lvPicNames->setFocus();
    lvPicNames->selectAll();
}

void TfrmMain::ImageMenuPopup() {
    UpdateGotoURLEntry(ImageMenuGotoURL);
}

void TfrmMain::Image1Click() {
    UpdateGotoURLEntry(GotoURL1);
}

void TfrmMain::UpdateGotoURLEntry(QAction* entry) {
    const QList<int> rows = SelectedRows();
    if (rows.size() == 1)
        entry->setEnabled(CanGoToURL(lvPicNames->URL(rows.first())));
}

void TfrmMain::GotoURL1Click() {
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty()) {
        Services.Dialogs.Message(this, "Error", "Please select an image name", TMsgIcon::Warning,
                                 mbOK);
        return;
    }
    if (rows.size() > 1) {
        Services.Dialogs.Message(this, "Error", "Please select one image name only",
                                 TMsgIcon::Warning, mbOK);
        return;
    }
    if (lvPicNames->URL(rows.first()).isEmpty())
        return;
    // The choice between the desktop's open operation and the browser follows the address
    // opened, not the flag of the last capture, which may have been of another page.
    if (GoToURL(Services.Desktop, Services.Dialogs, this, lvPicNames->URL(rows.first())))
        Intake->ClearLongURL();
}

void TfrmMain::Clearclipboard1Click() {
    Services.Clipboard.Clear();
}

void TfrmMain::FormPaint() {
    if (Services.Screen.ScreenColorCount() <= 256)
        MainImage->Redraw(false);
    if (!ThumbViewerOpen)
        lvPicNames->setFocus();
}

bool TfrmMain::event(QEvent* event) {
    if (event->type() == SessionEndEvent) {
        // The session ends the program (logout, "kill"): nobody can be asked about the
        // unsaved captures, so they stay in the working folder, and the next start lists
        // them; only the scratch files go. The clean-up at destruction has been done.
        Destroyed = true;
        WorkImage_.Clear();
        Services.Tray.Hide();
        hide();
        RemoveScratchFiles();
        emit MainWindowClosed();
        return true;
    }
    const bool handled = QMainWindow::event(event);
    // The window has come back to the front: shown, restored, or a dialog over it closed.
    if (event->type() == QEvent::WindowActivate) {
        if (Intake)
            Intake->Console().MethodShown(cboCapSelection->currentIndex());
        try {
            FormPaint();
        } catch (const std::exception&) {
            // A picture that cannot be rendered again stays as it is; a message here would
            // reactivate the window and fail the same way again.
        }
    }
    return handled;
}

void TfrmMain::Content1Click() {
    ShowHelp(QString());
}

void TfrmMain::MainScreen1Click() {
    ShowHelp("topic-101");
}

void TfrmMain::btnClickMeClick() {
    ShowHelp("topic-201");
}

void TfrmMain::ShowHelp(const QString& anchor) {
    ShowHelp(this, anchor);
}

void TfrmMain::ShowHelp(QWidget* owner, const QString& anchor) {
    // A modal window (the editor) blocks every window but its own, this window's help
    // window too: the help window it asks for is its own, and goes with it.
    if (HelpWindow && HelpWindow->parentWidget() != owner)
        delete HelpWindow;
    ShowHelpTopic(Services.Dialogs, owner, HelpWindow, ProgramFolder_, anchor);
}

void TfrmMain::About1Click() {
    TfrmAbout about(this);
    Services.Dialogs.ExecModal(about);
}

void TfrmMain::cboCapSelectionClick() {
    if (RunCommand(Services.Dialogs, this, [this] {
            WriteSetting(sfCapSelection, cboCapSelection->currentIndex());
            Intake->CaptureMethodChosen(cboCapSelection->currentIndex());
        }))
        lvPicNames->setFocus();
}

void TfrmMain::cboPrintSelectionClick() {
    if (RunCommand(Services.Dialogs, this,
                   [this] { WriteSetting(sfPrintSelection, cboPrintSelection->currentIndex()); }))
        lvPicNames->setFocus();
}

void TfrmMain::cboDefaultFormatClick() {
    if (RunCommand(Services.Dialogs, this,
                   [this] { WriteSetting(sfDefaultFormat, cboDefaultFormat->currentIndex()); }))
        lvPicNames->setFocus();
}

void TfrmMain::lvPicNamesClick() {
    const int row = lvPicNames->FocusedRow();
    if (row < 0)
        return;
    bool shown = false;
    RunCommand(Services.Dialogs, this, [&] { shown = ShowImageFile(lvPicNames->Path(row)); });
    // Not for a file that has gone: the zoom choice could bring back the view's copy from
    // before its last transform, and the view is to keep what it shows.
    if (shown)
        cboViewPercentClick();
}

bool TfrmMain::ShowImageFile(const QString& path) {
    // A file that has gone since it was listed: the view keeps what it shows.
    if (!FileExists(LocalPath(path)))
        return false;
    TWaitPointer wait;
    WorkImage_.Clear();
    MainImage->ClearImage();
    try {
        MainImage->LoadFromFile(path, 1);
    } catch (...) {
        // The view is empty now; a status line of the image shown before would be wrong.
        StatPanelText->clear();
        throw;
    }
    ShowImageStatus(path);
    return true;
}

void TfrmMain::ShowImageStatus(const QString& path) {
    StatPanelText->setText(FromLocalPath(ImageStatusText(LocalPath(path), MainImage->Graphic())));
}

QString TfrmMain::StatusText() const {
    return StatPanelText->text();
}

void TfrmMain::cboViewPercentClick() {
    if (MainImage->Graphic().Empty() || lvPicNames->IsEmpty())
        return;
    RunCommand(Services.Dialogs, this, [this] {
        TWaitPointer wait;
        MainImage->SetZoomMode(zmOriginalSize);
        const int choice = cboViewPercent->currentIndex();
        if (choice == ViewPercent100) {
            if (!WorkImage_.Empty()) {
                // The capture as it was before its last transform (a grey or negative
                // capture shown in its original colours).
                MainImage->AssignImage(std::move(WorkImage_));
                WorkImage_.Clear();
                MainImage->SetZoomMode(zmOriginalSize);
            }
        } else if (choice == ViewPercentFitToWindow) {
            FitToWindow();
        } else if (choice > 0) {
            MainImage->SetZoomPercent(float(ViewPercentOf(cboViewPercent->currentText())));
        }
    });
    lvPicNames->setFocus();
}

void TfrmMain::FitToWindow() {
    const int width = MainImage->Graphic().Width();
    const int height = MainImage->Graphic().Height();
    // The search walks the zoom in steps of 1 and watches the scroll bars that a rendering
    // at each step would show; only the zoom it ends at is rendered.
    const bool wide = width > height;
    auto alongBar = [&](int percent) {
        const auto bars = MainImage->ScrollBarsAt(float(percent));
        return wide ? bars.Horizontal : bars.Vertical;
    };
    auto acrossBar = [&](int percent) {
        const auto bars = MainImage->ScrollBarsAt(float(percent));
        return wide ? bars.Vertical : bars.Horizontal;
    };
    const bool largerThanView = wide ? width >= MainImage->width() : height >= MainImage->height();

    int zoom = 100;
    if (largerThanView) {
        do
            --zoom;
        while (zoom > 1 && alongBar(zoom));
    } else {
        do
            ++zoom;
        while (!alongBar(zoom));
        --zoom;
    }
    while (zoom > 1 && acrossBar(zoom))
        --zoom;
    MainImage->SetZoomPercent(float(zoom));
}

void TfrmMain::SetStatusText(const QString& text) {
    StatPanelText->setText(text);
}

void TfrmMain::ShowTimerStatus(const QString& text) {
    TimerStatus->setText(text);
    TimerStatus->setVisible(!text.isEmpty());
}

void TfrmMain::ResetZoomBox() {
    cboViewPercent->setCurrentIndex(ViewPercent100);
}

void TfrmMain::BeginProgress(int maximum) {
    ProgressBar->setRange(0, std::max(maximum, 1));
    ProgressBar->setValue(0);
    ProgressBar->show();
    ProgressBar->repaint();
}

void TfrmMain::StepProgress(int position) {
    ProgressBar->setValue(position);
    ProgressBar->show();
    // Commands run on this thread: the bar is painted now, not when they are done.
    ProgressBar->repaint();
}

void TfrmMain::EndProgress() {
    // Back to the percentages of the transforms, hidden until one runs.
    ProgressBar->setRange(0, 100);
    ProgressBar->setValue(0);
    ProgressBar->hide();
}

// The features' commands.

void TfrmMain::WMHotKey(int id) {
    Intake->WMHotKey(id);
}

void TfrmMain::TimerCaptureOnClick() {
    Intake->Timer().TimerCaptureOnClick();
}

void TfrmMain::TimerCaptureOff1Click() {
    Intake->Timer().TimerCaptureOff1Click();
}

void TfrmMain::Images1perpageClick() {
    Printing->Images1perpageClick();
}

void TfrmMain::CaptionAboveImageClick() {
    Printing->CaptionAboveImageClick();
}

void TfrmMain::CaptionBelowImageClick() {
    Printing->CaptionBelowImageClick();
}

void TfrmMain::TimeDateAboveImageClick() {
    Printing->TimeDateAboveImageClick();
}

void TfrmMain::TimeDateBelowImageClick() {
    Printing->TimeDateBelowImageClick();
}

void TfrmMain::ImagesStretchToFullPage2Click() {
    Printing->ImagesStretchToFullPage2Click();
}

void TfrmMain::ImagesAsManyToAPage1Click() {
    Printing->ImagesAsManyToAPage1Click();
}

void TfrmMain::ImagesAsThumbnails1Click() {
    Printing->ImagesAsThumbnails1Click();
}

void TfrmMain::Printer1Click() {
    Printing->Printer1Click();
}

void TfrmMain::SaveAs1Click() {
    Saving->SaveAs1Click();
}

void TfrmMain::SaveSelectedToFolder1Click() {
    Saving->SaveSelectedToFolder1Click();
}

void TfrmMain::StartWebImageLauncher1Click() {
    StartWebImageLauncher(Services, *this);
    // Deleting in the viewer may have emptied the list, as Delete can.
    if (lvPicNames->IsEmpty()) {
        GotoURL1->setEnabled(false);
        ImageMenuGotoURL->setEnabled(false);
    }
}

void TfrmMain::Copytoclipboard1Click() {
    HandOff->Copytoclipboard1Click();
}

void TfrmMain::CopytoMSWord97or20001Click() {
    HandOff->CopytoMSWord97or20001Click();
}

void TfrmMain::EmailEntryClick(int entry) {
    HandOff->EmailClick(entry);
}

void TfrmMain::tbEmailClick() {
    HandOff->tbEmailClick();
}

void TfrmMain::ImageEditorClick() {
    Editing->ImageEditorClick();
}

void TfrmMain::Small1Click() {
    OpenThumbnailViewer(&TThumbViewerCommand::Small1Click);
}

void TfrmMain::Medium1Click() {
    OpenThumbnailViewer(&TThumbViewerCommand::Medium1Click);
}

void TfrmMain::Large1Click() {
    OpenThumbnailViewer(&TThumbViewerCommand::Large1Click);
}

void TfrmMain::Small2Click() {
    OpenThumbnailViewer(&TThumbViewerCommand::Small2Click);
}

void TfrmMain::Medium2Click() {
    OpenThumbnailViewer(&TThumbViewerCommand::Medium2Click);
}

void TfrmMain::Large2Click() {
    OpenThumbnailViewer(&TThumbViewerCommand::Large2Click);
}

void TfrmMain::tbThumbsClick() {
    OpenThumbnailViewer(&TThumbViewerCommand::tbThumbsClick);
}

void TfrmMain::OpenThumbnailViewer(void (TThumbViewerCommand::*command)()) {
    ThumbViewerOpen = true;
    (Thumbs.get()->*command)();
    ThumbViewerOpen = false;
}

void TfrmMain::SaveSelectedAs() {
    Saving->SaveAs1Click();
}

void TfrmMain::AutoSaveSelected() {
    Saving->SaveSelectedToFolder1Click();
}

void TfrmMain::DeleteSelected() {
    Delete1Click();
}

void TfrmMain::PrintImageFiles(TPrintEntry entry, const QStringList& paths) {
    Printing->PrintImageFiles(entry, paths);
}

void TfrmMain::EditRow(int row) {
    if (row < 0 || row >= lvPicNames->Count())
        return;
    if (ReadSettingsOrDefault().UseEditor == 1)
        Editing->StartExternalEditor(lvPicNames->Path(row));
    else
        Editing->EditListEntry(row, false);
}

void TfrmMain::OpenWebLinkViewer(bool* rebuildThumbnails) {
    StartWebImageLauncher(Services, *this, rebuildThumbnails);
}

QStringList TfrmMain::MailEntryCaptions() const {
    return HandOff->MailEntryCaptions();
}

void TfrmMain::MailSelected(int entry) {
    HandOff->EmailClick(entry);
}

void TfrmMain::ShowFocusedRow() {
    lvPicNamesClick();
}

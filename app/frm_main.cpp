#include "app/frm_main.h"

#include "app/app_icon.h"
#include "app/option_texts.h"
#include "store/settings.h"
#include "store/settings_files.h"
#include "store/work_folder.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

template <std::size_t N>
QComboBox* MakeOptionBox(QWidget* parent, const char* name, const std::array<const char*, N>& texts,
                         int width, const char* hint) {
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    for (const char* text : texts)
        box->addItem(text);
    box->setFixedWidth(width);
    box->setToolTip(hint);
    return box;
}

// A record read from the file is used as it is: an index outside the list shows no item.
void SetOptionIndex(QComboBox* box, int32_t index) {
    box->setCurrentIndex(index >= 0 && index < box->count() ? int(index) : -1);
}

std::string LocalPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}
QString FromLocalPath(const std::string& path) {
    return QFile::decodeName(path.c_str());
}

} // namespace

TfrmMain::TfrmMain(const TServices& services, QWidget* parent)
    : QMainWindow(parent), Services(services) {
    BuildWindow();
    Services.Tray.Show(windowIcon(), "Karvin", TrayMenu, [this] { ShowKarvin1Click(); });
    FormCreate();
}

TfrmMain::~TfrmMain() {
    FormDestroy();
}

void TfrmMain::BuildWindow() {
    setWindowTitle("Karvin");
    setWindowIcon(KarvinIcon());

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    auto* options = new QHBoxLayout;
    options->setSpacing(2);
    cboCapSelection =
        MakeOptionBox(central, "cboCapSelection", CaptureMethodTexts, 201, "Capture Method");
    cboPrintSelection = MakeOptionBox(central, "cboPrintSelection", PrintSelectionTexts, 137,
                                      "Capture and Print Options");
    cboDefaultFormat =
        MakeOptionBox(central, "cboDefaultFormat", CaptureFormatTexts, 137, "Capture Image Format");
    cboViewPercent = MakeOptionBox(central, "cboViewPercent", ViewPercentTexts, 105, "Zoom Mode");
    for (QComboBox* box : {cboCapSelection, cboPrintSelection, cboDefaultFormat, cboViewPercent})
        options->addWidget(box);
    options->addStretch();
    column->addLayout(options);
    // activated, not currentIndexChanged: only the user's choice writes the settings, not the
    // index that ApplySettings puts there.
    connect(cboCapSelection, &QComboBox::activated, this, &TfrmMain::cboCapSelectionClick);
    connect(cboPrintSelection, &QComboBox::activated, this, &TfrmMain::cboPrintSelectionClick);
    connect(cboDefaultFormat, &QComboBox::activated, this, &TfrmMain::cboDefaultFormatClick);

    auto* body = new QHBoxLayout;
    body->setSpacing(2);
    lvPicNames = new QTreeWidget(central);
    lvPicNames->setObjectName("lvPicNames");
    lvPicNames->setColumnCount(2);
    lvPicNames->setHeaderLabels({"Saved", "File Name"});
    lvPicNames->setRootIsDecorated(false);
    lvPicNames->setUniformRowHeights(true);
    lvPicNames->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvPicNames->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvPicNames->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvPicNames->setSortingEnabled(false);
    lvPicNames->header()->setSectionsClickable(false);
    lvPicNames->header()->setSectionsMovable(false);
    lvPicNames->header()->setStretchLastSection(false);
    lvPicNames->setColumnWidth(0, 44);
    lvPicNames->setColumnWidth(1, 200);
    lvPicNames->setFixedWidth(209);
    body->addWidget(lvPicNames);

    ViewArea = new QWidget(central);
    ViewArea->setObjectName("ViewArea");
    ViewArea->setAutoFillBackground(true);
    QPalette grey = ViewArea->palette();
    grey.setColor(QPalette::Window, QColor(128, 128, 128));
    ViewArea->setPalette(grey);
    ViewArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    body->addWidget(ViewArea, 1);
    column->addLayout(body, 1);
    setCentralWidget(central);

    resize(618, 414);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    ShowMainTimer = new QTimer(this);
    ShowMainTimer->setInterval(2000);
    connect(ShowMainTimer, &QTimer::timeout, this, &TfrmMain::ShowMainTimerTimer);

    TrayMenu = new QMenu(this);
    ShowKarvin1 = TrayMenu->addAction("&Show Karvin Window", this, &TfrmMain::ShowKarvin1Click);
    QFont bold = ShowKarvin1->font();
    bold.setBold(true);
    ShowKarvin1->setFont(bold);
    TrayMenu->setDefaultAction(ShowKarvin1);
    ExitKarvin = TrayMenu->addAction("E&xit", this, &TfrmMain::ExitKarvinClick);
}

void TfrmMain::FormCreate() {
    ExitRequested = false;
    // Captures travel through the clipboard and the intake asks whether it holds a picture:
    // nothing from before the start may remain there.
    Services.Clipboard.Clear();
    ImagePaths.clear();
    ImageURLs.clear();
    try {
        // The captures of a run that did not end normally.
        for (const auto& path : ListLeftoverImages())
            AppendImage(FromLocalPath(path), QString());
        QCoreApplication::processEvents();
        WorkImage.Clear();
        ApplySettings();
        QCoreApplication::processEvents();
        cboViewPercent->setCurrentIndex(ViewPercent100);
        ProgramFolder = QCoreApplication::applicationDirPath() + "/";
        DurIdozezedDelay = QString::fromStdString(ReadDurIdozezedDelay());
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
    EnsureSettingsFile();
    const TSettingsRecord settings = ReadSettings();
    SetOptionIndex(cboCapSelection, settings.CapSelection);
    SetOptionIndex(cboPrintSelection, settings.PrintSelection);
    SetOptionIndex(cboDefaultFormat, settings.DefaultFormat);
    // The capture hot keys are registered here (RegisterCaptureHotKeys), from the same record.
    MinimizeToTray = settings.NoMinimize != 1;
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

void TfrmMain::ShowKarvin1Click() {
    ShowNormalAndActivate();
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
    const bool anyUnsaved =
        std::any_of(ImagePaths.begin(), ImagePaths.end(),
                    [](const QString& path) { return IsInWorkFolder(LocalPath(path)); });
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
    WorkImage.Clear();
    Services.Tray.Hide();
    // Captures, saved or not, do not outlive the run; the settings stay.
    CleanWorkFolder();
    ImagePaths.clear();
    ImageURLs.clear();
}

void TfrmMain::AppendImage(const QString& path, const QString& url) {
    auto* row = new QTreeWidgetItem(lvPicNames);
    row->setText(1, QFileInfo(path).fileName());
    ImagePaths.append(path);
    ImageURLs.append(url);
}

void TfrmMain::cboCapSelectionClick() {
    if (RunCommand(Services.Dialogs, this,
                   [this] { WriteSetting(sfCapSelection, cboCapSelection->currentIndex()); }))
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

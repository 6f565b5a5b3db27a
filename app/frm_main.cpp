#include "app/frm_main.h"

#include "app/app_icon.h"
#include "app/image_scroll_box.h"
#include "app/option_texts.h"
#include "app/wait_pointer.h"
#include "imaging/format_registry.h"
#include "store/file_io.h"
#include "store/settings.h"
#include "store/settings_files.h"
#include "store/work_folder.h"

#include <algorithm>
#include <functional>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
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

// The list of captures. Moving through it with the keyboard shows the image the way a click
// on the row does.
class TPicNamesList : public QTreeWidget {
public:
    using QTreeWidget::QTreeWidget;
    std::function<void()> OnKeyboardMove;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        const QTreeWidgetItem* before = currentItem();
        QTreeWidget::keyPressEvent(event);
        if (currentItem() != before && OnKeyboardMove)
            OnKeyboardMove();
    }
};

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
    Services.Tray.Show(windowIcon(), "Karvin", TrayMenu, [this] { ShowKarvin1Click(); });
    Services.HotKeys.SetHandler([this](int id) { WMHotKey(id); });
    FormCreate();
}

TfrmMain::~TfrmMain() {
    Services.HotKeys.SetHandler(nullptr);
    UnregisterCaptureHotKeys();
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

QWidget* TfrmMain::BuildOptionBoxes(QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* options = new QHBoxLayout(row);
    options->setContentsMargins(0, 0, 0, 0);
    options->setSpacing(2);
    cboCapSelection =
        MakeOptionBox(row, "cboCapSelection", CaptureMethodTexts, 201, "Capture Method");
    cboPrintSelection = MakeOptionBox(row, "cboPrintSelection", PrintSelectionTexts, 137,
                                      "Capture and Print Options");
    cboDefaultFormat =
        MakeOptionBox(row, "cboDefaultFormat", CaptureFormatTexts, 137, "Capture Image Format");
    cboViewPercent = MakeOptionBox(row, "cboViewPercent", ViewPercentTexts, 105, "Zoom Mode");
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

    auto* list = new TPicNamesList(body);
    lvPicNames = list;
    lvPicNames->setObjectName("lvPicNames");
    lvPicNames->setColumnCount(2);
    lvPicNames->setHeaderLabels({"Saved", "File Name"});
    lvPicNames->setRootIsDecorated(false);
    lvPicNames->setUniformRowHeights(true);
    lvPicNames->setIconSize(QSize(16, 16));
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
    connect(lvPicNames, &QTreeWidget::itemClicked, this, [this] { lvPicNamesClick(); });
    list->OnKeyboardMove = [this] { lvPicNamesClick(); };
    row->addWidget(lvPicNames);

    ViewArea = new QWidget(body);
    ViewArea->setObjectName("ViewArea");
    ViewArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    auto* area = new QVBoxLayout(ViewArea);
    area->setContentsMargins(0, 0, 0, 0);
    MainImage = new TImageScrollBox(ViewArea);
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
    row->addWidget(ViewArea, 1);
    return body;
}

void TfrmMain::BuildStatusLine() {
    StatPanel = new QStatusBar(this);
    StatPanel->setObjectName("StatPanel");
    StatPanel->setSizeGripEnabled(false);
    StatPanelText = new QLabel(StatPanel);
    // A long path must not widen the window: the text is cut at the window's edge.
    StatPanelText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    StatPanel->addWidget(StatPanelText, 1);
    ProgressBar = new QProgressBar(StatPanel);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setRange(0, 100);
    ProgressBar->setFixedWidth(176);
    ProgressBar->setMaximumHeight(StatPanelText->sizeHint().height());
    ProgressBar->setTextVisible(false);
    StatPanel->addPermanentWidget(ProgressBar);
    ProgressBar->hide();
    setStatusBar(StatPanel);
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
    RegisterCaptureHotKeys();
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

void TfrmMain::lvPicNamesClick() {
    if (ImagePaths.isEmpty())
        return;
    QTreeWidgetItem* focused = lvPicNames->currentItem();
    if (!focused)
        return;
    const int row = lvPicNames->indexOfTopLevelItem(focused);
    if (row < 0 || row >= ImagePaths.size())
        return;
    bool shown = false;
    RunCommand(Services.Dialogs, this, [&] { shown = ShowImageFile(ImagePaths[row]); });
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
    WorkImage.Clear();
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
    if (MainImage->Graphic().Empty() || ImagePaths.isEmpty())
        return;
    RunCommand(Services.Dialogs, this, [this] {
        TWaitPointer wait;
        MainImage->SetZoomMode(zmOriginalSize);
        const int choice = cboViewPercent->currentIndex();
        if (choice == ViewPercent100) {
            if (!WorkImage.Empty()) {
                // The capture as it was before its last transform (a grey or negative
                // capture shown in its original colours).
                MainImage->AssignImage(std::move(WorkImage));
                WorkImage.Clear();
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

void TfrmMain::ReportProgress(int percent) {
    if (percent >= 100) {
        ProgressBar->hide();
        return;
    }
    ProgressBar->setValue(percent);
    ProgressBar->show();
    // Transforms run on this thread: the bar is painted now, not when they are done.
    ProgressBar->repaint();
}

TProgressCallback TfrmMain::ReportProgressCallback() {
    return [this](TImageTransform&, int percent) { ReportProgress(percent); };
}

#include "thumbs/frm_thumb.h"

#include "imaging/format_registry.h"
#include "store/file_io.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "thumbs/thumb_layout.h"
#include "thumbs/thumb_view_grid.h"
#include "widgets/capture_list.h"
#include "widgets/go_to_url.h"
#include "widgets/local_path.h"
#include "widgets/wait_pointer.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QScrollArea>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const QString WordFailedText = "MS Word 97 or MS Word 2000 is not installed\n"
                               "or you have an old version MS Word.";

int ListedThumbnails(IMainView& main) {
    return std::min(main.Captures().Count(), MaxThumbnails);
}

// The index of a View entry: Low Quality small, medium, large, then High Quality.
int ViewEntryIndex(int sizeCode, int quality) {
    const int size = std::clamp(sizeCode, 1, 3);
    return (quality == ThumbLowQuality ? 0 : 3) + size - 1;
}

} // namespace

TfrmThumb::TfrmThumb(const TServices& services, const TThumbViewerLinks& links, QWidget* parent)
    : QDialog(parent), Services(services), Links(links) {
    BuildWindow();
    BuildMenus();
    // FormCreate.
    Size = ReadThumbSize();
    // A capture stored while the viewer is open adds a row: the grid then shows it too.
    connect(Links.Main.Captures().model(), &QAbstractItemModel::rowsInserted, this,
            &TfrmThumb::ScheduleRebuild);
}

TfrmThumb::~TfrmThumb() {
    Grid_->Free();
    RunCommand(Services.Dialogs, parentWidget(), [this] { WriteThumbSize(Size); });
}

void TfrmThumb::BuildWindow() {
    setWindowTitle("Thumbnails Viewer");
    // A main window of its own to the window manager (which maximises such windows, where it
    // leaves dialogs at their size), modal all the same.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    setWindowState(Qt::WindowMaximized);
    setSizeGripEnabled(false);

    Grid_ = new TThumbViewGrid;
    Grid_->OnPress = [this](int n) { PressThumbnail(n); };
    Grid_->OnSelected = [this](int n) { StatusPanel->setText(Links.Main.Captures().Path(n - 1)); };
    Grid_->OnPopup = [this](const QPoint& where) { PopThumbMenu->popup(where); };
    Grid_->OnProgress = [this](int done) { ProgressBar->setValue(done); };
    Grid_->OnLoaded = [this](const QStringList& missing, const QStringList& failures) {
        LoadFinished(missing, failures);
    };
    Scroller = new QScrollArea(this);
    Scroller->setObjectName("ThumbScroller");
    Scroller->setFrameShape(QFrame::NoFrame);
    Scroller->setWidget(Grid_);
    Scroller->setWidgetResizable(true);
    QPalette black = Scroller->palette();
    black.setColor(QPalette::Window, Qt::black);
    Scroller->setPalette(black);
    Scroller->setBackgroundRole(QPalette::Window);

    StatusPanel = new QLabel(this);
    StatusPanel->setObjectName("StatusPanel");
    StatusPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    StatusPanel->setFixedHeight(25);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setFixedSize(230, 25);
    ProgressBar->setTextVisible(false);
    ProgressBar->setValue(0);
    auto* status = new QHBoxLayout;
    status->setContentsMargins(0, 0, 0, 0);
    status->setSpacing(2);
    status->addWidget(StatusPanel, 1);
    status->addWidget(ProgressBar);

    MainThumbMenu = new QMenuBar(this);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->setMenuBar(MainThumbMenu);
    column->addWidget(Scroller, 1);
    column->addLayout(status);

    LoadThumbTimer = new QTimer(this);
    LoadThumbTimer->setSingleShot(true);
    LoadThumbTimer->setInterval(1000);
    connect(LoadThumbTimer, &QTimer::timeout, this, &TfrmThumb::LoadThumbnails);
}

void TfrmThumb::BuildPrintMenu(QMenu* menu, const QString& manyCaption) {
    menu->addAction("&Image(s)", this, [this] { PrintSelected(TPrintEntry::Images); });
    QMenu* caption = menu->addMenu("Image(s) With &Caption");
    caption->addAction("&Above Image", this, [this] { PrintSelected(TPrintEntry::CaptionAbove); });
    caption->addAction("&Below Image", this, [this] { PrintSelected(TPrintEntry::CaptionBelow); });
    QMenu* stamp = menu->addMenu("Image(s) With Time-&Date Stamp");
    stamp->addAction("&Above Image", this, [this] { PrintSelected(TPrintEntry::TimeDateAbove); });
    stamp->addAction("&Below Image", this, [this] { PrintSelected(TPrintEntry::TimeDateBelow); });
    menu->addAction("Image(s) Stretch To &Full Page", this,
                    [this] { PrintSelected(TPrintEntry::StretchToFullPage); });
    menu->addAction(manyCaption, this, [this] { PrintSelected(TPrintEntry::ManyToAPage); });
    menu->addAction("&Thumbnails", this, [this] { PrintSelected(TPrintEntry::Thumbnails); });
}

void TfrmThumb::BuildViewMenu(QMenu* menu, std::array<QAction*, 6>& entries) {
    int index = 0;
    for (const auto& [caption, quality] : {std::pair{"Low Quality ", ThumbLowQuality},
                                           std::pair{"High Quality ", ThumbHighQuality}}) {
        QMenu* group = menu->addMenu(caption);
        int size = 1;
        for (const char* name : {"&Small", "&Medium", "&Large"}) {
            QAction* entry = group->addAction(
                name, this, [this, size, q = quality] { ChangeSizeAndQuality(size, q); });
            entry->setCheckable(true);
            entries[index++] = entry;
            ++size;
        }
    }
}

void TfrmThumb::BuildEmailMenu(QMenu* menu) {
    const QStringList captions = Links.Commands.MailEntryCaptions();
    for (int entry = 0; entry < captions.size(); ++entry)
        menu->addAction(captions[entry], this, [this, entry] { EmailEntryClick(entry); });
}

void TfrmThumb::BuildMenus() {
    QMenu* file = MainThumbMenu->addMenu("&File");
    file->addAction("Auto &Save", this, &TfrmThumb::SaveSelectedToFolder1Click);
    file->addAction("Save &As...", this, &TfrmThumb::SaveSelectedAs1Click);
    BuildPrintMenu(file->addMenu("&Print"), "Image(s) As &Many To A Page");
    file->addAction("&Delete Image(s)", this, &TfrmThumb::DeleteSelectedImages2Click);
    file->addSeparator();
    file->addAction("&WebLink Viewer", this, &TfrmThumb::WebLinkViewer1Click);
    file->addSeparator();
    file->addAction("E&xit", this, &TfrmThumb::Exit1Click);

    QMenu* edit = MainThumbMenu->addMenu("&Edit");
    edit->addAction("&Copy To Clipboard", this, &TfrmThumb::CopyToClipboard1Click);
    edit->addAction("Paste in MS &Word", this, &TfrmThumb::CopyToMSWord97or20001Click);
    edit->addSeparator();
    edit->addAction("Select &All", this, &TfrmThumb::SelectAll1Click);

    BuildViewMenu(MainThumbMenu->addMenu("&View"), ViewEntries);

    QMenu* image = MainThumbMenu->addMenu("&Image");
    connect(image, &QMenu::aboutToShow, this, &TfrmThumb::Image1Click);
    image->addAction("Image &Editor", this, &TfrmThumb::ImageEditor1Click);
    GoToURL2 = image->addAction("Go To &URL", this, &TfrmThumb::GoToURL2Click);
    GoToURL2->setEnabled(false);

    BuildEmailMenu(MainThumbMenu->addMenu("E-&mail"));
    MainThumbMenu->addAction("&Help", this, &TfrmThumb::Help1Click);

    PopThumbMenu = new QMenu(this);
    PopThumbMenu->setObjectName("PopThumbMenu");
    connect(PopThumbMenu, &QMenu::aboutToShow, this, &TfrmThumb::PopThumbMenuPopup);
    PopThumbMenu->addAction("Auto Sa&ve", this, &TfrmThumb::SaveSelectedToFolder1Click);
    PopThumbMenu->addAction("Save &As...", this, &TfrmThumb::SaveSelectedAs1Click);
    BuildPrintMenu(PopThumbMenu->addMenu("&Print"), "Image(s)  As &Many To A Page");
    PopThumbMenu->addAction("&Delete Image(s)", this, &TfrmThumb::DeleteSelectedImages2Click);
    PopThumbMenu->addSeparator();
    PopThumbMenu->addAction("&Copy To Clipboard", this, &TfrmThumb::CopyToClipboard1Click);
    PopThumbMenu->addAction("Paste To MS &Word", this, &TfrmThumb::CopyToMSWord97or20001Click);
    PopThumbMenu->addAction("Select A&ll", this, &TfrmThumb::SelectAll1Click);
    PopThumbMenu->addSeparator();
    BuildViewMenu(PopThumbMenu, PopViewEntries);
    PopThumbMenu->addSeparator();
    PopThumbMenu->addAction("&Edit Image", this, &TfrmThumb::ImageEditor1Click);
    PopGoToURL = PopThumbMenu->addAction("Go To &URL", this, &TfrmThumb::GoToURL2Click);
    PopGoToURL->setEnabled(false);
    BuildEmailMenu(PopThumbMenu->addMenu("E-&mail Image(s) To"));
}

QString TfrmThumb::StatusText() const {
    return StatusPanel->text();
}

void TfrmThumb::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (Shown)
        return;
    Shown = true;
    FormShow();
    ShowSizeAndQualityChecks();
}

void TfrmThumb::FormShow() {
    const int count = ListedThumbnails(Links.Main);
    Grid_->Build(count, Size, Services.Screen.ScreenSize().width());
    setWindowTitle("Thumbnail Viewer - " + QString::number(count) + " images");
    LoadThumbTimer->start();
}

void TfrmThumb::LoadThumbnails() {
    LoadThumbTimer->stop();
    const QStringList paths = Links.Main.Captures().Paths().mid(0, Grid_->Count());
    ProgressBar->setMaximum(std::max(int(paths.size()), 1));
    ProgressBar->setValue(0);
    if (paths.isEmpty())
        return;
    setCursor(Qt::BusyCursor);
    Grid_->Load(paths, Quality);
}

void TfrmThumb::LoadFinished(const QStringList& missing, const QStringList& failures) {
    unsetCursor();
    ProgressBar->setValue(0);
    for (const QString& path : missing)
        Services.Dialogs.Message(this, "Error", path + " is missing.", TMsgIcon::Critical, mbOK);
    for (const QString& failure : failures)
        ReportError(Services.Dialogs, this, failure);
}

void TfrmThumb::ScheduleRebuild() {
    // Once, when the events of the capture have run.
    if (RebuildPending || !Shown)
        return;
    RebuildPending = true;
    QTimer::singleShot(0, this, [this] {
        RebuildPending = false;
        RebuildThumbnails();
    });
}

void TfrmThumb::RebuildThumbnails() {
    Grid_->ClearSelection();
    Grid_->Free();
    const int count = ListedThumbnails(Links.Main);
    Grid_->Build(count, Size, Services.Screen.ScreenSize().width());
    setWindowTitle("Thumbnail Viewer - " + QString::number(count) + " images");
    LoadThumbnails();
}

void TfrmThumb::BuildAndLoad() {
    if (ListedThumbnails(Links.Main) == 0) {
        Grid_->Free();
        accept();
        return;
    }
    RebuildThumbnails();
}

void TfrmThumb::RefreshThumbnail(int n) {
    if (n < 1 || n > Grid_->Count())
        return;
    TWaitPointer wait;
    const QString path = Links.Main.Captures().Path(n - 1);
    if (!FileExists(LocalPath(path))) {
        Services.Dialogs.Message(this, "Error", path + " is missing.", TMsgIcon::Critical, mbOK);
        return;
    }
    RunCommand(Services.Dialogs, this, [&] { Grid_->Refresh(n, path, Quality); });
}

void TfrmThumb::PressThumbnail(int n) {
    TCaptureList& list = Links.Main.Captures();
    if (n > list.Count())
        return;
    list.clearSelection();
    QTreeWidgetItem* item = list.topLevelItem(n - 1);
    list.setCurrentItem(item);
    item->setSelected(true);
    Links.Commands.ShowFocusedRow();
}

void TfrmThumb::SelectRowsOfSelection() {
    TCaptureList& list = Links.Main.Captures();
    list.clearSelection();
    for (int n : Grid_->Selection().Numbers())
        if (n <= list.Count())
            list.topLevelItem(n - 1)->setSelected(true);
}

bool TfrmThumb::NeedSelection() {
    if (!Grid_->Selection().Empty())
        return true;
    ShowPleaseSelectAnImage(Services.Dialogs, this);
    return false;
}

int TfrmThumb::SingleSelection(const QString& none) {
    const std::vector<int>& selected = Grid_->Selection().Numbers();
    if (selected.empty()) {
        Services.Dialogs.Message(this, "Error", none, TMsgIcon::Warning, mbOK);
        return 0;
    }
    if (selected.size() > 1) {
        Services.Dialogs.Message(this, "Error", "Please only select one image.", TMsgIcon::Warning,
                                 mbOK);
        return 0;
    }
    return selected.front() <= Links.Main.Captures().Count() ? selected.front() : 0;
}

void TfrmThumb::ShowSelectedFileNames() {
    const TCaptureList& list = Links.Main.Captures();
    for (int n : Grid_->Selection().Numbers())
        if (n <= list.Count())
            Grid_->SetLabelText(n, QFileInfo(list.Path(n - 1)).fileName());
}

void TfrmThumb::SaveSelectedToFolder1Click() {
    if (Grid_->Selection().Empty()) {
        Services.Dialogs.Message(this, "Error", "Please select an image name", TMsgIcon::Warning,
                                 mbOK);
        return;
    }
    SelectRowsOfSelection();
    Links.Commands.AutoSaveSelected();
    StatusPanel->clear();
    ShowSelectedFileNames();
}

void TfrmThumb::SaveSelectedAs1Click() {
    if (!NeedSelection())
        return;
    TWaitPointer wait;
    SelectRowsOfSelection();
    Links.Commands.SaveSelectedAs();
    ShowSelectedFileNames();
    const std::vector<int>& selected = Grid_->Selection().Numbers();
    const int highest = *std::max_element(selected.begin(), selected.end());
    if (highest <= Links.Main.Captures().Count())
        StatusPanel->setText(Links.Main.Captures().Path(highest - 1));
}

void TfrmThumb::PrintSelected(TPrintEntry entry) {
    if (!NeedSelection())
        return;
    QStringList paths;
    const TCaptureList& list = Links.Main.Captures();
    for (int n : Grid_->Selection().Numbers())
        if (n <= list.Count())
            paths << list.Path(n - 1);
    ProgressBar->setMaximum(std::max(int(paths.size()), 1));
    Links.Commands.PrintImageFiles(entry, paths);
    ProgressBar->setValue(0);
}

void TfrmThumb::DeleteSelectedImages2Click() {
    if (!NeedSelection())
        return;
    const int before = Links.Main.Captures().Count();
    SelectRowsOfSelection();
    Links.Commands.DeleteSelected();
    QCoreApplication::processEvents();
    // Answered No: the grid stays as it is.
    if (Links.Main.Captures().Count() == before)
        return;
    BuildAndLoad();
}

void TfrmThumb::WebLinkViewer1Click() {
    RebuildNeeded = false;
    Links.Commands.OpenWebLinkViewer(&RebuildNeeded);
    if (RebuildNeeded) {
        RebuildNeeded = false;
        BuildAndLoad();
    }
}

void TfrmThumb::Exit1Click() {
    close();
}

void TfrmThumb::CopyToClipboard1Click() {
    const std::vector<int>& selected = Grid_->Selection().Numbers();
    if (selected.empty()) {
        ShowPleaseSelectAnImage(Services.Dialogs, this);
        return;
    }
    if (selected.size() > 1) {
        Services.Dialogs.Message(this, "Error", "Only one image can be copied to the clipboard.",
                                 TMsgIcon::Warning, mbOK);
        return;
    }
    // The thumbnail pressed last (after a right click, the one clicked); the selected one
    // when none was pressed since the grid was built (Select All).
    int n = Grid_->CurrentImage();
    if (n < 1 || n > Grid_->Count())
        n = selected.front();
    const TCaptureList& list = Links.Main.Captures();
    if (n > list.Count())
        return;
    const QString path = list.Path(n - 1);
    if (!FileExists(LocalPath(path))) {
        Services.Dialogs.Message(this, "Error", path + " is missing.", TMsgIcon::Critical, mbOK);
        return;
    }
    TWaitPointer wait;
    RunCommand(Services.Dialogs, this,
               [&] { Links.HandOff.CopyPictureToClipboard(LoadImageFile(LocalPath(path))); });
}

void TfrmThumb::CopyToMSWord97or20001Click() {
    const std::vector<int>& selected = Grid_->Selection().Numbers();
    if (selected.empty()) {
        Services.Dialogs.Message(this, "Error", "Please select an image", TMsgIcon::Warning, mbOK);
        return;
    }
    if (selected.size() > 1) {
        Services.Dialogs.Message(this, "Error",
                                 "Only one image can be copied to MS Word at a time.",
                                 TMsgIcon::Warning, mbOK);
        return;
    }
    CopyToClipboard1Click();
    QCoreApplication::processEvents();
    if (!Links.HandOff.PasteIntoWord(this))
        Services.Dialogs.Message(this, "Error", WordFailedText, TMsgIcon::Critical, mbOK);
}

void TfrmThumb::SelectAll1Click() {
    Grid_->SelectAll();
}

void TfrmThumb::ShowSizeAndQualityChecks() {
    const int checked = ViewEntryIndex(Size, Quality);
    for (int i = 0; i < 6; ++i) {
        ViewEntries[i]->setChecked(i == checked);
        PopViewEntries[i]->setChecked(i == checked);
    }
}

void TfrmThumb::ChangeSizeAndQuality(int sizeCode, int quality) {
    // A checkable entry has already toggled its own mark: the marks of before decide.
    if (ViewEntryIndex(Size, Quality) == ViewEntryIndex(sizeCode, quality)) {
        ShowSizeAndQualityChecks();
        return;
    }
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(screen->availableGeometry());
    Grid_->ClearSelection();
    Grid_->Free();
    Size = sizeCode;
    Quality = quality;
    RunCommand(Services.Dialogs, this, [&] {
        WriteThumbQuality(Quality);
        WriteThumbSize(Size);
    });
    RebuildThumbnails();
    ShowSizeAndQualityChecks();
}

void TfrmThumb::ImageEditor1Click() {
    const int n = SingleSelection("Please select an image.");
    if (n == 0)
        return;
    EditorOpen_ = true;
    Links.Commands.EditRow(n - 1);
    EditorOpen_ = false;
    TCaptureList& list = Links.Main.Captures();
    if (n > list.Count())
        return;
    list.clearSelection();
    list.setCurrentItem(list.topLevelItem(n - 1));
    list.topLevelItem(n - 1)->setSelected(true);
    RefreshThumbnail(n);
}

void TfrmThumb::GoToURL2Click() {
    const int n = SingleSelection("Please select an image.");
    if (n == 0)
        return;
    GoToURL(Services.Desktop, Services.Dialogs, this, Links.Main.Captures().URL(n - 1));
}

void TfrmThumb::EmailEntryClick(int entry) {
    if (!NeedSelection())
        return;
    SelectRowsOfSelection();
    Links.Commands.MailSelected(entry);
}

void TfrmThumb::Help1Click() {
    Links.Main.ShowHelp(this, "topic-104");
}

void TfrmThumb::Image1Click() {
    const std::vector<int>& selected = Grid_->Selection().Numbers();
    if (selected.size() != 1 || selected.front() > Links.Main.Captures().Count())
        return;
    GoToURL2->setEnabled(CanGoToURL(Links.Main.Captures().URL(selected.front() - 1)));
}

void TfrmThumb::PopThumbMenuPopup() {
    const std::vector<int>& selected = Grid_->Selection().Numbers();
    if (selected.size() != 1 || selected.front() > Links.Main.Captures().Count())
        return;
    PopGoToURL->setEnabled(CanGoToURL(Links.Main.Captures().URL(selected.front() - 1)));
}

// The opening commands.

TThumbViewerCommand::TThumbViewerCommand(const TServices& services, const TThumbViewerLinks& links)
    : Services(services), Links(links) {}

void TThumbViewerCommand::OpenWith(int sizeCode, int quality) {
    if (Links.Main.Captures().IsEmpty())
        return;
    if (!RunCommand(Services.Dialogs, Links.Main.Window(), [&] {
            WriteThumbQuality(quality);
            WriteThumbSize(sizeCode);
        }))
        return;
    Open(quality);
}

void TThumbViewerCommand::tbThumbsClick() {
    if (Links.Main.Captures().IsEmpty())
        return;
    int quality = 4;
    if (!RunCommand(Services.Dialogs, Links.Main.Window(), [&] {
            if (!FileExists(WorkPath("thumbview.dat")))
                WriteThumbSize(1);
            quality = ReadThumbQuality();
        }))
        return;
    Open(quality);
}

void TThumbViewerCommand::Open(int quality) {
    if (Viewer)
        return;
    TfrmThumb viewer(Services, Links, Links.Main.Window());
    if (Links.Main.Captures().Count() > MaxThumbnails)
        Services.Dialogs.Message(Links.Main.Window(), "Warning",
                                 "The Thumbnail viewer has a limitation of 255 images.\n"
                                 "Only the first 255 images will be displayed.",
                                 TMsgIcon::Warning, mbOK);
    viewer.SetQuality(quality);
    Viewer = &viewer;
    Services.Dialogs.ExecModal(viewer);
    Viewer = nullptr;
}

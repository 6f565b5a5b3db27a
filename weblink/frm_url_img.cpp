#include "weblink/frm_url_img.h"

#include "imaging/format_registry.h"
#include "store/file_io.h"
#include "weblink/frm_comment.h"
#include "weblink/link_notes.h"
#include "weblink/note_text_box.h"
#include "weblink/thumb_grid.h"
#include "weblink/url_thumbnails.h"
#include "widgets/capture_list.h"
#include "widgets/go_to_url.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"
#include "widgets/main_view.h"
#include "widgets/thumbnail_maker.h"
#include "widgets/wait_pointer.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

const QString Caption = "URLLink Viewer - Visual Bookmark To The Internet";
const QString NothingToShow = "You must save one or more images captured from\n"
                              "the Internet before opening the WebLink Viewer.";
// How many paths a message lists before it only counts the rest.
constexpr int ListedPaths = 10;

void SayNothingToShow(IDialogs& dialogs, QWidget* owner) {
    dialogs.Message(owner, "Error", NothingToShow, TMsgIcon::Critical, mbOK);
}

enum class TLinkState { Usable, ImageMissing, NoImage };

// A record names an image when its first line is an absolute path with the extension of an
// image format; anything else (an empty line, an address or a note path where the image path
// belongs, when lines went missing) is no link and can never show anything.
TLinkState LinkState(const TURLLink& link) {
    const std::string& path = link.ImagePath;
    if (path.empty() || path.front() != '/' || !FindImageFileFormat(FileExtension(path)))
        return TLinkState::NoImage;
    return FileExists(path) ? TLinkState::Usable : TLinkState::ImageMissing;
}

QString Counted(qsizetype count, const char* one, const char* many) {
    return QString::number(count) + " " + (count == 1 ? one : many);
}

// The first paths of a list, one to a line, and how many more there are.
QString PathLines(const QStringList& paths) {
    QString text;
    for (qsizetype i = 0; i < std::min<qsizetype>(paths.size(), ListedPaths); ++i)
        text += "\n" + paths[i];
    if (paths.size() > ListedPaths)
        text += "\n(and " + QString::number(paths.size() - ListedPaths) + " more)";
    return text;
}

} // namespace

void StartWebImageLauncher(const TServices& services, IMainView& mainView, bool* thumbnailRebuild) {
    if (!URLStore().HasLinks()) {
        SayNothingToShow(services.Dialogs, mainView.Window());
        return;
    }
    std::unique_ptr<TfrmURLImg> viewer;
    if (!RunCommand(services.Dialogs, mainView.Window(), [&] {
            viewer = std::make_unique<TfrmURLImg>(services, mainView, mainView.Window());
        }))
        return;
    viewer->SetThumbnailRebuildFlag(thumbnailRebuild);
    services.Dialogs.ExecModal(*viewer);
}

TfrmURLImg::TfrmURLImg(const TServices& services, IMainView& mainView, QWidget* parent)
    : QDialog(parent), Services(services), MainView(mainView) {
    BuildWindow();
    FormCreate();
}

TfrmURLImg::~TfrmURLImg() {
    // The workers go before the records they report on.
    Maker->Stop();
}

void TfrmURLImg::BuildWindow() {
    setWindowTitle(Caption);
    setObjectName("frmURLImg");
    resize(602, 501);

    MainMenu = new QMenuBar(this);
    QMenu* file = MainMenu->addMenu("&File");
    GotoURL2 = file->addAction("&Go to URL", this, &TfrmURLImg::GotoURL2Click);
    ViewComment1 = file->addAction("&View/Edit Comment", this, &TfrmURLImg::ViewComment1Click);
    DeleteSelectedImages2 =
        file->addAction("&Delete", this, &TfrmURLImg::DeleteSelectedImages2Click);
    file->addSeparator();
    Exit1 = file->addAction("E&xit", this, &TfrmURLImg::Exit1Click);

    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName("PopupMenu");
    PopupMenu->addActions({GotoURL2, ViewComment1, DeleteSelectedImages2});

    ThumbGrid = new TThumbGrid(this);
    ThumbGrid->setObjectName("ThumbGrid");
    ThumbGrid->setFixedWidth(270);
    ThumbGrid->OnDrawCell = [this](QPainter& painter, const QRect& cell, int column, int row) {
        ThumbGridDrawCell(painter, cell, column, row);
    };
    ThumbGrid->OnSelectCell = [this](int column, int row) { ThumbGridSelectCell(column, row); };
    ThumbGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ThumbGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& place) { PopupMenu->popup(ThumbGrid->mapToGlobal(place)); });

    auto* PicPanel = new QFrame(this);
    PicPanel->setObjectName("PicPanel");
    PicPanel->setFrameShape(QFrame::StyledPanel);
    envImage = new TImageScrollBox(PicPanel);
    envImage->setObjectName("envImage");
    envImage->SetZoomMode(zmOriginalSize);
    // Shown once the first loading pass is over.
    envImage->hide();
    auto* picLayout = new QVBoxLayout(PicPanel);
    picLayout->setContentsMargins(0, 0, 0, 0);
    picLayout->addWidget(envImage);

    txtURL = new QLineEdit(this);
    txtURL->setObjectName("txtURL");
    txtURL->setReadOnly(true);
    txtURL->setMinimumWidth(200);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setFixedWidth(153);
    ProgressBar->setTextVisible(false);
    ProgressBar->setValue(0);

    auto* middle = new QHBoxLayout;
    middle->setSpacing(2);
    middle->addWidget(ThumbGrid);
    middle->addWidget(PicPanel, 1);
    auto* status = new QHBoxLayout;
    status->setSpacing(2);
    status->addWidget(txtURL, 1);
    status->addWidget(ProgressBar);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(2, 2, 2, 2);
    column->setSpacing(2);
    column->setMenuBar(MainMenu);
    column->addLayout(middle, 1);
    column->addLayout(status);

    ShutDownTimer = new QTimer(this);
    ShutDownTimer->setInterval(1000);
    ShutDownTimer->setSingleShot(true);
    connect(ShutDownTimer, &QTimer::timeout, this, &TfrmURLImg::ShutDownTimerTimer);

    Maker = new TThumbnailMaker(LoadWebLinkThumbnail, this);
    connect(Maker, &TThumbnailMaker::Made, this, &TfrmURLImg::ThumbnailMade);
    connect(Maker, &TThumbnailMaker::Finished, this, &TfrmURLImg::FinishLoadingPass);
}

void TfrmURLImg::FormCreate() {
    for (TURLLink& link : URLStore().ReadURLStore())
        Records.push_back({std::move(link), NextId++, QImage()});
    CreationCount = int(Records.size());
    ThumbGrid->setRowCount(TThumbGrid::RowsFor(CreationCount));
    Selected = -1;
}

void TfrmURLImg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (FirstShow) {
        FirstShow = false;
        // Once the window is on the screen, so that it shows while the pass starts.
        QTimer::singleShot(0, this, &TfrmURLImg::FormActivate);
    }
}

std::vector<TURLLink> TfrmURLImg::Links() const {
    std::vector<TURLLink> links;
    for (const TRecord& record : Records)
        links.push_back(record.Link);
    return links;
}

QImage TfrmURLImg::Thumbnail(int record) const {
    return record >= 0 && record < int(Records.size()) ? Records[record].Thumbnail : QImage();
}

int TfrmURLImg::RecordOfId(quint64 id) const {
    for (int record = 0; record < int(Records.size()); ++record)
        if (Records[record].Id == id)
            return record;
    return -1;
}

void TfrmURLImg::FormActivate() {
    if (int(Records.size()) > RecommendedLinks && !WarnedAboutCount) {
        // Once per window: every note edited runs the pass again.
        WarnedAboutCount = true;
        Services.Dialogs.Message(this, "Warning",
                                 "To maintain system integrity, it is recommended that you\n"
                                 "should not exceed 500 images. You can delete some images\n"
                                 "to maintain your syste integrity.",
                                 TMsgIcon::Warning, mbOK);
    }
    PassRunning = true;
    setCursor(Qt::BusyCursor);
    MissingImages.clear();
    BrokenLinks = 0;
    UnreadableImages.clear();
    ThumbnailsMade = 0;

    DropUnusableLinks();

    // The thumbnails of earlier passes stay in their cells until their new ones come.
    std::vector<TThumbnailMaker::TJob> jobs;
    for (const TRecord& record : Records)
        jobs.push_back({record.Id, record.Link.ImagePath});
    ProgressBar->setMaximum(std::max(int(jobs.size()), 1));
    ProgressBar->setValue(0);
    if (Selected == -1 && !jobs.empty())
        txtURL->setText("Loading image 1 of " + QString::number(jobs.size()));
    Maker->Start(std::move(jobs));
}

void TfrmURLImg::DropUnusableLinks() {
    std::vector<TRecord> kept;
    kept.reserve(Records.size());
    for (TRecord& record : Records) {
        switch (LinkState(record.Link)) {
        case TLinkState::Usable:
            kept.push_back(std::move(record));
            break;
        case TLinkState::ImageMissing: {
            MissingImages << FromLocalPath(record.Link.ImagePath);
            // The note is found from the image, never from the record's third line, so that
            // a damaged store cannot make us delete any other file.
            const std::string note = NoteFileName(record.Link.ImagePath);
            if (FileExists(note))
                DeleteFile(note);
            break;
        }
        case TLinkState::NoImage:
            ++BrokenLinks;
            break;
        }
    }
    const bool dropped = kept.size() != Records.size();
    Records = std::move(kept);
    if (!dropped)
        return;
    // The cells now stand for other records.
    ForgetSelection();
    RewriteStore();
}

void TfrmURLImg::ThumbnailMade(quint64 id, const QImage& thumbnail, const QString& error) {
    ++ThumbnailsMade;
    const int record = RecordOfId(id);
    if (record >= 0) {
        Records[record].Thumbnail = thumbnail;
        const QString path = FromLocalPath(Records[record].Link.ImagePath);
        if (thumbnail.isNull() && !ToldUnreadable.contains(path)) {
            ToldUnreadable.insert(path);
            UnreadableImages << path + ": " + error;
        }
        ThumbGrid->viewport()->update(
            ThumbGrid->CellRect(record % TThumbGrid::Columns, record / TThumbGrid::Columns));
    }
    ProgressBar->setValue(ThumbnailsMade);
    if (Selected == -1 && ThumbnailsMade < ProgressBar->maximum())
        txtURL->setText("Loading image " + QString::number(ThumbnailsMade + 1) + " of " +
                        QString::number(ProgressBar->maximum()));
}

void TfrmURLImg::FinishLoadingPass() {
    PassRunning = false;
    unsetCursor();
    ProgressBar->setValue(0);
    if (Selected == -1) {
        txtURL->clear();
        envImage->ClearImage();
    }
    envImage->show();
    ThumbGrid->viewport()->update();
    ReportDropped();
    if (Records.empty())
        ShutDownTimer->start();
    emit LoadingFinished();
}

void TfrmURLImg::ReportDropped() {
    QStringList parts;
    if (!MissingImages.isEmpty())
        parts << Counted(MissingImages.size(), "link was", "links were") +
                     " removed because the image is no longer there:" + PathLines(MissingImages);
    if (BrokenLinks > 0)
        parts << Counted(BrokenLinks, "entry", "entries") +
                     " of the link store named no image file and " +
                     (BrokenLinks == 1 ? "was" : "were") + " removed.";
    if (!UnreadableImages.isEmpty())
        parts << Counted(UnreadableImages.size(), "image", "images") + " could not be read and " +
                     (UnreadableImages.size() == 1 ? "shows" : "show") +
                     " no thumbnail:" + PathLines(UnreadableImages);
    if (!parts.isEmpty())
        Services.Dialogs.Message(this, "Warning", parts.join("\n\n"), TMsgIcon::Warning, mbOK);
}

void TfrmURLImg::ThumbGridDrawCell(QPainter& painter, const QRect& cell, int column, int row) {
    const int record = TThumbGrid::RecordOfCell(column, row);
    if (record >= int(Records.size()))
        return;
    const QImage& thumbnail = Records[record].Thumbnail;
    if (!thumbnail.isNull()) {
        painter.drawImage(cell.topLeft(), thumbnail);
    } else if (!PassRunning) {
        // An image that could not be read: a crossed-out cell.
        painter.fillRect(cell, Qt::white);
        painter.setPen(QPen(Qt::lightGray, 1));
        painter.drawLine(cell.topLeft(), cell.bottomRight());
        painter.drawLine(cell.topRight(), cell.bottomLeft());
    }
}

void TfrmURLImg::ThumbGridSelectCell(int column, int row) {
    SelectedRow = row;
    SelectedColumn = column;
    Selected = TThumbGrid::RecordOfCell(column, row);
    if (Selected >= int(Records.size()))
        return;
    const TURLLink& link = Records[Selected].Link;
    const QString path = FromLocalPath(link.ImagePath);
    setWindowTitle("WebLink Viewer - " + path);
    if (!FileExists(link.ImagePath))
        return;
    TWaitPointer wait;
    envImage->ClearImage();
    RunCommand(Services.Dialogs, this, [&] { envImage->LoadFromFile(path); });
    txtURL->setText(QString::fromStdString(link.URL));
    txtURL->setCursorPosition(0);
}

bool TfrmURLImg::HasSelection() {
    if (Selected == -1 || !(Selected < int(Records.size()) && Selected < CreationCount)) {
        Services.Dialogs.Message(this, "Error",
                                 "You must first left click on an image to select it.",
                                 TMsgIcon::Warning, mbOK);
        return false;
    }
    return !Records.empty();
}

void TfrmURLImg::ForgetSelection() {
    Selected = -1;
    ThumbGrid->ClearSelectedCell();
}

void TfrmURLImg::RewriteStore() {
    RunCommand(Services.Dialogs, this, [this] { URLStore().RewriteURLStore(Links()); });
}

void TfrmURLImg::GotoURL2Click() {
    if (!HasSelection())
        return;
    GoToURL(Services.Desktop, Services.Dialogs, this,
            QString::fromStdString(Records[Selected].Link.URL));
    ForgetSelection();
}

void TfrmURLImg::ViewComment1Click() {
    if (!HasSelection())
        return;
    const std::string image = Records[Selected].Link.ImagePath;
    const std::string note = NoteFileName(image);
    std::optional<std::string> text;
    if (FileExists(note)) {
        text = ReadWholeFile(note);
        if (!text) {
            // Taken for no note, it would be written over.
            ReportError(Services.Dialogs, this,
                        "Cannot read the note file " + FromLocalPath(note) + ": " +
                            QString::fromLocal8Bit(std::strerror(errno)));
            return;
        }
        // An empty note file is no note.
        if (text->empty()) {
            DeleteFile(note);
            text.reset();
        }
    }

    TfrmComment dialog(Services.Dialogs, this);
    if (text) {
        QStringList lines;
        for (const std::string& line : SplitLines(*text))
            lines << QString::fromStdString(line);
        dialog.moComment->SetLines(lines);
    } else {
        const QString path = FromLocalPath(image);
        const QString fileName = path.mid(path.lastIndexOf('/') + 1);
        if (Services.Dialogs.Message(this, "Comment",
                                     "There is no comment for " + fileName +
                                         ".\nDo you want to add comment?",
                                     TMsgIcon::Question, mbYes | mbNo) != TMsgResult::Yes)
            return;
    }
    dialog.TargetFile = FromLocalPath(note);
    Services.Dialogs.ExecModal(dialog);
    ForgetSelection();
    // Back in this window: the images are looked at again, as when it was opened.
    FormActivate();
}

void TfrmURLImg::DeleteSelectedImages2Click() {
    if (!HasSelection())
        return;
    const TURLLink link = Records[Selected].Link;
    const QString path = FromLocalPath(link.ImagePath);
    const QString fileName = path.mid(path.lastIndexOf('/') + 1);
    if (Services.Dialogs.Message(this, "Delete",
                                 "Are you sure you want to delete " + fileName + "?",
                                 TMsgIcon::Question, mbYes | mbNo) != TMsgResult::Yes)
        return;
    // An image that stays keeps its link: the user is told, and nothing else changes.
    if (::unlink(link.ImagePath.c_str()) != 0 && errno != ENOENT) {
        ReportError(Services.Dialogs, this,
                    "Cannot delete " + path + ": " + QString::fromLocal8Bit(std::strerror(errno)));
        return;
    }
    DeleteFile(NoteFileName(link.ImagePath));
    RemoveFromMainList(path);

    Records.erase(Records.begin() + Selected);
    RewriteStore();
    envImage->ClearImage();
    txtURL->clear();
    setWindowTitle(Caption);
    // Every cell after the deleted one now shows the record after its old one.
    ThumbGrid->viewport()->update();
    ForgetSelection();
    if (Records.empty())
        accept();
}

void TfrmURLImg::RemoveFromMainList(const QString& imagePath) {
    TCaptureList& list = MainView.Captures();
    const int row = list.RowOf(imagePath);
    if (row < 0)
        return;
    if (list.SelectedRows().contains(row)) {
        MainView.View().ClearImage();
        MainView.WorkImage().Clear();
        MainView.SetStatusText(QString());
    }
    list.Remove(row);
    if (ThumbnailRebuild)
        *ThumbnailRebuild = true;
}

void TfrmURLImg::Exit1Click() {
    close();
}

void TfrmURLImg::ShutDownTimerTimer() {
    ShutDownTimer->stop();
    hide();
    SayNothingToShow(Services.Dialogs, parentWidget());
    reject();
}

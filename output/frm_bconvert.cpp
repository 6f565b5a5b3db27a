#include "output/frm_bconvert.h"

#include "imaging/batch_conversion.h"
#include "imaging/display_preparation.h"
#include "imaging/format_registry.h"
#include "output/frm_jpeg_compression.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "widgets/capture_formats.h"
#include "widgets/image_scroll_box.h"
#include "widgets/local_path.h"
#include "widgets/wait_pointer.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTreeView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>

namespace {

// The entries of a list keep their full path here.
constexpr int PathRole = Qt::UserRole;
constexpr int IsFolderRole = Qt::UserRole + 1;

// A folder's path without its trailing separator; the root stays "/".
QString WithoutTrailingSlash(const QString& folder) {
    return folder.size() > 1 && folder.endsWith('/') ? folder.chopped(1) : folder;
}

// "shot.bmp" with ".PNG" -> "shot.PNG"; a name without a dot gets the extension added.
QString WithExtension(const QString& name, const QString& extension) {
    const int dot = name.lastIndexOf('.');
    return (dot <= 0 ? name : name.left(dot)) + extension;
}

QString ExtensionOf(const QString& path) {
    const QString name = path.mid(path.lastIndexOf('/') + 1);
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? QString() : name.mid(dot);
}

QLabel* NewPanelLabel(const char* name, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QTreeView* NewFolderTree(const char* name, QFileSystemModel* folders, QWidget* parent) {
    auto* tree = new QTreeView(parent);
    tree->setObjectName(name);
    tree->setModel(folders);
    tree->setHeaderHidden(true);
    for (int column = 1; column < folders->columnCount(); ++column)
        tree->hideColumn(column);
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    return tree;
}

QTreeWidget* NewFileList(const char* name, QAbstractItemView::SelectionMode selection,
                         QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    list->setObjectName(name);
    list->setHeaderLabels({"Name", "Size", "Type", "Modified"});
    list->setRootIsDecorated(false);
    list->setSelectionMode(selection);
    list->setUniformRowHeights(true);
    // The names get the room; the other columns take what they need, and the list scrolls
    // sideways when the window is narrow.
    QHeaderView* header = list->header();
    header->setStretchLastSection(true);
    header->setSectionResizeMode(0, QHeaderView::Interactive);
    for (int column = 1; column < list->columnCount(); ++column)
        header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    header->resizeSection(0, 160);
    return list;
}

} // namespace

TfrmBConvert::TfrmBConvert(const TServices& services, TImageScrollBox& view, QWidget* parent)
    : QDialog(parent), Services(services), View(view) {
    setObjectName("frmBConvert");
    setWindowTitle("Batch Conversion");
    setSizeGripEnabled(true);

    // One model of the folders for both trees, rooted at the file system's root.
    Folders = new QFileSystemModel(this);
    Folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    Folders->setRootPath(QDir::rootPath());

    pFrom = NewPanelLabel("pFrom", this);
    auto* fromPan = new QSplitter(Qt::Horizontal, this);
    fromPan->setObjectName("FromPan");
    Tree1 = NewFolderTree("Tree1", Folders, fromPan);
    lvFiles1 = NewFileList("lvFiles1", QAbstractItemView::ExtendedSelection, fromPan);
    pTo = NewPanelLabel("pTo", this);
    auto* toPanel = new QSplitter(Qt::Horizontal, this);
    toPanel->setObjectName("ToPanel");
    Tree2 = NewFolderTree("Tree2", Folders, toPanel);
    lvFiles2 = NewFileList("lvFiles2", QAbstractItemView::SingleSelection, toPanel);
    for (QSplitter* pan : {fromPan, toPanel}) {
        pan->setStretchFactor(0, 1);
        pan->setStretchFactor(1, 2);
        pan->setChildrenCollapsible(false);
    }

    lblFormat = new QLabel("New Format", this);
    lblFormat->setObjectName("lblFormat");
    cboFormat = new QComboBox(this);
    cboFormat->setObjectName("cboFormat");
    for (const TCaptureFormatInfo& format : CaptureFormats)
        cboFormat->addItem(format.Extension);
    PBar = new QProgressBar(this);
    PBar->setObjectName("PBar");
    PBar->setTextVisible(false);
    PBar->setValue(0);
    btnOk = new QPushButton("Convert", this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    btnCancel = new QPushButton("Exit", this);
    btnCancel->setObjectName("btnCancel");

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(lblFormat);
    bottom->addWidget(cboFormat);
    bottom->addWidget(PBar, 1);
    bottom->addWidget(btnOk);
    bottom->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(pFrom);
    layout->addWidget(fromPan, 1);
    layout->addWidget(pTo);
    layout->addWidget(toPanel, 1);
    layout->addLayout(bottom);
    resize(540, 383);

    connect(btnOk, &QPushButton::clicked, this, &TfrmBConvert::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    // activated: the user's choice only, not an entry put there by the program.
    connect(cboFormat, &QComboBox::activated, this, &TfrmBConvert::cboFormatClick);
    connect(Tree1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TfrmBConvert::Tree1Change);
    connect(Tree2->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &TfrmBConvert::Tree2Change);
    connect(lvFiles1, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { OpenListEntry(item, true); });
    connect(lvFiles2, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { OpenListEntry(item, false); });

    // The trees fill in while the folders are read: each keeps its folder in sight while the
    // folders on the way to it come in (and only then, so that browsing is left alone).
    connect(Folders, &QFileSystemModel::directoryLoaded, this, [this](const QString& loaded) {
        const QString prefix = loaded.endsWith('/') ? loaded : loaded + "/";
        for (QTreeView* tree : {Tree1, Tree2}) {
            const QModelIndex current = tree->currentIndex();
            if (current.isValid() && Folders->filePath(current).startsWith(prefix))
                tree->scrollTo(current, QAbstractItemView::PositionAtCenter);
        }
    });

    const QString home = FromLocalPath(HomeFolder());
    ShowFromFolder(home);
    ShowToFolder(home);
}

void TfrmBConvert::ShowFromFolder(const QString& folder) {
    FromFolder_ = WithoutTrailingSlash(folder);
    FillList(lvFiles1, FromFolder_);
    pFrom->setText("From: " + FromFolder_);
    SelectInTree(Tree1, FromFolder_);
}

void TfrmBConvert::ShowToFolder(const QString& folder) {
    ToFolder_ = WithoutTrailingSlash(folder);
    FillList(lvFiles2, ToFolder_);
    pTo->setText("To: " + ToFolder_);
    SelectInTree(Tree2, ToFolder_);
}

void TfrmBConvert::SelectInTree(QTreeView* tree, const QString& folder) {
    const QModelIndex index = Folders->index(folder);
    if (!index.isValid() || tree->currentIndex() == index)
        return;
    tree->setCurrentIndex(index);
    tree->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void TfrmBConvert::Tree1Change() {
    const QString folder = Folders->filePath(Tree1->currentIndex());
    if (!folder.isEmpty() && folder != FromFolder_)
        ShowFromFolder(folder);
}

void TfrmBConvert::Tree2Change() {
    const QString folder = Folders->filePath(Tree2->currentIndex());
    if (!folder.isEmpty() && folder != ToFolder_)
        ShowToFolder(folder);
}

void TfrmBConvert::OpenListEntry(QTreeWidgetItem* item, bool fromSide) {
    if (!item || !item->data(0, IsFolderRole).toBool())
        return;
    const QString folder = item->data(0, PathRole).toString();
    if (fromSide)
        ShowFromFolder(folder);
    else
        ShowToFolder(folder);
}

void TfrmBConvert::FillList(QTreeWidget* list, const QString& folder) {
    list->clear();
    const QDir dir(folder);
    // Folders first, then files, each by name; hidden entries are left out, as the trees do.
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllDirs | QDir::Files | QDir::NoDotAndDotDot,
                          QDir::DirsFirst | QDir::Name | QDir::IgnoreCase);
    const QLocale locale;
    QList<QTreeWidgetItem*> items;
    for (const QFileInfo& entry : entries) {
        auto* item = new QTreeWidgetItem;
        const bool isFolder = entry.isDir();
        item->setText(0, entry.fileName());
        item->setData(0, PathRole, entry.absoluteFilePath());
        item->setData(0, IsFolderRole, isFolder);
        item->setIcon(
            0, list->style()->standardIcon(isFolder ? QStyle::SP_DirIcon : QStyle::SP_FileIcon));
        if (!isFolder) {
            item->setText(1, locale.formattedDataSize(entry.size()));
            item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        }
        const QString suffix = entry.suffix().toUpper();
        item->setText(2, isFolder           ? QString("Folder")
                         : suffix.isEmpty() ? QString("File")
                                            : suffix + " File");
        item->setText(3, locale.toString(entry.lastModified(), QLocale::ShortFormat));
        items << item;
    }
    list->addTopLevelItems(items);
}

void TfrmBConvert::cboFormatClick(int index) {
    if (cboFormat->itemText(index) != ".JPG")
        return;
    TfrmJPEGCompression dialog(Services.Dialogs, View.Graphic(), this);
    if (!View.Graphic().Empty())
        dialog.testImage->AssignImage(View.Graphic());
    Services.Dialogs.ExecModal(dialog);
}

void TfrmBConvert::btnOkClick() {
    if (lvFiles1->selectedItems().isEmpty() || FromFolder_.isEmpty() || ToFolder_.isEmpty())
        return;
    // A folder that cannot take the files is said once, before anything is converted.
    try {
        CheckTargetFolder(LocalPath(ToFolder_));
    } catch (const std::exception& error) {
        Services.Dialogs.Message(this, "Error", QString::fromLocal8Bit(error.what()),
                                 TMsgIcon::Critical, mbOK);
        return;
    }

    // The editor's image (with its file name) comes back however the run ends.
    struct TKeptImage {
        TImageScrollBox& View;
        TDibGraphic Picture;
        QString FileName;
        ~TKeptImage() {
            try {
                if (Picture.Empty())
                    View.ClearImage();
                else
                    View.AssignImage(std::move(Picture), FileName);
            } catch (...) {
                // A picture that cannot be rendered again is not shown; the files converted
                // stay converted.
            }
        }
    };
    {
        TKeptImage kept{View, View.Graphic(), View.FileName()};
        TWaitPointer wait;
        const int count = lvFiles1->topLevelItemCount();
        PBar->setMaximum(std::max(count - 1, 1));
        PBar->setValue(0);
        const QString extension = cboFormat->currentText();
        for (int i = 0; i < count; ++i) {
            PBar->setValue(i);
            QTreeWidgetItem* entry = lvFiles1->topLevelItem(i);
            if (!entry->isSelected())
                continue;
            const QString name = entry->text(0);
            Convert(FromFolder_ + (FromFolder_.endsWith('/') ? "" : "/") + name,
                    ToFolder_ + (ToFolder_.endsWith('/') ? "" : "/") +
                        WithExtension(name, extension));
        }
    }
    FillList(lvFiles2, ToFolder_);
    Services.Dialogs.Message(this, "Conversion", "Done", TMsgIcon::Warning, mbOK);
    PBar->setValue(0);
}

void TfrmBConvert::Convert(const QString& source, const QString& target) {
    try {
        View.LoadFromFile(source);
        QCoreApplication::processEvents();
        if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
            const TMsgResult answer = Services.Dialogs.Message(
                this, "Overwrite", target + " already exists.\nDo you want to overwrite it?",
                TMsgIcon::Question, mbYes | mbNo);
            if (answer != TMsgResult::Yes)
                return;
        }
        SaveImageAs(target);
    } catch (const std::exception&) {
        Services.Dialogs.Message(this, "Error", "Compressed TIFF is not supported.",
                                 TMsgIcon::Critical, mbOK);
    }
}

void TfrmBConvert::SaveImageAs(const QString& target) {
    const QString extension = ExtensionOf(target).toLower();
    TDibGraphic& image = View.Graphic();
    const std::string file = LocalPath(target);
    if (extension == ".gif") {
        TWaitPointer wait;
        SaveImageFile(image, file);
        return;
    }
    if (extension == ".jpg") {
        if (PrepareTrueColor(image)) {
            View.Redraw(true);
            QCoreApplication::processEvents();
        }
        const TJpegSettings settings = ReadJpegOptions();
        TWaitPointer wait;
        SaveImageFile(image, file, {settings.Quality, settings.Progressive});
        return;
    }
    if (SaveTypeOf(extension.toStdString()) == 0) {
        Services.Dialogs.Message(this, "Error",
                                 target + " is not a valid formats:\n" +
                                     QString::fromStdString(SaveFormatNames()),
                                 TMsgIcon::Critical, mbOK);
        return;
    }
    if (PrepareForPaletteDisplay(image, Services.Screen.ScreenColorCount(), false))
        View.Redraw(true);
    View.SaveToFile(target);
}

#include "widgets/capture_list.h"

#include "store/work_folder.h"
#include "widgets/local_path.h"
#include "widgets/tool_pictures.h"

#include <QFileInfo>

#include <QHeaderView>
#include <QKeyEvent>

TCaptureList::TCaptureList(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(2);
    setHeaderLabels({"Saved", "File Name"});
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSortingEnabled(false);
    header()->setSectionsClickable(false);
    header()->setSectionsMovable(false);
    header()->setStretchLastSection(false);
    setColumnWidth(0, 40);
    setColumnWidth(1, 200);
}

int TCaptureList::RowOf(const QString& path) const {
    for (int row = 0; row < Count(); ++row)
        if (Paths_[row].compare(path, Qt::CaseInsensitive) == 0)
            return row;
    return -1;
}

void TCaptureList::Add(const QString& path, const QString& url) {
    auto* row = new QTreeWidgetItem(this);
    row->setText(1, QFileInfo(path).fileName());
    Paths_.append(path);
    URLs_.append(url);
    UpdateRowPicture(int(Paths_.size()) - 1);
}

void TCaptureList::Rename(int row, const QString& path) {
    Paths_[row] = path;
    topLevelItem(row)->setText(1, path.mid(path.lastIndexOf('/') + 1));
    UpdateRowPicture(row);
}

void TCaptureList::Remove(int row) {
    delete takeTopLevelItem(row);
    Paths_.removeAt(row);
    URLs_.removeAt(row);
}

void TCaptureList::Clear() {
    clear();
    Paths_.clear();
    URLs_.clear();
}

void TCaptureList::UpdateRowPicture(int row) {
    QTreeWidgetItem* item = topLevelItem(row);
    if (!item || row >= Paths_.size())
        return;
    const bool saved = !IsInWorkFolder(LocalPath(Paths_[row]));
    item->setIcon(0, saved ? SavedRowPicture() : UnsavedRowPicture());
}

QList<int> TCaptureList::SelectedRows() const {
    QList<int> rows;
    for (int row = 0; row < topLevelItemCount(); ++row)
        if (topLevelItem(row)->isSelected())
            rows.append(row);
    return rows;
}

QStringList TCaptureList::SelectedPaths() const {
    QStringList paths;
    for (int row : SelectedRows())
        if (row < Count())
            paths << Path(row);
    return paths;
}

QList<QPersistentModelIndex> TCaptureList::MarkSelectedRows() const {
    QList<QPersistentModelIndex> marks;
    for (int row : SelectedRows())
        marks.append(QPersistentModelIndex(indexFromItem(topLevelItem(row))));
    return marks;
}

int TCaptureList::FocusedRow() const {
    QTreeWidgetItem* focused = currentItem();
    if (!focused)
        return -1;
    const int row = indexOfTopLevelItem(focused);
    return row < Paths_.size() ? row : -1;
}

void TCaptureList::SelectLast() {
    clearSelection();
    if (Paths_.isEmpty())
        return;
    QTreeWidgetItem* last = topLevelItem(int(Paths_.size()) - 1);
    setCurrentItem(last);
    last->setSelected(true);
    scrollToItem(last);
}

void TCaptureList::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QTreeWidget::scrollTo(index.siblingAtColumn(0), hint);
}

void TCaptureList::keyPressEvent(QKeyEvent* event) {
    const QTreeWidgetItem* before = currentItem();
    QTreeWidget::keyPressEvent(event);
    if (currentItem() != before && OnKeyboardMove)
        OnKeyboardMove();
}

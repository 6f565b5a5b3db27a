// The list of the run's captures: one row per image file, with the file's path and the address
// of the web page it was captured from (empty when none). Rows, paths and addresses change
// only together, through Add, Rename and Remove.
//
// The "Saved" column shows a diskette once the row's image lies outside the working folder
// (saved elsewhere), nothing before; the "File Name" column shows the file name.
#pragma once

#include <QList>
#include <QPersistentModelIndex>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

class TCaptureList : public QTreeWidget {
public:
    explicit TCaptureList(QWidget* parent = nullptr);

    int Count() const { return int(Paths_.size()); }
    bool IsEmpty() const { return Paths_.isEmpty(); }
    const QString& Path(int row) const { return Paths_[row]; }
    const QString& URL(int row) const { return URLs_[row]; }
    const QStringList& Paths() const { return Paths_; }
    const QStringList& URLs() const { return URLs_; }
    // True when `path` is, ignoring letter case, the path of a listed image.
    bool Lists(const QString& path) const { return RowOf(path) >= 0; }
    // The first row whose path is `path`, ignoring letter case; -1 for none.
    int RowOf(const QString& path) const;

    // Appends a row for an image file.
    void Add(const QString& path, const QString& url);
    // The row's image now lies at `path`: its name and its "Saved" picture follow.
    void Rename(int row, const QString& path);
    void Remove(int row);
    void Clear();

    // The rows selected, from the top.
    QList<int> SelectedRows() const;
    // The image paths of the selected rows, from the top.
    QStringList SelectedPaths() const;
    // The rows selected, from the top, as marks that stay with their rows while other rows
    // come and go (a capture that lands meanwhile, rows removed above).
    QList<QPersistentModelIndex> MarkSelectedRows() const;
    // The row a mark stands for now; -1 once that row has been removed.
    static int RowOf(const QPersistentModelIndex& mark) { return mark.isValid() ? mark.row() : -1; }
    // The row that has the keyboard focus; -1 for none.
    int FocusedRow() const;
    // Selects the last row alone, gives it the focus and scrolls it into view.
    void SelectLast();

    // Moving through the list with the keyboard shows the image the way a click on the row
    // does: the window sets what that is.
    std::function<void()> OnKeyboardMove;

    // The two columns are wider than the list: moving to a row scrolls it into view
    // vertically only, so that the "Saved" column stays in sight.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateRowPicture(int row);

    QStringList Paths_;
    QStringList URLs_;
};

// The batch conversion window: image files chosen in one folder are written into another
// folder under the same names with the extension of the chosen format. The image editor opens
// it on its own view, which loads and writes each file; the editor's image is kept aside
// during a run and shown again at its end.
#pragma once

#include "platform/services.h"

#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;
class QTreeWidget;
class QTreeWidgetItem;
class TImageScrollBox;

class TfrmBConvert : public QDialog {
    Q_OBJECT
public:
    // `view` is the editor's view: it loads and writes the files, and it must outlive the
    // window. Both sides start in the home folder.
    TfrmBConvert(const TServices& services, TImageScrollBox& view, QWidget* parent = nullptr);

    // Convert: every selected entry of the source list is loaded, then written into the target
    // folder with the format box's extension, after asking whether to replace a file that is
    // there. A file that cannot be converted is reported, and the run goes on.
    void btnOkClick();
    // Writes the view's image to `target` in the format of its extension: GIF reduced to 256
    // colours, JPEG as true colour at the quality of "jpeg.cfg", the others reduced to the
    // colours of a palette screen first.
    void SaveImageAs(const QString& target);
    // The format box: choosing ".JPG" opens the JPEG quality window on the view's image.
    void cboFormatClick(int index);
    // A folder chosen in a tree: its list shows it, and the caption above names it.
    void Tree1Change();
    void Tree2Change();

    // Shows `folder` on the source or the target side: in the tree and in the list.
    void ShowFromFolder(const QString& folder);
    void ShowToFolder(const QString& folder);
    const QString& FromFolder() const { return FromFolder_; }
    const QString& ToFolder() const { return ToFolder_; }

    QLabel* pFrom = nullptr;
    QTreeView* Tree1 = nullptr;
    QTreeWidget* lvFiles1 = nullptr;
    QLabel* pTo = nullptr;
    QTreeView* Tree2 = nullptr;
    QTreeWidget* lvFiles2 = nullptr;
    QLabel* lblFormat = nullptr;
    QComboBox* cboFormat = nullptr;
    QProgressBar* PBar = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    // Fills a list with the folders, then the files, of `folder`, by name.
    static void FillList(QTreeWidget* list, const QString& folder);
    // An entry of a list opened (double-clicked): a folder is shown on that side.
    void OpenListEntry(QTreeWidgetItem* item, bool fromSide);
    void SelectInTree(QTreeView* tree, const QString& folder);
    void Convert(const QString& source, const QString& target);

    TServices Services;
    TImageScrollBox& View;
    QFileSystemModel* Folders = nullptr;
    QString FromFolder_;
    QString ToFolder_;
};

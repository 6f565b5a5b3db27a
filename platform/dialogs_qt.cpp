#include "platform/dialogs.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSortFilterProxyModel>
#include <exception>

namespace {

QMessageBox::Icon ToQtIcon(TMsgIcon icon) {
    switch (icon) {
    case TMsgIcon::Information:
        return QMessageBox::Information;
    case TMsgIcon::Warning:
        return QMessageBox::Warning;
    case TMsgIcon::Critical:
        return QMessageBox::Critical;
    case TMsgIcon::Question:
        return QMessageBox::Question;
    case TMsgIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

// Folders and the files this user may run. The dialog's own permission filter (QDir::Executable)
// does not serve: with it the dialog lists no file at all.
class TExecutablesOnly : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QFileInfo file(files->filePath(files->index(row, 0, parent)));
        return file.isDir() || (file.isFile() && file.isExecutable());
    }
};

std::optional<TFileDialogResult> RunFileDialog(QWidget* owner, const TFileDialogOptions& options,
                                               QFileDialog::AcceptMode mode) {
    QFileDialog dialog(owner, options.Caption, options.Folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    // Our own dialog, so that the type-change handler can rewrite the name box.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.ConfirmOverwrite);
    if (!options.Filters.isEmpty()) {
        dialog.setNameFilters(options.Filters);
        const int index = options.FilterIndex - 1;
        if (index >= 0 && index < options.Filters.size())
            dialog.selectNameFilter(options.Filters[index]);
    }
    if (options.ExecutablesOnly)
        dialog.setProxyModel(new TExecutablesOnly(&dialog));
    if (!options.FileName.isEmpty())
        dialog.selectFile(options.FileName);
    if (options.OnTypeChange) {
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, &options](const QString& filter) {
                             const int index = options.Filters.indexOf(filter) + 1;
                             auto* nameBox = dialog.findChild<QLineEdit*>("fileNameEdit");
                             const QString current = nameBox ? nameBox->text() : QString();
                             dialog.selectFile(options.OnTypeChange(index, current));
                         });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return TFileDialogResult{QDir::toNativeSeparators(dialog.selectedFiles().first()),
                             int(options.Filters.indexOf(dialog.selectedNameFilter()) + 1)};
}

} // namespace

void ReportError(IDialogs& dialogs, QWidget* owner, const QString& text) {
    dialogs.Message(owner, "Error", text, TMsgIcon::Critical, mbOK);
}

bool RunCommand(IDialogs& dialogs, QWidget* owner, const std::function<void()>& command) {
    try {
        command();
        return true;
    } catch (const std::exception& error) {
        ReportError(dialogs, owner, QString::fromLocal8Bit(error.what()));
        return false;
    }
}

TMsgResult TQtDialogs::Message(QWidget* owner, const QString& caption, const QString& text,
                               TMsgIcon icon, unsigned buttons) {
    QMessageBox::StandardButtons qtButtons;
    if (buttons & mbOK)
        qtButtons |= QMessageBox::Ok;
    if (buttons & mbYes)
        qtButtons |= QMessageBox::Yes;
    if (buttons & mbNo)
        qtButtons |= QMessageBox::No;
    if (buttons & mbCancel)
        qtButtons |= QMessageBox::Cancel;
    if (!qtButtons)
        qtButtons = QMessageBox::Ok;
    QMessageBox box(ToQtIcon(icon), caption, text, qtButtons, owner);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return TMsgResult::Yes;
    case QMessageBox::No:
        return TMsgResult::No;
    case QMessageBox::Cancel:
        return TMsgResult::Cancel;
    case QMessageBox::Ok:
        return TMsgResult::OK;
    default:
        break;
    }
    // Closed by the window's close box: the box's escape answer.
    if (buttons & mbCancel)
        return TMsgResult::Cancel;
    if (buttons & mbNo)
        return TMsgResult::No;
    return TMsgResult::OK;
}

std::optional<QString> TQtDialogs::InputBox(QWidget* owner, const QString& caption,
                                            const QString& prompt, const QString& defaultText) {
    bool ok = false;
    QString text =
        QInputDialog::getText(owner, caption, prompt, QLineEdit::Normal, defaultText, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

std::optional<TFileDialogResult> TQtDialogs::SaveFile(QWidget* owner,
                                                      const TFileDialogOptions& options) {
    return RunFileDialog(owner, options, QFileDialog::AcceptSave);
}

std::optional<TFileDialogResult> TQtDialogs::OpenFile(QWidget* owner,
                                                      const TFileDialogOptions& options) {
    return RunFileDialog(owner, options, QFileDialog::AcceptOpen);
}

std::optional<QString> TQtDialogs::SelectFolder(QWidget* owner, const QString& caption,
                                                const QString& startFolder) {
    QString folder = QFileDialog::getExistingDirectory(owner, caption, startFolder);
    if (folder.isEmpty())
        return std::nullopt;
    return folder;
}

int TQtDialogs::ExecModal(QDialog& dialog) {
    return dialog.exec();
}

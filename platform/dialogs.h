// Every modal question, message, input box and file or folder dialog of the program goes
// through this one interface, so command handlers run headless in tests: a test scripts
// the user's answers and checks the exact caption, text, icon and buttons.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QDialog;
class QWidget;

enum class TMsgIcon { None, Information, Warning, Critical, Question };

// Buttons of a message box, combined with |.
enum TMsgButton : unsigned { mbOK = 1, mbYes = 2, mbNo = 4, mbCancel = 8 };

enum class TMsgResult { OK, Yes, No, Cancel };

struct TFileDialogOptions {
    QString Caption;
    QString Folder;      // the folder the dialog opens on
    QString FileName;    // the text put in the file-name box
    QStringList Filters; // e.g. "Bitmap (*.bmp)"
    int FilterIndex = 1; // 1-based, as the type lists are numbered
    bool ConfirmOverwrite = true;
    // Lists only the files the user may run (and the folders to get to them).
    bool ExecutablesOnly = false;
    // Runs when the user picks another type; gets the new 1-based index and the text in the
    // file-name box and returns the text to put there.
    std::function<QString(int, const QString&)> OnTypeChange;
};

struct TFileDialogResult {
    QString Path;
    int FilterIndex = 1;
};

class IDialogs {
public:
    virtual ~IDialogs() = default;

    // A modal message box; returns the button pressed (closing it counts as the last of
    // Cancel, No or OK that it has).
    virtual TMsgResult Message(QWidget* owner, const QString& caption, const QString& text,
                               TMsgIcon icon, unsigned buttons = mbOK) = 0;
    // The input box: nullopt when cancelled.
    virtual std::optional<QString> InputBox(QWidget* owner, const QString& caption,
                                            const QString& prompt, const QString& defaultText) = 0;
    virtual std::optional<TFileDialogResult> SaveFile(QWidget* owner,
                                                      const TFileDialogOptions& options) = 0;
    virtual std::optional<TFileDialogResult> OpenFile(QWidget* owner,
                                                      const TFileDialogOptions& options) = 0;
    virtual std::optional<QString> SelectFolder(QWidget* owner, const QString& caption,
                                                const QString& startFolder) = 0;
    // Shows one of the program's own modal windows and returns its result code
    // (QDialog::Accepted or Rejected, or what the window set with done()).
    virtual int ExecModal(QDialog& dialog) = 0;
};

// The general error report: a failure that a command does not handle itself ends the
// command and is shown with the error text.
void ReportError(IDialogs& dialogs, QWidget* owner, const QString& text);
// Runs a command the same way: a failure it does not handle itself (a std::exception) ends
// it and is shown by ReportError with the exception's text. True when the command ran
// through.
bool RunCommand(IDialogs& dialogs, QWidget* owner, const std::function<void()>& command);

// The real dialogs: QMessageBox, QInputDialog, QFileDialog, QDialog::exec.
class TQtDialogs : public IDialogs {
public:
    TMsgResult Message(QWidget* owner, const QString& caption, const QString& text, TMsgIcon icon,
                       unsigned buttons) override;
    std::optional<QString> InputBox(QWidget* owner, const QString& caption, const QString& prompt,
                                    const QString& defaultText) override;
    std::optional<TFileDialogResult> SaveFile(QWidget* owner,
                                              const TFileDialogOptions& options) override;
    std::optional<TFileDialogResult> OpenFile(QWidget* owner,
                                              const TFileDialogOptions& options) override;
    std::optional<QString> SelectFolder(QWidget* owner, const QString& caption,
                                        const QString& startFolder) override;
    int ExecModal(QDialog& dialog) override;
};

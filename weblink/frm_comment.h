// The note view and edit window: shows an image's note and writes it back on OK.
#pragma once

#include <QDialog>
#include <QString>

class IDialogs;
class QPushButton;
class TNoteTextBox;

class TfrmComment : public QDialog {
    Q_OBJECT
public:
    TfrmComment(IDialogs& dialogs, QWidget* parent = nullptr);

    // OK: writes the lines of the text box, empty or not, to TargetFile (replacing it) and
    // closes. A file that cannot be written is reported and the window stays open with the
    // text, so nothing typed is lost. The close box writes nothing.
    void btnOkClick();

    TNoteTextBox* moComment = nullptr;
    QPushButton* btnOk = nullptr;
    // The note file to write to.
    QString TargetFile;

protected:
    void showEvent(QShowEvent* event) override;

private:
    IDialogs& Dialogs;
};

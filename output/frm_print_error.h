// The window that tells the user an image is too large for a page layout and is skipped.
// It stays on top and closes itself after 15 seconds, so that a long print run over many
// images does not wait for the user.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;
class QTimer;

// "<file name> is larger than your printer page. It can only be printed using regular print
// or thumbnail printing."
QString PrintErrorMessage(const QString& fileName);

class TfrmPrintError : public QDialog {
    Q_OBJECT
public:
    // `fileName` is the image's file name, shown at the start of the message.
    explicit TfrmPrintError(const QString& fileName, QWidget* parent = nullptr);

    void btnOKClick();
    void StopTimerTimer();

    QPlainTextEdit* moMessage = nullptr;
    QPushButton* btnOK = nullptr;
    QTimer* StopTimer = nullptr;
};

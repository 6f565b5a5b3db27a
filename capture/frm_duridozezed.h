// "DurIdozezed Setup": the delay between the scroll steps of a whole-page capture, in steps
// of 0.5 seconds from 0.5 to 5, kept in "duridozezed.dat".
#pragma once

#include <QDialog>

class IDialogs;

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

class TfrmDurIdozezed : public QDialog {
    Q_OBJECT
public:
    // Shows the delay the file holds ("0.5" without one). A file that cannot be written is
    // reported through `dialogs`.
    explicit TfrmDurIdozezed(IDialogs& dialogs, QWidget* parent = nullptr);

    // The arrows of the spin button: half a second more or less, within the limits.
    void SpinButton1UpClick();
    void SpinButton1DownClick();
    // OK: the delay shown becomes the only line of "duridozezed.dat", and the dialog closes;
    // when the file cannot be written the user is told and the dialog stays open.
    void btnOKClick();

    QLabel* lblHint = nullptr;
    QLineEdit* edValue = nullptr;
    QToolButton* SpinUp = nullptr;
    QToolButton* SpinDown = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void SetValue(double seconds);

    IDialogs& Dialogs;
};

// The delay in seconds after a step of the spin button from `seconds`: up adds 0.5 below 5,
// down takes 0.5 away above 0.5, and the result never leaves 0.5 .. 5.
double SpinDelay(double seconds, bool up);

// The resize window ("Resize"): asks for a new width and height, from three preset sizes or
// typed, optionally keeping the picture's proportions while typing, and hands them with the
// keep-ratio choice to the editor (TResizeChoice), which resamples.
//
// OK closes the window in every case; it records a size only when both boxes hold whole
// numbers of at least 1 that differ from the starting size and make a picture no larger than
// an image may be (MaxImagePixels). What it refuses it says in a message. Cancel, Esc and the
// close box set the chosen width and height to 0.
#pragma once

#include "editor/resize_image.h"

#include <QDialog>

#include <optional>

class IDialogs;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TfrmResize : public QDialog {
    Q_OBJECT
public:
    // `choice` receives the size (it must outlive the window).
    TfrmResize(IDialogs& dialogs, TResizeChoice& choice, QWidget* parent = nullptr);

    // The picture's size: both boxes show it, and the proportions are taken from it.
    void SetStartSize(int width, int height);

    void opt640by480Click();
    void opt800by600Click();
    void opt1024by768Click();
    // Checked with both boxes filled: Custom Size, and the height follows the width.
    void cbRatioClick();
    // With Custom Size and Maintain Aspect Ratio, the height follows the width.
    void edWidthChange();
    // Leaving the height box with Custom Size and Maintain Aspect Ratio: the width follows
    // the height (and the height then the new width).
    void edHeightExit();
    void btnOKClick();
    void btnCancelClick();

    QGroupBox* grpSize = nullptr;
    QRadioButton* opt640by480 = nullptr;
    QRadioButton* opt800by600 = nullptr;
    QRadioButton* opt1024by768 = nullptr;
    QRadioButton* optCustom = nullptr;
    QLineEdit* edWidth = nullptr;
    QLabel* lblBy = nullptr;
    QLineEdit* edHeight = nullptr;
    QCheckBox* cbRatio = nullptr;
    QPushButton* btnOK = nullptr;
    QPushButton* btnCancel = nullptr;

public slots:
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetPreset(const char* width, const char* height);
    // The box's whole number, or nothing; `report` says what is wrong with it.
    std::optional<int> Number(const QLineEdit* box, bool report);

    IDialogs& Dialogs;
    TResizeChoice& Choice;
    int StartWidth = 1;  // W0
    int StartHeight = 1; // H0
};

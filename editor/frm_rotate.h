// The rotate window ("Rotate"): turns the picture by an angle in tenths of a degree about its
// centre or a point the user chooses, with the corners that leave the picture cut off (the
// uncovered area black) or with the picture repeated beyond its edges. Every change of a
// control draws the preview anew from the master copy.
//
// The picture keeps its size: what turns out of it is cut off.
#pragma once

#include "editor/fast_preview_dialog.h"

class QCheckBox;
class QLabel;
class QScrollBar;

class TfrmRotate : public TFastPreviewDialog {
    Q_OBJECT
public:
    explicit TfrmRotate(IDialogs& dialogs, QWidget* parent = nullptr);

    // Any change: the preview is the master copy turned by sAmount / 10 degrees about the
    // centre, clipped or wrapped.
    void sAmountChange();
    // The centre bars are enabled exactly when the centre is not automatic; then as any
    // change.
    void btnCenterClick();

    // The angle in tenths of a degree, 0..3600.
    QScrollBar* sAmount = nullptr;
    QCheckBox* btnWrap = nullptr;
    QScrollBar* xCenter = nullptr;
    QScrollBar* yCenter = nullptr;
    QCheckBox* btnCenter = nullptr;
    QLabel* lblAngle = nullptr;
    QLabel* lblCenter = nullptr;
    QLabel* lblX = nullptr;
    QLabel* lblY = nullptr;

protected:
    void MasterMade() override;

private:
    // Set while the window moves its own bars, which would otherwise draw the preview again.
    bool SettingBars = false;
};

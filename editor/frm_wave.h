// The wave window ("Wave Effects"): bends the picture with two sine waves, columns up and
// down and rows left and right. Bar z sets the height of the waves (z / 20 pixels), x the
// length of the column wave and y of the row wave (x / 100 and y / 100 radians per pixel);
// with every bar at 1 the picture stays as it is. Every change draws the preview anew from
// the master copy.
#pragma once

#include "editor/fast_preview_dialog.h"

class QCheckBox;
class QLabel;
class QScrollBar;

class TfrmWave : public TFastPreviewDialog {
    Q_OBJECT
public:
    explicit TfrmWave(IDialogs& dialogs, QWidget* parent = nullptr);

    // Any change of a bar or of Wrap Edges: the preview is the master copy bent by amplitude
    // z x 0.05 and periods x x 0.01 and y x 0.01, clipped or wrapped. Where the clipped wave
    // takes no pixel, the picture shows as loaded.
    void xAmountChange();
    // Puts the three bars back to 1: the picture as loaded.
    void btnZeroClick();

    QScrollBar* xAmount = nullptr;
    QScrollBar* yAmount = nullptr;
    QScrollBar* zAmount = nullptr;
    QLabel* lblX = nullptr;
    QLabel* lblY = nullptr;
    QLabel* lblZ = nullptr;
    QPushButton* btnZero = nullptr;
    QCheckBox* btnWrap = nullptr;
};

// The adjust dialog: the editor's image with one effect at the strength of a scroll bar, shown
// as a preview that follows the bar, and put into the editor with an undo step on "Keep".
//
// The opener (TfrmEditor::OpenAdjust) sets the caption, the position label and the bar, shows
// the second bar "Intensity" for the X colour effects, and sets the effect last: positions set
// before the effect leave the picture as it was, so the dialog opens on the unchanged image
// and Keep at once stores it unchanged. From then on every change of a bar recomputes the
// preview from the editor's unchanged image, once the events already waiting have run: a bar
// dragged quickly leaves at most one recomputation pending, made with the bars' latest
// positions.
#pragma once

#include "imaging/adjust_effects.h"

#include <QDialog>
#include <QString>

#include <cstdint>

class IDialogs;
class QLabel;
class QPushButton;
class QScrollArea;
class QScrollBar;
class TFastIMG;
class TfrmEditor;

// How an editor command opens the dialog: its caption, effect, starting bar position and
// the label's text, and whether the Intensity bar shows.
struct TAdjustOpening {
    QString Caption;
    TAdjustMode Mode = TAdjustMode::None;
    int Kind = 0; // the squeeze or split kind
    int Position = 0;
    QString Label;
    bool Intensity = false;
};

class TfrmAdjust : public QDialog {
    Q_OBJECT
public:
    // The dialog on the editor's image as it is now. A preview that cannot be made is
    // reported through `dialogs` and leaves the picture shown before.
    TfrmAdjust(TfrmEditor& editor, IDialogs& dialogs);
    ~TfrmAdjust() override;

    // The effect previewed, set last by the opener.
    void SetAdjustMode(TAdjustMode mode, int kind = 0);
    TAdjustMode AdjustMode() const { return Adjustment.Mode; }
    int AdjustKind() const { return Adjustment.Kind; }
    // The second bar and its label, for the X colour effects.
    void ShowIntensity(bool shown);
    // The seed of the random effects (noise, random ripples): one per opening, so that the
    // noise stays put while the user moves the bars, and moving a bar back shows the same
    // picture.
    uint64_t Seed() const { return Adjustment.Seed; }
    void SetSeed(uint64_t seed);

    // Handlers.
    void sbAdjustChange();
    void sbTurbChange();
    void sbAdjustScroll();
    void btnOkClick();
    void btnCancelClick();

    // Recomputes the preview now when a change is waiting for it.
    void RecomputeIfPending();
    // The preview as shown.
    const TFastDIB& Preview() const;
    // Recomputations made so far (the tests' view of the coalescing).
    int Recomputations() const { return Recomputations_; }

    // The dialog's parts, named as the opener and the tests reach them.
    QScrollArea* ScrollBox = nullptr;
    TFastIMG* imgAdjust = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lblPosition = nullptr;
    QScrollBar* sbAdjust = nullptr;
    QLabel* lblIntensity = nullptr;
    QScrollBar* sbTurb = nullptr;
    QPushButton* btnOk = nullptr;
    QPushButton* btnCancel = nullptr;

private:
    void ScheduleRecompute();
    void Recompute();

    TfrmEditor& Editor;
    IDialogs& Dialogs;
    TFastDIB Source; // the editor's image as 24 bits, never changed
    TAdjustment Adjustment;
    bool Pending = false;
    int Recomputations_ = 0;
};

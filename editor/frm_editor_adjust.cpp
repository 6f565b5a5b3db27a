// The entries of the Color and Special Effects menus that open the adjust dialog, each with
// its caption, effect, starting position and label.
#include "editor/frm_adjust.h"
#include "editor/frm_editor.h"

#include <QLabel>
#include <QScrollBar>

void TfrmEditor::OpenAdjust(const TAdjustOpening& opening) {
    if (!HasImage())
        return;
    Run([&] {
        TfrmAdjust dialog(*this, Services.Dialogs);
        dialog.setWindowTitle(opening.Caption);
        dialog.lblPosition->setText(opening.Label);
        dialog.sbAdjust->setValue(opening.Position);
        dialog.ShowIntensity(opening.Intensity);
        // The effect last: the positions above leave the picture unchanged.
        dialog.SetAdjustMode(opening.Mode, opening.Kind);
        Services.Dialogs.ExecModal(dialog);
        // Keep has stored its picture; Discard left the image as it was.
        Redraw();
        ShowStatusText();
    });
}

void TfrmEditor::Bright1Click() {
    OpenAdjust({"Brightness", TAdjustMode::Brightness, 0, 50, "50"});
}

void TfrmEditor::Contrast1Click() {
    OpenAdjust({"Contrast", TAdjustMode::Contrast, 0, 50, "50"});
}

void TfrmEditor::Saturation1Click() {
    OpenAdjust({"Saturation", TAdjustMode::Saturation, 0, 0, "0"});
}

void TfrmEditor::Gaussian1Click() {
    OpenAdjust({"Gaussian Blur", TAdjustMode::Gaussian, 0, 0, "0"});
}

void TfrmEditor::SplitBlur1Click() {
    OpenAdjust({"Split Blur", TAdjustMode::SplitBlur, 0, 0, "0"});
}

void TfrmEditor::Color2Click() {
    OpenAdjust({"Color Noise", TAdjustMode::ColorNoise, 0, 0, "0"});
}

void TfrmEditor::Mono1Click() {
    OpenAdjust({"Mono Noise", TAdjustMode::MonoNoise, 0, 0, "0"});
}

void TfrmEditor::Mosaic1Click() {
    OpenAdjust({"Mosaic", TAdjustMode::Mosaic, 0, 0, "0"});
}

void TfrmEditor::Fisheye1Click() {
    OpenAdjust({"FishEye", TAdjustMode::FishEye, 0, 0, "0"});
}

void TfrmEditor::XRed1Click() {
    OpenAdjust({"Red", TAdjustMode::XRed, 0, 0, "0", true});
}

void TfrmEditor::XGreen1Click() {
    OpenAdjust({"Green", TAdjustMode::XGreen, 0, 0, "0", true});
}

void TfrmEditor::XBlue1Click() {
    OpenAdjust({"Blue", TAdjustMode::XBlue, 0, 0, "0", true});
}

void TfrmEditor::Horizontal2Click() {
    OpenAdjust({"Horizontal Squeeze", TAdjustMode::Squeeze, 1, 0, "0"});
}

void TfrmEditor::Top1Click() {
    OpenAdjust({"Top Squeeze", TAdjustMode::Squeeze, 2, 0, "0"});
}

void TfrmEditor::Bottom1Click() {
    OpenAdjust({"Bottom Squeeze", TAdjustMode::Squeeze, 3, 0, "0"});
}

void TfrmEditor::Diamond1Click() {
    OpenAdjust({"Diamond Squeeze", TAdjustMode::Squeeze, 4, 0, "0"});
}

void TfrmEditor::Middle1Click() {
    OpenAdjust({"Middle Squeeze", TAdjustMode::Squeeze, 5, 0, "0"});
}

void TfrmEditor::Round1Click() {
    OpenAdjust({"Round Squeeze", TAdjustMode::Squeeze, 6, 0, "0"});
}

void TfrmEditor::DoubleRound1Click() {
    OpenAdjust({"Double Round Squeeze", TAdjustMode::Squeeze, 7, 0, "0"});
}

void TfrmEditor::Round2Click() {
    OpenAdjust({"Split Round", TAdjustMode::Split, 1, 0, "0"});
}

void TfrmEditor::Transpose1Click() {
    OpenAdjust({"Split Transpose", TAdjustMode::Split, 2, 0, "0"});
}

void TfrmEditor::Tooth1Click() {
    OpenAdjust({"Ripple Tooth", TAdjustMode::RippleTooth, 0, 0, "0"});
}

void TfrmEditor::Random1Click() {
    OpenAdjust({"Ripple Random", TAdjustMode::RippleRandom, 0, 0, "0"});
}

// The tiles start at the bar's far end, the largest tile; the label keeps its "0" until the
// bar is moved.
void TfrmEditor::Normal1Click() {
    OpenAdjust({"Tile Normal", TAdjustMode::TileNormal, 0, 100, "0"});
}

void TfrmEditor::Overlap1Click() {
    OpenAdjust({"Tile Overlap", TAdjustMode::TileOverlap, 0, 100, "0"});
}

void TfrmEditor::Posterize1Click() {
    OpenAdjust({"Posterize", TAdjustMode::Posterize, 0, 0, "0"});
}

void TfrmEditor::Solarize1Click() {
    OpenAdjust({"Solarize", TAdjustMode::Solarize, 0, 0, "0"});
}

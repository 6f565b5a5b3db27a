#include "editor/frm_adjust.h"

#include "editor/frm_editor.h"
#include "platform/dialogs.h"
#include "widgets/fast_img.h"
#include "widgets/wait_pointer.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <optional>

namespace {

// The effects that take long enough on a large image to show the busy pointer.
bool IsBusyEffect(TAdjustMode mode) {
    switch (mode) {
    case TAdjustMode::FishEye:
    case TAdjustMode::Gaussian:
    case TAdjustMode::Squeeze:
    case TAdjustMode::Split:
    case TAdjustMode::TileNormal:
    case TAdjustMode::TileOverlap:
    case TAdjustMode::Posterize:
    case TAdjustMode::Solarize:
        return true;
    default:
        return false;
    }
}

// A horizontal bar whose arrow keys move it the way they point. QScrollBar turns its keys
// round (for the sake of its wheel), so that Right would lower the strength.
class TAdjustBar : public QScrollBar {
public:
    explicit TAdjustBar(QWidget* parent) : QScrollBar(Qt::Horizontal, parent) {}

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() != Qt::Key_Left && event->key() != Qt::Key_Right)
            return QScrollBar::keyPressEvent(event);
        triggerAction(event->key() == Qt::Key_Right ? SliderSingleStepAdd : SliderSingleStepSub);
        event->accept();
    }
};

QScrollBar* NewBar(QWidget* parent, const char* name, int width) {
    auto* bar = new TAdjustBar(parent);
    bar->setObjectName(name);
    bar->setRange(0, 100);
    bar->setPageStep(10);
    bar->setSingleStep(1);
    bar->setValue(50);
    bar->setFixedWidth(width);
    // The arrow and page keys move the bar that has the focus.
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

} // namespace

TfrmAdjust::TfrmAdjust(TfrmEditor& editor, IDialogs& dialogs)
    : QDialog(&editor), Editor(editor), Dialogs(dialogs), Source(TrueColorFastDIB(editor.Image())) {
    setObjectName("frmAdjust");
    resize(600, 430);
    Adjustment.Seed = QRandomGenerator::global()->generate64();

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    ScrollBox = new QScrollArea(this);
    ScrollBox->setObjectName("ScrollBox");
    imgAdjust = new TFastIMG(ScrollBox);
    imgAdjust->setObjectName("imgAdjust");
    imgAdjust->SetAutoSize(true);
    imgAdjust->SetDrawStyle(dsDraw);
    ScrollBox->setWidget(imgAdjust);
    ScrollBox->setWidgetResizable(false);
    column->addWidget(ScrollBox, 1);

    auto* panel = new QWidget(this);
    panel->setFixedHeight(51);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(8, 0, 8, 0);
    Label1 = new QLabel("Adjustment", panel);
    Label1->setObjectName("Label1");
    lblPosition = new QLabel(panel);
    lblPosition->setObjectName("lblPosition");
    lblPosition->setAlignment(Qt::AlignCenter);
    // Room for "100" without the bar moving when the number grows.
    lblPosition->setMinimumWidth(lblPosition->fontMetrics().horizontalAdvance("100") + 6);
    sbAdjust = NewBar(panel, "sbAdjust", 185);
    lblIntensity = new QLabel("Intensity", panel);
    lblIntensity->setObjectName("lblIntensity");
    sbTurb = NewBar(panel, "sbTurb", 121);
    btnOk = new QPushButton("Keep", panel);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    btnCancel = new QPushButton("Discard", panel);
    btnCancel->setObjectName("btnCancel");
    // As narrow as the words allow, so that both bars and the buttons fit the window's width.
    for (QPushButton* button : {btnOk, btnCancel})
        button->setMinimumWidth(
            std::max(75, button->fontMetrics().horizontalAdvance("Discard") + 16));
    row->addWidget(Label1);
    row->addWidget(lblPosition);
    row->addWidget(sbAdjust);
    row->addSpacing(6);
    row->addWidget(lblIntensity);
    row->addWidget(sbTurb);
    row->addStretch(1);
    row->addWidget(btnOk);
    row->addWidget(btnCancel);
    column->addWidget(panel);
    ShowIntensity(false);
    // The bar first, so the keys move it at once; Enter still keeps.
    sbAdjust->setFocus();

    connect(sbAdjust, &QScrollBar::valueChanged, this, &TfrmAdjust::sbAdjustChange);
    connect(sbTurb, &QScrollBar::valueChanged, this, &TfrmAdjust::sbTurbChange);
    // The label follows the user's scrolling only, not positions set in code: actionTriggered
    // comes from the mouse and the keys (a drag included), with the bar's new position
    // already in place.
    connect(sbAdjust, &QScrollBar::actionTriggered, this, &TfrmAdjust::sbAdjustScroll);
    connect(btnOk, &QPushButton::clicked, this, &TfrmAdjust::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmAdjust::btnCancelClick);

    // The image unchanged until the effect is set.
    imgAdjust->Assign(AdjustedCopy(Source, Adjustment));
}

TfrmAdjust::~TfrmAdjust() = default;

void TfrmAdjust::SetAdjustMode(TAdjustMode mode, int kind) {
    Adjustment.Mode = mode;
    Adjustment.Kind = kind;
}

void TfrmAdjust::ShowIntensity(bool shown) {
    lblIntensity->setVisible(shown);
    sbTurb->setVisible(shown);
}

void TfrmAdjust::SetSeed(uint64_t seed) {
    Adjustment.Seed = seed;
    ScheduleRecompute();
}

void TfrmAdjust::sbAdjustChange() {
    ScheduleRecompute();
}

void TfrmAdjust::sbTurbChange() {
    ScheduleRecompute();
}

void TfrmAdjust::sbAdjustScroll() {
    lblPosition->setText(QString::number(sbAdjust->sliderPosition()));
}

void TfrmAdjust::ScheduleRecompute() {
    // Without an effect the picture is the unchanged image, which it already shows.
    if (Pending || Adjustment.Mode == TAdjustMode::None)
        return;
    Pending = true;
    // After the events already waiting: the moves of a quick drag before it are folded into
    // this one recomputation, which reads the bars as they are then.
    QTimer::singleShot(0, this, &TfrmAdjust::RecomputeIfPending);
}

void TfrmAdjust::RecomputeIfPending() {
    if (Pending)
        Recompute();
}

void TfrmAdjust::Recompute() {
    Pending = false;
    Adjustment.Position = sbAdjust->value();
    Adjustment.Intensity = sbTurb->value();
    RunCommand(Dialogs, this, [&] {
        std::optional<TWaitPointer> wait;
        if (IsBusyEffect(Adjustment.Mode))
            wait.emplace();
        imgAdjust->Assign(AdjustedCopy(Source, Adjustment));
        // Painted now, so the picture keeps up with the bar while it is dragged.
        imgAdjust->repaint();
    });
    ++Recomputations_;
}

const TFastDIB& TfrmAdjust::Preview() const {
    return imgAdjust->Buffer();
}

void TfrmAdjust::btnOkClick() {
    // A change still waiting is what the bar shows: that picture is kept, not the one before.
    RecomputeIfPending();
    // A picture that cannot be stored (no memory left for it) is reported, and the dialog
    // stays open with the editor's image and its undo history as they were.
    const bool stored = RunCommand(Dialogs, this, [&] {
        Editor.PushUndo();
        Editor.StoreBitmapResult(TrueColorDibGraphic(Preview()));
        Editor.CountUndoStep();
    });
    if (stored)
        accept();
}

void TfrmAdjust::btnCancelClick() {
    reject();
}

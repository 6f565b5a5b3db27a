#include "editor/frm_wave.h"

#include "imaging/fast_effects.h"
#include "widgets/fast_img.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <cstring>

TfrmWave::TfrmWave(IDialogs& dialogs, QWidget* parent)
    : TFastPreviewDialog(dialogs, "Wave Effects", 85, parent) {
    setObjectName("frmWave");

    auto* grid = new QGridLayout(Panel);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    const auto addBar = [&](const char* caption, const char* name, int row, QLabel*& label) {
        label = new QLabel(caption, Panel);
        auto* bar = new QScrollBar(Qt::Horizontal, Panel);
        bar->setObjectName(name);
        bar->setRange(1, 20000);
        bar->setValue(1);
        bar->setPageStep(100);
        bar->setSingleStep(1);
        grid->addWidget(label, row, 0);
        grid->addWidget(bar, row, 1);
        connect(bar, &QScrollBar::valueChanged, this, &TfrmWave::xAmountChange);
        return bar;
    };
    xAmount = addBar("x", "xAmount", 0, lblX);
    yAmount = addBar("y", "yAmount", 1, lblY);
    zAmount = addBar("z", "zAmount", 2, lblZ);

    btnZero = new QPushButton("&Reset", Panel);
    btnZero->setObjectName("btnZero");
    btnZero->setAutoDefault(false);
    connect(btnZero, &QPushButton::clicked, this, &TfrmWave::btnZeroClick);
    btnWrap = new QCheckBox("&Wrap Edges", Panel);
    btnWrap->setObjectName("btnWrap");
    connect(btnWrap, &QCheckBox::clicked, this, &TfrmWave::xAmountChange);

    grid->addWidget(btnZero, 0, 2);
    grid->addWidget(btnWrap, 1, 2);
    grid->addWidget(btnKeep, 0, 3);
    grid->addWidget(btnCancel, 1, 3);
    grid->setColumnStretch(1, 1);
}

void TfrmWave::xAmountChange() {
    RunPreview([&] {
        const TFastDIB& master = Master();
        TFastDIB& shown = fImage->Buffer();
        // Each preview starts from the picture as loaded, so that pixels the clipped wave
        // does not reach show the picture, not what an earlier position of the bars drew.
        if (shown.Width() != master.Width() || shown.Height() != master.Height() ||
            shown.BitsPerPixel() != master.BitsPerPixel() || shown.Layout() != master.Layout())
            shown = master;
        else if (master.ImageSize() > 0)
            std::memcpy(shown.Bits(), master.Bits(), master.ImageSize());
        FastWave(master, shown, zAmount->value() * 0.05, xAmount->value() * 0.01,
                 yAmount->value() * 0.01,
                 btnWrap->isChecked() ? TFastEdges::Wrap : TFastEdges::Clip);
    });
}

void TfrmWave::btnZeroClick() {
    zAmount->setValue(1);
    yAmount->setValue(1);
    xAmount->setValue(1);
}

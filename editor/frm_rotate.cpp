#include "editor/frm_rotate.h"

#include "imaging/fast_effects.h"
#include "widgets/fast_img.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>

#include <cstring>

namespace {

QScrollBar* NewBar(QWidget* parent, const char* name) {
    auto* bar = new QScrollBar(Qt::Horizontal, parent);
    bar->setObjectName(name);
    return bar;
}

} // namespace

TfrmRotate::TfrmRotate(IDialogs& dialogs, QWidget* parent)
    : TFastPreviewDialog(dialogs, "Rotate", 93, parent) {
    setObjectName("frmRotate");

    lblAngle = new QLabel("Angle:", Panel);
    sAmount = NewBar(Panel, "sAmount");
    sAmount->setRange(0, 3600);
    sAmount->setPageStep(100);
    sAmount->setSingleStep(1);
    sAmount->setValue(0);
    btnWrap = new QCheckBox("&Wrap Edges", Panel);
    btnWrap->setObjectName("btnWrap");

    lblCenter = new QLabel("Center:", Panel);
    QFont fixed("Courier New");
    fixed.setStyleHint(QFont::Monospace);
    lblX = new QLabel("X", Panel);
    lblX->setFont(fixed);
    lblY = new QLabel("Y", Panel);
    lblY->setFont(fixed);
    xCenter = NewBar(Panel, "xCenter");
    yCenter = NewBar(Panel, "yCenter");
    xCenter->setEnabled(false);
    yCenter->setEnabled(false);
    btnCenter = new QCheckBox("Auto &Center", Panel);
    btnCenter->setObjectName("btnCenter");
    btnCenter->setChecked(true);

    auto* grid = new QGridLayout(Panel);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(4);
    grid->addWidget(lblAngle, 0, 0);
    grid->addWidget(sAmount, 0, 1, 1, 2);
    grid->addWidget(btnWrap, 0, 3);
    grid->addWidget(btnKeep, 0, 4);
    grid->addWidget(lblCenter, 1, 0);
    grid->addWidget(lblX, 1, 1);
    grid->addWidget(xCenter, 1, 2);
    grid->addWidget(btnCenter, 1, 3);
    grid->addWidget(btnCancel, 1, 4);
    grid->addWidget(lblY, 2, 1);
    grid->addWidget(yCenter, 2, 2);
    grid->setColumnStretch(2, 1);

    for (QScrollBar* bar : {sAmount, xCenter, yCenter})
        connect(bar, &QScrollBar::valueChanged, this, &TfrmRotate::sAmountChange);
    connect(btnWrap, &QCheckBox::clicked, this, &TfrmRotate::sAmountChange);
    connect(btnCenter, &QCheckBox::clicked, this, &TfrmRotate::btnCenterClick);
}

void TfrmRotate::MasterMade() {
    // The centre bars reach over the picture and start at its middle. Nothing is turned yet:
    // the picture shows as loaded.
    SettingBars = true;
    xCenter->setRange(0, Master().Width());
    yCenter->setRange(0, Master().Height());
    xCenter->setValue(Master().Width() / 2);
    yCenter->setValue(Master().Height() / 2);
    SettingBars = false;
}

void TfrmRotate::btnCenterClick() {
    const bool manual = !btnCenter->isChecked();
    xCenter->setEnabled(manual);
    yCenter->setEnabled(manual);
    sAmountChange();
}

void TfrmRotate::sAmountChange() {
    if (SettingBars)
        return;
    RunPreview([&] {
        const TFastDIB& master = Master();
        TFastDIB& shown = fImage->Buffer();
        shown.SetSize(master.Width(), master.Height(), master.BitsPerPixel(), master.Layout());
        int centerX = shown.Width() / 2, centerY = shown.Height() / 2;
        if (!btnCenter->isChecked()) {
            SettingBars = true;
            xCenter->setMaximum(shown.Width());
            yCenter->setMaximum(shown.Height());
            SettingBars = false;
            centerX = xCenter->value();
            centerY = yCenter->value();
        }
        // What no source pixel covers stays black.
        if (shown.ImageSize() > 0)
            std::memset(shown.Bits(), 0, shown.ImageSize());
        FastRotate(master, shown, centerX, centerY, sAmount->value() * 0.1,
                   btnWrap->isChecked() ? TFastEdges::Wrap : TFastEdges::Clip);
    });
}

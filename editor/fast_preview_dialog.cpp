#include "editor/fast_preview_dialog.h"

#include "platform/dialogs.h"
#include "widgets/fast_img.h"
#include "widgets/local_path.h"

#include <QFrame>
#include <QPushButton>
#include <QScrollArea>
#include <QShowEvent>
#include <QVBoxLayout>

TFastPreviewDialog::TFastPreviewDialog(IDialogs& dialogs, const QString& caption, int panelHeight,
                                       QWidget* parent)
    : QDialog(parent), Dialogs(dialogs) {
    setWindowTitle(caption);
    setSizeGripEnabled(false);

    Scroll = new QScrollArea(this);
    Scroll->setObjectName("ScrollBox");
    Scroll->setFrameStyle(QFrame::NoFrame);
    // The control keeps the picture's size; the scroll box scrolls over it.
    Scroll->setWidgetResizable(false);
    fImage = new TFastIMG;
    fImage->setObjectName("fImage");
    fImage->SetAutoSize(true);
    fImage->SetDrawStyle(dsDraw);
    fImage->resize(100, 100);
    Scroll->setWidget(fImage);

    Panel = new QFrame(this);
    Panel->setObjectName("Panel");
    Panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel->setFixedHeight(panelHeight);

    btnKeep = new QPushButton("Keep", Panel);
    btnKeep->setObjectName("btnKeep");
    btnKeep->setDefault(true);
    btnKeep->setAutoDefault(true);
    connect(btnKeep, &QPushButton::clicked, this, &TFastPreviewDialog::btnKeepClick);
    btnCancel = new QPushButton("Discard", Panel);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &TFastPreviewDialog::btnCancelClick);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(Scroll, 1);
    column->addWidget(Panel);
    resize(600, 400);
}

void TFastPreviewDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Once: a window shown again after being minimised keeps the copy it made.
    if (!event->spontaneous() && !HasMaster_)
        FormShow();
}

void TFastPreviewDialog::FormShow() {
    // The picture as loaded, untouched: every preview is made from it.
    Master_ = fImage->Buffer();
    HasMaster_ = true;
    MasterMade();
}

void TFastPreviewDialog::RunPreview(const std::function<void()>& preview) {
    if (!HasMaster_)
        return;
    if (RunCommand(Dialogs, this, preview))
        fImage->Redraw();
}

void TFastPreviewDialog::btnKeepClick() {
    if (RunCommand(Dialogs, this, [&] { fImage->Buffer().SaveToFile(LocalPath(TransferFile_)); }))
        accept();
}

void TFastPreviewDialog::btnCancelClick() {
    reject();
}

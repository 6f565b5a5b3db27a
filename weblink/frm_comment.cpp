#include "weblink/frm_comment.h"

#include "platform/dialogs.h"
#include "weblink/link_notes.h"
#include "weblink/note_text_box.h"

#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <string>
#include <vector>

TfrmComment::TfrmComment(IDialogs& dialogs, QWidget* parent) : QDialog(parent), Dialogs(dialogs) {
    setWindowTitle("Note");
    setObjectName("frmComment");

    moComment = new TNoteTextBox(this);
    moComment->setObjectName("moComment");
    moComment->setFixedSize(536, 89);

    btnOk = new QPushButton("OK", this);
    btnOk->setObjectName("btnOk");
    btnOk->setDefault(true);
    connect(btnOk, &QPushButton::clicked, this, &TfrmComment::btnOkClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOk);
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 8);
    column->addWidget(moComment);
    column->addLayout(buttons);
    // A fixed dialog frame.
    column->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmComment::btnOkClick() {
    std::vector<std::string> lines;
    for (const QString& line : moComment->Lines())
        lines.push_back(line.toStdString());
    const bool written = RunCommand(
        Dialogs, this, [&] { SaveNoteLines(QFile::encodeName(TargetFile).toStdString(), lines); });
    if (written)
        accept();
}

void TfrmComment::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

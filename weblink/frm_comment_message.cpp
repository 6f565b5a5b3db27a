#include "weblink/frm_comment_message.h"

#include <algorithm>

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmCommentMessage::TfrmCommentMessage(int& noteAnswer, QWidget* parent)
    : QDialog(parent), NoteAnswer(noteAnswer) {
    setWindowTitle("Comment");
    setObjectName("frmCommentMessage");

    lblComment = new QLabel(this);
    lblComment->setObjectName("lblComment");
    lblComment->setAlignment(Qt::AlignCenter);
    lblComment->setWordWrap(true);
    // At least as wide as the question needs; a long path without blanks widens the window
    // instead of being cut.
    lblComment->setMinimumWidth(361);

    btnYes = new QPushButton("Yes", this);
    btnYes->setObjectName("btnYes");
    btnYes->setDefault(true);
    btnNo = new QPushButton("No", this);
    btnNo->setObjectName("btnNo");
    btnNoAll = new QPushButton("No To All", this);
    btnNoAll->setObjectName("btnNoAll");
    connect(btnYes, &QPushButton::clicked, this, &TfrmCommentMessage::btnYesClick);
    connect(btnNo, &QPushButton::clicked, this, &TfrmCommentMessage::btnNoClick);
    connect(btnNoAll, &QPushButton::clicked, this, &TfrmCommentMessage::btnNoAllClick);

    auto* label = new QHBoxLayout;
    label->addStretch();
    label->addWidget(lblComment);
    label->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (QPushButton* button : {btnYes, btnNo, btnNoAll})
        buttons->addWidget(button);
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->addLayout(label, 1);
    column->addLayout(buttons);
}

void TfrmCommentMessage::btnYesClick() {
    NoteAnswer = naYes;
    accept();
}

void TfrmCommentMessage::btnNoClick() {
    NoteAnswer = naNo;
    accept();
}

void TfrmCommentMessage::btnNoAllClick() {
    NoteAnswer = naNoToAll;
    accept();
}

void TfrmCommentMessage::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // A fixed dialog frame around the question the caller has put in.
    layout()->activate();
    const QSize needed = sizeHint();
    setFixedSize(std::max(464, needed.width()), std::max(90, needed.height()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

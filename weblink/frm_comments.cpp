#include "weblink/frm_comments.h"

#include "weblink/note_text_box.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmComments::TfrmComments(QStringList& noteLines, QWidget* parent)
    : QDialog(parent), NoteLines(noteLines) {
    setWindowTitle("Note");
    setObjectName("frmComments");

    MainMenu = new QMenuBar(this);
    QMenu* file = MainMenu->addMenu("&File");
    SaveandExit1 = file->addAction("&Save and Exit", this, &TfrmComments::btnSaveClick);
    ExitWithoutSave1 = file->addAction("E&xit Without Save", this, &TfrmComments::btnCancelClick);

    moComments = new TNoteTextBox(this);
    moComments->setObjectName("moComments");
    moComments->setFixedSize(536, 89);

    btnSave = new QPushButton("Save", this);
    btnSave->setObjectName("btnSave");
    btnSave->setDefault(true);
    connect(btnSave, &QPushButton::clicked, this, [this] {
        btnSaveClick();
        // The window's OK button: it closes the window even when nothing was typed.
        if (result() != QDialog::Accepted)
            accept();
    });
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmComments::btnCancelClick);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnSave);
    buttons->addWidget(btnCancel);
    buttons->addStretch();
    auto* column = new QVBoxLayout(this);
    column->setMenuBar(MainMenu);
    column->setContentsMargins(0, 0, 0, 8);
    column->addWidget(moComments);
    column->addLayout(buttons);
    // A fixed dialog frame.
    column->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmComments::btnSaveClick() {
    const QStringList lines = moComments->Lines();
    if (lines.isEmpty())
        return;
    NoteLines = lines;
    accept();
}

void TfrmComments::btnCancelClick() {
    NoteLines.append(QString());
    reject();
}

void TfrmComments::keyPressEvent(QKeyEvent* event) {
    // Esc is the cancel button; only the close box leaves the note lines alone.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        btnCancel->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmComments::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

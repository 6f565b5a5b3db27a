#include "weblink/note_text_box.h"

#include <QKeyEvent>

TNoteTextBox::TNoteTextBox(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Tab moves on to the buttons instead of typing a tab into the note.
    setTabChangesFocus(true);
}

QStringList TNoteTextBox::Lines() const {
    const QString text = toPlainText();
    if (text.isEmpty())
        return {};
    QStringList lines = text.split('\n');
    if (lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

void TNoteTextBox::SetLines(const QStringList& lines) {
    setPlainText(lines.join('\n'));
}

void TNoteTextBox::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && event->modifiers() & Qt::ControlModifier) {
        textCursor().insertBlock();
        return;
    }
    if (enter) {
        // Up to the dialog, which presses its default button.
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

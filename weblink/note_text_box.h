// The text box of the note windows: several lines, a vertical scroll bar, and Enter left to
// the window, where it presses the default button. Ctrl+Enter starts a new line.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

class TNoteTextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit TNoteTextBox(QWidget* parent = nullptr);

    // The lines of the text: none when it is empty; a line break at the very end starts no
    // further line, so "a\n" is one line and "\n" one empty line.
    QStringList Lines() const;
    void SetLines(const QStringList& lines);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

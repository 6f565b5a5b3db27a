// The note entry window: the user types a note for an image that is being saved together
// with the address of its web page.
//
// The window writes into the note lines it is given (the main window's), whichever window
// started the save: "Save" puts the typed lines there, "Exit Without Save" a single empty
// line (a note of one empty line), and the close box leaves them as they were.
#pragma once

#include <QDialog>
#include <QStringList>

class QAction;
class QMenuBar;
class QPushButton;
class TNoteTextBox;

class TfrmComments : public QDialog {
    Q_OBJECT
public:
    TfrmComments(QStringList& noteLines, QWidget* parent = nullptr);

    // "Save" and "&Save and Exit": with at least one line typed, copies the lines into the
    // note lines and closes. With nothing typed it does nothing itself; the "Save" button
    // still closes the window (it is the window's OK button), "&Save and Exit" does not.
    void btnSaveClick();
    // The cancel button, Esc and "E&xit Without Save": one empty line, then close.
    void btnCancelClick();

    QMenuBar* MainMenu = nullptr;
    QAction* SaveandExit1 = nullptr;     // "&Save and Exit"
    QAction* ExitWithoutSave1 = nullptr; // "E&xit Without Save"
    TNoteTextBox* moComments = nullptr;
    QPushButton* btnSave = nullptr;
    QPushButton* btnCancel = nullptr;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QStringList& NoteLines;
};

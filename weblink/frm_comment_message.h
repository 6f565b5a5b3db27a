// The note question of Auto Save: whether the user wants to add a note to an image that is
// being recorded with the address of its web page. "No To All" answers No for the rest of
// the run.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// The answers, kept by the main window for the length of one Auto Save run.
enum TNoteAnswer { naYes = 1, naNo = 2, naNoToAll = 3 };

class TfrmCommentMessage : public QDialog {
    Q_OBJECT
public:
    // The buttons set `noteAnswer`; the close box leaves it as it is.
    TfrmCommentMessage(int& noteAnswer, QWidget* parent = nullptr);

    void btnYesClick();
    void btnNoClick();
    void btnNoAllClick();

    QLabel* lblComment = nullptr; // the question
    QPushButton* btnYes = nullptr;
    QPushButton* btnNo = nullptr;
    QPushButton* btnNoAll = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    int& NoteAnswer;
};

// The about box: the program's name, its version from the build and the libraries it is
// built with.
#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

class TfrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfrmAbout(QWidget* parent = nullptr);

    QLabel* lblTitle = nullptr;
    QLabel* lblVersion = nullptr;
    QPlainTextEdit* txtCredits = nullptr;
    QPushButton* btnOK = nullptr;
};

// The program's version: major, minor, release and build, joined by ".".
QString KarvinVersion();

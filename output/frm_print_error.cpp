#include "output/frm_print_error.h"

#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

QString PrintErrorMessage(const QString& fileName) {
    return fileName + " is larger than your printer page. It can only be printed" +
           " using regular print or thumbnail printing.";
}

TfrmPrintError::TfrmPrintError(const QString& fileName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("frmPrintError");
    setWindowTitle("Error");
    setFixedSize(472, 86);

    moMessage = new QPlainTextEdit(this);
    moMessage->setObjectName("moMessage");
    moMessage->setGeometry(8, 8, 457, 33);
    moMessage->setReadOnly(true);
    moMessage->setFrameShape(QFrame::NoFrame);
    moMessage->setFocusPolicy(Qt::NoFocus);
    moMessage->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    moMessage->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    moMessage->viewport()->setAutoFillBackground(false);
    QPalette windowColour = moMessage->palette();
    windowColour.setColor(QPalette::Base, windowColour.color(QPalette::Window));
    moMessage->setPalette(windowColour);
    moMessage->document()->setDocumentMargin(0);
    moMessage->setPlainText(PrintErrorMessage(fileName));

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setGeometry((472 - 75) / 2, 52, 75, 25);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmPrintError::btnOKClick);

    StopTimer = new QTimer(this);
    StopTimer->setInterval(15000);
    StopTimer->setSingleShot(true);
    connect(StopTimer, &QTimer::timeout, this, &TfrmPrintError::StopTimerTimer);
    StopTimer->start();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmPrintError::btnOKClick() {
    accept();
}

void TfrmPrintError::StopTimerTimer() {
    StopTimer->stop();
    reject();
}

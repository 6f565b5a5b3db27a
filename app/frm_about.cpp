#include "app/frm_about.h"

#include "app/app_icon.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace {

QString CreditsText() {
    return QString("Karvin is built with these libraries; thanks to their authors.\n\n"
                   "Qt %1 - windows, painting, clipboard and printing (The Qt Company "
                   "and the Qt Project, LGPL 3).\n"
                   "libjpeg - JPEG files. This software is based in part on the work of the "
                   "Independent JPEG Group.\n"
                   "libpng - PNG files (the PNG Reference Library authors).\n"
                   "zlib - compression for PNG files (Jean-loup Gailly and Mark Adler).\n"
                   "libtiff - TIFF files (Sam Leffler and Silicon Graphics, Inc.).\n"
                   "giflib - GIF files (Gershon Elber, Eric S. Raymond and others).\n"
                   "Xlib - hot keys and screen grabs (the X.Org Foundation).")
        .arg(qVersion());
}

} // namespace

QString KarvinVersion() {
    return KARVIN_VERSION;
}

TfrmAbout::TfrmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName("frmAbout");
    setWindowTitle("Karvin");
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(353, 197);

    auto* icon = new QLabel(this);
    icon->setPixmap(KarvinIcon().pixmap(48, 48));
    icon->setFixedSize(52, 52);
    icon->setAlignment(Qt::AlignCenter);

    lblTitle = new QLabel("Karvin", this);
    QFont serif = lblTitle->font();
    serif.setFamilies({"Times New Roman", "DejaVu Serif", "Liberation Serif", "serif"});
    serif.setStyleHint(QFont::Serif);
    serif.setPointSize(22);
    serif.setBold(true);
    lblTitle->setFont(serif);
    lblVersion = new QLabel("version: " + KarvinVersion(), this);

    txtCredits = new QPlainTextEdit(CreditsText(), this);
    txtCredits->setReadOnly(true);

    btnOK = new QPushButton("OK", this);
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);

    auto* names = new QVBoxLayout;
    names->setSpacing(0);
    names->addWidget(lblTitle);
    names->addWidget(lblVersion);
    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addLayout(names, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnOK);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(8, 8, 8, 8);
    column->setSpacing(6);
    column->addLayout(top);
    column->addWidget(txtCredits, 1);
    column->addLayout(bottom);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

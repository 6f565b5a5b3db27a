#include "output/frm_jpeg_compression.h"

#include "imaging/display_preparation.h"
#include "imaging/format_registry.h"
#include "platform/dialogs.h"
#include "store/settings_files.h"
#include "store/work_folder.h"
#include "widgets/image_scroll_box.h"
#include "widgets/wait_pointer.h"

#include <algorithm>

#include <QCheckBox>
#include <QFile>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QSlider>
#include <QVBoxLayout>

TfrmJPEGCompression::TfrmJPEGCompression(IDialogs& dialogs, const TDibGraphic& source,
                                         QWidget* parent)
    : QDialog(parent), Dialogs(dialogs), Source(source) {
    setWindowTitle("JPEG Save Options");
    setObjectName("frmJPEGCompression");

    lbCompression = new QLabel("Compression", this);
    lbCompression->setObjectName("lbCompression");
    lbMeter = new QLabel("  0........................50.......................100", this);
    lbMeter->setObjectName("lbMeter");
    tbCompress = new QSlider(Qt::Horizontal, this);
    tbCompress->setObjectName("tbCompress");
    tbCompress->setRange(0, 10);
    tbCompress->setSingleStep(1);
    tbCompress->setPageStep(1);
    tbCompress->setTickPosition(QSlider::TicksBelow);
    tbCompress->setTickInterval(1);
    cbProgressive = new QCheckBox("Progressive Encoding", this);
    cbProgressive->setObjectName("cbProgressive");

    lbNote = new QLabel("Note:", this);
    lbNote->setObjectName("lbNote");
    QFont bold = lbNote->font();
    bold.setBold(true);
    lbNote->setFont(bold);
    lbNote->setStyleSheet("color: #ff0000;");
    lbWarning = new QLabel("Higher compression means lower picture quality.", this);
    lbWarning->setObjectName("lbWarning");
    lbWarning->setWordWrap(true);
    lbWarning->setStyleSheet("color: #000080;");

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &TfrmJPEGCompression::btnOKClick);

    pnlPreview = new QFrame(this);
    pnlPreview->setObjectName("pnlPreview");
    pnlPreview->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    pnlPreview->setFixedWidth(270);
    testImage = new TImageScrollBox(pnlPreview);
    testImage->setObjectName("testImage");
    auto* preview = new QVBoxLayout(pnlPreview);
    preview->setContentsMargins(1, 1, 1, 1);
    preview->addWidget(testImage);

    auto* note = new QHBoxLayout;
    note->addWidget(lbNote, 0, Qt::AlignTop);
    note->addWidget(lbWarning, 1);
    auto* controls = new QVBoxLayout;
    controls->addWidget(lbCompression);
    controls->addWidget(lbMeter);
    controls->addWidget(tbCompress);
    controls->addWidget(cbProgressive);
    controls->addLayout(note);
    controls->addStretch();
    controls->addWidget(btnOK, 0, Qt::AlignHCenter);
    auto* row = new QHBoxLayout(this);
    row->addLayout(controls, 1);
    row->addWidget(pnlPreview);
    // A fixed dialog frame.
    setFixedSize(std::max(462, sizeHint().width()), std::max(182, sizeHint().height()));

    FormCreate();
    // Only now: putting the stored position in is no change of the user's.
    connect(tbCompress, &QSlider::valueChanged, this, &TfrmJPEGCompression::tbCompressChange);
}

void TfrmJPEGCompression::FormCreate() {
    const TJpegSettings stored = ReadJpegOptions();
    tbCompress->setValue((100 - stored.Quality) / 10);
    cbProgressive->setChecked(stored.Progressive);
}

void TfrmJPEGCompression::FormActivate() {
    if (testImage->Graphic().Empty())
        return;
    PrepareTrueColor(testImage->Graphic());
    testImage->Redraw(true);
}

void TfrmJPEGCompression::tbCompressChange() {
    if (testImage->Graphic().Empty())
        return;
    TWaitPointer wait;
    RunCommand(Dialogs, this, [this] {
        const TJpegOptions options{QualityAt(tbCompress->value()), cbProgressive->isChecked()};
        const std::string preview = WorkPath("del1.jpg");
        if (Source.ImageFormat() == ifTrueColor || Source.ImageFormat() == ifGray256) {
            SaveImageFile(Source, preview, options);
        } else {
            // JPEG files hold grey or true colour only.
            TDibGraphic trueColor = Source;
            PrepareTrueColor(trueColor);
            SaveImageFile(trueColor, preview, options);
        }
        // The preview keeps what it shows when the file cannot be read back.
        testImage->LoadFromFile(QFile::decodeName(preview.c_str()));
    });
}

void TfrmJPEGCompression::btnOKClick() {
    const bool written = RunCommand(Dialogs, this, [this] {
        WriteJpegOptions({QualityAt(tbCompress->value()), cbProgressive->isChecked()});
    });
    if (written)
        accept();
}

void TfrmJPEGCompression::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormActivate();
}

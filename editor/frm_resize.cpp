#include "editor/frm_resize.h"

#include "imaging/image_limits.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// round(value x numerator / denominator), halves to the even neighbour, as decimal text.
QString Proportional(int value, int numerator, int denominator) {
    return QString::number(
        qint64(std::nearbyint(double(value) * double(numerator) / double(denominator))));
}

} // namespace

TfrmResize::TfrmResize(IDialogs& dialogs, TResizeChoice& choice, QWidget* parent)
    : QDialog(parent), Dialogs(dialogs), Choice(choice) {
    setObjectName("frmResize");
    setWindowTitle("Resize");

    grpSize = new QGroupBox(" Select New Size ", this);
    grpSize->setObjectName("grpSize");
    const auto radio = [&](const char* caption, const char* name) {
        auto* button = new QRadioButton(caption, grpSize);
        button->setObjectName(name);
        return button;
    };
    opt640by480 = radio("640 x 480", "opt640by480");
    opt800by600 = radio("800 x 600", "opt800by600");
    opt1024by768 = radio("1024 x 768", "opt1024by768");
    optCustom = radio("Custom Size", "optCustom");
    optCustom->setChecked(true);
    edWidth = new QLineEdit(grpSize);
    edWidth->setObjectName("edWidth");
    edWidth->setFixedWidth(64);
    lblBy = new QLabel("X", grpSize);
    lblBy->setAlignment(Qt::AlignCenter);
    edHeight = new QLineEdit(grpSize);
    edHeight->setObjectName("edHeight");
    edHeight->setFixedWidth(64);
    edHeight->installEventFilter(this);
    cbRatio = new QCheckBox("Maintain Aspect Ratio", grpSize);
    cbRatio->setObjectName("cbRatio");

    auto* sizeRow = new QHBoxLayout;
    sizeRow->setSpacing(6);
    sizeRow->addWidget(edWidth);
    sizeRow->addWidget(lblBy);
    sizeRow->addWidget(edHeight);
    sizeRow->addStretch();
    auto* group = new QGridLayout(grpSize);
    group->addWidget(opt640by480, 0, 0);
    group->addWidget(opt800by600, 1, 0);
    group->addWidget(opt1024by768, 2, 0);
    group->addWidget(optCustom, 3, 0);
    group->addLayout(sizeRow, 1, 1);
    group->addWidget(cbRatio, 2, 1);
    group->setColumnStretch(1, 1);
    group->setHorizontalSpacing(16);

    btnOK = new QPushButton("OK", this);
    btnOK->setObjectName("btnOK");
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);
    btnCancel->setObjectName("btnCancel");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(grpSize);
    column->addLayout(buttons);

    connect(opt640by480, &QRadioButton::clicked, this, &TfrmResize::opt640by480Click);
    connect(opt800by600, &QRadioButton::clicked, this, &TfrmResize::opt800by600Click);
    connect(opt1024by768, &QRadioButton::clicked, this, &TfrmResize::opt1024by768Click);
    connect(cbRatio, &QCheckBox::clicked, this, &TfrmResize::cbRatioClick);
    connect(edWidth, &QLineEdit::textChanged, this, &TfrmResize::edWidthChange);
    connect(btnOK, &QPushButton::clicked, this, &TfrmResize::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmResize::btnCancelClick);

    // A fixed frame of 345 x 169, or larger where the desktop's font needs more room.
    const QSize hint = sizeHint();
    setFixedSize(std::max(345, hint.width()), std::max(169, hint.height()));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmResize::SetStartSize(int width, int height) {
    StartWidth = std::max(width, 1);
    StartHeight = std::max(height, 1);
    edWidth->setText(QString::number(width));
    edHeight->setText(QString::number(height));
}

void TfrmResize::SetPreset(const char* width, const char* height) {
    edWidth->setText(width);
    edHeight->setText(height);
    cbRatio->setChecked(false);
}

void TfrmResize::opt640by480Click() {
    SetPreset("640", "480");
}

void TfrmResize::opt800by600Click() {
    SetPreset("800", "600");
}

void TfrmResize::opt1024by768Click() {
    SetPreset("1024", "768");
}

std::optional<int> TfrmResize::Number(const QLineEdit* box, bool report) {
    bool number = false;
    const int value = QLocale::c().toInt(box->text().trimmed(), &number);
    if (number)
        return value;
    if (report)
        ReportError(Dialogs, this, "'" + box->text() + "' is not a valid integer value");
    return std::nullopt;
}

// While the user types, a box that holds no number yet (a sign, a slip of the finger) is left
// for OK to report: a message at every key would be in the way.

void TfrmResize::cbRatioClick() {
    if (edWidth->text().isEmpty() || edHeight->text().isEmpty() || !cbRatio->isChecked())
        return;
    optCustom->setChecked(true);
    if (const std::optional<int> width = Number(edWidth, false))
        edHeight->setText(Proportional(*width, StartHeight, StartWidth));
}

void TfrmResize::edWidthChange() {
    if (edWidth->text().isEmpty() || !optCustom->isChecked() || !cbRatio->isChecked())
        return;
    if (const std::optional<int> width = Number(edWidth, false))
        edHeight->setText(Proportional(*width, StartHeight, StartWidth));
}

void TfrmResize::edHeightExit() {
    if (edHeight->text().isEmpty() || !optCustom->isChecked() || !cbRatio->isChecked())
        return;
    // The new width sets the height again (edWidthChange).
    if (const std::optional<int> height = Number(edHeight, false))
        edWidth->setText(Proportional(*height, StartWidth, StartHeight));
}

bool TfrmResize::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edHeight && event->type() == QEvent::FocusOut)
        edHeightExit();
    return QDialog::eventFilter(watched, event);
}

void TfrmResize::btnOKClick() {
    // The window closes whatever is recorded.
    struct TCloseAtEnd {
        QDialog& Dialog;
        ~TCloseAtEnd() { Dialog.accept(); }
    } closeAtEnd{*this};

    if (edWidth->text().isEmpty() || edHeight->text().isEmpty())
        return;
    const std::optional<int> width = Number(edWidth, true);
    if (!width)
        return;
    const std::optional<int> height = Number(edHeight, true);
    if (!height)
        return;
    if (*width == StartWidth && *height == StartHeight) {
        Dialogs.Message(this, "Error",
                        "Please enter a new Width or Height that is NOT\nthe same as the "
                        "original Width and Height.",
                        TMsgIcon::Critical, mbOK);
        return;
    }
    if (*width < 1 || *height < 1) {
        Dialogs.Message(this, "Error", "Please enter a Width and a Height of at least 1 pixel.",
                        TMsgIcon::Warning, mbOK);
        return;
    }
    if (int64_t(*width) * *height > MaxImagePixels) {
        Dialogs.Message(this, "Error",
                        QString("A picture of %1 x %2 pixels is larger than Karvin makes "
                                "(%3 million pixels at most).")
                            .arg(*width)
                            .arg(*height)
                            .arg(MaxImagePixels / 1'000'000),
                        TMsgIcon::Warning, mbOK);
        return;
    }
    Choice.ResizeWidth = *width;
    Choice.ResizeHeight = *height;
    Choice.KeepAspect = cbRatio->isChecked();
}

void TfrmResize::btnCancelClick() {
    reject();
}

void TfrmResize::reject() {
    Choice.ResizeWidth = 0;
    Choice.ResizeHeight = 0;
    QDialog::reject();
}

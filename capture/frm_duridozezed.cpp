#include "capture/frm_duridozezed.h"

#include "platform/dialogs.h"
#include "store/settings_files.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr double MinimumDelay = 0.5;
constexpr double MaximumDelay = 5;
constexpr double DelayStep = 0.5;

const char* const HintText =
    "Increase the delay time if your computer speed is 166 Mhz or less. The delay is designed "
    "to give the browser more time to scroll and to refresh the web page. (Maximum delay is 5 "
    "seconds and Minimum delay is 0.5 seconds)";

} // namespace

double SpinDelay(double seconds, bool up) {
    if (up && seconds < MaximumDelay)
        seconds += DelayStep;
    else if (!up && seconds > MinimumDelay)
        seconds -= DelayStep;
    return std::clamp(seconds, MinimumDelay, MaximumDelay);
}

TfrmDurIdozezed::TfrmDurIdozezed(IDialogs& dialogs, QWidget* parent)
    : QDialog(parent), Dialogs(dialogs) {
    setObjectName("frmDurIdozezed");
    setWindowTitle("DurIdozezed Setup");
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    lblHint = new QLabel(HintText, this);
    lblHint->setWordWrap(true);

    auto* lblDelay = new QLabel("Delay between each scrolling by", this);
    edValue = new QLineEdit("0.5", this);
    edValue->setObjectName("edValue");
    edValue->setReadOnly(true);
    edValue->setFixedWidth(40);
    SpinUp = new QToolButton(this);
    SpinUp->setArrowType(Qt::UpArrow);
    SpinDown = new QToolButton(this);
    SpinDown->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {SpinUp, SpinDown}) {
        arrow->setFixedSize(16, 11);
        arrow->setAutoRepeat(true);
    }
    auto* lblSeconds = new QLabel("seconds", this);

    btnOK = new QPushButton("OK", this);
    btnOK->setDefault(true);
    btnCancel = new QPushButton("Cancel", this);

    auto* spin = new QVBoxLayout;
    spin->setSpacing(0);
    spin->addWidget(SpinUp);
    spin->addWidget(SpinDown);
    auto* delay = new QHBoxLayout;
    delay->addWidget(lblDelay);
    delay->addWidget(edValue);
    delay->addLayout(spin);
    delay->addWidget(lblSeconds);
    delay->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblHint);
    layout->addLayout(delay);
    layout->addLayout(buttons);

    connect(SpinUp, &QToolButton::clicked, this, &TfrmDurIdozezed::SpinButton1UpClick);
    connect(SpinDown, &QToolButton::clicked, this, &TfrmDurIdozezed::SpinButton1DownClick);
    connect(btnOK, &QPushButton::clicked, this, &TfrmDurIdozezed::btnOKClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

    edValue->setText(QString::fromStdString(ReadDurIdozezedDelay()));

    // A fixed dialog, as wide as its delay line needs in the desktop's font (336 pixels at
    // least) and as high as its text then needs.
    const int width = std::max(336, layout->minimumSize().width());
    setFixedSize(width, std::max(128, layout->heightForWidth(width)));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TfrmDurIdozezed::SpinButton1UpClick() {
    SetValue(SpinDelay(edValue->text().toDouble(), true));
}

void TfrmDurIdozezed::SpinButton1DownClick() {
    SetValue(SpinDelay(edValue->text().toDouble(), false));
}

void TfrmDurIdozezed::SetValue(double seconds) {
    // The shortest form: "1", "1.5".
    edValue->setText(QString::number(seconds));
}

void TfrmDurIdozezed::btnOKClick() {
    if (RunCommand(Dialogs, this, [this] { WriteDurIdozezedDelay(edValue->text().toStdString()); }))
        accept();
}

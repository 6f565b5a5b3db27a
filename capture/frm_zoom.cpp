#include "capture/frm_zoom.h"

#include "capture/zoom_picture.h"
#include "store/settings_files.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

// The picture control's size when the window opens, and the height of the factor panel.
constexpr QSize ZoomImageSize(294, 170);
constexpr int ZoomPanelHeight = 41;

} // namespace

// The picture control.

TZoomImage::TZoomImage(QWidget* parent) : QWidget(parent) {
    setObjectName("ZoomImage");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void TZoomImage::SetPicture(const QImage& picture) {
    Picture_ = picture;
    Stretched_ = StretchPixels(Picture_, size());
    update();
}

QImage TZoomImage::Shown() const {
    if (!Stretched_.isNull() && Stretched_.size() == size())
        return Stretched_;
    QImage blank(size(), QImage::Format_RGB32);
    blank.fill(Qt::white);
    return blank;
}

void TZoomImage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (Stretched_.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawImage(0, 0, Stretched_);
}

void TZoomImage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Stretched_ = StretchPixels(Picture_, size());
}

// The window.

TfrmZoom::TfrmZoom(IScreen& screen, IMouseHook& hook) : Screen(screen), Hook(hook) {
    setObjectName("frmZoom");
    setWindowTitle("Zoom Capture");
    // A title bar without buttons, above every other window, never taking the keyboard.
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowDoesNotAcceptFocus);
    setAttribute(Qt::WA_ShowWithoutActivating);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    ZoomPanel = new QWidget(this);
    ZoomPanel->setObjectName("ZoomPanel");
    ZoomPanel->setFixedHeight(ZoomPanelHeight);
    auto* buttons = new QHBoxLayout(ZoomPanel);
    buttons->setContentsMargins(12, 0, 12, 0);
    buttons->setSpacing(24);
    TwoX = new QRadioButton("2X", ZoomPanel);
    FourX = new QRadioButton("4X", ZoomPanel);
    EightX = new QRadioButton("8X", ZoomPanel);
    for (QRadioButton* button : {TwoX, FourX, EightX}) {
        button->setFocusPolicy(Qt::NoFocus);
        buttons->addWidget(button);
    }
    buttons->addStretch();
    TwoX->setChecked(true);
    connect(TwoX, &QRadioButton::clicked, this, &TfrmZoom::TwoXClick);
    connect(FourX, &QRadioButton::clicked, this, &TfrmZoom::FourXClick);
    connect(EightX, &QRadioButton::clicked, this, &TfrmZoom::EightXClick);
    column->addWidget(ZoomPanel);
    ZoomImage = new TZoomImage(this);
    column->addWidget(ZoomImage, 1);
    resize(ZoomImageSize.width(), ZoomPanelHeight + ZoomImageSize.height());
    const QSize screenSize = Screen.ScreenSize();
    move((screenSize.width() - width()) / 2, (screenSize.height() - height()) / 2);

    RepaintWait.setSingleShot(true);
    RepaintWait.setInterval(RepaintPauseMs);
    connect(&RepaintWait, &QTimer::timeout, this, [this] {
        if (LastPosition)
            UpdatePicture(*LastPosition);
    });
    FormCreate();
}

TfrmZoom::~TfrmZoom() {
    try {
        FormDestroy();
    } catch (const std::exception&) {
        // The factor is not kept; the next magnifier opens at the one stored before.
    }
}

void TfrmZoom::FormCreate() {
    // A file that holds anything but 2, 4 or 8, or that cannot be read, opens at 2X: the
    // magnifier works all the same.
    int factor = 2;
    try {
        factor = ReadZoomFactor();
    } catch (const std::exception&) {
    }
    switch (factor) {
    case 4:
        FourX->setChecked(true);
        break;
    case 8:
        EightX->setChecked(true);
        break;
    default:
        TwoX->setChecked(true);
        break;
    }
    HookInstalled = Hook.MouseHook_Start([this] { MouseHookMove(); });
    setWindowTitle(HookInstalled ? "Hook installed" : "ERROR can't install hook");
}

void TfrmZoom::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormActivate();
    // The picture of where the pointer is now, rather than an empty one until it moves; the
    // caption keeps saying whether the hook works.
    if (HookInstalled && !LastPosition) {
        LastPosition = Hook.GetMouseHookStruct();
        UpdatePicture(*LastPosition);
    }
}

void TfrmZoom::FormActivate() {
    Factor_ = EightX->isChecked() ? 8 : FourX->isChecked() ? 4 : 2;
}

void TfrmZoom::TwoXClick() {
    Factor_ = 2;
}

void TfrmZoom::FourXClick() {
    Factor_ = 4;
}

void TfrmZoom::EightXClick() {
    Factor_ = 8;
}

void TfrmZoom::MouseHookMove() {
    const QPoint pointer = Hook.GetMouseHookStruct();
    setWindowTitle(QString::number(pointer.x()) + "," + QString::number(pointer.y()));
    if (LastPosition == pointer)
        return;
    LastPosition = pointer;
    UpdatePicture(pointer);
}

void TfrmZoom::UpdatePicture(const QPoint& pointer) {
    // On its own window the pointer is choosing a factor or resizing: the picture stays, and
    // the window stays where the user reaches for it.
    if (OnScreen().contains(pointer))
        return;
    const QRect source = ZoomSourceRect(pointer, ZoomImage->size(), Factor_);
    // Over the area it shows, the magnifier would show itself: it moves out of the way first,
    // and the screen is read once the windows it uncovered have drawn themselves again.
    if (const auto place =
            ZoomWindowPlaceAwayFrom(OnScreen(), source, QRect(QPoint(0, 0), Screen.ScreenSize()))) {
        move(*place);
        RepaintWait.start();
        return;
    }
    if (RepaintWait.isActive())
        return;
    ZoomImage->SetPicture(GrabZoomSource(Screen, source));
}

QRect TfrmZoom::OnScreen() const {
    return isVisible() ? frameGeometry() : QRect();
}

void TfrmZoom::FormDestroy() {
    if (Destroyed)
        return;
    Destroyed = true;
    RepaintWait.stop();
    // The hook stops whether or not the factor could be written.
    struct TStopHook {
        TfrmZoom& Zoom;
        ~TStopHook() {
            Zoom.setWindowTitle(Zoom.Hook.MouseHook_Stop() ? "Hook removed"
                                                           : "ERROR can't remove hook");
        }
    } stopHook{*this};
    WriteZoomFactor(EightX->isChecked() ? 8 : FourX->isChecked() ? 4 : 2);
}

QImage TfrmZoom::CapturePicture() const {
    return ZoomImage->Shown();
}

void TfrmZoom::closeEvent(QCloseEvent* event) {
    // Only the second press of the capture key ends the magnifier.
    event->ignore();
}

#include "widgets/fast_img.h"

#include "widgets/local_path.h"

#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>

TFastIMG::TFastIMG(QWidget* parent) : QWidget(parent) {
    // The paint covers every pixel of the control, so Qt need not erase it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QString TFastIMG::Picture() const {
    return Loaded_ ? "(TFastDIB)" : "(None)";
}

void TFastIMG::SetPicture(const QString& fileName) {
    Loaded_ = false;
    Buffer_.SetSize(0, 0, 24);
    // A name that is empty or names no file empties the control.
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) {
        Redraw();
        return;
    }
    try {
        Buffer_.LoadFromFile(LocalPath(fileName));
    } catch (...) {
        Redraw();
        throw;
    }
    Loaded_ = true;
    FitToBuffer();
    Redraw();
}

void TFastIMG::Assign(TFastDIB buffer) {
    Buffer_ = std::move(buffer);
    Loaded_ = !Buffer_.Empty();
    FitToBuffer();
    Redraw();
}

void TFastIMG::SetAutoSize(bool autoSize) {
    AutoSize_ = autoSize;
    FitToBuffer();
}

void TFastIMG::SetDrawStyle(TFastDrawStyle style) {
    DrawStyle_ = style;
    update();
}

void TFastIMG::FitToBuffer() {
    if (AutoSize_ && !Buffer_.Empty())
        resize(Buffer_.Width(), Buffer_.Height());
}

void TFastIMG::Redraw() {
    if (Buffer_.Empty()) {
        Shown_ = QImage();
    } else {
        // Any depth the buffer has, as colours 0x00RRGGBB straight into the picture's rows,
        // then made opaque as RGB32 pixels are.
        Shown_ = QImage(Buffer_.Width(), Buffer_.Height(), QImage::Format_RGB32);
        for (int y = 0; y < Buffer_.Height(); ++y) {
            auto* row = reinterpret_cast<uint32_t*>(Shown_.scanLine(y));
            Buffer_.RowColors(y, row);
            for (int x = 0; x < Buffer_.Width(); ++x)
                row[x] |= 0xFF000000u;
        }
    }
    update();
}

QSize TFastIMG::sizeHint() const {
    return Buffer_.Empty() ? QWidget::sizeHint() : QSize(Buffer_.Width(), Buffer_.Height());
}

void TFastIMG::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QBrush background = palette().brush(backgroundRole());
    if (Shown_.isNull()) {
        painter.fillRect(event->rect(), background);
        return;
    }
    QRect picture(QPoint(0, 0), Shown_.size());
    switch (DrawStyle_) {
    case dsDraw:
        break;
    case dsCenter:
        picture.moveCenter(rect().center());
        break;
    case dsStretch:
        painter.drawImage(rect(), Shown_);
        return;
    case dsTile:
        painter.drawTiledPixmap(rect(), QPixmap::fromImage(Shown_));
        return;
    }
    painter.drawImage(picture.topLeft(), Shown_);
    // The rest of the control around the picture.
    QRegion rest(rect());
    rest -= picture;
    for (const QRect& part : rest)
        painter.fillRect(part, background);
}

#include "platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QWindow>

// Xlib's macros (None, Bool, Status) clash with Qt's names, so X headers come after Qt's.
#include "platform/x11_p.h"

namespace {

QClipboard& SystemClipboard() {
    return *QGuiApplication::clipboard();
}

} // namespace

TQtClipboard::TQtClipboard() = default;
TQtClipboard::~TQtClipboard() {
    QObject::disconnect(Watch_);
}

void TQtClipboard::TakeOverFromOthers() {
    if (!ApplicationDisplay())
        return;
    if (!TimeWindow_) {
        TimeWindow_ = std::make_unique<QWindow>();
        TimeWindow_->create();
    }
    UpdateApplicationServerTime(*TimeWindow_);
}

void TQtClipboard::Clear() {
    TakeOverFromOthers();
    SystemClipboard().clear(QClipboard::Clipboard);
}

bool TQtClipboard::HasImage() const {
    const QMimeData* data = SystemClipboard().mimeData(QClipboard::Clipboard);
    return data != nullptr && data->hasImage();
}

QImage TQtClipboard::GetImage() const {
    return SystemClipboard().image(QClipboard::Clipboard);
}

void TQtClipboard::SetImage(const QImage& image) {
    TakeOverFromOthers();
    SystemClipboard().setImage(image, QClipboard::Clipboard);
}

QString TQtClipboard::GetText() const {
    return SystemClipboard().text(QClipboard::Clipboard);
}

void TQtClipboard::SetText(const QString& text) {
    TakeOverFromOthers();
    SystemClipboard().setText(text, QClipboard::Clipboard);
}

void TQtClipboard::SetChangeHandler(std::function<void()> handler) {
    QObject::disconnect(Watch_);
    if (handler)
        // Another program's change comes through the XFixes selection notice.
        Watch_ = QObject::connect(&SystemClipboard(), &QClipboard::dataChanged, std::move(handler));
}

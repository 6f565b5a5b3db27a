#include "platform/clipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

QClipboard& SystemClipboard() {
    return *QGuiApplication::clipboard();
}

} // namespace

void TQtClipboard::Clear() {
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
    SystemClipboard().setImage(image, QClipboard::Clipboard);
}

QString TQtClipboard::GetText() const {
    return SystemClipboard().text(QClipboard::Clipboard);
}

void TQtClipboard::SetText(const QString& text) {
    SystemClipboard().setText(text, QClipboard::Clipboard);
}

#include "platform/tray_icon.h"

#include <QMenu>
#include <QSystemTrayIcon>

TQtTrayIcon::TQtTrayIcon() : Icon_(std::make_unique<QSystemTrayIcon>()) {
    QObject::connect(Icon_.get(), &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::DoubleClick && OnDoubleClick_)
                             OnDoubleClick_();
                     });
}

TQtTrayIcon::~TQtTrayIcon() = default;

bool TQtTrayIcon::Available() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TQtTrayIcon::Show(const QIcon& icon, const QString& hint, QMenu* menu,
                       std::function<void()> onDoubleClick) {
    OnDoubleClick_ = std::move(onDoubleClick);
    Icon_->setIcon(icon);
    Icon_->setToolTip(hint);
    Icon_->setContextMenu(menu);
    Icon_->show();
}

void TQtTrayIcon::Hide() {
    Icon_->hide();
    Icon_->setContextMenu(nullptr);
    OnDoubleClick_ = nullptr;
}

void TQtTrayIcon::SetHint(const QString& hint) {
    Icon_->setToolTip(hint);
}

void TQtTrayIcon::ShowMessage(const QString& title, const QString& text, TTrayNoticeIcon icon) {
    if (Icon_->isVisible())
        Icon_->showMessage(title, text,
                           icon == TTrayNoticeIcon::Information ? QSystemTrayIcon::Information
                                                                : QSystemTrayIcon::Warning);
}

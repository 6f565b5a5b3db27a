// A tray icon that records what the program showed; tests decide whether the desktop has a
// tray and play the user's double click.
#pragma once

#include "platform/tray_icon.h"

#include <QMenu>
#include <QPointer>

class TFakeTrayIcon : public ITrayIcon {
public:
    bool TrayAvailable = true;
    bool Visible = false;
    QString Hint;
    QPointer<QMenu> Menu;
    std::function<void()> OnDoubleClick;

    bool Available() const override { return TrayAvailable; }
    void Show(const QIcon&, const QString& hint, QMenu* menu,
              std::function<void()> onDoubleClick) override {
        Visible = true;
        Hint = hint;
        Menu = menu;
        OnDoubleClick = std::move(onDoubleClick);
    }
    void Hide() override {
        Visible = false;
        OnDoubleClick = nullptr;
    }
    void DoubleClick() {
        if (Visible && OnDoubleClick)
            OnDoubleClick();
    }
};

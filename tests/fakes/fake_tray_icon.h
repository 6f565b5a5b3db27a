// A tray icon that records what the program showed; tests decide whether the desktop has a
// tray and play the user's double click.
#pragma once

#include "platform/tray_icon.h"

#include <QMenu>
#include <QPointer>
#include <QStringList>

#include <vector>

class TFakeTrayIcon : public ITrayIcon {
public:
    bool TrayAvailable = true;
    bool Visible = false;
    QString Hint;
    QPointer<QMenu> Menu;
    std::function<void()> OnDoubleClick;
    QStringList Messages;                      // every notice shown, as "title|text"
    std::vector<TTrayNoticeIcon> MessageIcons; // the sign of each of them

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
    void SetHint(const QString& hint) override { Hint = hint; }
    void ShowMessage(const QString& title, const QString& text, TTrayNoticeIcon icon) override {
        if (!Visible)
            return;
        Messages << title + "|" + text;
        MessageIcons.push_back(icon);
    }
    void DoubleClick() {
        if (Visible && OnDoubleClick)
            OnDoubleClick();
    }
};

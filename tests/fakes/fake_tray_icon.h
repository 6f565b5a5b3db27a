// A tray icon that records what the program showed; tests decide whether the desktop has a
// tray and play the user's double click.
#pragma once

#include "platform/tray_icon.h"

#include <QMenu>
#include <QPointer>
#include <QStringList>

class TFakeTrayIcon : public ITrayIcon {
public:
    bool TrayAvailable = true;
    bool Visible = false;
    QString Hint;
    QPointer<QMenu> Menu;
    std::function<void()> OnDoubleClick;
    QStringList Messages; // every notice shown, as "title|text"

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
    void ShowMessage(const QString& title, const QString& text) override {
        if (Visible)
            Messages << title + "|" + text;
    }
    void DoubleClick() {
        if (Visible && OnDoubleClick)
            OnDoubleClick();
    }
};

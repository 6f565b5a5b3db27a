// The program's icon in the desktop's notification area (tray).
#pragma once

#include <QIcon>
#include <QString>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

// The sign a notice beside the tray icon carries: news (a capture was kept) or a warning
// (something the user has to act on).
enum class TTrayNoticeIcon { Information, Warning };

class ITrayIcon {
public:
    virtual ~ITrayIcon() = default;

    // True while the desktop shows a notification area. Without one, minimising must leave
    // the window on the task bar, or it could never be reached again.
    virtual bool Available() const = 0;
    // Shows the icon with its hint and pop-up menu (opened by the right mouse button);
    // `onDoubleClick` runs on a double click with the left button.
    virtual void Show(const QIcon& icon, const QString& hint, QMenu* menu,
                      std::function<void()> onDoubleClick) = 0;
    virtual void Hide() = 0;
    // Changes the hint shown when the pointer rests on the icon.
    virtual void SetHint(const QString& hint) = 0;
    // A notice that pops up beside the icon for a few seconds (when the desktop shows such
    // notices); nothing happens while the icon is hidden.
    virtual void ShowMessage(const QString& title, const QString& text, TTrayNoticeIcon icon) = 0;
};

// QSystemTrayIcon: a StatusNotifier item or an XEmbed tray icon, whichever the desktop has.
class TQtTrayIcon : public ITrayIcon {
public:
    TQtTrayIcon();
    ~TQtTrayIcon() override;

    bool Available() const override;
    void Show(const QIcon& icon, const QString& hint, QMenu* menu,
              std::function<void()> onDoubleClick) override;
    void Hide() override;
    void SetHint(const QString& hint) override;
    void ShowMessage(const QString& title, const QString& text, TTrayNoticeIcon icon) override;

private:
    std::unique_ptr<QSystemTrayIcon> Icon_;
    std::function<void()> OnDoubleClick_;
};

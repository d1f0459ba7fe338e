#pragma once

#include <QIcon>
#include <QObject>
#include <QTimer>

class QAction;
class QSystemTrayIcon;
class QMenu;

namespace vantrel {

class StatusMenu;

// The tray icon with its menu ("О программе...", "Восстановить" as the bold default item,
// "Отправлять по IP", "Статус", "Выход"). It shows the presence status and flashes while
// messages wait; balloons are shown through it.
class TrayIcon final : public QObject {
    Q_OBJECT
public:
    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;
    Q_DISABLE_COPY_MOVE(TrayIcon)

    // Whether the desktop has a tray to show the icon in.
    static bool isAvailable();

    void show();
    // 0 "В сети", 1 "Отсутствую", 2 "Не беспокоить".
    void setStatus(int status);
    void setFlashing(bool flashing);
    bool isFlashing() const { return m_flashTimer.isActive(); }
    void setToolTip(const QString& text);
    QString toolTip() const;
    // "Выход" is disabled while a presence worker runs.
    void setExitEnabled(bool enabled);
    // The check mark of "Отправлять по IP".
    void setIpChecked(bool checked);
    // Level 0 none, 1 information, 2 warning, 3 error; timeout in seconds.
    void showBalloon(const QString& title, const QString& text, int timeoutSeconds, int level);

    QMenu* menu() const { return m_menu; }
    StatusMenu* statusMenu() const { return m_statusMenu; }

Q_SIGNALS:
    void statusChosen(int code);
    void restoreRequested();
    void exitRequested();
    void aboutRequested();
    // "Отправлять по IP" was clicked; `checked` is its new mark.
    void ipToggled(bool checked);
    // The menu is about to open (its check mark is set then).
    void menuAboutToShow();

private:
    void updateIcon();

    QSystemTrayIcon* m_tray = nullptr;
    QMenu* m_menu = nullptr;
    StatusMenu* m_statusMenu = nullptr;
    QAction* m_exitAction = nullptr;
    QAction* m_ipAction = nullptr;
    QIcon m_statusIcons[3];
    QIcon m_flashIcons[2];
    int m_status = 0;
    int m_flashFrame = 0;
    QTimer m_flashTimer;
};

} // namespace vantrel

#include "shell/trayicon.h"

#include "shell/statusmenu.h"

#include <QAction>
#include <QMenu>
#include <QSystemTrayIcon>

using namespace Qt::StringLiterals;

namespace vantrel {

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent)
    , m_tray(new QSystemTrayIcon(this))
    , m_menu(new QMenu)
{
    m_statusIcons[0] = QIcon(u":/icons/status-online.svg"_s);
    m_statusIcons[1] = QIcon(u":/icons/status-away.svg"_s);
    m_statusIcons[2] = QIcon(u":/icons/status-dnd.svg"_s);
    m_flashIcons[0] = QIcon(u":/icons/flash-1.svg"_s);
    m_flashIcons[1] = QIcon(u":/icons/flash-2.svg"_s);

    QAction* about = m_menu->addAction(u"О программе..."_s);
    about->setObjectName(u"PM_About"_s);
    QAction* restore = m_menu->addAction(u"Восстановить"_s);
    restore->setObjectName(u"PM_Restore"_s);
    // The default item, drawn bold.
    m_menu->setDefaultAction(restore);
    m_menu->addSeparator();
    m_ipAction = m_menu->addAction(u"Отправлять по IP"_s);
    m_ipAction->setObjectName(u"PM_IP"_s);
    m_ipAction->setCheckable(true);
    m_menu->addSeparator();
    m_statusMenu = new StatusMenu(m_menu);
    QAction* statusItem = m_menu->addMenu(m_statusMenu);
    statusItem->setText(u"Статус"_s);
    statusItem->setObjectName(u"PM_SetStatus"_s);
    statusItem->setIcon(StatusMenu::statusIcon(0));
    connect(m_statusMenu, &StatusMenu::statusChosen, this, &TrayIcon::statusChosen);
    m_menu->addSeparator();
    QAction* exitAction = m_menu->addAction(u"Выход"_s);
    exitAction->setObjectName(u"PM_Exit"_s);
    m_exitAction = exitAction;
    connect(about, &QAction::triggered, this, &TrayIcon::aboutRequested);
    connect(restore, &QAction::triggered, this, &TrayIcon::restoreRequested);
    connect(exitAction, &QAction::triggered, this, &TrayIcon::exitRequested);
    connect(m_ipAction, &QAction::triggered, this, &TrayIcon::ipToggled);
    connect(m_menu, &QMenu::aboutToShow, this, &TrayIcon::menuAboutToShow);

    m_tray->setContextMenu(m_menu);
    m_tray->setToolTip(u"Vantrel"_s);
    connect(m_tray, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
            Q_EMIT restoreRequested();
    });

    m_flashTimer.setInterval(500);
    connect(&m_flashTimer, &QTimer::timeout, this, [this] {
        m_flashFrame = 1 - m_flashFrame;
        updateIcon();
    });
    updateIcon();
}

TrayIcon::~TrayIcon()
{
    delete m_menu;
}

bool TrayIcon::isAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TrayIcon::show()
{
    m_tray->show();
}

void TrayIcon::setStatus(int status)
{
    m_status = qBound(0, status, 2);
    m_statusMenu->setStatus(m_status);
    m_statusMenu->menuAction()->setIcon(StatusMenu::statusIcon(m_status));
    updateIcon();
}

void TrayIcon::setFlashing(bool flashing)
{
    if (flashing == m_flashTimer.isActive())
        return;
    m_flashFrame = 0;
    if (flashing)
        m_flashTimer.start();
    else
        m_flashTimer.stop();
    updateIcon();
}

void TrayIcon::setIpChecked(bool checked)
{
    m_ipAction->setChecked(checked);
}

void TrayIcon::setExitEnabled(bool enabled)
{
    m_exitAction->setEnabled(enabled);
}

void TrayIcon::setToolTip(const QString& text)
{
    m_tray->setToolTip(text);
}

QString TrayIcon::toolTip() const
{
    return m_tray->toolTip();
}

void TrayIcon::updateIcon()
{
    m_tray->setIcon(m_flashTimer.isActive() ? m_flashIcons[m_flashFrame] : m_statusIcons[m_status]);
}

void TrayIcon::showBalloon(const QString& title, const QString& text, int timeoutSeconds, int level)
{
    QSystemTrayIcon::MessageIcon icon = QSystemTrayIcon::NoIcon;
    switch (level) {
    case 1:
        icon = QSystemTrayIcon::Information;
        break;
    case 2:
        icon = QSystemTrayIcon::Warning;
        break;
    case 3:
        icon = QSystemTrayIcon::Critical;
        break;
    default:
        break;
    }
    m_tray->showMessage(title, text, icon, qMax(1, timeoutSeconds) * 1000);
}

} // namespace vantrel

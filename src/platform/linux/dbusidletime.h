#pragma once

#include "platform/idletime.h"

#include <QDBusConnection>
#include <QString>

#include <memory>

namespace vantrel {

// The session's idle time from the desktop over the session bus, for desktops where the
// program cannot ask the display server itself (Wayland): GNOME's
// org.gnome.Mutter.IdleMonitor, else KDE's org.freedesktop.ScreenSaver GetSessionIdleTime.
// Each call waits at most `timeoutMs`.
class DBusIdleTime final : public IdleTime {
public:
    enum class Service { Mutter, ScreenSaver };

    // The first service that answers now, or null.
    static std::unique_ptr<DBusIdleTime> open(QDBusConnection bus = QDBusConnection::sessionBus(),
                                              int timeoutMs = 250);

    std::optional<qint64> idleMs() override;
    Service service() const { return m_service; }

private:
    DBusIdleTime(QDBusConnection bus, Service service, int timeoutMs);

    QDBusConnection m_bus;
    Service m_service;
    int m_timeoutMs;
};

} // namespace vantrel

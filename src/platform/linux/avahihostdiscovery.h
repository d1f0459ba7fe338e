#pragma once

#include "platform/hostdiscovery.h"

#include <QDBusConnection>
#include <QSet>
#include <QStringList>

class QDBusPendingCallWatcher;

namespace vantrel {

// Multicast-DNS announcements through the Avahi daemon's D-Bus interface on the system bus:
// service browsers for the service types computers announce (workstations, file sharing,
// remote login, device information), each service resolved to its host name and IPv4
// address. Every D-Bus call is asynchronous. Where no system bus or no Avahi daemon is
// reachable, nothing is reported.
class AvahiHostDiscovery final : public HostDiscovery {
    Q_OBJECT
public:
    explicit AvahiHostDiscovery(QObject* parent = nullptr);
    ~AvahiHostDiscovery() override;
    Q_DISABLE_COPY_MOVE(AvahiHostDiscovery)

    bool start() override;
    void stop() override;

    // The service types browsed.
    static QStringList serviceTypes();
    // "pc7.local" -> "pc7"; other names up to their first dot.
    static QString shortHostName(const QString& host);

private Q_SLOTS:
    void onItemNew(int interfaceIndex, int protocol, const QString& name, const QString& type,
                   const QString& domain, uint flags);

private:
    void onBrowserCreated(QDBusPendingCallWatcher* watcher);
    void onResolved(QDBusPendingCallWatcher* watcher);

    QDBusConnection m_bus;
    bool m_listening = false;
    quint64 m_generation = 0;
    QSet<QString> m_browsers; // object paths of this object's service browsers
    QSet<QString> m_reported; // host name + address pairs already reported
};

} // namespace vantrel

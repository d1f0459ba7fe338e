#pragma once

#include <QObject>
#include <QString>

namespace vantrel {

// Computers that announce themselves on the local network (multicast DNS, where the system
// runs a service for it). Nothing is asked of the network until start(); every answer comes
// later through hostFound() in this object's thread, never from inside a call.
class HostDiscovery : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    Q_DISABLE_COPY_MOVE(HostDiscovery)

    // Starts listening for announcements; false when the facility is absent (nothing will be
    // reported then). A second start while listening does nothing.
    virtual bool start() = 0;
    // Stops listening; announcements still under way are dropped.
    virtual void stop() = 0;

Q_SIGNALS:
    // A computer announced itself: its host name without the ".local" domain, and its IPv4
    // address. The same computer may be reported once per address.
    void hostFound(const QString& hostName, const QString& address);
};

// Where the system offers no such facility.
class NullHostDiscovery final : public HostDiscovery {
    Q_OBJECT
public:
    using HostDiscovery::HostDiscovery;
    Q_DISABLE_COPY_MOVE(NullHostDiscovery)

    bool start() override { return false; }
    void stop() override {}
};

} // namespace vantrel

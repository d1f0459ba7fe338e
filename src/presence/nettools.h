#pragma once

#include "presence/networkprobes.h"
#include "presence/probeconfig.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>

namespace vantrel {

// The real probes: ICMP through the platform's pinger, TCP through a connection of its own, names
// through the system resolver (IPv4 only). Nothing here waits: resolution runs on Qt's lookup
// threads, the echo on the pinger's workers, the connection in this thread's event loop.
class NetTools final : public QObject, public NetworkProbes {
    Q_OBJECT
public:
    NetTools(IcmpPinger& pinger, ProbeConfig config, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(NetTools)

    void PingHost(const QString& host, QObject* context, Result done) override;
    void TCPConnectHost(const QString& host, QObject* context, Result done) override;
    void GetIPByName(const QString& name, QObject* context, AddressResult done) override;
    void GetNameByIP(const QString& address, QObject* context, NameResult done) override;
    void echo(const QString& address, int payloadBytes, int timeoutMs, QObject* context,
              EchoResult done) override;

    const ProbeConfig& config() const { return m_config; }

    // The IPv4 address a dotted text stands for; null for any other text.
    static QHostAddress parseIPv4(const QString& text);

private:
    using AddressCallback = std::function<void(const QHostAddress& address)>;

    // The first IPv4 address of a name or dotted address (null when there is none), reported
    // later in this object's thread.
    void resolveIPv4(const QString& name, AddressCallback done);
    void echoAddress(const QHostAddress& address, int payloadBytes, int timeoutMs, QPointer<QObject> context,
                     EchoResult done);

    IcmpPinger& m_pinger;
    ProbeConfig m_config;
};

} // namespace vantrel

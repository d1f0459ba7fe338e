#pragma once

#include "platform/icmppinger.h"

#include <QString>
#include <QtGlobal>

#include <functional>

class QObject;

namespace vantrel {

// The network probes the presence checks and commands are built on. Every call returns at
// once and reports exactly once through its callback, later (never from inside the call), on
// the thread the probes live in, unless `context` (never null) has been destroyed by then;
// `context` lives in that thread. Probes never fail loudly: every failure is just a negative
// answer.
class NetworkProbes {
public:
    using Result = std::function<void(bool ok)>;
    using AddressResult = std::function<void(bool found, const QString& address)>;
    using NameResult = std::function<void(const QString& name)>;
    using EchoResult = std::function<void(const IcmpEchoReply& reply)>;

    NetworkProbes() = default;
    virtual ~NetworkProbes() = default;
    Q_DISABLE_COPY_MOVE(NetworkProbes)

    // One ICMP echo to `host` (a name or a dotted address): true when a reply came in time.
    virtual void PingHost(const QString& host, QObject* context, Result done) = 0;
    // One TCP connection to the host's protocol port that sends "<TCP_Connect>" and closes: true
    // when all of that succeeded.
    virtual void TCPConnectHost(const QString& host, QObject* context, Result done) = 0;
    // The first IPv4 address of `name` as "%d.%d.%d.%d"; a dotted address stands for itself.
    virtual void GetIPByName(const QString& name, QObject* context, AddressResult done) = 0;
    // The host name of a dotted IPv4 address; empty when the address is malformed or has none.
    virtual void GetNameByIP(const QString& address, QObject* context, NameResult done) = 0;
    // One ICMP echo with `payloadBytes` of data to a dotted IPv4 address, with the full reply.
    virtual void echo(const QString& address, int payloadBytes, int timeoutMs, QObject* context,
                      EchoResult done) = 0;
};

} // namespace vantrel

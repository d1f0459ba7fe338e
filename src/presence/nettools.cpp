#include "presence/nettools.h"

#include "core/utilities.h"
#include "messaging/outgoingrequest.h"
#include "messaging/protocolcodec.h"

#include <QHostInfo>

namespace vantrel {

namespace {

// Calls `done` with `args` when the caller's context still exists.
template <typename Callback, typename... Args>
void reply(const QPointer<QObject>& context, const Callback& done, Args&&... args)
{
    if (context && done)
        done(std::forward<Args>(args)...);
}

} // namespace

NetTools::NetTools(IcmpPinger& pinger, ProbeConfig config, QObject* parent)
    : QObject(parent)
    , m_pinger(pinger)
    , m_config(std::move(config))
{}

QHostAddress NetTools::parseIPv4(const QString& text)
{
    QHostAddress address;
    if (!address.setAddress(text.trimmed()) || address.protocol() != QAbstractSocket::IPv4Protocol)
        return {};
    return address;
}

void NetTools::resolveIPv4(const QString& name, AddressCallback done)
{
    const QString trimmed = name.trimmed();
    const QHostAddress literal = parseIPv4(trimmed);
    if (!literal.isNull() || trimmed.isEmpty() || IsIPAddress(trimmed) ||
        QHostAddress(trimmed).protocol() == QAbstractSocket::IPv6Protocol) {
        // An IPv4 address stands for itself: no lookup (given an address, the resolver would look
        // up its name). A dotted text that is no address, or an IPv6 address, is no host name.
        QMetaObject::invokeMethod(
            this, [literal, done = std::move(done)] { done(literal); }, Qt::QueuedConnection);
        return;
    }
    QHostInfo::lookupHost(trimmed, this, [done = std::move(done)](const QHostInfo& info) {
        QHostAddress first;
        if (info.error() == QHostInfo::NoError) {
            for (const QHostAddress& address : info.addresses()) {
                if (address.protocol() == QAbstractSocket::IPv4Protocol) {
                    first = address;
                    break;
                }
            }
        }
        done(first);
    });
}

void NetTools::PingHost(const QString& host, QObject* context, Result done)
{
    QPointer<QObject> guard(context);
    resolveIPv4(host, [this, guard, done = std::move(done)](const QHostAddress& address) {
        if (address.isNull()) {
            reply(guard, done, false);
            return;
        }
        echoAddress(address, m_config.pingPayloadBytes, m_config.pingTimeoutMs, guard,
                    [guard, done](const IcmpEchoReply& echoReply) { reply(guard, done, echoReply.ok()); });
    });
}

void NetTools::TCPConnectHost(const QString& host, QObject* context, Result done)
{
    QPointer<QObject> guard(context);
    OutgoingConfig config = m_config.outgoing;
    config.connectTimeoutMs = m_config.tcpConnectTimeoutMs;
    auto* request = new OutgoingRequest(host, ProtocolCodec::buildRequest(ProtocolCodec::Header::TcpConnect),
                                        config, this);
    connect(request, &OutgoingRequest::finished, this, [request, guard, done = std::move(done)](bool ok) {
        request->deleteLater();
        reply(guard, done, ok);
    });
    request->start();
}

void NetTools::GetIPByName(const QString& name, QObject* context, AddressResult done)
{
    QPointer<QObject> guard(context);
    resolveIPv4(name, [guard, done = std::move(done)](const QHostAddress& address) {
        if (address.isNull())
            reply(guard, done, false, QString());
        else
            reply(guard, done, true, address.toString());
    });
}

void NetTools::GetNameByIP(const QString& address, QObject* context, NameResult done)
{
    QPointer<QObject> guard(context);
    const QHostAddress parsed = parseIPv4(address);
    if (parsed.isNull()) {
        QMetaObject::invokeMethod(
            this, [guard, done = std::move(done)] { reply(guard, done, QString()); }, Qt::QueuedConnection);
        return;
    }
    // Given an address, the resolver looks its name up; without one it hands the address back.
    QHostInfo::lookupHost(parsed.toString(), this,
                          [guard, parsed, done = std::move(done)](const QHostInfo& info) {
                              QString name = info.error() == QHostInfo::NoError ? info.hostName() : QString();
                              if (name == parsed.toString())
                                  name.clear();
                              reply(guard, done, name);
                          });
}

void NetTools::echo(const QString& address, int payloadBytes, int timeoutMs, QObject* context,
                    EchoResult done)
{
    QPointer<QObject> guard(context);
    const QHostAddress parsed = parseIPv4(address);
    if (parsed.isNull()) {
        QMetaObject::invokeMethod(
            this,
            [guard, done = std::move(done)] {
                IcmpEchoReply failed;
                failed.status = IcmpEchoReply::Status::Failed;
                reply(guard, done, failed);
            },
            Qt::QueuedConnection);
        return;
    }
    echoAddress(parsed, payloadBytes, timeoutMs, guard, std::move(done));
}

void NetTools::echoAddress(const QHostAddress& address, int payloadBytes, int timeoutMs,
                           QPointer<QObject> context, EchoResult done)
{
    IcmpEchoRequest request;
    request.destination = address;
    // With a bind address every probe leaves from it, the echo as well as the connection.
    if (m_config.outgoing.bindAddress.protocol() == QAbstractSocket::IPv4Protocol)
        request.source = m_config.outgoing.bindAddress;
    request.payloadBytes = payloadBytes;
    request.timeoutMs = timeoutMs;
    m_pinger.echo(request, this, [context, done = std::move(done)](const IcmpEchoReply& echoReply) {
        reply(context, done, echoReply);
    });
}

} // namespace vantrel

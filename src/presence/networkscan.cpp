#include "presence/networkscan.h"

#include "messaging/outgoingrequest.h"
#include "messaging/protocolcodec.h"
#include "presence/networkprobes.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <QRegularExpression>

using namespace Qt::StringLiterals;

namespace vantrel {

NetworkScan::NetworkScan(NetworkProbes& probes, Config config, QObject* parent)
    : QObject(parent)
    , m_probes(probes)
    , m_config(std::move(config))
{
    m_config.outgoing.connectTimeoutMs = m_config.connectTimeoutMs;
    m_config.outgoing.writeTimeoutMs = m_config.connectTimeoutMs;
    m_config.maxParallel = qMax(1, m_config.maxParallel);
}

NetworkScan::~NetworkScan()
{
    cancel();
}

QList<quint32> NetworkScan::hostsOf(quint32 address, int prefixLength)
{
    if (prefixLength < 0 || prefixLength > 32)
        return {};
    const int prefix = qMax(prefixLength, MinPrefixLength);
    const quint32 mask = prefix == 32 ? ~quint32(0) : ~(~quint32(0) >> prefix);
    const quint32 network = address & mask;
    const quint32 last = network | ~mask;
    QList<quint32> hosts;
    if (prefix >= 31) {
        for (quint64 a = network; a <= last; ++a)
            hosts.append(quint32(a));
        return hosts;
    }
    hosts.reserve(qsizetype(last - network - 1));
    for (quint32 a = network + 1; a < last; ++a)
        hosts.append(a);
    return hosts;
}

QList<quint32> NetworkScan::localTargets()
{
    QList<quint32> targets;
    QSet<quint32> seen;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface& iface : interfaces) {
        const auto flags = iface.flags();
        if (!flags.testFlag(QNetworkInterface::IsUp) || !flags.testFlag(QNetworkInterface::IsRunning) ||
            flags.testFlag(QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry& entry : iface.addressEntries()) {
            if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol || entry.ip().isLoopback())
                continue;
            for (const quint32 host : hostsOf(entry.ip().toIPv4Address(), entry.prefixLength())) {
                if (!seen.contains(host)) {
                    seen.insert(host);
                    targets.append(host);
                }
            }
        }
    }
    return targets;
}

std::optional<QList<quint32>> NetworkScan::parseNetworks(const QString& text)
{
    static const QRegularExpression separators(u"[\\s,;]+"_s);
    QList<quint32> targets;
    QSet<quint32> seen;
    for (const QString& part : text.split(separators, Qt::SkipEmptyParts)) {
        const QString address = part.section(u'/', 0, 0);
        int prefix = 32;
        if (part.contains(u'/')) {
            bool ok = false;
            prefix = part.section(u'/', 1).toInt(&ok);
            if (!ok || prefix < 0 || prefix > 32)
                return std::nullopt;
        }
        const QHostAddress host(address);
        if (host.protocol() != QAbstractSocket::IPv4Protocol || address.count(u'.') != 3)
            return std::nullopt;
        for (const quint32 a : hostsOf(host.toIPv4Address(), prefix)) {
            if (!seen.contains(a)) {
                seen.insert(a);
                targets.append(a);
            }
        }
    }
    return targets;
}

void NetworkScan::start(const QList<quint32>& addresses)
{
    cancel();
    m_targets.clear();
    QSet<quint32> seen;
    for (const quint32 address : addresses) {
        if (!seen.contains(address)) {
            seen.insert(address);
            m_targets.append(address);
        }
    }
    m_next = 0;
    m_completed = 0;
    m_running = true;
    ++m_generation;
    Q_EMIT progress(0, total());
    launchMore();
    if (m_targets.isEmpty()) {
        m_running = false;
        Q_EMIT finished();
    }
}

void NetworkScan::cancel()
{
    m_running = false;
    // Names still being looked up are dropped when they arrive.
    ++m_generation;
    const QSet<OutgoingRequest*> active = std::exchange(m_active, {});
    for (OutgoingRequest* request : active) {
        request->disconnect(this);
        delete request;
    }
}

void NetworkScan::launchMore()
{
    const QByteArray probe = ProtocolCodec::buildRequest(ProtocolCodec::Header::TcpConnect);
    while (m_running && m_active.size() < m_config.maxParallel && m_next < m_targets.size()) {
        const QString address = QHostAddress(m_targets.at(m_next++)).toString();
        auto* request = new OutgoingRequest(address, probe, m_config.outgoing, this);
        m_active.insert(request);
        connect(request, &OutgoingRequest::finished, this,
                [this, request](bool ok, const QString&) { onAttemptDone(request, ok); });
        request->start();
    }
}

void NetworkScan::onAttemptDone(OutgoingRequest* request, bool ok)
{
    if (!m_active.remove(request))
        return;
    request->deleteLater();
    ++m_completed;
    const QString address = request->host();
    if (ok) {
        Q_EMIT found(address);
        // A receiver of found() may have cancelled the scan.
        if (!m_running)
            return;
        ++m_namesPending;
        m_probes.GetNameByIP(address, this, [this, address, generation = m_generation](const QString& name) {
            --m_namesPending;
            if (generation == m_generation && !name.isEmpty())
                Q_EMIT named(address, name);
        });
    }
    Q_EMIT progress(m_completed, total());
    if (!m_running)
        return;
    launchMore();
    if (m_running && m_completed == total()) {
        m_running = false;
        Q_EMIT finished();
    }
}

} // namespace vantrel

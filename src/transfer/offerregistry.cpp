#include "transfer/offerregistry.h"

#include "messaging/protocolcodec.h"
#include "transfer/transferprotocol.h"

using namespace Qt::StringLiterals;

namespace vantrel {

OfferRegistry::OfferRegistry(int lifetimeMs, int maxPerPeer)
    : m_lifetimeMs(lifetimeMs)
    , m_maxPerPeer(maxPerPeer)
{}

QString OfferRegistry::wireTextFor(const QString& localPath)
{
    if (const auto known = m_wireOf.constFind(localPath); known != m_wireOf.cend())
        return *known;
    const QString base = TransferProtocol::wirePath(localPath);
    QString wire = base;
    // Another file already looks like this on the wire: the name keeps, a folder is added.
    const QString name = ProtocolCodec::fileNamePart(base);
    const QString folder = base.left(base.size() - name.size());
    for (int n = 2; m_localOf.contains(wire); ++n)
        wire = folder + u'~' + QString::number(n) + u'\\' + name;
    return wire;
}

QString OfferRegistry::remember(const QStringList& peers, const QString& localPath)
{
    const QString wire = wireTextFor(localPath);
    for (const QString& peer : peers) {
        prune(peer);
        QList<Entry>& entries = m_offers[peer];
        while (!entries.isEmpty() && entries.size() >= m_maxPerPeer)
            release(entries.takeFirst().wire);
        entries.append({wire, QDeadlineTimer(m_lifetimeMs)});
        m_localOf.insert(wire, localPath);
        m_wireOf.insert(localPath, wire);
        ++m_references[wire];
    }
    return wire;
}

std::optional<QString> OfferRegistry::take(const QString& peer, const QString& wireText)
{
    prune(peer);
    const auto found = m_offers.find(peer);
    if (found == m_offers.end())
        return std::nullopt;
    QList<Entry>& entries = *found;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (entries.at(i).wire != wireText)
            continue;
        const QString local = m_localOf.value(wireText);
        entries.removeAt(i);
        release(wireText);
        if (entries.isEmpty())
            m_offers.erase(found);
        return local;
    }
    return std::nullopt;
}

int OfferRegistry::count(const QString& peer) const
{
    return static_cast<int>(m_offers.value(peer).size());
}

void OfferRegistry::prune(const QString& peer)
{
    const auto found = m_offers.find(peer);
    if (found == m_offers.end())
        return;
    QList<Entry>& entries = *found;
    while (!entries.isEmpty() && entries.constFirst().expiry.hasExpired())
        release(entries.takeFirst().wire);
    if (entries.isEmpty())
        m_offers.erase(found);
}

void OfferRegistry::release(const QString& wire)
{
    const auto references = m_references.find(wire);
    if (references == m_references.end() || --*references > 0)
        return;
    m_references.erase(references);
    m_wireOf.remove(m_localOf.take(wire));
}

} // namespace vantrel

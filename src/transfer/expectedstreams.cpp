#include "transfer/expectedstreams.h"

namespace vantrel {

ExpectedStreams::ExpectedStreams(int lifetimeMs, int maxPerPeer)
    : m_lifetimeMs(lifetimeMs)
    , m_maxPerPeer(maxPerPeer)
{}

bool ExpectedStreams::hasRoomFor(const QString& peer)
{
    return count(peer) < m_maxPerPeer;
}

int ExpectedStreams::add(const QString& peer, const QList<Destination>& destinations, bool isImage,
                         const QString& contact)
{
    // Acceptances of peers that went quiet are dropped here, so none lingers for ever.
    for (const QString& known : m_peers.keys())
        prune(known);
    const int id = m_nextId++;
    m_peers[peer].append({id, destinations, isImage, contact, QDeadlineTimer(m_lifetimeMs)});
    return id;
}

std::optional<ExpectedStreams::Expected> ExpectedStreams::take(const QString& peer, const QString& path)
{
    prune(peer);
    const auto found = m_peers.find(peer);
    if (found == m_peers.end())
        return std::nullopt;
    for (Acceptance& acceptance : *found) {
        for (qsizetype i = 0; i < acceptance.open.size(); ++i) {
            if (acceptance.open.at(i).path != path)
                continue;
            const Destination destination = acceptance.open.takeAt(i);
            return Expected{acceptance.id, destination.path, destination.size, acceptance.isImage,
                            acceptance.contact};
        }
    }
    return std::nullopt;
}

void ExpectedStreams::fileEnded(int acceptance)
{
    for (QList<Acceptance>& list : m_peers) {
        for (Acceptance& entry : list) {
            if (entry.id == acceptance) {
                entry.expiry = QDeadlineTimer(m_lifetimeMs);
                return;
            }
        }
    }
}

int ExpectedStreams::count(const QString& peer)
{
    prune(peer);
    return static_cast<int>(m_peers.value(peer).size());
}

void ExpectedStreams::prune(const QString& peer)
{
    const auto found = m_peers.find(peer);
    if (found == m_peers.end())
        return;
    found->removeIf([](const Acceptance& a) { return a.open.isEmpty() || a.expiry.hasExpired(); });
    if (found->isEmpty())
        m_peers.erase(found);
}

} // namespace vantrel

#include "messaging/connectionadmission.h"

#include <algorithm>

namespace vantrel {

ConnectionAdmission::ConnectionAdmission(Limits limits)
    : m_limits(limits)
{}

void ConnectionAdmission::arrive(const QString& peer, qintptr descriptor)
{
    Peer& entry = m_peers[peer];
    if (entry.waiting.empty())
        m_turns.push_back(peer);
    Waiting waiting;
    waiting.peer = peer;
    waiting.descriptor = descriptor;
    waiting.arrived.start();
    waiting.unchangedSince.start();
    entry.waiting.push_back(std::move(waiting));
    ++m_waiting;
}

std::optional<ConnectionAdmission::Waiting> ConnectionAdmission::next()
{
    if (m_active >= m_limits.maxActive)
        return std::nullopt;
    // The waiting address served least goes first; among equals, the one whose turn it is.
    auto chosen = m_turns.end();
    int least = m_limits.maxActivePerPeer;
    for (auto it = m_turns.begin(); it != m_turns.end(); ++it) {
        const auto peer = m_peers.constFind(*it);
        const int active = peer == m_peers.cend() ? 0 : peer->active;
        if (active < least) {
            least = active;
            chosen = it;
        }
    }
    if (chosen == m_turns.end())
        return std::nullopt;
    const QString peer = *chosen;
    m_turns.erase(chosen);
    Peer& entry = m_peers[peer];
    Waiting waiting = std::move(entry.waiting.front());
    entry.waiting.pop_front();
    --m_waiting;
    ++entry.active;
    ++m_active;
    if (!entry.waiting.empty())
        m_turns.push_back(peer);
    return waiting;
}

void ConnectionAdmission::finished(const QString& peer)
{
    const auto it = m_peers.find(peer);
    if (it == m_peers.end() || it->active == 0)
        return;
    --it->active;
    --m_active;
    dropIfUnused(peer);
}

int ConnectionAdmission::activeOf(const QString& peer) const
{
    const auto it = m_peers.constFind(peer);
    return it == m_peers.cend() ? 0 : it->active;
}

int ConnectionAdmission::waitingOf(const QString& peer) const
{
    const auto it = m_peers.constFind(peer);
    return it == m_peers.cend() ? 0 : int(it->waiting.size());
}

std::optional<ConnectionAdmission::Waiting> ConnectionAdmission::remove(qintptr descriptor)
{
    for (auto it = m_peers.begin(); it != m_peers.end(); ++it) {
        auto& queue = it->waiting;
        const auto found = std::find_if(queue.begin(), queue.end(), [descriptor](const Waiting& w) {
            return w.descriptor == descriptor;
        });
        if (found == queue.end())
            continue;
        Waiting waiting = std::move(*found);
        queue.erase(found);
        --m_waiting;
        if (queue.empty())
            m_turns.erase(std::remove(m_turns.begin(), m_turns.end(), waiting.peer), m_turns.end());
        dropIfUnused(waiting.peer);
        return waiting;
    }
    return std::nullopt;
}

QString ConnectionAdmission::starvedPeer() const
{
    if (m_active < m_limits.maxActive)
        return {};
    const int most = activeOf(busiestPeer());
    QString starved;
    int least = most - 1;
    for (const QString& peer : m_turns) {
        const int active = activeOf(peer);
        if (active < least) {
            least = active;
            starved = peer;
        }
    }
    return starved;
}

QString ConnectionAdmission::busiestPeer() const
{
    QString busiest;
    int most = 0;
    for (auto it = m_peers.cbegin(); it != m_peers.cend(); ++it) {
        if (it->active > most) {
            most = it->active;
            busiest = it.key();
        }
    }
    return busiest;
}

void ConnectionAdmission::dropIfUnused(const QString& peer)
{
    const auto it = m_peers.find(peer);
    if (it != m_peers.end() && it->active == 0 && it->waiting.empty())
        m_peers.erase(it);
}

} // namespace vantrel

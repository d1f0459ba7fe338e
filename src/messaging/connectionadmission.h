#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <deque>
#include <optional>

namespace vantrel {

// Which accepted connections are served now and which wait their turn. A connection that
// waits is held unread (only its descriptor is kept, its bytes stay with the system), so a
// peer over its share delays its own requests and never loses one, and the turns go round
// the peer addresses so that one address's flood never keeps another's request out.
class ConnectionAdmission final {
public:
    struct Limits {
        int maxActive = 512;
        int maxActivePerPeer = 64;
    };
    struct Waiting {
        QString peer;
        qintptr descriptor = -1;
        // When the connection arrived, and since when its unread bytes last changed.
        QElapsedTimer arrived;
        QElapsedTimer unchangedSince;
        qint64 pendingBytes = 0;
    };

    explicit ConnectionAdmission(Limits limits);
    Q_DISABLE_COPY_MOVE(ConnectionAdmission)

    // A connection has been accepted: it waits until next() hands it out.
    void arrive(const QString& peer, qintptr descriptor);
    // The next connection to serve, within the limits: from the waiting address served least,
    // addresses served equally taking turns; nothing when none may be served now. The
    // connection counts as active from then on.
    std::optional<Waiting> next();
    // A served connection of `peer` has ended.
    void finished(const QString& peer);

    int activeCount() const { return m_active; }
    int waitingCount() const { return m_waiting; }
    int activeOf(const QString& peer) const;
    int waitingOf(const QString& peer) const;

    // Every waiting connection, for the sweep to look at (and update).
    template <typename F>
    void forEachWaiting(F&& visit)
    {
        for (auto it = m_peers.begin(); it != m_peers.end(); ++it) {
            for (Waiting& waiting : it->waiting)
                visit(waiting);
        }
    }
    // Takes the waiting connection with this descriptor out (it is being closed).
    std::optional<Waiting> remove(qintptr descriptor);
    // The address whose connections wait although it is served least, when every slot is
    // taken by addresses served more: a slot should be freed for it. Empty otherwise.
    QString starvedPeer() const;
    // The address with the most connections being served.
    QString busiestPeer() const;

private:
    struct Peer {
        int active = 0;
        std::deque<Waiting> waiting;
    };
    void dropIfUnused(const QString& peer);

    Limits m_limits;
    QHash<QString, Peer> m_peers;
    // Addresses with waiting connections, in the order of their next turn.
    std::deque<QString> m_turns;
    int m_active = 0;
    int m_waiting = 0;
};

} // namespace vantrel

#pragma once

#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

namespace vantrel {

// The receiver's memory of its acceptances: the destinations it named in a `<VTL_WRITE_FILE>`
// to a peer address. A `<VTL_FILE>` is written only to such a destination, coming from that
// same address, and each destination is used once. An acceptance is forgotten `lifetimeMs`
// after it was sent or after the last of its files ended, whichever is later; a peer keeps at
// most `maxPerPeer` acceptances.
class ExpectedStreams final {
public:
    struct Destination {
        QString path; // exactly as named on the wire
        QString size; // as the offer announced it
    };
    struct Expected {
        int acceptance = 0;
        QString path;
        QString size;
        bool isImage = false;
        QString contact;
    };

    ExpectedStreams(int lifetimeMs, int maxPerPeer);
    Q_DISABLE_COPY_MOVE(ExpectedStreams)

    // Whether the peer may be sent one more acceptance.
    bool hasRoomFor(const QString& peer);
    // Remembers an acceptance; returns its number.
    int add(const QString& peer, const QList<Destination>& destinations, bool isImage,
            const QString& contact);
    // Takes the destination a stream from `peer` names; nullopt when it was not named to that
    // peer, is used already or has expired.
    std::optional<Expected> take(const QString& peer, const QString& path);
    // A file of the acceptance has ended: the rest of it gets a new lifetime.
    void fileEnded(int acceptance);
    // Acceptances remembered for the peer.
    int count(const QString& peer);

private:
    struct Acceptance {
        int id = 0;
        QList<Destination> open;
        bool isImage = false;
        QString contact;
        QDeadlineTimer expiry;
    };
    void prune(const QString& peer);

    int m_lifetimeMs;
    int m_maxPerPeer;
    int m_nextId = 1;
    QHash<QString, QList<Acceptance>> m_peers;
};

} // namespace vantrel

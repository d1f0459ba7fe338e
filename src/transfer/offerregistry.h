#pragma once

#include <QDeadlineTimer>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace vantrel {

// The offerer's memory of its offers: which wire text stood for which local file in an offer
// to which peer address. An acceptance is honoured only through it, so a peer can only ever
// get a file that was offered to it. Each offer of a file can be accepted once; offers are
// forgotten after `lifetimeMs`, and a peer keeps at most `maxPerPeer` of them (the oldest go).
//
// A wire text always stands for one local file: two files whose paths would look alike on
// the wire get distinct texts (the second one's name gets a folder of its own).
class OfferRegistry final {
public:
    OfferRegistry(int lifetimeMs, int maxPerPeer);
    Q_DISABLE_COPY_MOVE(OfferRegistry)

    // The wire text for a local path.
    QString wireTextFor(const QString& localPath);
    // Remembers one offer of `localPath` to each of `peers`; returns its wire text.
    QString remember(const QStringList& peers, const QString& localPath);
    // The local file an acceptance from `peer` names, taking the offer; nullopt when that
    // peer was never offered it (or the offer is used up or too old).
    std::optional<QString> take(const QString& peer, const QString& wireText);

    int count(const QString& peer) const;

private:
    struct Entry {
        QString wire;
        QDeadlineTimer expiry;
    };
    void prune(const QString& peer);
    void release(const QString& wire);

    int m_lifetimeMs;
    int m_maxPerPeer;
    QHash<QString, QList<Entry>> m_offers;
    QHash<QString, QString> m_localOf; // wire text -> local path
    QHash<QString, QString> m_wireOf;  // local path -> wire text
    QHash<QString, int> m_references;  // wire text -> offers using it
};

} // namespace vantrel

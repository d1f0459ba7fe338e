#pragma once

#include "messaging/outgoingconfig.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <optional>

namespace vantrel {

class NetworkProbes;
class OutgoingRequest;

// The search for computers to message: a bounded scan of the protocol port over IPv4
// addresses. Each address gets one connection that sends the protocol's own probe line
// "<TCP_Connect>" (which peers take silently) and closes; an address that accepts it is
// reported at once, and its reverse name (where it has one) follows.
//
// Bounded: at most `maxParallel` connection attempts at a time, each given up after
// `connectTimeoutMs`; a list of `maxAddresses` at most. Nothing waits: the scan runs in this
// thread's event loop and can be cancelled at any time. Nothing is scanned unless start()
// is called.
class NetworkScan final : public QObject {
    Q_OBJECT
public:
    struct Config {
        // The peers' port and the local address connections leave from (`--bind`).
        OutgoingConfig outgoing;
        int connectTimeoutMs = 1000;
        int maxParallel = 256;
    };

    // The largest network scanned around an own address: a /22, 1022 hosts.
    static constexpr int MinPrefixLength = 22;

    NetworkScan(NetworkProbes& probes, Config config, QObject* parent = nullptr);
    ~NetworkScan() override;
    Q_DISABLE_COPY_MOVE(NetworkScan)

    // Scans the addresses (IPv4, host order; duplicates are scanned once). A running scan is
    // cancelled first.
    void start(const QList<quint32>& addresses);
    // Stops at once: attempts under way are dropped, no further signal comes.
    void cancel();
    bool isRunning() const { return m_running; }
    int total() const { return int(m_targets.size()); }
    int completed() const { return m_completed; }
    // Reverse lookups of found addresses still under way (also those of a cancelled scan,
    // whose answers are dropped).
    int namesPending() const { return m_namesPending; }

    // The host addresses of the network of `address`/`prefixLength`, without its network and
    // broadcast addresses (/31 and /32 keep theirs); a network wider than MinPrefixLength is
    // cut to the /22 that holds `address`.
    static QList<quint32> hostsOf(quint32 address, int prefixLength);
    // The hosts of every IPv4 network of this machine's interfaces that are up, loopback
    // excluded, each cut as above, in order and without duplicates.
    static QList<quint32> localTargets();
    // The hosts of networks written as "ADDRESS/PREFIX" (or a bare address for one host),
    // separated by blanks, commas or semicolons, each cut as above; nullopt when a part is
    // not such a network.
    static std::optional<QList<quint32>> parseNetworks(const QString& text);

Q_SIGNALS:
    // An address accepted the probe.
    void found(const QString& address);
    // The reverse name of a found address (only when it has one); may follow finished().
    void named(const QString& address, const QString& name);
    void progress(int completed, int total);
    // Every address has been tried (not sent after cancel()).
    void finished();

private:
    void launchMore();
    void onAttemptDone(OutgoingRequest* request, bool ok);

    NetworkProbes& m_probes;
    Config m_config;
    QList<quint32> m_targets;
    qsizetype m_next = 0;
    int m_completed = 0;
    int m_namesPending = 0;
    bool m_running = false;
    // Numbers the scans: a name that arrives for an earlier one is dropped.
    quint64 m_generation = 0;
    QSet<OutgoingRequest*> m_active;
};

} // namespace vantrel

#pragma once

#include "platform/icmppinger.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QThreadPool>

#include <atomic>

namespace vantrel {

// The kinds of socket an echo can go through.
enum class IcmpSocketKind {
    // socket(AF_INET, SOCK_DGRAM, IPPROTO_ICMP): allowed to the groups in
    // net.ipv4.ping_group_range; the kernel picks the identifier and hands over only our replies.
    Datagram,
    // socket(AF_INET, SOCK_RAW, IPPROTO_ICMP): needs root or CAP_NET_RAW; sees every ICMP packet,
    // so replies are matched by identifier, sequence number and payload.
    Raw
};

// ICMP echo on Linux. Each echo runs as a blocking exchange on a worker thread of the pinger's
// own pool; the result is handed back to the pinger's thread through its event loop. When no
// socket kind may be opened, the echo ends as Unavailable at once.
class LinuxIcmpPinger final : public QObject, public IcmpPinger {
    Q_OBJECT
public:
    // The blocking exchange a worker runs. It should return soon after `cancelled` becomes true.
    using BlockingEcho =
        std::function<IcmpEchoReply(const IcmpEchoRequest& request, const std::atomic<bool>& cancelled)>;

    // Tries a datagram socket first, then a raw one.
    explicit LinuxIcmpPinger(QObject* parent = nullptr);
    // Only the given socket kinds, in the given order.
    explicit LinuxIcmpPinger(QList<IcmpSocketKind> kinds, QObject* parent = nullptr);
    // Another blocking exchange in place of the sockets (for tests of the threading).
    explicit LinuxIcmpPinger(BlockingEcho blockingEcho, QObject* parent = nullptr);
    // Stops the exchanges still under way (within about 100 ms) and drops their results.
    ~LinuxIcmpPinger() override;

    void echo(const IcmpEchoRequest& request, QObject* context, Callback done) override;

    // Echoes sent whose results have not been delivered yet.
    int pendingCount() const { return static_cast<int>(m_pending.size()); }

    // One echo through the first socket kind of `kinds` that may be opened; blocks until the
    // reply, the time-out or `cancelled`. Callable from any thread.
    static IcmpEchoReply echoBlocking(const IcmpEchoRequest& request, const QList<IcmpSocketKind>& kinds,
                                      const std::atomic<bool>& cancelled);

private:
    struct Pending {
        QPointer<QObject> context;
        Callback done;
    };

    void deliver(quint64 id, const IcmpEchoReply& reply);

    BlockingEcho m_echo;
    QThreadPool m_pool;
    std::atomic<bool> m_cancelled{false};
    QHash<quint64, Pending> m_pending;
    quint64 m_nextId = 1;
};

} // namespace vantrel

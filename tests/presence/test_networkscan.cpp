// The browse scan over real sockets: test listeners on 127.0.0.x share one port, the scan
// covers all of 127.0.0.0/24 on that port and must find exactly them.

#include "platform/linux/linuxicmppinger.h"
#include "presence/nettools.h"
#include "presence/networkscan.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using vantrel::LinuxIcmpPinger;
using vantrel::NetTools;
using vantrel::NetworkScan;

namespace {

quint32 ipv4(const QString& text)
{
    return QHostAddress(text).toIPv4Address();
}

// Listeners on several loopback addresses, all on one port; each keeps what it was sent.
class Listeners final {
public:
    bool open(const QStringList& addresses)
    {
        for (int attempt = 0; attempt < 20; ++attempt) {
            close();
            bool all = true;
            for (const QString& address : addresses) {
                auto server = std::make_unique<QTcpServer>();
                if (!server->listen(QHostAddress(address), port)) {
                    all = false;
                    break;
                }
                port = server->serverPort();
                record(*server);
                servers.push_back(std::move(server));
            }
            if (all)
                return true;
            port = 0; // taken on one of the addresses: another port
        }
        return false;
    }
    void close()
    {
        servers.clear();
        port = 0;
    }

    quint16 port = 0;
    std::vector<std::unique_ptr<QTcpServer>> servers;
    QList<QByteArray> received;

private:
    void record(QTcpServer& server)
    {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this, &server] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                auto* bytes = new QByteArray;
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [socket, bytes] { *bytes += socket->readAll(); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket, bytes] {
                    *bytes += socket->readAll();
                    received.append(*bytes);
                    delete bytes;
                    socket->deleteLater();
                });
            }
        });
    }
};

} // namespace

class TestNetworkScan final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void networksAreBoundedAndSkipTheirEdges()
    {
        const QList<quint32> c = NetworkScan::hostsOf(ipv4(u"192.168.1.77"_s), 24);
        QCOMPARE(c.size(), 254);
        QCOMPARE(c.first(), ipv4(u"192.168.1.1"_s));
        QCOMPARE(c.last(), ipv4(u"192.168.1.254"_s));
        // A /16 is cut to the /22 that holds the own address.
        const QList<quint32> wide = NetworkScan::hostsOf(ipv4(u"10.20.130.5"_s), 16);
        QCOMPARE(wide.size(), 1022);
        QCOMPARE(wide.first(), ipv4(u"10.20.128.1"_s));
        QCOMPARE(wide.last(), ipv4(u"10.20.131.254"_s));
        QCOMPARE(NetworkScan::hostsOf(ipv4(u"10.0.0.1"_s), 0).size(), 1022);
        // Point-to-point links keep both ends; a host route is the host itself.
        QCOMPARE(NetworkScan::hostsOf(ipv4(u"10.0.0.1"_s), 31),
                 (QList<quint32>{ipv4(u"10.0.0.0"_s), ipv4(u"10.0.0.1"_s)}));
        QCOMPARE(NetworkScan::hostsOf(ipv4(u"10.0.0.1"_s), 32), QList<quint32>{ipv4(u"10.0.0.1"_s)});
        QVERIFY(NetworkScan::hostsOf(ipv4(u"10.0.0.1"_s), 33).isEmpty());

        // Networks named by the user: bounded the same way, duplicates once.
        const auto named = NetworkScan::parseNetworks(u" 10.1.2.3/30, 10.1.2.1;10.9.9.9 10.0.0.0/8 "_s);
        QVERIFY(named);
        QCOMPARE(named->size(), 2 + 1 + 1022);
        QCOMPARE(named->mid(0, 3),
                 (QList<quint32>{ipv4(u"10.1.2.1"_s), ipv4(u"10.1.2.2"_s), ipv4(u"10.9.9.9"_s)}));
        QVERIFY(NetworkScan::parseNetworks(QString())->isEmpty());
        for (const QString& bad : {u"10.1.2.3/33"_s, u"10.1.2/24"_s, u"pc7"_s, u"10.1.2.3/x"_s, u"::1/128"_s})
            QVERIFY2(!NetworkScan::parseNetworks(bad), qPrintable(bad));

        // The machine's own networks: never loopback, each at most a /22.
        for (const quint32 address : NetworkScan::localTargets())
            QVERIFY2((address >> 24) != 127, qPrintable(QHostAddress(address).toString()));
    }

    void findsExactlyTheListenersOfTheLoopbackNetwork()
    {
        const QStringList peers{u"127.0.0.61"_s, u"127.0.0.62"_s, u"127.0.0.200"_s};
        Listeners listeners;
        QVERIFY(listeners.open(peers));

        LinuxIcmpPinger pinger;
        NetTools probes(pinger, {});
        NetworkScan::Config config;
        config.outgoing.port = listeners.port;
        config.maxParallel = 64;
        NetworkScan scan(probes, config);
        QSignalSpy found(&scan, &NetworkScan::found);
        QSignalSpy progress(&scan, &NetworkScan::progress);
        QSignalSpy finished(&scan, &NetworkScan::finished);

        scan.start(NetworkScan::hostsOf(ipv4(u"127.0.0.1"_s), 24));
        QVERIFY(scan.isRunning());
        QCOMPARE(scan.total(), 254);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 60000);
        QVERIFY(!scan.isRunning());
        QCOMPARE(scan.completed(), 254);

        QStringList addresses;
        for (const QList<QVariant>& signal : std::as_const(found))
            addresses.append(signal.at(0).toString());
        QCOMPARE(QSet<QString>(addresses.begin(), addresses.end()),
                 QSet<QString>(peers.begin(), peers.end()));
        QCOMPARE(addresses.size(), peers.size());
        // Their reverse names follow (none is guaranteed for these addresses).
        QTRY_COMPARE_WITH_TIMEOUT(scan.namesPending(), 0, 30000);
        QCOMPARE(progress.last(), (QList<QVariant>{254, 254}));
        // Each peer got the protocol's own probe, which listeners take silently.
        QTRY_COMPARE(listeners.received.size(), peers.size());
        for (const QByteArray& bytes : std::as_const(listeners.received))
            QCOMPARE(bytes, "<TCP_Connect>\r\n"_ba);
    }

    void aCancelledScanStopsAtOnce()
    {
        Listeners listeners;
        QVERIFY(listeners.open({u"127.0.0.63"_s}));
        LinuxIcmpPinger pinger;
        NetTools probes(pinger, {});
        NetworkScan::Config config;
        config.outgoing.port = listeners.port;
        config.maxParallel = 2;
        NetworkScan scan(probes, config);
        QSignalSpy progress(&scan, &NetworkScan::progress);
        QSignalSpy finished(&scan, &NetworkScan::finished);

        // Cancelled by whoever follows the progress, as the dialog's closing does.
        const auto canceller = QObject::connect(&scan, &NetworkScan::progress, &scan, [&scan](int completed) {
            if (completed == 3)
                scan.cancel();
        });
        scan.start(NetworkScan::hostsOf(ipv4(u"127.0.0.1"_s), 22));
        QCOMPARE(scan.total(), 1022);
        QTRY_VERIFY(!scan.isRunning());
        const qsizetype seen = progress.size();
        QCOMPARE(scan.completed(), 3);
        QTest::qWait(300);
        QCOMPARE(progress.size(), seen);
        QCOMPARE(finished.size(), 0);
        QVERIFY(scan.completed() < scan.total());

        // A new start scans afresh; duplicates are tried once.
        QObject::disconnect(canceller);
        scan.start({ipv4(u"127.0.0.63"_s), ipv4(u"127.0.0.63"_s)});
        QCOMPARE(scan.total(), 1);
        QTRY_COMPARE(finished.size(), 1);
        QCOMPARE(scan.completed(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(scan.namesPending(), 0, 30000);
    }

    void nothingToScanFinishesAtOnce()
    {
        LinuxIcmpPinger pinger;
        NetTools probes(pinger, {});
        NetworkScan scan(probes, {});
        QSignalSpy finished(&scan, &NetworkScan::finished);
        scan.start({});
        QCOMPARE(finished.size(), 1);
        QVERIFY(!scan.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestNetworkScan)
#include "test_networkscan.moc"

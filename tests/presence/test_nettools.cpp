// The real probes against loopback: ICMP echo, the TCP probe against a real listener, name
// resolution from the system resolver, and the reachability test built on them.

#include "platform/linux/linuxicmppinger.h"
#include "presence/nettools.h"
#include "presence/reachability.h"

#include <QHostInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
#include <tuple>

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// Everything one connection to a test listener brought, up to its close.
struct Accepted {
    QByteArray bytes;
    QHostAddress peer;
    bool closed = false;
};

// Records what each accepted connection sends.
class RecordingServer final {
public:
    RecordingServer()
    {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* socket = server.nextPendingConnection()) {
                const qsizetype index = connections.size();
                connections.append(Accepted{{}, socket->peerAddress(), false});
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket, index] { connections[index].bytes += socket->readAll(); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket, index] {
                    connections[index].bytes += socket->readAll();
                    connections[index].closed = true;
                    socket->deleteLater();
                });
            }
        });
    }
    bool listen() { return server.listen(QHostAddress(u"127.0.0.1"_s), 0); }
    quint16 port() const { return server.serverPort(); }

    // Declared first so that it outlives the server: sockets still open when the server goes
    // report their close into it.
    QList<Accepted> connections;
    QTcpServer server;
};

ProbeConfig configForPort(quint16 port)
{
    ProbeConfig config;
    config.outgoing.port = port;
    return config;
}

// A port on loopback nobody listens on.
quint16 closedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress(u"127.0.0.1"_s), 0))
        return 0;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

// Waits for a probe that answers with a truth value.
class BoolAnswer final {
public:
    auto callback()
    {
        return [this](bool ok) { value = ok; };
    }
    std::optional<bool> value;
};

} // namespace

class TestNetTools final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pingHostLoopback();
    void tcpProbeSendsTheLineFromBindAddress();
    void tcpProbeGivesUpWhenListenerDoesNotAccept();
    void resolveNames();
    void reverseResolve();
    void reachabilityFallsBackToTcp();
    void destroyedContextGetsNoAnswer();

private:
    bool m_icmpUsable = false;
    QString m_icmpProblem;
};

void TestNetTools::initTestCase()
{
    const std::atomic<bool> cancelled{false};
    IcmpEchoRequest request;
    request.destination = QHostAddress(u"127.0.0.1"_s);
    const IcmpEchoReply reply =
        LinuxIcmpPinger::echoBlocking(request, {IcmpSocketKind::Datagram, IcmpSocketKind::Raw}, cancelled);
    m_icmpUsable = reply.status != IcmpEchoReply::Status::Unavailable;
    m_icmpProblem =
        u"no ICMP socket may be opened (neither in net.ipv4.ping_group_range nor CAP_NET_RAW): "_s +
        reply.errorText;
}

void TestNetTools::pingHostLoopback()
{
    if (!m_icmpUsable)
        QSKIP(qPrintable(m_icmpProblem));
    LinuxIcmpPinger pinger;
    ProbeConfig fromOther;
    fromOther.outgoing.bindAddress = QHostAddress(u"127.0.0.2"_s);
    NetTools tools(pinger, ProbeConfig{});
    NetTools bound(pinger, fromOther);
    QObject context;
    // Host text, the tools to ask with, the expected answer; nothing to ask: no echo, a failure.
    const QList<std::tuple<QString, NetTools*, bool>> cases{
        {u"127.0.0.1"_s, &tools, true}, {u"localhost"_s, &tools, true}, {u"127.0.0.9"_s, &tools, true},
        {u"127.0.0.3"_s, &bound, true}, {QString(), &tools, false},     {u"10.0.0.300"_s, &tools, false}};
    for (const auto& [host, probe, expected] : cases) {
        BoolAnswer answer;
        probe->PingHost(host, &context, answer.callback());
        QVERIFY(!answer.value);
        QTRY_VERIFY2(answer.value.has_value(), qPrintable(host));
        QVERIFY2(*answer.value == expected, qPrintable(host));
    }

    // The full reply of an echo as the "Ping" command gets it.
    std::optional<IcmpEchoReply> reply;
    tools.echo(u"127.0.0.1"_s, 32, 2000, &context, [&reply](const IcmpEchoReply& r) { reply = r; });
    QTRY_VERIFY(reply.has_value());
    QVERIFY(reply->ok());
    QCOMPARE(reply->bytes, 32);
    QCOMPARE(reply->from, QHostAddress(u"127.0.0.1"_s));
}

void TestNetTools::tcpProbeSendsTheLineFromBindAddress()
{
    RecordingServer server;
    QVERIFY(server.listen());
    LinuxIcmpPinger pinger;
    ProbeConfig config = configForPort(server.port());
    config.outgoing.bindAddress = QHostAddress(u"127.0.0.2"_s);
    NetTools tools(pinger, config);
    QObject context;
    for (const QString& host : {u"127.0.0.1"_s, u"localhost"_s}) {
        BoolAnswer answer;
        tools.TCPConnectHost(host, &context, answer.callback());
        QVERIFY(!answer.value);
        QTRY_VERIFY(answer.value.has_value());
        QVERIFY2(*answer.value, qPrintable(host));
    }
    QTRY_COMPARE(server.connections.size(), 2);
    QTRY_VERIFY(server.connections.at(0).closed && server.connections.at(1).closed);
    for (const Accepted& accepted : std::as_const(server.connections)) {
        QCOMPARE(accepted.bytes, QByteArray("<TCP_Connect>\r\n"));
        QCOMPARE(accepted.peer, QHostAddress(u"127.0.0.2"_s));
    }
}

void TestNetTools::tcpProbeGivesUpWhenListenerDoesNotAccept()
{
    // A listener whose queue of unaccepted connections is full drops further connection
    // attempts, which then hang as towards a computer that is off: the probe's own limit ends it.
    QTcpServer server;
    server.setListenBacklogSize(0);
    QVERIFY(server.listen(QHostAddress(u"127.0.0.1"_s), 0));
    server.pauseAccepting();
    std::vector<std::unique_ptr<QTcpSocket>> fillers;
    bool full = false;
    for (int i = 0; i < 16 && !full; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress(u"127.0.0.1"_s), server.serverPort());
        full = !socket->waitForConnected(1000);
        fillers.push_back(std::move(socket));
    }
    if (!full)
        QSKIP("this system's TCP stack accepts connections beyond a full listen queue");
    fillers.back()->abort();

    LinuxIcmpPinger pinger;
    ProbeConfig config = configForPort(server.serverPort());
    config.tcpConnectTimeoutMs = 400;
    NetTools tools(pinger, config);
    QObject context;
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, &context, [&ticks] { ++ticks; });
    ticker.start(10);

    BoolAnswer answer;
    tools.TCPConnectHost(u"127.0.0.1"_s, &context, answer.callback());
    QTRY_VERIFY_WITH_TIMEOUT(answer.value.has_value(), 10000);
    QVERIFY(!*answer.value);
    // The event loop of the calling thread ran all the while.
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
}

void TestNetTools::resolveNames()
{
    LinuxIcmpPinger pinger;
    NetTools tools(pinger, ProbeConfig{});
    QObject context;

    QString expected;
    for (const QHostAddress& address : QHostInfo::fromName(u"localhost"_s).addresses()) {
        if (address.protocol() == QAbstractSocket::IPv4Protocol) {
            expected = address.toString();
            break;
        }
    }
    if (expected.isEmpty())
        QSKIP("the system resolver has no IPv4 address for localhost");

    struct Case {
        QString name;
        bool found;
        QString address;
    };
    const QList<Case> cases{{u"localhost"_s, true, expected},
                            {u"127.0.0.5"_s, true, u"127.0.0.5"_s},
                            {u" 127.0.0.6 "_s, true, u"127.0.0.6"_s},
                            {u"10.0.0.300"_s, false, QString()},
                            {u"::1"_s, false, QString()},
                            {QString(), false, QString()}};
    for (const Case& test : cases) {
        std::optional<std::pair<bool, QString>> result;
        tools.GetIPByName(test.name, &context, [&result](bool found, const QString& address) {
            result = {found, address};
        });
        QVERIFY(!result);
        QTRY_VERIFY2(result.has_value(), qPrintable(test.name));
        QCOMPARE(result->first, test.found);
        QCOMPARE(result->second, test.address);
    }
}

void TestNetTools::reverseResolve()
{
    LinuxIcmpPinger pinger;
    NetTools tools(pinger, ProbeConfig{});
    QObject context;

    const QString expected = QHostInfo::fromName(u"127.0.0.1"_s).hostName();
    if (expected.isEmpty() || expected == u"127.0.0.1"_s)
        QSKIP("the system resolver has no name for 127.0.0.1");
    std::optional<QString> name;
    tools.GetNameByIP(u"127.0.0.1"_s, &context, [&name](const QString& n) { name = n; });
    QTRY_VERIFY(name.has_value());
    QCOMPARE(*name, expected);

    // Malformed addresses are not looked up at all.
    for (const QString& address : {u"127.0.0.1.5"_s, u"300.1.1.1"_s, u"pc-name"_s, QString()}) {
        std::optional<QString> none;
        tools.GetNameByIP(address, &context, [&none](const QString& n) { none = n; });
        QTRY_VERIFY(none.has_value());
        QVERIFY2(none->isEmpty(), qPrintable(address));
    }
}

void TestNetTools::reachabilityFallsBackToTcp()
{
    RecordingServer server;
    QVERIFY(server.listen());
    QObject context;

    // A peer whose ICMP is blocked (here: no ICMP socket may be used at all) but whose
    // listener runs is reachable through the TCP probe.
    LinuxIcmpPinger noIcmp(QList<IcmpSocketKind>{});
    NetTools blocked(noIcmp, configForPort(server.port()));
    BoolAnswer viaTcp;
    Reachability(blocked).check(u"127.0.0.1"_s, &context, viaTcp.callback());
    QTRY_VERIFY(viaTcp.value.has_value());
    QVERIFY(*viaTcp.value);
    QTRY_COMPARE(server.connections.size(), 1);
    QTRY_VERIFY(server.connections.first().closed);
    QCOMPARE(server.connections.first().bytes, QByteArray("<TCP_Connect>\r\n"));

    // Neither answers: unreachable, and a refused connection ends long before the default
    // 21 s limit.
    NetTools nothing(noIcmp, configForPort(closedPort()));
    BoolAnswer none;
    Reachability(nothing).check(u"127.0.0.1"_s, &context, none.callback());
    QTRY_VERIFY_WITH_TIMEOUT(none.value.has_value(), 5000);
    QVERIFY(!*none.value);

    if (!m_icmpUsable)
        QSKIP(qPrintable(m_icmpProblem));
    // An answered echo settles it: no connection is made.
    LinuxIcmpPinger pinger;
    NetTools tools(pinger, configForPort(server.port()));
    BoolAnswer viaIcmp;
    Reachability(tools).check(u"127.0.0.1"_s, &context, viaIcmp.callback());
    QTRY_VERIFY(viaIcmp.value.has_value());
    QVERIFY(*viaIcmp.value);
    QTest::qWait(100);
    QCOMPARE(server.connections.size(), 1);
}

void TestNetTools::destroyedContextGetsNoAnswer()
{
    RecordingServer server;
    QVERIFY(server.listen());
    LinuxIcmpPinger pinger;
    NetTools tools(pinger, configForPort(server.port()));
    int answers = 0;
    auto context = std::make_unique<QObject>();
    const auto count = [&answers](auto&&...) { ++answers; };
    tools.TCPConnectHost(u"127.0.0.1"_s, context.get(), count);
    tools.PingHost(u"127.0.0.1"_s, context.get(), count);
    tools.GetIPByName(u"localhost"_s, context.get(), count);
    tools.GetNameByIP(u"127.0.0.1"_s, context.get(), count);
    tools.echo(u"127.0.0.1"_s, 32, 2000, context.get(), count);
    context.reset();
    // The connection still goes through; only the answer is dropped.
    QTRY_COMPARE(server.connections.size(), 1);
    QTRY_COMPARE(pinger.pendingCount(), 0);
    QTest::qWait(100);
    QCOMPARE(answers, 0);
}

} // namespace vantrel

QTEST_GUILESS_MAIN(vantrel::TestNetTools)
#include "test_nettools.moc"

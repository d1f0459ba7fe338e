#include "engineharness.h"
#include "messaging/listener.h"
#include "messaging/protocolcodec.h"

#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpSocket>

using namespace Qt::StringLiterals;
using namespace vantrel;
using namespace vantrel::test;
namespace Codec = vantrel::ProtocolCodec;

namespace {

const QHostAddress kOtherPeer(u"127.0.0.2"_s);

QByteArray message(const QString& from, const QString& text)
{
    return Codec::buildRequest(Codec::Header::Message, Codec::messageBody(from, text));
}

ListenerConfig withLimits(int total, int perPeer, int idleMs = 60000)
{
    ListenerConfig config;
    config.maxConnections = total;
    config.maxConnectionsPerPeer = perPeer;
    config.idleTimeoutMs = idleMs;
    return config;
}

} // namespace

class TestListener final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void oddRequestsLeaveOnlyTheirLogLines()
    {
        EngineHarness h;
        // Probes and empty connections leave no trace at all.
        deliver(h, "<TCP_Connect>\r\n"_ba);
        deliver(h, QByteArray());
        QCOMPARE(h.events(), QStringList());
        deliver(h, "<HELLO there>\r\n<FROM>x</FROM><MESSAGE>y</MESSAGE>\r\n"_ba);
        // A close right after a header that needs a body.
        deliver(h, "<STATUS>\r\n"_ba);
        deliver(h, "<VTL_QUERY_FILE>\r\n"_ba);
        deliver(h, "<no_accept_file>\r\n"_ba);
        const QString early = u"Error | 127.0.0.1: Соединение закрыто до конца запроса"_s;
        QCOMPARE(h.events(), (QStringList{u"Warning | 127.0.0.1: <HELLO there>"_s, early, early, early}));
        QVERIFY(h.host.presented.isEmpty() && h.host.balloons.isEmpty() && h.speaker.beeps.isEmpty());
        QVERIFY(h.answers.requests.isEmpty());
    }

    void refusesAnOverlongLineAtOnce()
    {
        EngineHarness h;
        QSignalSpy served(&h.engine->listener(), &Listener::connectionFinished);
        const auto client = connectClient(h.port());
        client->write("<STATUS>\r\n" + QByteArray(Codec::MaxLineBytes + 100, 'x'));
        QVERIFY(served.wait(5000));
        QCOMPARE(h.events(), QStringList{u"Error | 127.0.0.1: Строка запроса длиннее 16384 байт"_s});
        // The listener has dropped the connection although the peer still holds it open.
        QTRY_COMPARE(client->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(h.engine->listener().connectionCount(), 0);
        // So too a header line that never ends.
        const auto header = connectClient(h.port());
        header->write(QByteArray(Codec::MaxLineBytes + 2, '<'));
        QVERIFY(served.wait(5000));
        QCOMPARE(h.events().size(), 2);
    }

    void closesIdleButNotSlowConnections()
    {
        EngineHarness h(withLimits(512, 64, 300));
        const auto silent = connectClient(h.port());
        const auto unfinished = connectClient(h.port());
        unfinished->write("<VTL_MESSAGE>\r\n<FROM>x</FROM><MESSAGE>never ends"_ba);
        const auto stream = connectClient(h.port());
        stream->write("<VTL_FILE>\r\n<FROM>x</FROM>\r\nsome bytes"_ba);
        // Idleness, not duration, ends a connection: a slow but lively peer is not cut.
        const auto slow = connectClient(h.port());
        slow->write("<VTL_MESSAGE>\r\n<FROM>slow</FROM><MESSAGE>"_ba);
        QTRY_COMPARE(h.engine->listener().connectionCount(), 4);
        for (int i = 0; i < 10; ++i) {
            QTest::qWait(100);
            slow->write("x");
        }
        slow->write("</MESSAGE>\r\n");
        slow->waitForBytesWritten(1000);
        slow->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(h.engine->listener().connectionCount(), 0, 5000);
        QTRY_COMPARE(unfinished->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(h.host.presented.size(), 1);
        QCOMPARE(h.host.presented[0].text, u"xxxxxxxxxx"_s);
        // Three cut, each logged once; the slow peer was not.
        QCOMPARE(h.events().filter(u"Error | "_s).size(), 3);
        QCOMPARE(h.events().filter(u"Error | 127.0.0.1: Нет данных от клиента"_s).size(), 3);
    }

    // Over its share, a peer's connections wait unread and are served in turn: a burst from
    // one address loses nothing and keeps no other address out.
    void aFloodFromOneAddressIsServedInTurn()
    {
        EngineHarness h(withLimits(512, 3));
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        for (int i = 0; i < 5; ++i)
            idle.push_back(connectClient(h.port()));
        QTRY_COMPARE(h.engine->listener().connectionCount(), 3);
        QTRY_COMPARE(h.engine->listener().waitingCount(), 2);
        QTest::qWait(200);
        for (const auto& socket : idle)
            QCOMPARE(socket->state(), QAbstractSocket::ConnectedState);
        const QStringList events = h.events();
        QCOMPARE(events.size(), 1);
        QVERIFY(events[0].startsWith(u"Warning | 127.0.0.1: "_s));

        // Another address is served meanwhile.
        sendAndClose(h.port(), message(u"other"_s, u"still arrives"_s), kOtherPeer);
        QTRY_COMPARE(h.host.presented.size(), 1);

        // Two hundred whole messages at once from the flooding address: every one arrives.
        idle.clear();
        std::vector<std::unique_ptr<QTcpSocket>> burst;
        for (int i = 0; i < 200; ++i) {
            auto socket = std::make_unique<QTcpSocket>();
            socket->connectToHost(QHostAddress::LocalHost, h.port());
            socket->write(message(u"flood"_s, QString::number(i)));
            socket->disconnectFromHost();
            burst.push_back(std::move(socket));
        }
        QTRY_COMPARE_WITH_TIMEOUT(h.host.presented.size(), 201, 30000);
        QSet<QString> texts;
        for (const auto& presented : std::as_const(h.host.presented))
            texts.insert(presented.text);
        QCOMPARE(texts.size(), 201);
        QTRY_VERIFY(h.engine->listener().isIdle());
    }

    void theTotalLimitDelaysWithoutRefusing()
    {
        EngineHarness h(withLimits(2, 64));
        auto idle1 = connectClient(h.port());
        auto idle2 = connectClient(h.port(), kOtherPeer);
        QTRY_COMPARE(h.engine->listener().connectionCount(), 2);

        // The third connection waits; its message is kept, not lost.
        sendAndClose(h.port(), message(u"third"_s, u"waited"_s), QHostAddress(u"127.0.0.3"_s));
        QTRY_COMPARE(h.engine->listener().waitingCount(), 1);
        QTest::qWait(200);
        QVERIFY(h.host.presented.isEmpty());
        idle1.reset();
        QTRY_COMPARE(h.host.presented.size(), 1);
        QCOMPARE(h.host.presented[0].text, u"waited"_s);
    }

    void refusesPeersBlackListedByName()
    {
        EngineHarness h;
        // The loopback address resolves to "localhost"; the list is compared without regard to case.
        h.settings.fmConfig.ListBox_BlackList_Items.setValue({u"LOCALHOST"_s});
        deliver(h, message(u"pc"_s, u"refused"_s));
        QTRY_COMPARE(h.answers.requests, QList<QByteArray>{"<in_black_list>\r\n"_ba});
        QVERIFY(h.host.presented.isEmpty());
        QCOMPARE(h.events(), QStringList());

        // A peer without a name is on no list.
        deliver(h, message(u"pc2"_s, u"accepted"_s), kOtherPeer);
        QCOMPARE(h.host.presented.size(), 1);
    }

    void refusesPeersBlackListedByAddress()
    {
        EngineHarness h;
        // An IPv4 entry matches the peer's address itself, whatever its name; blanks around it
        // do not matter, and a name entry next to it still works by name.
        h.settings.fmConfig.ListBox_BlackList_Items.setValue({u" 127.0.0.2 "_s, u"no-such-pc"_s});
        // The refusal goes back to the refused address.
        RequestCatcher refusals(kOtherPeer, h.answers.port());
        deliver(h, message(u"pc2"_s, u"refused"_s), kOtherPeer);
        QTRY_COMPARE(refusals.requests, QList<QByteArray>{"<in_black_list>\r\n"_ba});
        QVERIFY(h.host.presented.isEmpty());

        // Another address is let in, even though it has a name and the list holds an address.
        deliver(h, message(u"pc"_s, u"accepted"_s));
        QTRY_COMPARE(h.host.presented.size(), 1);
        QCOMPARE(h.host.presented[0].text, u"accepted"_s);
        QCOMPARE(refusals.requests.size(), 1);
        QVERIFY(h.answers.requests.isEmpty());
    }

    void survivesAFailedListen()
    {
        EngineHarness h;
        MessagingEngine::Config config;
        config.listener.address = QHostAddress::LocalHost;
        config.listener.port = h.port();
        MessagingEngine second(config, {h.settings, h.eventLog, h.contacts, h.host, h.speaker, h.sound},
                               h.paths.logsDir, {});
        QVERIFY(!second.start());
        QVERIFY(!second.listener().isListening());
        const QStringList events = h.events();
        QCOMPARE(events.size(), 1);
        QVERIFY2(events[0].startsWith(u"Listen Error | : "_s) && events[0].size() > 17,
                 qPrintable(events[0]));
        // The first engine is unaffected.
        deliver(h, message(u"pc"_s, u"ok"_s));
        QCOMPARE(h.host.presented.size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestListener)
#include "test_listener.moc"

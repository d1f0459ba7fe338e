// What hostile or broken peers can try against the listener, on real sockets: stalling
// connections, floods that fill descriptors or memory, floods of provoking requests, and text
// meant to forge lines. Each case checks that the attack costs the attacker, not the others.

#include "engineharness.h"
#include "messaging/historylog.h"
#include "messaging/listener.h"
#include "messaging/protocolcodec.h"
#include "messaging/tcpcommandsender.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTcpSocket>

using namespace Qt::StringLiterals;
using namespace vantrel;
using namespace vantrel::test;
namespace Codec = vantrel::ProtocolCodec;

namespace {

QByteArray message(const QString& from, const QString& text)
{
    return Codec::buildRequest(Codec::Header::Message, Codec::messageBody(from, text));
}

QHostAddress loopback(int last)
{
    return QHostAddress(u"127.0.0.%1"_s.arg(last));
}

using Sockets = std::vector<std::unique_ptr<QTcpSocket>>;

// Connections from `from` that have sent `bytes` and then nothing more.
Sockets stalled(quint16 port, const QHostAddress& from, int count, const QByteArray& bytes = {})
{
    Sockets sockets;
    for (int i = 0; i < count; ++i) {
        sockets.push_back(connectClient(port, from));
        if (!bytes.isEmpty())
            sockets.back()->write(bytes);
    }
    return sockets;
}

// Milliseconds until a message sent from `from` is presented.
qint64 deliveryMs(EngineHarness& h, const QHostAddress& from, const QString& text)
{
    QElapsedTimer timer;
    timer.start();
    const qsizetype before = h.host.presented.size();
    sendAndClose(h.port(), message(u"legit"_s, text), from);
    if (!QTest::qWaitFor([&] { return h.host.presented.size() > before; }, 20000))
        return -1;
    return timer.elapsed();
}

} // namespace

class TestHostilePeers final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    // A header that never completes, or a body that trickles, is cut; a slow but steady
    // sender is not.
    void stallingRequestsAreCut()
    {
        ListenerConfig config;
        config.headerTimeoutMs = 600;
        config.bodyWindowMs = 600;
        config.minBodyBytesPerWindow = 200;
        EngineHarness h(config);
        const auto header = connectClient(h.port());
        const auto body = connectClient(h.port());
        body->write("<VTL_MESSAGE>\r\n<FROM>x</FROM><MESSAGE>"_ba);
        // Both keep sending a byte now and then: never idle, never done.
        for (int i = 0; i < 20 && header->state() == QAbstractSocket::ConnectedState; ++i) {
            header->write("<");
            body->write("y");
            QTest::qWait(100);
        }
        QTRY_COMPARE(header->state(), QAbstractSocket::UnconnectedState);
        QTRY_COMPARE(body->state(), QAbstractSocket::UnconnectedState);
        const QStringList events = h.events();
        QCOMPARE(events.filter(u"Error | 127.0.0.1: Заголовок запроса не получен"_s).size(), 1);
        QCOMPARE(events.filter(u"Error | 127.0.0.1: Запрос поступает медленнее"_s).size(), 1);
        QVERIFY(h.host.presented.isEmpty());

        // 300 bytes per window arrive: that is fast enough.
        const auto steady = connectClient(h.port());
        steady->write("<VTL_MESSAGE>\r\n<FROM>steady</FROM><MESSAGE>"_ba);
        for (int i = 0; i < 12; ++i) {
            steady->write(QByteArray(30, 'z'));
            QTest::qWait(60);
        }
        steady->write("</MESSAGE>");
        steady->disconnectFromHost();
        QTRY_COMPARE(h.host.presented.size(), 1);
        QCOMPARE(h.host.presented[0].text, QString(360, u'z'));
    }

    // Stalled connections from several addresses hold every serving slot: a message from
    // another address still gets in at once, because a stalled one makes room.
    void stalledAddressesMakeRoomForOthers()
    {
        ListenerConfig config;
        config.maxConnections = 8;
        config.maxConnectionsPerPeer = 4;
        config.evictIdleMs = 300;
        EngineHarness h(config);
        Sockets attack = stalled(h.port(), loopback(2), 6, "<VTL_MES"_ba);
        Sockets more = stalled(h.port(), loopback(3), 6, "<VTL_MES"_ba);
        QTRY_COMPARE(h.engine->listener().connectionCount(), 8);
        QTRY_COMPARE(h.engine->listener().waitingCount(), 4);
        const qint64 ms = deliveryMs(h, loopback(4), u"through"_s);
        QVERIFY2(ms >= 0 && ms < 3000, qPrintable(QString::number(ms)));
        QCOMPARE(h.host.presented[0].text, u"through"_s);
        QVERIFY(h.engine->listener().evictedCount() >= 1);
    }

    // Connections that fill every descriptor the listener may use: the listener stops at its
    // budget, and stalled ones make room so that a request from elsewhere is still served.
    void descriptorsNeverRunOut()
    {
        ListenerConfig config;
        config.maxAcceptedConnections = 20;
        config.maxConnectionsPerPeer = 4;
        config.evictIdleMs = 300;
        EngineHarness h(config);
        QCOMPARE(h.engine->listener().acceptBudget(), 20);
        Sockets attack;
        for (int address = 2; address <= 6; ++address) {
            Sockets part = stalled(h.port(), loopback(address), 8);
            std::move(part.begin(), part.end(), std::back_inserter(attack));
        }
        QTRY_VERIFY(h.engine->listener().connectionCount() + h.engine->listener().waitingCount() >= 18);
        QTest::qWait(100);
        QVERIFY(h.engine->listener().connectionCount() + h.engine->listener().waitingCount() <= 20);
        const qint64 ms = deliveryMs(h, loopback(7), u"room"_s);
        QVERIFY2(ms >= 0 && ms < 5000, qPrintable(QString::number(ms)));
        QVERIFY(h.engine->listener().connectionCount() + h.engine->listener().waitingCount() <= 20);
    }

    // Large bodies beyond the memory budget: reading pauses, nothing grows past the budget,
    // and every message arrives whole once its sender is done.
    void bodiesShareAMemoryBudget()
    {
        ListenerConfig config;
        config.bodyBudgetBytes = 1024 * 1024;
        config.bodyAllowanceBytes = 64 * 1024;
        EngineHarness h(config);
        constexpr int kSenders = 6;
        const QString text(300 * 1024, u'q');
        const QByteArray request = message(u"big"_s, text);
        Sockets senders;
        for (int i = 0; i < kSenders; ++i) {
            senders.push_back(connectClient(h.port(), loopback(10 + i)));
            // All but the end: none of them is complete yet.
            senders.back()->write(request.chopped(10));
        }
        const BodyBudget& budget = h.engine->listener().bodyBudget();
        QTRY_VERIFY(budget.waitingCount() > 0);
        QTest::qWait(200);
        QVERIFY2(budget.total() <= config.bodyBudgetBytes + kSenders * config.bodyAllowanceBytes,
                 qPrintable(QString::number(budget.total())));
        for (auto& sender : senders) {
            sender->write(request.right(10));
            sender->disconnectFromHost();
        }
        QTRY_COMPARE_WITH_TIMEOUT(h.host.presented.size(), kSenders, 20000);
        for (const auto& presented : std::as_const(h.host.presented))
            QCOMPARE(presented.text.size(), text.size());
        QTRY_COMPARE(budget.total(), 0);
    }

    // A flood of unknown headers full of control characters: the event log gets a few
    // escaped, shortened lines and one summary, not a line per request.
    void floodsCannotGrowOrForgeTheEventLog()
    {
        EngineHarness h;
        const QByteArray junk = "<X\x1b[31m\r" + QByteArray(15000, 'a') + "\x07\x01>\r\n";
        for (int i = 0; i < 60; ++i)
            deliver(h, junk);
        QStringList events = h.events();
        QCOMPARE(events.size(), 10);
        for (const QString& line : std::as_const(events)) {
            QVERIFY(line.startsWith(u"Warning | 127.0.0.1: <X\\x1B[31m"_s));
            QVERIFY(line.size() < 400);
            for (const QChar c : line)
                QVERIFY(c.unicode() >= 0x20);
        }
        // The summary comes when the interval is over (at the latest when the engine goes).
        h.engine.reset();
        events = h.events();
        QCOMPARE(events.size(), 11);
        QVERIFY2(events.last().contains(u"пропущено: 50"_s), qPrintable(events.last()));
    }

    // FROM and DATE with line breaks and terminal codes: the history entry stays one header.
    void forgedFieldsStayInTheirEntry()
    {
        EngineHarness h;
        const QString from = u"pc\r\nevil [01.01.2000]: forged\x1b"_s;
        deliver(h, Codec::buildRequest(Codec::Header::Message,
                                       u"<FROM>"_s + from +
                                           u"</FROM><DATE>1\r\n2</DATE><MESSAGE>text</MESSAGE>"_s));
        QCOMPARE(h.host.presented.size(), 1);
        const QStringList lines = h.history(from).split(u"\r\n"_s);
        QCOMPARE(lines.size(), 4); // header line, empty line, the entry, and the final empty part
        QCOMPARE(lines[2], u"pc\\x0D\\x0Aevil [01.01.2000]: forged\\x1B [1\\x0D\\x0A2]: text"_s);
    }

    // A FROM of several megabytes is cut to a name's size; its history file is an ordinary one.
    void hugeSenderNamesAreCut()
    {
        EngineHarness h;
        const QString from(3 * 1024 * 1024, u'я');
        // Written without blocking: the listener reads in this same thread.
        const auto sender = connectClient(h.port());
        sender->write(message(from, u"hi"_s));
        sender->disconnectFromHost();
        QTRY_COMPARE_WITH_TIMEOUT(h.host.presented.size(), 1, 20000);
        QCOMPARE(h.host.presented[0].contact.size(), 1024);
        const QString path = h.engine->history().pathFor(h.host.presented[0].contact);
        QVERIFY(QFileInfo(path).fileName().toUtf8().size() <= 255);
        QVERIFY(h.history(h.host.presented[0].contact).endsWith(u"]: hi\r\n"_s));
    }

    // Every request from a black-listed sender provokes an answer: a flood of them does not
    // make the listener flood the sender (or anyone the FROM names).
    void provokedAnswersAreBounded()
    {
        EngineHarness h;
        h.settings.fmConfig.ListBox_BlackList_Items.setValue({u"bad"_s});
        for (int i = 0; i < 30; ++i)
            deliver(h, message(u"bad"_s, u"x"_s));
        TcpCommandSender& commands = h.engine->commands();
        QVERIFY(commands.inFlightCount() <= 1);
        QCOMPARE(commands.droppedAnswers(), 29);
        QTest::qWait(300);
        QVERIFY(h.answers.requests.size() <= 1);
        QVERIFY(h.host.presented.isEmpty());

        // Answers to many addresses: never more than a bounded number under way at once.
        for (int i = 0; i < 100; ++i) {
            commands.answer(u"10.255.%1.%2"_s.arg(i / 250).arg(i % 250 + 1), Codec::Header::InBlackList);
            QVERIFY(commands.inFlightCount() <= TcpCommandSender::MaxAnswersInFlight + 1);
        }
    }
};

QTEST_GUILESS_MAIN(TestHostilePeers)
#include "test_hostilepeers.moc"

// The whole-tree check, the status broadcast and the applying of peers' status reports, on
// real sockets on loopback. ICMP answers for every 127.x address, so the echo is replaced by
// one that never answers and the TCP probe decides, as it does for peers that block ICMP.

#include "common/testfiles.h"
#include "contacts/contactlist.h"
#include "contacts/contactlistlookup.h"
#include "contacts/fakecontactlisthost.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "messaging/defaultrequesthandler.h"
#include "messaging/fakes.h"
#include "messaging/peerlog.h"
#include "messaging/tcpcommandsender.h"
#include "presence/fakeprobes.h"
#include "presence/ipworker.h"
#include "presence/nettools.h"
#include "presence/pingworker.h"
#include "presence/reachability.h"
#include "presence/statusbroadcaster.h"
#include "presence/statusreceiver.h"
#include "settings/settings.h"

#include <QHostAddress>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

// An echo that is never answered: the TCP probe alone tells reachability.
class SilentPinger final : public IcmpPinger {
public:
    void echo(const IcmpEchoRequest&, QObject* context, Callback done) override
    {
        QTimer::singleShot(0, context, [done] {
            IcmpEchoReply reply;
            reply.status = IcmpEchoReply::Status::Timeout;
            done(reply);
        });
    }
};

// A peer on 127.0.0.x: accepts connections and keeps what each one sent.
class Peer final : public QObject {
public:
    Peer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                const int slot = int(requests.size());
                requests.append(QByteArray());
                connect(socket, &QTcpSocket::readyRead, this,
                        [this, socket, slot] { requests[slot] += socket->readAll(); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    bool listen(const QString& address, quint16 port) { return m_server.listen(QHostAddress(address), port); }
    void close() { m_server.close(); }
    quint16 port() const { return m_server.serverPort(); }

    QList<QByteArray> requests;

private:
    QTcpServer m_server;
};

// A list of contacts with their IP fields on loopback, sent to by IP address.
struct World {
    explicit World(const QString& listText)
        : settings(dir.filePath(u"Conf/VantrelMsg.ini"_s))
        , eventLog(writer, dir.filePath(u"VantrelMsg.log"_s))
    {
        settings.fmConfig.dxCheckbox_IP_Checked.setValue(true);
        const QString file = dir.filePath(u"compnames.vtl"_s);
        writeAll(file, "\xEF\xBB\xBF"_ba + listText.toUtf8());
        list = std::make_unique<ContactList>(settings, host, file);
        list->CheckGeneralList();
        list->MySetStatus(0);
    }

    QString eventLogText() const { return QString::fromUtf8(readAll(eventLog.path())); }

    QTemporaryDir dir;
    Settings settings;
    FakeContactListHost host;
    LogWriter writer;
    EventLog eventLog;
    std::unique_ptr<ContactList> list;
};

// The check's probes: a silent echo, then TCP to `port`.
struct Probes {
    explicit Probes(quint16 port)
    {
        ProbeConfig config;
        config.outgoing.port = port;
        config.tcpConnectTimeoutMs = 3000;
        tools = std::make_unique<NetTools>(pinger, config);
        reachability = std::make_unique<Reachability>(*tools);
    }
    SilentPinger pinger;
    std::unique_ptr<NetTools> tools;
    std::unique_ptr<Reachability> reachability;
};

// Two peers on one ephemeral port of 127.0.0.2 and 127.0.0.3; 127.0.0.4 is closed.
bool listenPair(Peer& a, Peer& b)
{
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (!a.listen(u"127.0.0.2"_s, 0))
            return false;
        if (b.listen(u"127.0.0.3"_s, a.port()))
            return true;
        a.close();
    }
    return false;
}

const QString ThreePeers = u"PC1;Первый;127.0.0.2;0\r\n"
                           u"[Отдел]\r\n"
                           u"\tPC2;Второй;127.0.0.3;0\r\n"
                           u"PC3;Третий;127.0.0.4;0\r\n"_s;

} // namespace

class TestPresenceWorkers final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void wholeTreeCheckMarksAndKeepsStatus();
    void emptyListWarns();
    void broadcastReachesReachableLeavesOnly();
    void reportsAppliedByAddressOnly();
    void ipRefreshStoresChangedAddresses();
    void wholeTreeCheckGoesOnThroughIpRefresh();
    void settingsDialogHoldsEveryStart();
};

void TestPresenceWorkers::wholeTreeCheckMarksAndKeepsStatus()
{
    Peer first, second;
    QVERIFY(listenPair(first, second));
    World w(ThreePeers);
    Probes probes(first.port());
    PingWorker worker(*w.list, *probes.reachability, w.eventLog);
    QSignalSpy finished(&worker, &PingWorker::finished);
    QSignalSpy checking(&worker, &PingWorker::checking);

    w.list->setImageIndex(0, ContactListSnapshot::Unreachable); // answers: back to 0
    w.list->setImageIndex(2, ContactListSnapshot::Away);        // answers: stays away
    QVERIFY(worker.start());
    QVERIFY(!worker.start()); // a second start while it runs is ignored
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QList<int> marks;
    for (int i = 0; i < 4; ++i)
        marks << w.list->imageIndex(i);
    QCOMPARE(marks, (QList<int>{ContactListSnapshot::Online, ContactListSnapshot::Group,
                                ContactListSnapshot::Away, ContactListSnapshot::Unreachable}));
    QStringList names;
    for (const auto& args : checking)
        names << args.at(0).toString();
    QCOMPARE(names, QStringList({u"Первый"_s, u"Второй"_s, u"Третий"_s})); // the group is skipped

    QVERIFY(!w.eventLogText().contains(u"Warning"_s));
}

void TestPresenceWorkers::emptyListWarns()
{
    World w(QString{});
    Probes probes(1);
    test::FakeProbes lookups;
    PingWorker ping(*w.list, *probes.reachability, w.eventLog);
    IpWorker ip(*w.list, lookups, w.eventLog);
    QSignalSpy pingDone(&ping, &PingWorker::finished), ipDone(&ip, &IpWorker::finished);
    QSignalSpy checking(&ping, &PingWorker::checking);
    for (int round = 0; round < 2; ++round) {
        QVERIFY(ping.start());
        QVERIFY(pingDone.wait(2000));
    }
    QVERIFY(ip.start());
    QVERIFY(ipDone.wait(2000));
    QCOMPARE(checking.count() + lookups.calls.size(), 0);
    const QString log = w.eventLogText();
    QCOMPARE(log.count(u" | Warning | JvThread_Ping: Пустой список пользователей"_s), 2);
    QCOMPARE(log.count(u" | Warning | JvThread_IP: Пустой список пользователей"_s), 1);
}

void TestPresenceWorkers::broadcastReachesReachableLeavesOnly()
{
    Peer first, second, third;
    QVERIFY(listenPair(first, second));
    QVERIFY(third.listen(u"127.0.0.4"_s, first.port()));
    World w(ThreePeers);
    ContactListLookup lookup(*w.list);
    test::RecordingHost host;
    OutgoingConfig outgoing;
    outgoing.port = first.port();
    TcpCommandSender sender(outgoing, lookup, host);
    StatusBroadcaster status(*w.list, sender, w.eventLog, [] { return u"Отправитель"_s; });
    QSignalSpy finished(&status, &StatusBroadcaster::finished);
    QCOMPARE(status.status(), 0);

    w.list->setImageIndex(3, ContactListSnapshot::Unreachable); // never told
    status.SetStatus(1);
    status.SetStatus(2); // during the broadcast: kept, not sent
    QCOMPARE(status.status(), 2);
    QVERIFY(finished.wait(10000));
    QCOMPARE(finished.count(), 1);
    QTRY_COMPARE(first.requests.size(), 1);
    QTRY_COMPARE(second.requests.size(), 1);
    const QByteArray expected = "<STATUS>\r\n"_ba + u"<CODE>1</CODE><FROM>Отправитель</FROM>"_s.toUtf8();
    QTRY_VERIFY(first.requests.at(0).startsWith(expected));
    QTRY_VERIFY(second.requests.at(0).startsWith(expected));
    QTest::qWait(200);
    QCOMPARE(third.requests.size(), 0);
    QCOMPARE(host.balloons.size(), 0); // failures and successes alike are silent

    // The next change is sent, with the code of that change.
    status.SetStatus(0);
    QVERIFY(finished.wait(10000));
    QTRY_COMPARE(first.requests.size(), 2);
    QTRY_VERIFY(first.requests.at(1).contains("<CODE>0</CODE>"));
    QCOMPARE(third.requests.size(), 0);
}

void TestPresenceWorkers::reportsAppliedByAddressOnly()
{
    World w(ThreePeers + u"pc5;Пятый\r\n"_s);
    PeerLog peerLog(w.eventLog);
    DefaultRequestHandler others(peerLog);
    StatusReceiver receiver(*w.list, peerLog, others);
    QSignalSpy changed(&receiver, &StatusReceiver::userStatusChanged);
    const auto report = [](const QString& code, const QString& from, const QString& host) -> QString {
        return u"<CODE>"_s + code + u"</CODE><FROM>"_s + from + u"</FROM><HOST>"_s + host + u"</HOST>"_s;
    };

    // By the IP field; the FROM names another contact and is not evaluated.
    receiver.statusReceived(report(u"2"_s, u"PC3"_s, u"127.0.0.3"_s), u"127.0.0.3"_s);
    QCOMPARE(w.list->imageIndex(2), 2);
    QCOMPARE(w.list->imageIndex(3), 0);
    QCOMPARE(changed.takeFirst(), (QVariantList{2, u"Второй"_s, 2}));

    // An unreachable contact shows its reported code again; a computer name matches too.
    w.list->setImageIndex(0, ContactListSnapshot::Unreachable);
    receiver.statusReceived(report(u"1"_s, u"x"_s, u"127.0.0.2"_s), u"127.0.0.2"_s);
    QCOMPARE(w.list->imageIndex(0), 1);
    receiver.statusReceived(report(u"1"_s, u"x"_s, u"PC5"_s), u"PC5"_s);
    QCOMPARE(w.list->imageIndex(4), 1);
    // Back from away: the report of code 0 shows the contact online again.
    receiver.statusReceived(report(u"0"_s, u"x"_s, u"PC5"_s), u"PC5"_s);
    QCOMPARE(w.list->imageIndex(4), 0);
    QCOMPARE(changed.takeLast(), (QVariantList{4, u"Пятый"_s, 0}));

    // An address of no contact changes nothing and leaves no trace, whatever its CODE.
    const QString logBefore = w.eventLogText();
    receiver.statusReceived(report(u"2"_s, u"Первый"_s, u"127.0.0.9"_s), u"127.0.0.9"_s);
    receiver.statusReceived(report(u"abc"_s, u"Первый"_s, u"127.0.0.9"_s), u"127.0.0.9"_s);
    QCOMPARE(w.list->imageIndex(0), 1);
    QCOMPARE(changed.count(), 2);
    QCOMPARE(w.eventLogText(), logBefore);

    // Marks that are no status (unreachable, group) are not taken from a peer.
    receiver.statusReceived(report(u"4"_s, u"x"_s, u"127.0.0.2"_s), u"127.0.0.2"_s);
    receiver.statusReceived(report(u"3"_s, u"x"_s, u"127.0.0.2"_s), u"127.0.0.2"_s);
    QCOMPARE(w.list->imageIndex(0), 1);
    QVERIFY(!w.list->IsGroup(0));
    QCOMPARE(changed.count(), 2);

    // A CODE that is no whole number: dropped with an Error line.
    receiver.statusReceived(report(u"abc"_s, u"x"_s, u"127.0.0.2"_s), u"127.0.0.2"_s);
    QCOMPARE(changed.count(), 2);
    const QString log = w.eventLogText();
    QVERIFY2(log.contains(u" | Error | 127.0.0.2: "_s) && log.contains(u"abc"_s), qPrintable(log));
}

void TestPresenceWorkers::ipRefreshStoresChangedAddresses()
{
    World w(u"pc1;Первый;10.0.0.1;1\r\n"
            u"[Отдел]\r\n"
            u"\tpc2;Второй;10.0.0.2;1\r\n"
            u"\tpc3;Третий;10.0.0.3;0\r\n"
            u"pc4;Четвёртый;10.0.0.4;1\r\n"_s);
    test::FakeProbes probes;
    probes.addresses = {{u"pc1"_s, u"10.0.0.11"_s}, {u"pc2"_s, u"10.0.0.2"_s}, {u"pc3"_s, u"10.0.0.33"_s}};
    IpWorker worker(*w.list, probes, w.eventLog);
    QSignalSpy finished(&worker, &IpWorker::finished);
    QSignalSpy rebuilt(w.list.get(), &ContactList::rebuilt);
    w.list->setImageIndex(0, ContactListSnapshot::Away);
    w.list->setImageIndex(4, ContactListSnapshot::Unreachable);

    QVERIFY(worker.start());
    QVERIFY(!worker.start());
    QVERIFY(finished.wait(5000));
    // Only flagged contacts are asked; the group and pc3 (flag 0) are not.
    QCOMPARE(probes.calls, QStringList({u"ip pc1"_s, u"ip pc2"_s, u"ip pc4"_s}));
    // pc1 changed and is saved at once; pc2 is unchanged; pc4 failed and keeps its address.
    const QString file = QString::fromUtf8(readAll(w.list->UsersFileName()));
    QVERIFY2(file.contains(u"pc1;Первый;10.0.0.11;1\r\n"_s), qPrintable(file));
    QVERIFY(file.contains(u"\tpc3;Третий;10.0.0.3;0\r\n"_s));
    QVERIFY(file.contains(u"pc4;Четвёртый;10.0.0.4;1"_s));
    QCOMPARE(w.list->MyGetNick(u"10.0.0.11"_s), u"Первый"_s);
    // The tree is not rebuilt: the marks stay.
    QCOMPARE(rebuilt.count(), 0);
    QCOMPARE(w.list->imageIndex(0), int(ContactListSnapshot::Away));
    QCOMPARE(w.list->imageIndex(4), int(ContactListSnapshot::Unreachable));
}

void TestPresenceWorkers::wholeTreeCheckGoesOnThroughIpRefresh()
{
    World w(u"pc1;Первый;10.0.0.1;1\r\n"
            u"pc2;Второй;10.0.0.2;1\r\n"
            u"pc3;Третий;10.0.0.3;1\r\n"_s);
    test::FakeProbes probes;
    probes.pingAnswers = {{u"10.0.0.1"_s, true}, {u"10.0.0.33"_s, true}};
    Reachability reachability(probes);
    PingWorker worker(*w.list, reachability, w.eventLog);
    QSignalSpy finished(&worker, &PingWorker::finished);
    // While the first contact is probed, the IP refresh gives the third a new address.
    probes.onCall = [&w](const QString& call) {
        if (call == u"ping 10.0.0.1"_s)
            QVERIFY(w.list->setContactAddress(2, u"10.0.0.33"_s));
    };
    QVERIFY(worker.start());
    QVERIFY(finished.wait(5000));
    QCOMPARE(probes.calls.filter(u"ping "_s),
             QStringList({u"ping 10.0.0.1"_s, u"ping 10.0.0.2"_s, u"ping 10.0.0.33"_s}));
    QCOMPARE(w.list->imageIndex(0), int(ContactListSnapshot::Online));
    QCOMPARE(w.list->imageIndex(1), int(ContactListSnapshot::Unreachable));
    QCOMPARE(w.list->imageIndex(2), int(ContactListSnapshot::Online));

    // A rebuild under a pass still ends it: other nodes, reset marks.
    probes.calls.clear();
    probes.onCall = [&w](const QString& call) {
        if (call == u"ping 10.0.0.1"_s)
            w.list->MySetStatus(0);
    };
    QVERIFY(worker.start());
    QVERIFY(finished.wait(5000));
    QCOMPARE(probes.calls.filter(u"ping "_s), QStringList{u"ping 10.0.0.1"_s});
}

void TestPresenceWorkers::settingsDialogHoldsEveryStart()
{
    Peer peer;
    QVERIFY(peer.listen(u"127.0.0.2"_s, 0));
    World w(u"pc1;Первый;127.0.0.2;1\r\n"_s);
    test::FakeProbes probes;
    probes.pingAnswers = {{u"127.0.0.2"_s, true}};
    probes.addresses = {{u"pc1"_s, u"127.0.0.2"_s}};
    Reachability reachability(probes);
    ContactListLookup lookup(*w.list);
    test::RecordingHost host;
    OutgoingConfig outgoing;
    outgoing.port = peer.port();
    TcpCommandSender sender(outgoing, lookup, host);

    bool showing = true;
    const auto settingsShowing = [&showing] { return showing; };
    PingWorker ping(*w.list, reachability, w.eventLog, settingsShowing);
    IpWorker ip(*w.list, probes, w.eventLog, settingsShowing);
    StatusBroadcaster status(
        *w.list, sender, w.eventLog, [] { return u"Я"_s; }, settingsShowing);
    QSignalSpy pingStarted(&ping, &PingWorker::started), ipStarted(&ip, &IpWorker::started);
    QSignalSpy statusStarted(&status, &StatusBroadcaster::started);
    QSignalSpy statusChanged(&status, &StatusBroadcaster::statusChanged);
    w.list->setImageIndex(0, ContactListSnapshot::Unreachable);

    // Showing: no probe, no lookup, no report, no mark change, no busy time.
    QVERIFY(!ping.start());
    QVERIFY(!ip.start());
    status.SetStatus(1);
    QCOMPARE(status.status(), 1); // the own status is still changed and shown
    QCOMPARE(statusChanged.count(), 1);
    QTest::qWait(200);
    QCOMPARE(probes.calls, QStringList());
    QCOMPARE(peer.requests.size(), 0);
    QCOMPARE(w.list->imageIndex(0), int(ContactListSnapshot::Unreachable));
    QCOMPARE(pingStarted.count() + ipStarted.count() + statusStarted.count(), 0);

    // Closed: every worker works again; the change made meanwhile is not sent on its own.
    showing = false;
    QSignalSpy pingDone(&ping, &PingWorker::finished), ipDone(&ip, &IpWorker::finished);
    QVERIFY(ping.start());
    QVERIFY(pingDone.wait(5000));
    QCOMPARE(w.list->imageIndex(0), int(ContactListSnapshot::Online));
    QVERIFY(ip.start());
    QVERIFY(ipDone.wait(5000));
    QCOMPARE(probes.calls, QStringList({u"ping 127.0.0.2"_s, u"ip pc1"_s}));
    QCOMPARE(peer.requests.size(), 0);
    QSignalSpy statusDone(&status, &StatusBroadcaster::finished);
    status.SetStatus(2);
    QVERIFY(statusDone.wait(5000));
    QTRY_COMPARE(peer.requests.size(), 1);
    QTRY_VERIFY(peer.requests.at(0).contains("<CODE>2</CODE>"));
}

QTEST_GUILESS_MAIN(TestPresenceWorkers)
#include "test_presenceworkers.moc"

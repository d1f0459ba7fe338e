// The Linux ICMP pinger: real echoes to loopback through each socket kind, and the hand-over of
// results from the workers to the caller's thread.

#include "platform/linux/linuxicmppinger.h"

#include <QFile>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;
using Status = vantrel::IcmpEchoReply::Status;

namespace vantrel {

namespace {

const QHostAddress kLoopback(u"127.0.0.1"_s);

IcmpEchoRequest loopbackRequest(int payloadBytes = 32)
{
    IcmpEchoRequest request;
    request.destination = kLoopback;
    request.payloadBytes = payloadBytes;
    return request;
}

// True when a group of this process lies in net.ipv4.ping_group_range, i.e. the kernel lets
// it open ICMP datagram sockets.
bool mayUseDatagramSockets()
{
    QFile range(u"/proc/sys/net/ipv4/ping_group_range"_s);
    if (!range.open(QIODevice::ReadOnly))
        return false;
    const QList<QByteArray> bounds = range.readAll().simplified().split(' ');
    if (bounds.size() != 2)
        return false;
    const qint64 low = bounds.at(0).toLongLong();
    const qint64 high = bounds.at(1).toLongLong();
    QList<gid_t> groups(::getgroups(0, nullptr));
    groups.resize(::getgroups(static_cast<int>(groups.size()), groups.data()));
    groups.append(::getegid());
    for (gid_t group : groups) {
        if (group >= low && group <= high)
            return true;
    }
    return false;
}

QString describe(const IcmpEchoReply& reply)
{
    return u"status %1, error \"%2\""_s.arg(static_cast<int>(reply.status)).arg(reply.errorText);
}

void verifyLoopbackReply(const IcmpEchoReply& reply, int payloadBytes)
{
    QVERIFY2(reply.ok(), qPrintable(describe(reply)));
    QCOMPARE(reply.from, kLoopback);
    QCOMPARE(reply.bytes, payloadBytes);
    QVERIFY2(reply.ttl > 0 && reply.ttl <= 255, qPrintable(QString::number(reply.ttl)));
}

// Stands for a host that never answers: waits until the time limit or the cancel flag.
IcmpEchoReply neverAnswered(const IcmpEchoRequest& request, const std::atomic<bool>& cancelled)
{
    for (int waited = 0; waited < request.timeoutMs && !cancelled; waited += 10)
        QThread::msleep(10);
    IcmpEchoReply reply;
    reply.status = Status::Timeout;
    return reply;
}

} // namespace

class TestIcmpPinger final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void rawSocketEcho_data();
    void rawSocketEcho();
    void datagramSocketEchoOrUnavailableAndBadRequests();
    void concurrentEchoesKeepTheirReplies();
    void sourceAddress();
    void callerThreadKeepsRunningWhileWaiting();
    void destroyedContextOrPingerDropsResult();
};

void TestIcmpPinger::rawSocketEcho_data()
{
    QTest::addColumn<int>("payloadBytes");
    QTest::newRow("no data") << 0;
    QTest::newRow("ping command") << 32;
    QTest::newRow("large") << 6000;
}

void TestIcmpPinger::rawSocketEcho()
{
    QFETCH(int, payloadBytes);
    const std::atomic<bool> cancelled{false};
    const IcmpEchoReply reply =
        LinuxIcmpPinger::echoBlocking(loopbackRequest(payloadBytes), {IcmpSocketKind::Raw}, cancelled);
    if (reply.status == Status::Unavailable)
        QSKIP(qPrintable(u"raw ICMP sockets need root or CAP_NET_RAW: "_s + reply.errorText));
    verifyLoopbackReply(reply, payloadBytes);
}

void TestIcmpPinger::datagramSocketEchoOrUnavailableAndBadRequests()
{
    const std::atomic<bool> cancelled{false};
    const IcmpEchoReply reply =
        LinuxIcmpPinger::echoBlocking(loopbackRequest(), {IcmpSocketKind::Datagram}, cancelled);
    if (mayUseDatagramSockets()) {
        verifyLoopbackReply(reply, 32);
    } else {
        // Outside net.ipv4.ping_group_range the kernel refuses the socket, and says why.
        QCOMPARE(reply.status, Status::Unavailable);
        QVERIFY(!reply.errorText.isEmpty());
    }
    // Neither kind allowed: unavailable, so the TCP probe decides.
    QCOMPARE(LinuxIcmpPinger::echoBlocking(loopbackRequest(), {}, cancelled).status, Status::Unavailable);
    // No IPv4 destination: failed, whatever sockets there are.
    IcmpEchoRequest request = loopbackRequest();
    for (const QHostAddress& bad : {QHostAddress(u"::1"_s), QHostAddress()}) {
        request.destination = bad;
        QCOMPARE(LinuxIcmpPinger::echoBlocking(request, {IcmpSocketKind::Raw}, cancelled).status,
                 Status::Failed);
    }
}

void TestIcmpPinger::concurrentEchoesKeepTheirReplies()
{
    // More echoes than workers, of different sizes: each must get its own reply.
    LinuxIcmpPinger pinger;
    QObject context;
    QHash<int, IcmpEchoReply> replies;
    int otherThread = 0;
    const QList<int> sizes{1, 8, 16, 32, 64, 100, 500, 1000, 1472, 3000};
    for (int size : sizes)
        pinger.echo(loopbackRequest(size), &context, [&, size](const IcmpEchoReply& reply) {
            replies.insert(size, reply);
            otherThread += QThread::currentThread() != context.thread();
        });
    // Never reported from inside the call; always on the caller's thread.
    QVERIFY(replies.isEmpty());
    QCOMPARE(pinger.pendingCount(), int(sizes.size()));
    QTRY_COMPARE_WITH_TIMEOUT(replies.size(), sizes.size(), 20000);
    QCOMPARE(otherThread, 0);
    QCOMPARE(pinger.pendingCount(), 0);
    if (replies.value(1).status == Status::Unavailable)
        QSKIP("no ICMP socket may be opened here");
    for (int size : sizes) {
        const IcmpEchoReply reply = replies.value(size);
        QVERIFY2(reply.ok(), qPrintable(u"%1 bytes: "_s.arg(size) + describe(reply)));
        QCOMPARE(reply.bytes, size);
    }
}

void TestIcmpPinger::sourceAddress()
{
    const std::atomic<bool> cancelled{false};
    IcmpEchoRequest request = loopbackRequest();
    request.destination = QHostAddress(u"127.0.0.3"_s);
    request.source = QHostAddress(u"127.0.0.2"_s);
    const IcmpEchoReply reply =
        LinuxIcmpPinger::echoBlocking(request, {IcmpSocketKind::Datagram, IcmpSocketKind::Raw}, cancelled);
    if (reply.status == Status::Unavailable)
        QSKIP(qPrintable(u"no ICMP socket may be opened here: "_s + reply.errorText));
    QVERIFY2(reply.ok(), qPrintable(describe(reply)));
    QCOMPARE(reply.from, request.destination);

    // An address this computer does not have cannot be a source: no packet leaves at all.
    request.source = QHostAddress(u"192.0.2.1"_s);
    const IcmpEchoReply refused =
        LinuxIcmpPinger::echoBlocking(request, {IcmpSocketKind::Datagram, IcmpSocketKind::Raw}, cancelled);
    QCOMPARE(refused.status, Status::Failed);
    QVERIFY(!refused.errorText.isEmpty());
}

void TestIcmpPinger::callerThreadKeepsRunningWhileWaiting()
{
    // A host that does not answer keeps a worker waiting for the whole time limit; the calling
    // thread's event loop goes on meanwhile.
    LinuxIcmpPinger pinger(&neverAnswered);
    QObject context;
    int ticks = 0;
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, &context, [&ticks] { ++ticks; });
    ticker.start(10);

    std::optional<IcmpEchoReply> result;
    IcmpEchoRequest request = loopbackRequest();
    request.timeoutMs = 500;
    pinger.echo(request, &context, [&](const IcmpEchoReply& reply) {
        result = reply;
        QCOMPARE(QThread::currentThread(), context.thread());
    });
    QTRY_VERIFY_WITH_TIMEOUT(result.has_value(), 10000);
    QCOMPARE(result->status, Status::Timeout);
    QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
}

void TestIcmpPinger::destroyedContextOrPingerDropsResult()
{
    int calls = 0;
    {
        LinuxIcmpPinger pinger(&neverAnswered);
        auto context = std::make_unique<QObject>();
        IcmpEchoRequest request = loopbackRequest();
        request.timeoutMs = 100;
        pinger.echo(request, context.get(), [&calls](const IcmpEchoReply&) { ++calls; });
        context.reset();
        QTRY_COMPARE(pinger.pendingCount(), 0);
    }
    QCOMPARE(calls, 0);

    // A pinger destroyed during a long wait stops its worker and reports nothing.
    QObject context;
    auto pinger = std::make_unique<LinuxIcmpPinger>(&neverAnswered);
    IcmpEchoRequest request = loopbackRequest();
    request.timeoutMs = 60000;
    pinger->echo(request, &context, [&calls](const IcmpEchoReply&) { ++calls; });
    QTest::qWait(50);
    pinger.reset();
    QTest::qWait(50);
    QCOMPARE(calls, 0);
}

} // namespace vantrel

QTEST_GUILESS_MAIN(vantrel::TestIcmpPinger)
#include "test_icmppinger.moc"

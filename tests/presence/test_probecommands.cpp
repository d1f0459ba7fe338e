// The "Ping" and "Информация" commands and the reachability test over probes with fixed answers.

#include "fakeprobes.h"

#include "presence/hostinforeport.h"
#include "presence/pingseries.h"
#include "presence/reachability.h"

#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using vantrel::test::FakeProbes;
using Status = vantrel::IcmpEchoReply::Status;

namespace vantrel {

// Readable failure messages for QCOMPARE.
char* toString(const ProbeLine& line)
{
    return QTest::toString(
        u"[%1] %2"_s.arg(static_cast<uint>(rgbOf(line.color)), 6, 16, QChar(u'0')).arg(line.text));
}

namespace {

// Collects the lines of one command run.
struct Printed {
    QList<ProbeLine> lines;
    int finished = 0;

    auto sink()
    {
        return [this](const ProbeLine& line) { lines.append(line); };
    }
    auto done()
    {
        return [this] { ++finished; };
    }
    QStringList texts() const
    {
        QStringList out;
        for (const ProbeLine& line : lines)
            out.append(line.text);
        return out;
    }
};

const QString kDashes55 = u"-------------------------------------------------------"_s;
const QString kDashes45 = u"---------------------------------------------"_s;

// No pause between the echoes, so that a whole series runs in a few event-loop turns.
PingSeriesConfig quickSeries()
{
    PingSeriesConfig config;
    config.pauseMs = 0;
    return config;
}

} // namespace

class TestProbeCommands final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pingSeriesPrintsEveryReply();
    void pingSeriesPrintsTimeoutsInRed();
    void pingSeriesToDottedAddress();
    void pingSeriesUnknownHost();
    void pingSeriesFailsAsAWhole();
    void pingSeriesPausesBetweenEchoes();
    void pingSeriesRunsOnceAtATime();
    void pingSeriesDestroyedWhileRunning();
    void infoForComputerName();
    void infoForDottedAddress();
    void reachabilityTriesTcpOnlyAfterIcmpFails();
    void reachabilityDropsAnswerForDestroyedContext();
};

void TestProbeCommands::pingSeriesPrintsEveryReply()
{
    QCOMPARE(kDashes55.size(), 55);
    FakeProbes probes;
    probes.addresses.insert(u"host-a"_s, u"10.0.0.7"_s);
    probes.echoReplies = {
        FakeProbes::success(u"10.0.0.7"_s, 32, 128, 0), FakeProbes::success(u"10.0.0.7"_s, 32, 128, 5),
        FakeProbes::success(u"10.0.0.7"_s, 32, 127, 1), FakeProbes::success(u"10.0.0.7"_s, 32, 128, 1234)};
    PingSeries series(probes, quickSeries());
    Printed printed;
    QVERIFY(series.start(u"host-a"_s, printed.sink(), printed.done()));
    // Nothing is printed from inside start(): the window may not even show yet.
    QVERIFY(printed.lines.isEmpty());
    QTRY_COMPARE(printed.finished, 1);

    const QStringList expected{
        kDashes55,
        u"Обмен пакетами с HOST-A [10.0.0.7] по 32 байт:"_s,
        QString(),
        u"32 байт от 10.0.0.7: TTL=128 время<1мс"_s,
        u"32 байт от 10.0.0.7: TTL=128 время=5мс"_s,
        u"32 байт от 10.0.0.7: TTL=127 время=1мс"_s,
        u"32 байт от 10.0.0.7: TTL=128 время=1234мс"_s,
        kDashes55,
    };
    QCOMPARE(printed.texts(), expected);
    for (const ProbeLine& line : printed.lines)
        QCOMPARE(line.color, LineColor::Black);
    // Resolved once, then four echoes of 32 bytes with a 2000 ms limit each, to the address.
    QCOMPARE(probes.calls,
             (QStringList{u"ip host-a"_s, u"echo 10.0.0.7 32 2000"_s, u"echo 10.0.0.7 32 2000"_s,
                          u"echo 10.0.0.7 32 2000"_s, u"echo 10.0.0.7 32 2000"_s}));
    QVERIFY(!series.isRunning());
}

void TestProbeCommands::pingSeriesPrintsTimeoutsInRed()
{
    FakeProbes probes;
    probes.addresses.insert(u"Host-B"_s, u"10.0.0.8"_s);
    probes.echoReplies = {FakeProbes::failure(Status::Timeout), FakeProbes::success(u"10.0.0.8"_s, 32, 64, 3),
                          FakeProbes::failure(Status::Unreachable, u"No route to host"_s),
                          // A reply that carries no data counts as nothing come back.
                          FakeProbes::success(u"10.0.0.8"_s, 0, 64, 3)};
    PingSeries series(probes, quickSeries());
    Printed printed;
    QVERIFY(series.start(u"Host-B"_s, printed.sink(), printed.done()));
    QTRY_COMPARE(printed.finished, 1);

    const ProbeLine timeout{u"Превышен интервал ожидания для запроса."_s, LineColor::Red};
    const QList<ProbeLine> expected{
        {kDashes55, LineColor::Black},
        {u"Обмен пакетами с HOST-B [10.0.0.8] по 32 байт:"_s, LineColor::Black},
        {QString(), LineColor::Black},
        timeout,
        {u"32 байт от 10.0.0.8: TTL=64 время=3мс"_s, LineColor::Black},
        timeout,
        timeout,
        {kDashes55, LineColor::Black},
    };
    QCOMPARE(printed.lines, expected);
}

void TestProbeCommands::pingSeriesToDottedAddress()
{
    FakeProbes probes;
    probes.echoReplies = {FakeProbes::success(u"192.168.1.20"_s, 32, 128, 0)};
    PingSeries series(probes, quickSeries());
    Printed printed;
    QVERIFY(series.start(u"192.168.1.20"_s, printed.sink(), printed.done()));
    QTRY_COMPARE(printed.finished, 1);

    // No resolution, no bracketed address after a dotted name.
    QCOMPARE(printed.texts().value(1), u"Обмен пакетами с 192.168.1.20 по 32 байт:"_s);
    QCOMPARE(printed.texts().value(3), u"32 байт от 192.168.1.20: TTL=128 время<1мс"_s);
    QCOMPARE(probes.calls.size(), 4);
    for (const QString& call : std::as_const(probes.calls))
        QCOMPARE(call, u"echo 192.168.1.20 32 2000"_s);
    QCOMPARE(printed.lines.size(), 8);
}

void TestProbeCommands::pingSeriesUnknownHost()
{
    FakeProbes probes;
    PingSeries series(probes, quickSeries());
    Printed printed;
    QVERIFY(series.start(u"nowhere"_s, printed.sink(), printed.done()));
    QTRY_COMPARE(printed.finished, 1);

    const QList<ProbeLine> expected{
        {kDashes55, LineColor::Black}, {u"Обмен пакетами с NOWHERE по 32 байт:"_s, LineColor::Black},
        {QString(), LineColor::Black}, {u"nowhere: неизвестный хост."_s, LineColor::Red},
        {kDashes55, LineColor::Black},
    };
    QCOMPARE(printed.lines, expected);
    QCOMPARE(probes.calls, QStringList{u"ip nowhere"_s});

    // A dotted text that is no address cannot be pinged either.
    Printed second;
    QVERIFY(series.start(u"10.0.0.300"_s, second.sink(), second.done()));
    QTRY_COMPARE(second.finished, 1);
    QCOMPARE(second.lines.value(3), (ProbeLine{u"10.0.0.300: неизвестный хост."_s, LineColor::Red}));
}

void TestProbeCommands::pingSeriesFailsAsAWhole()
{
    // The system's message when there is one, the unknown-host line otherwise; the series stops.
    FakeProbes probes;
    probes.addresses.insert(u"host-c"_s, u"10.0.0.9"_s);
    probes.echoReplies = {FakeProbes::success(u"10.0.0.9"_s, 32, 128, 2),
                          FakeProbes::failure(Status::Unavailable, u"Operation not permitted"_s)};
    PingSeries series(probes, quickSeries());
    Printed printed;
    QVERIFY(series.start(u"host-c"_s, printed.sink(), printed.done()));
    QTRY_COMPARE(printed.finished, 1);
    QCOMPARE(printed.texts().mid(3), (QStringList{u"32 байт от 10.0.0.9: TTL=128 время=2мс"_s,
                                                  u"Operation not permitted"_s, kDashes55}));
    QCOMPARE(printed.lines.value(4).color, LineColor::Red);
    QCOMPARE(probes.calls.count(u"echo 10.0.0.9 32 2000"_s), 2);

    probes.calls.clear();
    probes.echoReplies = {FakeProbes::failure(Status::Failed)};
    Printed second;
    QVERIFY(series.start(u"host-c"_s, second.sink(), second.done()));
    QTRY_COMPARE(second.finished, 1);
    QCOMPARE(second.texts().mid(3), (QStringList{u"host-c: неизвестный хост."_s, kDashes55}));
    QCOMPARE(probes.calls.size(), 2);
}

void TestProbeCommands::pingSeriesPausesBetweenEchoes()
{
    FakeProbes probes;
    probes.addresses.insert(u"host-d"_s, u"10.0.0.10"_s);
    for (int i = 0; i < 3; ++i)
        probes.echoReplies.append(FakeProbes::success(u"10.0.0.10"_s, 32, 128, 1));
    PingSeriesConfig config;
    config.count = 3;
    config.pauseMs = 300;
    PingSeries series(probes, config);
    Printed printed;
    QVERIFY(series.start(u"host-d"_s, printed.sink(), printed.done()));
    QTRY_COMPARE_WITH_TIMEOUT(printed.finished, 1, 10000);
    QCOMPARE(probes.calls.size(), 4);
    // Each echo after the first waits for the pause after the previous reply (a lower bound only).
    for (int i = 2; i < probes.callTimesMs.size(); ++i)
        QVERIFY2(probes.callTimesMs.at(i) - probes.callTimesMs.at(i - 1) >= 280,
                 qPrintable(u"gap %1 ms"_s.arg(probes.callTimesMs.at(i) - probes.callTimesMs.at(i - 1))));
    // After the last echo no pause: the closing line follows the reply.
    QCOMPARE(printed.lines.size(), 3 + 3 + 1);
}

void TestProbeCommands::pingSeriesRunsOnceAtATime()
{
    FakeProbes probes;
    probes.addresses.insert(u"host-e"_s, u"10.0.0.11"_s);
    PingSeries series(probes, quickSeries());
    Printed first;
    Printed ignored;
    QVERIFY(series.start(u"host-e"_s, first.sink(), first.done()));
    QVERIFY(series.isRunning());
    QVERIFY(!series.start(u"host-e"_s, ignored.sink(), ignored.done()));
    QTRY_COMPARE(first.finished, 1);
    QCOMPARE(ignored.lines.size(), 0);
    QCOMPARE(ignored.finished, 0);
    // Four time-outs by default of the fake.
    QCOMPARE(first.texts().count(u"Превышен интервал ожидания для запроса."_s), 4);

    // A new series may start from the end of the previous one.
    Printed second;
    QVERIFY(series.start(u"host-e"_s, second.sink(), second.done()));
    QTRY_COMPARE(second.finished, 1);
    QCOMPARE(first.finished, 1);
}

void TestProbeCommands::pingSeriesDestroyedWhileRunning()
{
    FakeProbes probes;
    probes.addresses.insert(u"host-f"_s, u"10.0.0.12"_s);
    PingSeriesConfig config;
    config.pauseMs = 50;
    auto series = std::make_unique<PingSeries>(probes, config);
    Printed printed;
    QVERIFY(series->start(u"host-f"_s, printed.sink(), printed.done()));
    QTRY_VERIFY(printed.lines.size() >= 4);
    series.reset();
    const qsizetype seen = printed.lines.size();
    QTest::qWait(300);
    QCOMPARE(printed.lines.size(), seen);
    QCOMPARE(printed.finished, 0);
}

void TestProbeCommands::infoForComputerName()
{
    QCOMPARE(kDashes45.size(), 45);
    FakeProbes probes;
    probes.addresses.insert(u"pc-ivanov"_s, u"10.0.0.21"_s);
    HostInfoReport report(probes);
    Printed printed;
    QVERIFY(report.start(u"Иванов"_s, u"pc-ivanov"_s, printed.sink(), printed.done()));
    QVERIFY(report.isRunning());
    QVERIFY(!report.start(u"Иванов"_s, u"pc-ivanov"_s, {}, {}));
    QVERIFY(printed.lines.isEmpty());
    QTRY_COMPARE(printed.finished, 1);
    QCOMPARE(printed.texts(), (QStringList{kDashes45, u"            Имя: Иванов"_s, u"Компьютер: pc-ivanov"_s,
                                           u"     IP-адрес: 10.0.0.21"_s, kDashes45}));
    for (const ProbeLine& line : printed.lines)
        QCOMPARE(line.color, LineColor::Navy);
    QCOMPARE(probes.calls, QStringList{u"ip pc-ivanov"_s});

    Printed missing;
    QVERIFY(report.start(u"Петров"_s, u"pc-petrov"_s, missing.sink(), missing.done()));
    QTRY_COMPARE(missing.finished, 1);
    QCOMPARE(missing.texts(),
             (QStringList{kDashes45, u"            Имя: Петров"_s, u"Компьютер: pc-petrov"_s,
                          u"     IP-адрес: компьютер pc-petrov в сети не найден."_s, kDashes45}));
}

void TestProbeCommands::infoForDottedAddress()
{
    FakeProbes probes;
    probes.names.insert(u"10.0.0.7"_s, u"pc-sidorov"_s);
    HostInfoReport report(probes);
    Printed printed;
    // The computer name comes from the address, not from the list.
    QVERIFY(report.start(u"10.0.0.7"_s, u"10.0.0.7"_s, printed.sink(), printed.done()));
    QTRY_COMPARE(printed.finished, 1);
    QCOMPARE(printed.texts(),
             (QStringList{kDashes45, u"            Имя: 10.0.0.7"_s, u"Компьютер: pc-sidorov"_s,
                          u"     IP-адрес: 10.0.0.7"_s, kDashes45}));
    QCOMPARE(probes.calls, QStringList{u"name 10.0.0.7"_s});

    Printed unnamed;
    QVERIFY(report.start(u"10.0.0.99"_s, u"10.0.0.99"_s, unnamed.sink(), unnamed.done()));
    QTRY_COMPARE(unnamed.finished, 1);
    QCOMPARE(unnamed.texts().value(2), u"Компьютер: "_s);
    QCOMPARE(unnamed.texts().value(3), u"     IP-адрес: 10.0.0.99"_s);
}

void TestProbeCommands::reachabilityTriesTcpOnlyAfterIcmpFails()
{
    FakeProbes probes;
    probes.pingAnswers.insert(u"pinged"_s, true);
    probes.tcpAnswers.insert(u"pinged"_s, true);
    probes.tcpAnswers.insert(u"listening"_s, true);
    const Reachability reachability(probes);
    QObject context;

    QHash<QString, bool> answers;
    for (const QString& host : {u"pinged"_s, u"listening"_s, u"silent"_s})
        reachability.check(host, &context,
                           [&answers, host](bool reachable) { answers.insert(host, reachable); });
    QTRY_COMPARE(answers.size(), 3);
    QCOMPARE(answers.value(u"pinged"_s), true);
    QCOMPARE(answers.value(u"listening"_s), true);
    QCOMPARE(answers.value(u"silent"_s), false);
    // The echo first; the TCP probe only where the echo failed.
    QCOMPARE(probes.calls.count(u"tcp pinged"_s), 0);
    QVERIFY(probes.calls.indexOf(u"ping listening"_s) < probes.calls.indexOf(u"tcp listening"_s));
    QVERIFY(probes.calls.indexOf(u"ping silent"_s) < probes.calls.indexOf(u"tcp silent"_s));

    QCOMPARE(Reachability::resultLine(u"Иванов"_s, true), (ProbeLine{u"Иванов в сети!"_s, LineColor::Green}));
    QCOMPARE(Reachability::resultLine(u"pc-7"_s, false),
             (ProbeLine{u"pc-7 недоступен..."_s, LineColor::Red}));
    QCOMPARE(rgbOf(LineColor::Green), 0x008000u);
    QCOMPARE(rgbOf(LineColor::Navy), 0x000080u);
}

void TestProbeCommands::reachabilityDropsAnswerForDestroyedContext()
{
    FakeProbes probes;
    int answers = 0;
    {
        const Reachability reachability(probes);
        auto context = std::make_unique<QObject>();
        // Gone before the echo answers: no TCP probe, no answer.
        reachability.check(u"gone-early"_s, context.get(), [&answers](bool) { ++answers; });
        context.reset();
        QTest::qWait(50);
        QCOMPARE(probes.calls, QStringList{u"ping gone-early"_s});

        // Gone while the TCP probe runs (the reachability object is gone by then as well).
        context = std::make_unique<QObject>();
        // Destroyed by the first event after the probe was asked (the fake answers with the next).
        probes.onCall = [&probes, &context](const QString& call) {
            if (call.startsWith(u"tcp"_s))
                QTimer::singleShot(0, &probes, [&context] { context.reset(); });
        };
        reachability.check(u"gone-late"_s, context.get(), [&answers](bool) { ++answers; });
        QTRY_VERIFY(!context);
    }
    QTest::qWait(50);
    QCOMPARE(probes.calls, (QStringList{u"ping gone-early"_s, u"ping gone-late"_s, u"tcp gone-late"_s}));
    QCOMPARE(answers, 0);
}

} // namespace vantrel

QTEST_GUILESS_MAIN(vantrel::TestProbeCommands)
#include "test_probecommands.moc"

// The "Ping" and "Информация" commands and the reachability test over probes with fixed answers.

#include "fakeprobes.h"

#include "presence/hostinforeport.h"
#include "presence/pingseries.h"
#include "presence/reachability.h"

#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using vantrel::test::FakeProbes;
using Status = vantrel::IcmpEchoReply::Status;

namespace vantrel {

// Readable failure messages for QCOMPARE.
char* toString(const ProbeLine& line)
{
    return QTest::toString(u"[%1] %2"_s.arg(static_cast<int>(line.color)).arg(line.text));
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
};

const QString kDashes55(55, u'-');
const QString kDashes45(45, u'-');

ProbeLine black(const QString& text)
{
    return {text, LineColor::Black};
}
ProbeLine red(const QString& text)
{
    return {text, LineColor::Red};
}
ProbeLine navy(const QString& text)
{
    return {text, LineColor::Navy};
}

QStringList echoes(const QString& address, int count)
{
    return QStringList(count, u"echo "_s + address + u" 32 2000"_s);
}

} // namespace

class TestProbeCommands final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void pingSeriesLines();
    void pingSeriesPausesBetweenEchoes();
    void pingSeriesRunsOnceAtATime();
    void pingSeriesDestroyedWhileRunning();
    void infoLines();
    void reachabilityTriesTcpOnlyAfterIcmpFails();
    void reachabilityDropsAnswerForDestroyedContext();
};

void TestProbeCommands::pingSeriesLines()
{
    const auto ok = &FakeProbes::success;
    const auto fail = &FakeProbes::failure;
    const ProbeLine timeout = red(u"Превышен интервал ожидания для запроса."_s);
    struct Case {
        QString target, address, shown; // shown: the name in the header line
        QList<IcmpEchoReply> replies;   // when used up: time-outs
        QList<ProbeLine> body;
        QStringList calls;
    };
    const QList<Case> cases{
        {u"host-a"_s,
         u"10.0.0.7"_s,
         u"HOST-A [10.0.0.7]"_s,
         {ok(u"10.0.0.7"_s, 32, 128, 0), ok(u"10.0.0.7"_s, 32, 128, 5), ok(u"10.0.0.7"_s, 32, 127, 1),
          ok(u"10.0.0.7"_s, 32, 128, 1234)},
         {black(u"32 байт от 10.0.0.7: TTL=128 время<1мс"_s),
          black(u"32 байт от 10.0.0.7: TTL=128 время=5мс"_s),
          black(u"32 байт от 10.0.0.7: TTL=127 время=1мс"_s),
          black(u"32 байт от 10.0.0.7: TTL=128 время=1234мс"_s)},
         QStringList{u"ip host-a"_s} + echoes(u"10.0.0.7"_s, 4)},
        // Lost, unreachable and empty replies alike count as nothing come back.
        {u"Host-B"_s,
         u"10.0.0.8"_s,
         u"HOST-B [10.0.0.8]"_s,
         {fail(Status::Timeout, {}), ok(u"10.0.0.8"_s, 32, 64, 3), fail(Status::Unreachable, u"No route"_s),
          ok(u"10.0.0.8"_s, 0, 64, 3)},
         {timeout, black(u"32 байт от 10.0.0.8: TTL=64 время=3мс"_s), timeout, timeout},
         QStringList{u"ip Host-B"_s} + echoes(u"10.0.0.8"_s, 4)},
        // A dotted name is not resolved and gets no bracketed address.
        {u"192.168.1.20"_s,
         {},
         u"192.168.1.20"_s,
         {ok(u"192.168.1.20"_s, 32, 128, 0)},
         {black(u"32 байт от 192.168.1.20: TTL=128 время<1мс"_s), timeout, timeout, timeout},
         echoes(u"192.168.1.20"_s, 4)},
        {u"nowhere"_s, {}, u"NOWHERE"_s, {}, {red(u"nowhere: неизвестный хост."_s)}, {u"ip nowhere"_s}},
        {u"10.0.0.300"_s, {}, u"10.0.0.300"_s, {}, {red(u"10.0.0.300: неизвестный хост."_s)}, {}},
        // A failed echo ends the series: the system's message, else the unknown-host line.
        {u"host-c"_s,
         u"10.0.0.9"_s,
         u"HOST-C [10.0.0.9]"_s,
         {ok(u"10.0.0.9"_s, 32, 128, 2), fail(Status::Unavailable, u"Operation not permitted"_s)},
         {black(u"32 байт от 10.0.0.9: TTL=128 время=2мс"_s), red(u"Operation not permitted"_s)},
         QStringList{u"ip host-c"_s} + echoes(u"10.0.0.9"_s, 2)},
        {u"host-c"_s,
         u"10.0.0.9"_s,
         u"HOST-C [10.0.0.9]"_s,
         {fail(Status::Failed, {})},
         {red(u"host-c: неизвестный хост."_s)},
         QStringList{u"ip host-c"_s} + echoes(u"10.0.0.9"_s, 1)},
    };
    for (const Case& test : cases) {
        FakeProbes probes;
        if (!test.address.isEmpty())
            probes.addresses.insert(test.target, test.address);
        probes.echoReplies = test.replies;
        PingSeriesConfig config;
        config.pauseMs = 0;
        PingSeries series(probes, config);
        Printed printed;
        QVERIFY(series.start(test.target, printed.sink(), printed.done()));
        // Nothing is printed from inside start(): the window may not even show yet.
        QVERIFY(printed.lines.isEmpty());
        QTRY_COMPARE(printed.finished, 1);
        const QList<ProbeLine> expected =
            QList<ProbeLine>{black(kDashes55), black(u"Обмен пакетами с "_s + test.shown + u" по 32 байт:"_s),
                             black({})} +
            test.body + QList<ProbeLine>{black(kDashes55)};
        QCOMPARE(printed.lines, expected);
        QCOMPARE(probes.calls, test.calls);
    }
}

void TestProbeCommands::pingSeriesPausesBetweenEchoes()
{
    FakeProbes probes;
    probes.addresses.insert(u"host-d"_s, u"10.0.0.10"_s);
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
    QCOMPARE(printed.lines.size(), 3 + 3 + 1);
}

void TestProbeCommands::pingSeriesRunsOnceAtATime()
{
    FakeProbes probes;
    PingSeriesConfig config;
    config.pauseMs = 0;
    PingSeries series(probes, config);
    Printed first, ignored, second;
    QVERIFY(series.start(u"host-e"_s, first.sink(), first.done()));
    QVERIFY(!series.start(u"host-e"_s, ignored.sink(), ignored.done()));
    QTRY_COMPARE(first.finished, 1);
    QCOMPARE(ignored.lines.size() + ignored.finished, 0);
    // A new series may start from the end of the previous one.
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

void TestProbeCommands::infoLines()
{
    FakeProbes probes;
    probes.addresses.insert(u"pc-ivanov"_s, u"10.0.0.21"_s);
    probes.names.insert(u"10.0.0.7"_s, u"pc-sidorov"_s);
    HostInfoReport report(probes);
    struct Case {
        QString name, computer, shownComputer, shownAddress;
        QStringList calls;
    };
    // A dotted entry takes its computer name from the address, not from the list.
    const QList<Case> cases{
        {u"Иванов"_s, u"pc-ivanov"_s, u"pc-ivanov"_s, u"10.0.0.21"_s, {u"ip pc-ivanov"_s}},
        {u"Петров"_s,
         u"pc-petrov"_s,
         u"pc-petrov"_s,
         u"компьютер pc-petrov в сети не найден."_s,
         {u"ip pc-petrov"_s}},
        {u"10.0.0.7"_s, u"10.0.0.7"_s, u"pc-sidorov"_s, u"10.0.0.7"_s, {u"name 10.0.0.7"_s}},
        {u"10.0.0.99"_s, u"10.0.0.99"_s, QString(), u"10.0.0.99"_s, {u"name 10.0.0.99"_s}},
    };
    for (const Case& test : cases) {
        probes.calls.clear();
        Printed printed;
        QVERIFY(report.start(test.name, test.computer, printed.sink(), printed.done()));
        QVERIFY(!report.start(test.name, test.computer, {}, {}));
        QVERIFY(printed.lines.isEmpty());
        QTRY_COMPARE(printed.finished, 1);
        QCOMPARE(printed.lines,
                 (QList<ProbeLine>{navy(kDashes45), navy(u"            Имя: "_s + test.name),
                                   navy(u"Компьютер: "_s + test.shownComputer),
                                   navy(u"     IP-адрес: "_s + test.shownAddress), navy(kDashes45)}));
        QCOMPARE(probes.calls, test.calls);
    }
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
    QCOMPARE(answers,
             (QHash<QString, bool>{{u"pinged"_s, true}, {u"listening"_s, true}, {u"silent"_s, false}}));
    // The echo first; the TCP probe only where the echo failed.
    QCOMPARE(probes.calls.count(u"tcp pinged"_s), 0);
    QVERIFY(probes.calls.indexOf(u"ping listening"_s) < probes.calls.indexOf(u"tcp listening"_s));
    QVERIFY(probes.calls.indexOf(u"ping silent"_s) < probes.calls.indexOf(u"tcp silent"_s));

    QCOMPARE(Reachability::resultLine(u"Иванов"_s, true), (ProbeLine{u"Иванов в сети!"_s, LineColor::Green}));
    QCOMPARE(Reachability::resultLine(u"pc-7"_s, false), red(u"pc-7 недоступен..."_s));
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

        // Gone while the TCP probe runs (the reachability object is gone by then as well):
        // destroyed by the first event after the probe was asked (the fake answers with the next).
        context = std::make_unique<QObject>();
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

// Helper programs run by the real process runner: input, exit status, the output bound, the
// time-out, programs that cannot start or crash, and a runner destroyed while one runs.

#include "platform/linux/linuxprocessrunner.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include <optional>

using namespace Qt::StringLiterals;
using vantrel::LinuxProcessRunner;
using vantrel::ProcessRunner;
using Outcome = ProcessRunner::Result::Outcome;

namespace {

std::optional<ProcessRunner::Result> runToEnd(ProcessRunner& runner, const QString& program,
                                              const QStringList& arguments, const QByteArray& input = {},
                                              int timeoutMs = 10000)
{
    std::optional<ProcessRunner::Result> result;
    int calls = 0;
    runner.run(program, arguments, input, timeoutMs, [&](const ProcessRunner::Result& r) {
        result = r;
        ++calls;
    });
    // The answer never comes before run() returns.
    if (calls != 0)
        return std::nullopt;
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 20000))
        return std::nullopt;
    // Nor twice.
    QTest::qWait(50);
    return calls == 1 ? result : std::nullopt;
}

} // namespace

class TestProcessRunner final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void inputStatusAndOutput()
    {
        LinuxProcessRunner runner;
        const QString sh = runner.findProgram(u"sh"_s);
        QVERIFY(!sh.isEmpty());
        // Arguments reach the program as they are, blanks and quotes included: no shell between.
        const auto result = runToEnd(
            runner, sh,
            {u"-c"_s, u"cat; printf '[%s]' \"$1\"; echo oops >&2; exit 3"_s, u"x"_s, u"a b 'c' $HOME"_s},
            "текст\n");
        QVERIFY(result);
        QCOMPARE(result->outcome, Outcome::Finished);
        QCOMPARE(result->exitCode, 3);
        QCOMPARE(result->output, u"текст\n[a b 'c' $HOME]"_s.toUtf8());
        QCOMPARE(result->errorOutput, "oops\n"_ba);
        QVERIFY(runner.findProgram(u"no-such-program-here"_s).isEmpty());
    }

    void outputIsBounded()
    {
        LinuxProcessRunner runner;
        const auto result = runToEnd(runner, runner.findProgram(u"sh"_s),
                                     {u"-c"_s, u"head -c 1000000 /dev/zero; echo done >&2"_s});
        QVERIFY(result);
        QCOMPARE(result->outcome, Outcome::Finished);
        QCOMPARE(result->exitCode, 0);
        QCOMPARE(result->output.size(), ProcessRunner::MaxOutputBytes);
        QCOMPARE(result->errorOutput, "done\n"_ba);
    }

    void aProgramThatRunsTooLongIsStopped()
    {
        LinuxProcessRunner runner;
        QElapsedTimer clock;
        clock.start();
        const auto result = runToEnd(runner, runner.findProgram(u"sleep"_s), {u"30"_s}, {}, 300);
        QVERIFY(result);
        QCOMPARE(result->outcome, Outcome::TimedOut);
        QVERIFY(clock.elapsed() < 20000);
    }

    void programsThatCannotStartOrCrash()
    {
        LinuxProcessRunner runner;
        auto result = runToEnd(runner, u"/nonexistent/smbclient"_s, {});
        QVERIFY(result);
        QCOMPARE(result->outcome, Outcome::FailedToStart);
        result = runToEnd(runner, runner.findProgram(u"sh"_s), {u"-c"_s, u"kill -9 $$"_s});
        QVERIFY(result);
        QCOMPARE(result->outcome, Outcome::Crashed);
    }

    void aRunnerDestroyedMidRunCallsNothing()
    {
        bool called = false;
        {
            LinuxProcessRunner runner;
            runner.run(runner.findProgram(u"sleep"_s), {u"30"_s}, {}, 60000,
                       [&](const ProcessRunner::Result&) { called = true; });
            QTest::qWait(100);
        }
        QTest::qWait(100);
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestProcessRunner)
#include "test_processrunner.moc"

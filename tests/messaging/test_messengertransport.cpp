// Messages through the Messenger-service transport: real smbclient and testparm stand-ins run
// by the real process runner, the pieces, the pause between them, "*" and the failure reports;
// and the choice between that transport and the own protocol.

#include "common/standinprograms.h"
#include "engineharness.h"
#include "messaging/messagesender.h"
#include "messaging/messengersender.h"
#include "messaging/oneshotsender.h"
#include "messaging/sambamessengertransport.h"
#include "platform/linux/linuxprocessrunner.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTimer>

using namespace Qt::StringLiterals;
using namespace vantrel;
using namespace vantrel::test;
using Level = MessagingHost::BalloonLevel;

namespace {

QString letters(qsizetype length)
{
    QString text;
    for (qsizetype i = 0; i < length; ++i)
        text += QChar(char16_t(u'a' + i % 26));
    return text;
}

// One messenger sender over the real Samba transport, sending as "TESTPC".
struct World {
    World() { contacts.add(u"Бухгалтерия"_s, u"PC2"_s); }

    bool send(const QString& address, const QString& text)
    {
        QSignalSpy finished(&sender, &MessengerSender::messageFinished);
        sender.MySendMultiLineMessage(address, text);
        if (!finished.wait(20000))
            return false;
        return finished.at(0).at(1).toBool();
    }

    LinuxProcessRunner runner;
    SambaMessengerTransport transport{runner};
    ListedContacts contacts;
    RecordingHost host;
    MessengerSender sender{transport, contacts, host, MessengerPieceRules{}, [] { return u"TESTPC"_s; }};
};

} // namespace

class TestMessengerTransport final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void aLongMessageGoesInPiecesInOrder()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.putOnPath();
        World w;
        const QString text = letters(2000);
        QVERIFY(w.send(u"PC2"_s, text));
        const QList<StandInPrograms::Run> runs = programs.runs();
        QCOMPARE(runs.size(), 3);
        for (const StandInPrograms::Run& run : runs)
            QCOMPARE(run.arguments, (QStringList{u"-M"_s, u"PC2"_s, u"-U"_s, u"TESTPC"_s, u"-N"_s}));
        QCOMPARE(runs[0].input, text.left(300).toUtf8() + "-->");
        QCOMPARE(runs[1].input, text.mid(300, 850).toUtf8() + "-->");
        QCOMPARE(runs[2].input, text.mid(1150).toUtf8());
        QVERIFY(w.host.errors.isEmpty() && w.host.balloons.isEmpty());
    }

    void thePauseBetweenPiecesLeavesTheEventLoopRunning()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.putOnPath();
        World w;
        // Something else the event loop has to do meanwhile.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(5);
        QList<qint64> starts;
        QList<int> ticksAtStart;
        QElapsedTimer clock;
        clock.start();
        connect(&w.sender, &MessengerSender::pieceStarted, this, [&] {
            starts.append(clock.elapsed());
            ticksAtStart.append(ticks);
        });
        QSignalSpy finished(&w.sender, &MessengerSender::messageFinished);
        w.sender.MySendMultiLineMessage(u"PC2"_s, letters(2550));
        // MySendMultiLineMessage returned at once: only the first piece has started.
        QCOMPARE(starts.size(), 1);
        QVERIFY(finished.wait(20000));
        QCOMPARE(starts.size(), 3);
        for (qsizetype i = 1; i < starts.size(); ++i) {
            QVERIFY2(starts[i] - starts[i - 1] >= w.sender.rules().pauseMs,
                     qPrintable(QString::number(starts[i])));
            QVERIFY(ticksAtStart[i] > ticksAtStart[i - 1]);
        }
        QCOMPARE(programs.runs().size(), 3);
    }

    void textIsSentAsUtf8WithLineFeeds()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.putOnPath();
        World w;
        QVERIFY(w.send(u"PC2"_s, u"Привет\r\nмир 😀"_s));
        QCOMPARE(programs.runs().value(0).input, u"Привет\nмир 😀"_s.toUtf8());
        // Characters smbclient would read as separators of its user name are not passed on.
        QCOMPARE(SambaMessengerTransport::userName(u"DOM\\boss%x/y"_s), u"DOM_boss_x_y"_s);
    }

    void theStarAddressesTheOwnWorkgroup()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.addTestparm("OFFICE");
        programs.putOnPath();
        World w;
        QSignalSpy started(&w.sender, &MessengerSender::pieceStarted);
        QVERIFY(w.send(u"*"_s, u"всем"_s));
        QCOMPARE(programs.runs().value(0).arguments.value(1), u"OFFICE*"_s);
        QCOMPARE(started.at(0).at(0).toString(), u"OFFICE*"_s);
        // A group name given as it is goes unchanged.
        QVERIFY(w.send(u"SALES*"_s, u"всем"_s));
        QCOMPARE(programs.runs().value(1).arguments.value(1), u"SALES*"_s);
    }

    void withoutTestparmTheStarStaysAlone()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.putOnPath(true);
        World w;
        QVERIFY(w.send(u"*"_s, u"всем"_s));
        QCOMPARE(programs.runs().value(0).arguments.value(1), u"*"_s);
    }

    void aFailingSmbclientGivesTheRedLine()
    {
        StandInPrograms programs;
        programs.addSmbclient(1, "Connection to PC2 failed. Error NT_STATUS_BAD_NETWORK_NAME\n");
        programs.putOnPath();
        World w;
        QVERIFY(!w.send(u"PC2"_s, letters(2000)));
        QCOMPARE(w.host.errors.size(), 1);
        QCOMPARE(w.host.errors[0].first, u"Бухгалтерия"_s);
        QCOMPARE(w.host.errors[0].second,
                 u"Ошибка 1 при передаче сообщения на Бухгалтерия. (Connection to PC2 failed. Error "
                 "NT_STATUS_BAD_NETWORK_NAME)"_s);
        // The rest of the message is not sent after its beginning was lost.
        QCOMPARE(programs.runs().size(), 1);
        QVERIFY(w.host.balloons.isEmpty());
    }

    void aRefusalReportedWithStatusZeroStillFails()
    {
        StandInPrograms programs;
        programs.addSmbclient(0, "cli_message returned NT_STATUS_ACCESS_DENIED\n");
        programs.putOnPath();
        World w;
        QVERIFY(!w.send(u"192.168.0.9"_s, u"x"_s));
        QCOMPARE(
            w.host.errors.value(0).second,
            u"Ошибка 1 при передаче сообщения на 192.168.0.9. (cli_message returned NT_STATUS_ACCESS_DENIED)"_s);
    }

    void missingSmbclientIsReportedInABalloon()
    {
        StandInPrograms programs;
        programs.putOnPath(true);
        World w;
        QVERIFY(!w.send(u"PC2"_s, letters(2000)));
        QCOMPARE(w.host.balloons.size(), 1);
        QCOMPARE(w.host.balloons[0].title, u"Vantrel"_s);
        QCOMPARE(w.host.balloons[0].text, u"Программа \"smbclient\" не найдена."_s);
        QCOMPARE(w.host.balloons[0].level, Level::Error);
        QVERIFY(w.host.errors.isEmpty());
    }

    void aNameThatLooksLikeAnOptionIsNotPassedOn()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.putOnPath();
        World w;
        QVERIFY(!w.send(u"-c"_s, u"x"_s));
        QVERIFY(programs.runs().isEmpty());
        QVERIFY(w.host.errors.value(0).second.startsWith(u"Ошибка 1 при передаче сообщения на -c."_s));
    }

    void theSettingChoosesTheTransport()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.putOnPath();
        EngineHarness h;
        h.settings.fmConfig.dxCheckbox_History_Checked.setValue(true);
        MessageSender& sender = h.engine->sender();
        QSignalSpy done(&sender, &MessageSender::sendFinished);

        // Own protocol off: the message goes through smbclient only, and is recorded.
        h.settings.fmConfig.dxCheckbox_TCPMessage_Checked.setValue(false);
        sender.sendMessage(u"127.0.0.1"_s, u"через службу\nсообщений"_s);
        QVERIFY(done.wait(20000));
        QVERIFY(done.at(0).at(1).toBool());
        QCOMPARE(programs.runs().size(), 1);
        QCOMPARE(programs.runs()[0].arguments.value(1), u"127.0.0.1"_s);
        QCOMPARE(programs.runs()[0].input, u"через службу\nсообщений"_s.toUtf8());
        QVERIFY(h.history(u"127.0.0.1"_s).contains(u"через службу\r\nсообщений"_s));
        QTest::qWait(100);
        QVERIFY(h.answers.requests.isEmpty());
        // Back on: over TCP, smbclient not run again.
        h.settings.fmConfig.dxCheckbox_TCPMessage_Checked.setValue(true);
        sender.sendMessage(u"127.0.0.1"_s, u"по TCP"_s);
        QTRY_COMPARE(h.answers.requests.size(), 1);
        QCOMPARE(programs.runs().size(), 1);
    }

    void aFailedTcpSendDoesNotFallBack()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.putOnPath();
        EngineHarness h;
        MessageSender& sender = h.engine->sender();
        QSignalSpy done(&sender, &MessageSender::sendFinished);
        sender.sendMessage(u"PC-THAT-DOES-NOT-EXIST.invalid"_s, u"x"_s);
        QVERIFY(done.wait(20000));
        QVERIFY(!done.at(0).at(1).toBool());
        QCOMPARE(h.host.errors.size(), 1);
        QVERIFY(programs.runs().isEmpty());
    }

    void theOneShotSendFollowsTheSameRules()
    {
        StandInPrograms programs;
        programs.addSmbclient();
        programs.putOnPath();
        LinuxProcessRunner runner;
        SambaMessengerTransport transport(runner);
        OneShotSender oneShot(OutgoingConfig{}, u"ADMIN"_s);
        const OneShotSender::Result sent =
            oneShot.sendThroughMessenger(u"PC1; PC2"_s, letters(900), transport);
        QVERIFY2(sent.ok, qPrintable(sent.reason));
        QCOMPARE(programs.runs().size(), 4);
        QCOMPARE(programs.runs()[0].arguments.value(3), u"ADMIN"_s);

        StandInPrograms failing;
        failing.addSmbclient(1, "Connection to PC3 failed. Error NT_STATUS_IO_TIMEOUT\n");
        failing.putOnPath();
        const OneShotSender::Result failed = oneShot.sendThroughMessenger(u"PC3"_s, u"x"_s, transport);
        QVERIFY(!failed.ok);
        QCOMPARE(
            failed.reason,
            u"Ошибка 1 при передаче сообщения на PC3. (Connection to PC3 failed. Error NT_STATUS_IO_TIMEOUT)"_s);
    }
};

QTEST_GUILESS_MAIN(TestMessengerTransport)
#include "test_messengertransport.moc"

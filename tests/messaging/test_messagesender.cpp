#include "core/datetimetext.h"
#include "engineharness.h"
#include "messaging/historylog.h"
#include "messaging/listener.h"
#include "messaging/messagesender.h"
#include "messaging/oneshotsender.h"
#include "messaging/tcpcommandsender.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;
using namespace vantrel::test;
using Level = MessagingHost::BalloonLevel;

namespace {

// A port on which nothing listens: connections to it are refused.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    return server.serverPort();
}

QByteArray wireMessage(const QString& from, const QString& text)
{
    return "<VTL_MESSAGE>\r\n<FROM>"_ba + from.toUtf8() + "</FROM><MESSAGE>"_ba + text.toUtf8() +
           "</MESSAGE>\r\n"_ba;
}

// Waits for `count` sends to end and returns how many succeeded.
int waitForSends(QSignalSpy& spy, int count)
{
    while (spy.size() < count) {
        if (!spy.wait(10000))
            break;
    }
    int ok = 0;
    for (const QList<QVariant>& args : std::as_const(spy))
        ok += args.at(1).toBool() ? 1 : 0;
    return ok;
}

QString historyOf(const EngineHarness& h, const QString& contact)
{
    return QString::fromUtf8(h.readFile(h.engine->history().pathFor(contact)));
}

} // namespace

class TestMessageSender final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    void writesTheMessageByteForByte()
    {
        EngineHarness h;
        h.settings.fmConfig.dxCheckbox_AutoAddUser_Checked.setValue(true);
        MessageSender& sender = h.engine->sender();
        QSignalSpy done(&sender, &MessageSender::sendFinished);
        // The editor's bare line breaks travel as CR LF.
        sender.sendMessage(u"127.0.0.1"_s, u"Привет\nкак дела?"_s);
        QCOMPARE(waitForSends(done, 1), 1);
        QTRY_COMPARE(h.answers.requests.size(), 1);
        QCOMPARE(h.answers.requests[0], wireMessage(u"TESTPC"_s, u"Привет\r\nкак дела?"_s));
        QCOMPARE(h.host.captions, (QStringList{u"Vantrel - передача сообщения..."_s, u"Vantrel"_s}));
        // An IP address text is never added to the favourites.
        QVERIFY(h.contacts.favorites.isEmpty());
        const QString now = DateTimeText(EngineHarness::fixedNow());
        QCOMPARE(h.readFile(h.engine->history().pathFor(u"127.0.0.1"_s)),
                 "\xEF\xBB\xBF"_ba +
                     (u"Лог начат: "_s + now + u"\r\n\r\ntester ["_s + now + u"]: Привет\r\nкак дела?\r\n"_s)
                         .toUtf8());

        // Under the other name, to a computer name: added to the favourites, window hidden.
        h.settings.fmConfig.dxCheckbox_From_Checked.setValue(true);
        h.settings.fmConfig.Edit_From_Text.setValue(u"Бухгалтерия"_s);
        h.settings.fmConfig.dxCheckbox_Min_Checked.setValue(true);
        sender.sendMessage(u"localhost"_s, u"второе"_s);
        QCOMPARE(waitForSends(done, 2), 2);
        QTRY_COMPARE(h.answers.requests.size(), 2);
        QCOMPARE(h.answers.requests[1], wireMessage(u"Бухгалтерия"_s, u"второе"_s));
        QCOMPARE(h.contacts.favorites, QStringList{u"localhost"_s});
        QCOMPARE(h.host.hides, 1);
        QVERIFY(h.host.errors.isEmpty());
    }

    void aFailedSendShowsTheRedLineAndKeepsHistory()
    {
        EngineHarness h;
        h.contacts.add(u"Петя"_s, u"127.0.0.1"_s);
        h.settings.fmConfig.dxCheckbox_AutoAddUser_Checked.setValue(true);
        h.settings.fmConfig.dxCheckbox_Min_Checked.setValue(true);
        OutgoingConfig config;
        config.port = closedPort();
        TcpCommandSender commands(config, h.contacts, h.host);
        MessageSender sender(h.settings, h.contacts, h.host, h.engine->history(), commands,
                             {u"tester"_s, u"PC"_s});
        QSignalSpy done(&sender, &MessageSender::sendFinished);
        sender.sendMessage(u"Петя"_s, u"не дойдёт"_s);
        QCOMPARE(waitForSends(done, 1), 0);
        QCOMPARE(h.host.errors,
                 (QList<QPair<QString, QString>>{{u"Петя"_s, u"Ошибка при передаче сообщения на Петя."_s}}));
        QVERIFY(historyOf(h, u"Петя"_s).endsWith(u"]: не дойдёт\r\n"_s));
        QVERIFY(h.contacts.favorites.isEmpty());
        QCOMPARE(h.host.hides, 0);
        QCOMPARE(h.host.captions.last(), u"Vantrel"_s);
    }

    void sendsToEveryTypedRecipient()
    {
        EngineHarness h;
        h.contacts.add(u"Вася"_s, u"127.0.0.1"_s);
        h.settings.fmConfig.dxCheckbox_AutoAddUser_Checked.setValue(true);
        MessageSender& sender = h.engine->sender();
        const QString typed = u" 127.0.0.1; ;  localhost ;вася"_s;
        const MessageSender::Recipients recipients = sender.addressList(typed);
        QCOMPARE(recipients.displayText, typed);
        QCOMPARE(recipients.addresses, (QStringList{u"127.0.0.1"_s, u"localhost"_s, u"127.0.0.1"_s}));

        QSignalSpy done(&sender, &MessageSender::sendFinished);
        sender.sendMessage(typed, u"всем"_s);
        QCOMPARE(waitForSends(done, 3), 3);
        QTRY_COMPARE(h.answers.requests.size(), 3);
        // Several recipients: no caption, no favourites.
        QVERIFY(h.host.captions.isEmpty());
        QVERIFY(h.contacts.favorites.isEmpty());
        QCOMPARE(sender.lastDisplayText(), typed);
        QCOMPARE(historyOf(h, u"Вася"_s).count(u"tester ["_s), 2);
        QCOMPARE(historyOf(h, u"localhost"_s).count(u"tester ["_s), 1);
    }

    void groupNamesFailAtOnce()
    {
        EngineHarness h;
        MessageSender& sender = h.engine->sender();
        QSignalSpy done(&sender, &MessageSender::sendFinished);
        sender.sendMessage(u"WORKGROUP*"_s, u"всем"_s);
        QCOMPARE(waitForSends(done, 1), 0);
        QCOMPARE(h.host.errors.last().second, u"Ошибка при передаче сообщения на WORKGROUP*."_s);
        QVERIFY(historyOf(h, u"WORKGROUP*"_s).endsWith(u"]: всем\r\n"_s));

        // The whole network: no groups to address on this system, and the user is told.
        sender.sendMessage(u"<ВСЯ СЕТЬ>"_s, u"всем"_s);
        QCOMPARE(h.host.errors.size(), 2);
        QCOMPARE(sender.lastDisplayText(), u"ВСЯ СЕТЬ"_s);
        sender.setNetworkGroups({u"WG"_s});
        QCOMPARE(sender.addressList(u"<ВСЯ СЕТЬ>"_s).addresses, QStringList{u"WG*"_s});
        QVERIFY(h.answers.requests.isEmpty());
    }

    void blankInputSendsNothing()
    {
        EngineHarness h;
        MessageSender& sender = h.engine->sender();
        sender.sendMessage(u"127.0.0.1"_s, u"  \t "_s);
        sender.sendMessage(u"   "_s, u"текст"_s);
        QCOMPARE(sender.sendsInProgress(), 0);
        QCOMPARE(h.host.balloons.size(), 1);
        QCOMPARE(h.host.balloons[0].text, u"Не указано сетевое имя !"_s);
        QCOMPARE(h.host.balloons[0].level, Level::Error);
        QVERIFY(sender.recentMessages().entries().isEmpty());
        QVERIFY(!QFile::exists(h.engine->history().pathFor(u"127.0.0.1"_s)));
        QTest::qWait(50);
        QVERIFY(h.answers.requests.isEmpty());
    }

    void remembersTheLastTenTexts()
    {
        RecentMessages recent(QLocale(QLocale::Russian));
        for (int i = 1; i <= 12; ++i)
            QVERIFY(recent.add(u"Текст %1"_s.arg(i)));
        QCOMPARE(recent.entries().size(), 10);
        QCOMPARE(recent.entries().first(), u"Текст 3"_s);
        QCOMPARE(recent.selectedIndex(), 9);
        QVERIFY(!recent.add(u"ТЕКСТ 12"_s));
        QVERIFY(!recent.add(u"   "_s));
        QCOMPARE(recent.entries().last(), u"Текст 12"_s);

        EngineHarness h;
        h.engine->sender().sendMessage(u"127.0.0.1"_s, u"раз"_s);
        h.settings.fmConfig.dxCheckbox_Clear_Checked.setValue(false);
        h.engine->sender().sendMessage(u"127.0.0.1"_s, u"два"_s);
        QCOMPARE(h.engine->sender().recentMessages().entries(), QStringList{u"раз"_s});
        QTRY_COMPARE(h.answers.requests.size(), 2);
    }

    void commandsReportFailuresOnlyWhenAsked()
    {
        EngineHarness h;
        h.contacts.add(u"Петя"_s, u"127.0.0.1"_s);
        OutgoingConfig config;
        config.port = closedPort();
        TcpCommandSender commands(config, h.contacts, h.host);
        bool finished = false;
        QString reason;
        commands.sendCommand(u"127.0.0.1"_s, u"<beep>", true, {}, [&](bool ok, const QString& error) {
            finished = !ok;
            reason = error;
        });
        QTRY_VERIFY(finished);
        QVERIFY(!reason.isEmpty());
        QCOMPARE(h.host.balloons.size(), 1);
        QCOMPARE(h.host.balloons[0].text, u"Ошибка при передаче на Петя\r\n"_s + reason);
        QCOMPARE(h.host.balloons[0].level, Level::Error);

        finished = false;
        commands.sendCommand(u"127.0.0.1"_s, u"<beep>", false, {},
                             [&](bool ok, const QString&) { finished = !ok; });
        QTRY_VERIFY(finished);
        QCOMPARE(h.host.balloons.size(), 1);

        // The beep over the engine's own sender.
        h.engine->sender().sendBeep(u"127.0.0.1"_s);
        QTRY_COMPARE(h.answers.requests, QList<QByteArray>{"<beep>\r\n"_ba});
        QCOMPARE(h.engine->commands().pendingCount(), 0);
    }

    void unreachableHostsTimeOut()
    {
        // 192.0.2.0/24 is reserved for documentation: nothing answers there, and the connect
        // time-out ends the attempt instead of the system's minutes-long one.
        OutgoingConfig config;
        config.connectTimeoutMs = 300;
        OneShotSender sender(config, u"PC"_s);
        QElapsedTimer timer;
        timer.start();
        const OneShotSender::Result result = sender.sendBeep(u"192.0.2.1"_s);
        QVERIFY(!result.ok);
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(result.reason.startsWith(u"192.0.2.1: "_s));
    }

    void oneShotSendsAndReports()
    {
        RequestCatcher catcher;
        OutgoingConfig config;
        config.port = catcher.port();
        config.bindAddress = QHostAddress(u"127.0.0.2"_s);
        OneShotSender sender(config, u"PC"_s);
        QVERIFY(sender.sendMessage(u"127.0.0.1"_s, u"a\nb"_s).ok);
        QVERIFY(sender.sendBeep(u"127.0.0.1; localhost"_s).ok);
        QTRY_COMPARE(catcher.requests.size(), 3);
        QCOMPARE(catcher.requests[0], wireMessage(u"PC"_s, u"a\r\nb"_s));
        // Outgoing connections start from the bind address.
        QCOMPARE(catcher.peers[0], u"127.0.0.2"_s);

        const OneShotSender::Result mixed = sender.sendBeep(u"127.0.0.1;WG*"_s);
        QVERIFY(!mixed.ok);
        QVERIFY(mixed.reason.contains(u"WG*"_s));
        QVERIFY(!sender.sendBeep(u" ; "_s).ok);
        QVERIFY(!sender.sendMessage(u"127.0.0.1"_s, u"  "_s).ok);

        config.bindAddress = {};
        config.port = closedPort();
        const OneShotSender::Result refused =
            OneShotSender(config, u"PC"_s).sendMessage(u"127.0.0.1"_s, u"x"_s);
        QVERIFY(!refused.ok);
        QVERIFY(refused.reason.startsWith(u"127.0.0.1: "_s));
        QVERIFY(!refused.reason.contains(u'\n'));
    }

    void twoEnginesTalk()
    {
        // Engine A sends from 127.0.0.2 to engine B; B presents and records the text exactly.
        EngineHarness a;
        EngineHarness b({}, false, QHostAddress(u"127.0.0.3"_s));
        OutgoingConfig config;
        config.port = b.port();
        config.bindAddress = QHostAddress(u"127.0.0.2"_s);
        TcpCommandSender commands(config, a.contacts, a.host);
        MessageSender sender(a.settings, a.contacts, a.host, a.engine->history(), commands,
                             {u"alice"_s, u"PC-A"_s});
        const QString text = u"Строка один\r\nстрока два: <b>&amp;</b> 😀"_s;
        sender.sendMessage(u"127.0.0.3"_s, text);
        QTRY_COMPARE(b.host.presented.size(), 1);
        QCOMPARE(b.host.presented[0].contact, u"PC-A"_s);
        QCOMPARE(b.host.presented[0].text, text);
        QVERIFY(historyOf(b, u"PC-A"_s)
                    .endsWith(u"PC-A ["_s + DateTimeText(EngineHarness::fixedNow()) + u"]: "_s + text +
                              u"\r\n"_s));
        QVERIFY(historyOf(a, u"127.0.0.3"_s)
                    .endsWith(u"alice ["_s + DateTimeText(EngineHarness::fixedNow()) + u"]: "_s + text +
                              u"\r\n"_s));
        QVERIFY(a.host.errors.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMessageSender)
#include "test_messagesender.moc"

#include "core/datetimetext.h"
#include "engineharness.h"
#include "messaging/historylog.h"
#include "messaging/messagesender.h"
#include "messaging/oneshotsender.h"
#include "messaging/tcpcommandsender.h"

#include <QSignalSpy>
#include <QStandardPaths>

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
    while (spy.size() < count && spy.wait(10000)) {
    }
    int ok = 0;
    for (const QList<QVariant>& args : std::as_const(spy))
        ok += args.at(1).toBool() ? 1 : 0;
    return ok;
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
        // The editor's bare line breaks travel as CR LF; markup-like text goes as it is.
        sender.sendMessage(u"127.0.0.1"_s, u"Привет\nкак дела? <b>&amp;</b> 😀"_s);
        const QString sent = u"Привет\r\nкак дела? <b>&amp;</b> 😀"_s;
        QCOMPARE(waitForSends(done, 1), 1);
        QTRY_COMPARE(h.answers.requests, QList<QByteArray>{wireMessage(u"TESTPC"_s, sent)});
        QCOMPARE(h.host.captions, (QStringList{u"Vantrel - передача сообщения..."_s, u"Vantrel"_s}));
        // An IP address text is never added to the favourites.
        QVERIFY(h.contacts.favorites.isEmpty());
        QVERIFY(h.history(u"127.0.0.1"_s)
                    .endsWith(u"\r\n\r\ntester ["_s + DateTimeText(EngineHarness::fixedNow()) + u"]: "_s +
                              sent + u"\r\n"_s));

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

        sender.sendBeep(u"127.0.0.1"_s);
        QTRY_COMPARE(h.answers.requests.size(), 3);
        QCOMPARE(h.answers.requests[2], "<beep>\r\n"_ba);
        QCOMPARE(h.engine->commands().pendingCount(), 0);
    }

    void failuresShowTheRedLineAndKeepHistory()
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
        QVERIFY(h.history(u"Петя"_s).endsWith(u"]: не дойдёт\r\n"_s));
        QVERIFY(h.contacts.favorites.isEmpty());
        QCOMPARE(h.host.hides, 0);
        QCOMPARE(h.host.captions.last(), u"Vantrel"_s);

        // A command's failure raises a balloon only when asked to.
        const qsizetype balloons = h.host.balloons.size();
        QStringList reasons;
        for (const bool report : {true, false}) {
            bool failed = false;
            commands.sendCommand(u"127.0.0.1"_s, u"<beep>", report, {}, [&](bool ok, const QString& error) {
                failed = !ok;
                reasons.append(error);
            });
            QTRY_VERIFY(failed);
            QCOMPARE(h.host.balloons.size(), balloons + 1);
        }
        QVERIFY(!reasons[0].isEmpty());
        QCOMPARE(h.host.balloons.last().text, u"Ошибка при передаче на Петя\r\n"_s + reasons[0]);
        QCOMPARE(h.host.balloons.last().level, Level::Error);
    }

    void typedRecipientsAndGroups()
    {
        EngineHarness h;
        h.contacts.add(u"Вася"_s, u"127.0.0.1"_s);
        MessageSender& sender = h.engine->sender();
        QCOMPARE(sender.addressList(u" 127.0.0.1; ;  localhost ;вася"_s).addresses,
                 (QStringList{u"127.0.0.1"_s, u"localhost"_s, u"127.0.0.1"_s}));
        // A group name fails at once; the text still goes to its history.
        QSignalSpy done(&sender, &MessageSender::sendFinished);
        sender.sendMessage(u"WORKGROUP*"_s, u"всем"_s);
        QCOMPARE(waitForSends(done, 1), 0);
        QCOMPARE(h.host.errors.last().second, u"Ошибка при передаче сообщения на WORKGROUP*."_s);
        QVERIFY(h.history(u"WORKGROUP*"_s).endsWith(u"]: всем\r\n"_s));

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

        // With "Очищать" off the text stays in the editor and is not remembered again.
        EngineHarness h;
        h.engine->sender().sendMessage(u"127.0.0.1"_s, u"раз"_s);
        h.settings.fmConfig.dxCheckbox_Clear_Checked.setValue(false);
        h.engine->sender().sendMessage(u"127.0.0.1"_s, u"два"_s);
        QCOMPARE(h.engine->sender().recentMessages().entries(), QStringList{u"раз"_s});
        QTRY_COMPARE(h.answers.requests.size(), 2);
    }

    void unreachableHostsTimeOut()
    {
        // 192.0.2.0/24 is reserved for documentation: nothing answers there, and the connect
        // time-out ends the attempt instead of the system's minutes-long one.
        OutgoingConfig config;
        config.connectTimeoutMs = 300;
        QElapsedTimer timer;
        timer.start();
        const OneShotSender::Result result = OneShotSender(config, u"PC"_s).sendBeep(u"192.0.2.1"_s);
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
        QVERIFY(sender.sendBeep(u"127.0.0.1; localhost"_s).ok);
        QTRY_COMPARE(catcher.requests, (QList<QByteArray>{"<beep>\r\n"_ba, "<beep>\r\n"_ba}));
        // Outgoing connections start from the bind address.
        QCOMPARE(catcher.peers[0], u"127.0.0.2"_s);

        const OneShotSender::Result mixed = sender.sendBeep(u"127.0.0.1;WG*"_s);
        QVERIFY(!mixed.ok);
        QVERIFY(mixed.reason.contains(u"WG*"_s));
        QVERIFY(!sender.sendBeep(u" ; "_s).ok);
        QVERIFY(!sender.sendMessage(u"127.0.0.1"_s, u"  "_s).ok);
    }
};

QTEST_GUILESS_MAIN(TestMessageSender)
#include "test_messagesender.moc"

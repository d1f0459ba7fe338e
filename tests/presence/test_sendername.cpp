// The check of the other sender name and the resolve worker, with the real probes: a name
// that answers on loopback is in use, a name that resolves nowhere is free.

#include "common/testfiles.h"
#include "messaging/fakes.h"
#include "platform/linux/linuxicmppinger.h"
#include "presence/addresslookup.h"
#include "presence/nettools.h"
#include "presence/reachability.h"
#include "presence/sendernamecheck.h"
#include "settings/settings.h"

#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

const QString FreeName = u"vantrel-free-name.invalid"_s;

// A program-like world: settings in a file, the real probes aimed at a listener of this test
// on 127.0.0.1, so that "localhost" answers the TCP probe even where ICMP echo is not allowed.
struct World {
    World()
        : settings(dir.filePath(u"VantrelMsg.ini"_s))
    {
        server.listen(QHostAddress::LocalHost, 0);
        ProbeConfig config;
        config.outgoing.port = server.serverPort();
        config.tcpConnectTimeoutMs = 5000;
        config.pingTimeoutMs = 1000;
        probes = std::make_unique<NetTools>(pinger, config);
        reachability = std::make_unique<Reachability>(*probes);
    }
    std::unique_ptr<SenderNameCheck> check()
    {
        return std::make_unique<SenderNameCheck>(settings, *reachability, host, u"MYPC"_s);
    }
    void setFrom(bool checked, const QString& name)
    {
        settings.fmConfig.Edit_From_Text.setValue(name);
        settings.fmConfig.dxCheckbox_From_Checked.setValue(checked);
    }

    QTemporaryDir dir;
    Settings settings;
    QTcpServer server;
    LinuxIcmpPinger pinger;
    std::unique_ptr<NetTools> probes;
    std::unique_ptr<Reachability> reachability;
    test::RecordingHost host;
};

} // namespace

class TestSenderName final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void aNameInUseOnTheNetworkIsRefused()
    {
        World w;
        w.setFrom(true, u"localhost"_s);
        auto check = w.check();
        // Set before, it stays in use while the check runs.
        QCOMPARE(check->senderName(), u"localhost"_s);
        QSignalSpy checked(check.get(), &SenderNameCheck::checked);
        check->CheckEditFrom();
        QVERIFY(check->isChecking());
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 15000);
        QCOMPARE(check->senderName(), u"MYPC"_s);
        QVERIFY(!w.settings.fmConfig.dxCheckbox_From_Checked.value());
        // Cleared in the file too, and the name kept for the next try.
        QVERIFY(readAll(w.settings.path()).contains("dxCheckbox_From_Checked=FALSE"));
        QCOMPARE(w.settings.fmConfig.Edit_From_Text.value(), u"localhost"_s);
        QCOMPARE(w.host.balloons.size(), 1);
        QCOMPARE(w.host.balloons[0].text,
                 u"Вы не можете отправлять сообщения от имени, существующего в сети: localhost"_s);
        QCOMPARE(w.host.balloons[0].level, MessagingHost::BalloonLevel::Error);
    }

    void aFreeNameBecomesTheSenderName()
    {
        World w;
        auto check = w.check();
        QCOMPARE(check->senderName(), u"MYPC"_s);
        w.setFrom(true, u"  "_s + FreeName + u" "_s);
        QSignalSpy checked(check.get(), &SenderNameCheck::checked);
        check->CheckEditFrom();
        // Until the answer the previous name is used.
        QCOMPARE(check->senderName(), u"MYPC"_s);
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 15000);
        QCOMPARE(check->senderName(), FreeName);
        QVERIFY(w.settings.fmConfig.dxCheckbox_From_Checked.value());
        QVERIFY(w.host.balloons.isEmpty());

        // Switched off: the computer name at once.
        w.settings.fmConfig.dxCheckbox_From_Checked.setValue(false);
        check->CheckEditFrom();
        QCOMPARE(check->senderName(), u"MYPC"_s);
        QVERIFY(!check->isChecking());
    }

    void anEmptyNameClearsTheBox()
    {
        World w;
        w.setFrom(true, u" "_s);
        auto check = w.check();
        check->CheckEditFrom();
        QVERIFY(!check->isChecking());
        QCOMPARE(check->senderName(), u"MYPC"_s);
        QVERIFY(!w.settings.fmConfig.dxCheckbox_From_Checked.value());
        QVERIFY(w.host.balloons.isEmpty());
    }

    void aNewerCheckVoidsTheAnswerOfAnOlderOne()
    {
        World w;
        w.setFrom(true, u"localhost"_s);
        auto check = w.check();
        QSignalSpy checked(check.get(), &SenderNameCheck::checked);
        check->CheckEditFrom();
        // Before the probe of "localhost" answers, the user picks a free name.
        w.setFrom(true, FreeName);
        check->CheckEditFrom();
        QTRY_COMPARE_WITH_TIMEOUT(checked.size(), 1, 15000);
        QTest::qWait(1500);
        QCOMPARE(checked.size(), 1);
        QCOMPARE(check->senderName(), FreeName);
        QVERIFY(w.settings.fmConfig.dxCheckbox_From_Checked.value());
        QVERIFY(w.host.balloons.isEmpty());
    }

    void theResolveWorkerRunsOneLookupAtATime()
    {
        World w;
        AddressLookup lookup(*w.probes);
        QSignalSpy resolved(&lookup, &AddressLookup::resolved);
        QVERIFY(!lookup.start(u"  "_s));
        QVERIFY(lookup.start(u" localhost "_s));
        QVERIFY(lookup.isRunning());
        QVERIFY(!lookup.start(FreeName));
        QTRY_COMPARE(resolved.size(), 1);
        QCOMPARE(resolved[0], (QList<QVariant>{u"localhost"_s, true, u"127.0.0.1"_s}));
        QVERIFY(lookup.start(FreeName));
        QTRY_COMPARE_WITH_TIMEOUT(resolved.size(), 2, 15000);
        QCOMPARE(resolved[1], (QList<QVariant>{FreeName, false, QString()}));
    }
};

QTEST_GUILESS_MAIN(TestSenderName)
#include "test_sendername.moc"

#include "common/testfiles.h"
#include "contacts/contactlist.h"
#include "contacts/contactlistlookup.h"
#include "contacts/fakecontactlisthost.h"
#include "contacts/recipientchoice.h"
#include "core/apppaths.h"
#include "core/eventlog.h"
#include "core/logwriter.h"
#include "messaging/fakes.h"
#include "messaging/historylog.h"
#include "messaging/listener.h"
#include "messaging/messagesender.h"
#include "messaging/messagingengine.h"
#include "settings/settings.h"

#include <QDir>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;
using namespace vantrel;

namespace {

// One copy of the messaging engine with its own folders, listening on `address`.
struct Peer {
    Peer(const QHostAddress& address, quint16 port, quint16 peersPort, ContactLookup* lookup = nullptr)
        : paths(AppPaths::forBase(dir.path() + u"/Vantrel"_s))
        , eventLog(writer, paths.eventLogFile)
        , settings((paths.createFolders(), paths.settingsFile))
    {
        MessagingEngine::Config config;
        config.listener.address = address;
        config.listener.port = port;
        config.outgoing.bindAddress = address;
        config.outgoing.port = peersPort;
        config.outgoing.connectTimeoutMs = 5000;
        engine = std::make_unique<MessagingEngine>(
            config,
            MessagingEngine::Services{settings, eventLog, lookup ? *lookup : contacts, host, speaker, sound},
            paths.logsDir, LocalNames{u"tester"_s, u"PC-"_s + address.toString()});
    }

    QTemporaryDir dir;
    AppPaths paths;
    LogWriter writer;
    EventLog eventLog;
    Settings settings;
    test::ListedContacts contacts;
    test::RecordingHost host;
    test::RecordingSpeaker speaker;
    test::RecordingSoundPlayer sound;
    std::unique_ptr<MessagingEngine> engine;
};

} // namespace

class TestE2eTreeSend final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() { QStandardPaths::setTestModeEnabled(true); }

    // Two ticked contacts whose IP fields point at two running engines: one send reaches both,
    // both history logs get their line, and the ticks are cleared.
    void oneSendReachesEveryTickedContact()
    {
        Peer first(QHostAddress(u"127.0.0.41"_s), 0, 0);
        QVERIFY(first.engine->start());
        const quint16 port = first.engine->listener().port();
        Peer second(QHostAddress(u"127.0.0.42"_s), port, 0);
        QVERIFY(second.engine->start());

        // The sending side: its contact list, the recipient choice over it and its engine.
        QTemporaryDir dir;
        Settings settings(dir.filePath(u"Conf/VantrelMsg.ini"_s));
        settings.fmConfig.dxCheckbox_IP_Checked.setValue(true);
        settings.fmConfig.dxCheckbox_AutoUnCheck_Checked.setValue(true);
        settings.fmConfig.dxCheckbox_History_Checked.setValue(true);
        settings.fmConfig.dxCheckbox_AutoAddUser_Checked.setValue(true);
        const QString listFile = dir.filePath(u"compnames.vtl"_s);
        writeAll(listFile, "\xEF\xBB\xBF[ОТДЕЛ]\r\n\tPC41;Вася;127.0.0.41\r\n\tPC42;Петя;127.0.0.42\r\n"
                           "PC43;Коля;127.0.0.43\r\n"_ba);
        FakeContactListHost listHost;
        ContactList list(settings, listHost, listFile);
        list.CheckGeneralList();
        list.MySetStatus(0);
        ContactListLookup lookup(list);
        RecipientChoice choice(list, settings, listHost);

        Peer sender(QHostAddress(u"127.0.0.40"_s), port, port, &lookup);
        sender.settings.fmConfig.dxCheckbox_History_Checked.setValue(true);
        sender.settings.fmConfig.dxCheckbox_AutoAddUser_Checked.setValue(true);
        MessageSender& out = sender.engine->sender();
        out.setRecipientSource(&choice);

        choice.selectNode(0);
        choice.setChecked(0, true);
        choice.R_TreeViewCheck();
        QCOMPARE(choice.fieldText(), u"Вася;Петя"_s);

        QSignalSpy finished(&out, &MessageSender::sendFinished);
        // The conversation window of the third contact sends, but the ticked ones receive.
        out.sendMessage(u"Коля"_s, u"Всем привет"_s);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(first.host.presented.size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(second.host.presented.size(), 1, 10000);
        QCOMPARE(first.host.presented[0].text, u"Всем привет"_s);
        QCOMPARE(second.host.presented[0].text, u"Всем привет"_s);
        QCOMPARE(out.lastDisplayText(), u"Вася, Петя"_s);

        const auto history = [&sender](const QString& contact) {
            QFile file(sender.engine->history().pathFor(contact));
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
        };
        QVERIFY(history(u"Вася"_s).contains(u"tester ["_s));
        QVERIFY(history(u"Вася"_s).contains(u"]: Всем привет"_s));
        QVERIFY(history(u"Петя"_s).contains(u"]: Всем привет"_s));
        QVERIFY(history(u"Коля"_s).isEmpty());

        // Automatic unticking; with two recipients nothing is added to the list.
        QVERIFY(!choice.f_Checked());
        QVERIFY(!choice.isChecked(1) && !choice.isChecked(2));
        QVERIFY(choice.isFieldEnabled());
        QCOMPARE(list.count(), 4);

        // A single send by name (not an IP text) adds the name to the list.
        choice.setTypedText(u"127.0.0.41"_s);
        out.sendMessage(u"127.0.0.41"_s, u"по адресу"_s);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 10000);
        QCOMPARE(list.count(), 4);
        QVERIFY(finished.last().at(1).toBool());
        Peer local(QHostAddress(u"127.0.0.1"_s), port, 0);
        QVERIFY(local.engine->start());
        out.sendMessage(u"localhost"_s, u"по имени"_s);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 4, 10000);
        QTRY_COMPARE(list.count(), 5);
        QCOMPARE(list.snapshot()->compName(4), u"localhost"_s);
    }
};

QTEST_GUILESS_MAIN(TestE2eTreeSend)
#include "test_e2e_treesend.moc"

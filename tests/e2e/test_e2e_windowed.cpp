// The program with its windows, run in this process on the offscreen platform, against real
// headless copies on 127.0.0.1xx: sending to ticked tree contacts, conversations and presence.

#include "app/commandline.h"
#include "app/engine.h"
#include "app/gui/conversationservices.h"
#include "app/gui/mainwindow.h"
#include "app/gui/windowedmode.h"
#include "app/programrunner.h"
#include "contacts/contactlist.h"
#include "contacts/recipientchoice.h"
#include "contacts/ui/contacttreecommands.h"
#include "contacts/ui/contacttreewidget.h"
#include "display/conversationwindow.h"
#include "display/smileypicker.h"
#include "messaging/historylog.h"
#include "messaging/messagingengine.h"
#include "messaging/protocolcodec.h"
#include "platform/icmppinger.h"
#include "platform/platformservices.h"
#include "presence/pingworker.h"
#include "presence/statusbroadcaster.h"
#include "presence/statusreceiver.h"
#include "settings/settings.h"
#include "shell/statusmenu.h"

#include "common/privatefolders.h"
#include "common/testfiles.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace Qt::StringLiterals;
using vantrel::WindowedMode;

namespace {

constexpr int kTimeoutMs = 30000;

const PrivateFolders privateFolders;

// A contact-list file: UTF-8 with a byte-order mark, CR LF after every line.
bool writeList(const QString& path, const QStringList& lines)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    const QByteArray bytes = "\xEF\xBB\xBF" + (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QString computerName()
{
    return QSysInfo::machineHostName().section(u'.', 0, 0);
}

// Loopback answers ICMP for all of 127/8: with the echo unavailable, the TCP probe decides.
class NoIcmpPinger final : public vantrel::IcmpPinger {
public:
    void echo(const vantrel::IcmpEchoRequest&, QObject* context, Callback done) override
    {
        QTimer::singleShot(0, context, [done = std::move(done)] {
            vantrel::IcmpEchoReply reply;
            reply.status = vantrel::IcmpEchoReply::Status::Unavailable;
            done(reply);
        });
    }
};

// Whether something accepts connections at port 2012 of `address`.
bool listens(const QString& address)
{
    QTcpSocket socket;
    socket.connectToHost(QHostAddress(address), vantrel::ProtocolCodec::DefaultPort);
    return socket.waitForConnected(1000);
}

// The windowed program bound to `address`, with `lines` as its contact list.
class WindowedCopy final {
public:
    WindowedCopy(const QString& address, const QStringList& lines)
        : m_paths(vantrel::AppPaths::forBase(m_dir.filePath(u"Vantrel"_s)))
        , m_listWritten(writeList(m_paths.contactsFile, lines))
        , m_mode(commandLine(address), m_paths)
    {
        m_mode.engine().platform().icmpPinger = std::make_unique<NoIcmpPinger>();
        m_mode.start();
    }
    Q_DISABLE_COPY_MOVE(WindowedCopy)

    bool isReady() const { return m_listWritten && m_dir.isValid(); }
    WindowedMode& mode() { return m_mode; }
    vantrel::ContactList& contacts() { return m_mode.engine().contacts(); }

    // The marks of every node, as the list holds them and as the tree shows them.
    QList<int> images()
    {
        QList<int> marks;
        for (int i = 0; i < contacts().count(); ++i)
            marks.append(contacts().imageIndex(i));
        return marks;
    }
    QList<int> shownImages()
    {
        QList<int> marks;
        vantrel::ContactTreeWidget* tree = m_mode.mainWindow().contactTree();
        for (int i = 0; i < tree->nodeCount(); ++i)
            marks.append(tree->imageIndex(i));
        return marks;
    }

    // A whole-tree check started with the main window's check button, waited for to its end.
    bool checkWholeTree()
    {
        vantrel::Engine& engine = m_mode.engine();
        if (!QTest::qWaitFor([&engine] { return !engine.isPresenceBusy(); }, kTimeoutMs))
            return false;
        auto* button = m_mode.mainWindow().findChild<QToolButton*>(u"SpeedButton_Ping"_s);
        if (!button || !button->isEnabled())
            return false;
        QSignalSpy finished(&engine.pingWorker(), &vantrel::ContactPass::finished);
        button->click();
        return QTest::qWaitFor([&finished] { return !finished.isEmpty(); }, kTimeoutMs);
    }

private:
    static vantrel::CommandLine commandLine(const QString& address)
    {
        vantrel::CommandLine line;
        line.bindAddress = address;
        return line;
    }

    QTemporaryDir m_dir;
    vantrel::AppPaths m_paths;
    bool m_listWritten;
    WindowedMode m_mode;
};

// A real headless copy bound to `address`, with one contact-list line.
class Peer final {
public:
    bool start(const QString& address, const QString& listLine)
    {
        m_address = address;
        return writeList(m_runner.baseDir() + u"/compnames.vtl"_s, {listLine}) && restart();
    }
    // The start line comes before the listener opens: the copy counts as started once it listens.
    bool restart()
    {
        return m_runner.startInstance({u"--headless"_s, u"--bind"_s, m_address}, true) &&
               QTest::qWaitFor([this] { return listens(m_address); }, kTimeoutMs);
    }
    bool quit() { return m_runner.runToEnd({u"--quit"_s}) == 0 && m_runner.waitForInstanceEnd() == 0; }
    ProgramRunner& runner() { return m_runner; }

    // Whether the copy has printed `text` on standard output (or standard error).
    bool printed(const QString& text) { return (read(), m_out.contains(text.toUtf8())); }
    bool reported(const QString& text) { return (read(), m_err.contains(text.toUtf8())); }
    QByteArray output() { return (read(), m_out); }

private:
    void read()
    {
        m_out += m_runner.instance().readAllStandardOutput();
        m_err += m_runner.instance().readAllStandardError();
    }

    ProgramRunner m_runner;
    QString m_address;
    QByteArray m_out;
    QByteArray m_err;
};

// One `<STATUS>` request written from `from` to the copy at `to`.
bool sendStatusReport(const QString& from, const QString& to, int code, const QString& sender)
{
    QTcpSocket socket;
    if (!socket.bind(QHostAddress(from)))
        return false;
    socket.connectToHost(QHostAddress(to), vantrel::ProtocolCodec::DefaultPort);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(vantrel::ProtocolCodec::buildRequest(vantrel::ProtocolCodec::Header::Status,
                                                      vantrel::StatusBroadcaster::reportBody(code, sender)));
    socket.disconnectFromHost();
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(kTimeoutMs);
}

} // namespace

class TestE2eWindowed final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void tickedContactsReceiveOneMessage()
    {
        Peer first;
        Peer second;
        QVERIFY(first.start(u"127.0.0.102"_s, u"PCW;Окно;127.0.0.101"_s));
        QVERIFY(second.start(u"127.0.0.103"_s, u"PCW;Окно;127.0.0.101"_s));
        WindowedCopy copy(u"127.0.0.101"_s,
                          {u"[Отдел]"_s, u"\tPCA;Первый;127.0.0.102"_s, u"\tPCB;Второй;127.0.0.103"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        mode.engine().settings().fmConfig.dxCheckbox_AutoUnCheck_Checked.setValue(true);

        // Both members ticked in the tree: the disabled field names them.
        vantrel::ContactTreeWidget* tree = mode.mainWindow().contactTree();
        QCOMPARE(tree->nodeCount(), 3);
        tree->itemAt(1)->setCheckState(0, Qt::Checked);
        tree->itemAt(2)->setCheckState(0, Qt::Checked);
        vantrel::RecipientChoice* choice = mode.recipientChoice();
        QVERIFY(choice && choice->isChecked(1) && choice->isChecked(2));
        QCOMPARE(mode.mainWindow().recipientBox()->currentText(), u"Первый;Второй"_s);
        QVERIFY(!mode.mainWindow().recipientBox()->isEnabled());

        // "Написать сообщение..." opens the conversation; Enter in its reply box sends.
        auto* write = mode.mainWindow().findChild<QPushButton*>(u"SpeedButton_MLM"_s);
        QVERIFY(write);
        QTest::mouseClick(write, Qt::LeftButton);
        vantrel::ConversationWindow& window = mode.conversation(u"Первый;Второй"_s);
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), kTimeoutMs);
        const QString text = u"Совещание в 15:00"_s;
        window.replyBox()->setFocus();
        window.replyBox()->insertPlainText(text);
        QTest::keyClick(window.replyBox(), Qt::Key_Return);

        const QString line = u"]: "_s + text;
        QTRY_VERIFY_WITH_TIMEOUT(first.printed(line), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(second.printed(line), kTimeoutMs);
        QCOMPARE(first.output().count('\n'), 1);
        QCOMPARE(second.output().count('\n'), 1);
        vantrel::HistoryLog& history = mode.engine().messaging().history();
        for (const QString& contact : {u"Первый"_s, u"Второй"_s}) {
            const QByteArray log = readAll(history.pathFor(contact));
            QVERIFY2(log.startsWith("\xEF\xBB\xBF") && log.endsWith((line + u"\r\n"_s).toUtf8()),
                     qPrintable(contact));
        }

        // Automatic unticking: no box stays ticked, in the choice or on the screen.
        for (int i = 0; i < tree->nodeCount(); ++i) {
            QVERIFY(!choice->isChecked(i));
            QVERIFY(!tree->isChecked(i));
        }
        QVERIFY(mode.mainWindow().recipientBox()->isEnabled());

        QVERIFY(first.quit());
        QVERIFY(second.quit());
    }

    void incomingMessagesWaitOrOpenTheConversation()
    {
        Peer partner;
        QVERIFY(partner.start(u"127.0.0.106"_s, u"PCW;Окно;127.0.0.105"_s));
        WindowedCopy copy(u"127.0.0.105"_s, {computerName() + u";Собеседник;127.0.0.106"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        vantrel::Settings& settings = mode.engine().settings();
        settings.fmConfig.CheckBox_Popup_Checked.setValue(false);
        const QString log = mode.engine().messaging().history().pathFor(u"Собеседник"_s);
        const auto send = [&partner](const QString& text) {
            return partner.runner().runToEnd(
                       {u"--send"_s, u"127.0.0.105"_s, text, u"--bind"_s, u"127.0.0.106"_s}) == 0;
        };

        // Without "open at once" two messages leave one waiting conversation.
        QVERIFY(send(u"Первое"_s));
        QVERIFY(send(u"Второе"_s));
        QTRY_VERIFY_WITH_TIMEOUT(readAll(log).endsWith(u"]: Второе\r\n"_s.toUtf8()), kTimeoutMs);
        QCOMPARE(mode.pendingConversations(), QStringList{u"Собеседник"_s});
        vantrel::ConversationWindow& window = mode.conversation(u"Собеседник"_s);
        QVERIFY(!window.isVisible());
        QVERIFY(window.viewText().contains(u"Первое"_s));
        QVERIFY(window.viewText().indexOf(u"Второе"_s) > window.viewText().indexOf(u"Первое"_s));

        // With it, the next message opens the window; the waiting entry stays (only the tray's
        // restore takes it out) and is not doubled.
        settings.fmConfig.CheckBox_Popup_Checked.setValue(true);
        QVERIFY(send(u"Третье"_s));
        QTRY_VERIFY_WITH_TIMEOUT(window.isVisible(), kTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(window.viewText().contains(u"Третье"_s), kTimeoutMs);
        QCOMPARE(mode.pendingConversations(), QStringList{u"Собеседник"_s});

        // The reply typed into the window reaches the partner.
        window.replyBox()->setFocus();
        window.replyBox()->insertPlainText(u"Ответ: "_s);
        QTest::keyClicks(window.replyBox(), u"see you at 5"_s);
        QTest::keyClick(window.replyBox(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(partner.printed(u"]: Ответ: see you at 5"_s), kTimeoutMs);
        QVERIFY(readAll(log).endsWith(u"]: Ответ: see you at 5\r\n"_s.toUtf8()));

        QVERIFY(partner.quit());
    }

    void presenceFollowsThePeers()
    {
        // Nodes: 0 a copy that stops and comes back, 1 one that runs throughout, 2 one that is away.
        WindowedCopy copy(u"127.0.0.111"_s, {u"PCC;Спящий;127.0.0.114"_s, u"PCA;Живой;127.0.0.112"_s,
                                             u"PCB;Отошедший;127.0.0.113"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        // The check at start finds nobody.
        QTRY_VERIFY_WITH_TIMEOUT(!mode.engine().pingWorker().isRunning(), kTimeoutMs);
        QCOMPARE(copy.images(), QList<int>({3, 3, 3}));
        QCOMPARE(copy.shownImages(), copy.images());

        const QString own = u"PCW;Окно;127.0.0.111"_s;
        Peer sleeper;
        Peer live;
        Peer away;
        QVERIFY(sleeper.start(u"127.0.0.114"_s, own));
        QVERIFY(live.start(u"127.0.0.112"_s, own));
        QVERIFY(away.start(u"127.0.0.113"_s, own));
        QCOMPARE(away.runner().runToEnd({u"--status"_s, u"1"_s}), 0);
        QTRY_COMPARE_WITH_TIMEOUT(copy.contacts().imageIndex(2), 1, kTimeoutMs);

        // A successful check keeps the away mark and clears the unreachable ones.
        QVERIFY(copy.checkWholeTree());
        QCOMPARE(copy.images(), QList<int>({0, 0, 1}));
        QCOMPARE(copy.shownImages(), copy.images());

        // A copy that stopped turns grey.
        QVERIFY(sleeper.quit());
        QVERIFY(copy.checkWholeTree());
        QCOMPARE(copy.images(), QList<int>({3, 0, 1}));
        QCOMPARE(copy.shownImages(), copy.images());

        // "Отсутствую" reaches the copies that answered; the grey one is not contacted (a
        // listener stands at its address to notice).
        {
            QTcpServer stand;
            QVERIFY(stand.listen(QHostAddress(u"127.0.0.114"_s), vantrel::ProtocolCodec::DefaultPort));
            auto* awayItem = mode.mainWindow().statusMenu()->findChild<QAction*>(u"PM_Status1"_s);
            QVERIFY(awayItem && awayItem->text() == u"Отсутствую"_s);
            awayItem->trigger();
            QCOMPARE(mode.engine().status().status(), 1);
            QTRY_VERIFY_WITH_TIMEOUT(live.reported(u"vantrel: status of Окно: 1"_s), kTimeoutMs);
            QTRY_VERIFY_WITH_TIMEOUT(away.reported(u"vantrel: status of Окно: 1"_s), kTimeoutMs);
            QTRY_VERIFY_WITH_TIMEOUT(!mode.engine().isPresenceBusy(), kTimeoutMs);
            QVERIFY(!stand.waitForNewConnection(200));
            QCOMPARE(mode.mainWindow().statusMenu()->status(), 1);
        }

        // Back again, it is reachable after the next check.
        QVERIFY(sleeper.restart());
        QVERIFY(copy.checkWholeTree());
        QCOMPARE(copy.images(), QList<int>({0, 0, 1}));

        // A report from an address of no contact changes nothing, even when its FROM names a
        // contact; the report of a contact that follows it is applied.
        QSignalSpy reports(&mode.engine().statusReports(), &vantrel::StatusReceiver::userStatusChanged);
        QVERIFY(sendStatusReport(u"127.0.0.115"_s, u"127.0.0.111"_s, 2, u"PCA"_s));
        QVERIFY(sendStatusReport(u"127.0.0.113"_s, u"127.0.0.111"_s, 2, u"PCB"_s));
        QTRY_VERIFY_WITH_TIMEOUT(!reports.isEmpty(), kTimeoutMs);
        QTest::qWait(300); // room for a late-handled first report to show
        QCOMPARE(reports.size(), 1);
        QCOMPARE(reports.at(0).at(0).toInt(), 2);
        QCOMPARE(reports.at(0).at(2).toInt(), 2);
        QCOMPARE(copy.images(), QList<int>({0, 0, 2}));
        QCOMPARE(copy.shownImages(), copy.images());

        QVERIFY(sleeper.quit());
        QVERIFY(live.quit());
        QVERIFY(away.quit());
    }

    // "Добавить" and "Удалить" of a conversation's contact menu edit the list in use; the
    // deleted contact's window closes.
    void conversationMenuAddsAndDeletesItsTarget()
    {
        WindowedCopy copy(u"127.0.0.116"_s, {u"PC1;Вася;127.0.0.117"_s});
        QVERIFY(copy.isReady());
        // Editing waits for the start-up check.
        QTRY_VERIFY_WITH_TIMEOUT(!copy.mode().engine().isPresenceBusy(), kTimeoutMs);
        const auto trigger = [](vantrel::ConversationWindow* window, const QString& name) {
            window->contactMenu();
            QAction* action = window->findChild<QAction*>(name);
            return action && action->isVisible() && action->isEnabled() && (action->trigger(), true);
        };
        vantrel::ConversationWindow& stranger = copy.mode().conversation(u"pc9"_s);
        QVERIFY(trigger(&stranger, u"PM_Add"_s));
        QCOMPARE(copy.contacts().MyGetIndex(u"pc9"_s), 1);
        QVERIFY(readAll(copy.mode().engine().paths().contactsFile).contains("pc9"));

        copy.mode().showPopupForm(u"pc9"_s, false);
        QVERIFY(stranger.isVisible());
        // The deletion asks first; the answer comes from the message box.
        QTimer::singleShot(0, &copy.mode(), [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->button(QMessageBox::Yes)->click();
        });
        // The window closes right after the Yes, before the list is changed.
        bool shownAtRebuild = true;
        const QMetaObject::Connection rebuilt =
            QObject::connect(&copy.contacts(), &vantrel::ContactList::rebuilt, &copy.mode(),
                             [&stranger, &shownAtRebuild] { shownAtRebuild = stranger.isVisible(); });
        QVERIFY(trigger(&stranger, u"PM_Del"_s));
        QObject::disconnect(rebuilt);
        QVERIFY(!shownAtRebuild);
        QCOMPARE(copy.contacts().MyGetIndex(u"pc9"_s), -1);
        QVERIFY(!stranger.isVisible());
        QVERIFY(!readAll(copy.mode().engine().paths().contactsFile).contains("pc9"));
        QCOMPARE(copy.contacts().MyGetIndex(u"Вася"_s), 0);
    }

    // Two contacts share a display name: the tree's commands act on the node chosen, not on the
    // first contact of that name.
    void treeCommandsActOnTheChosenNode()
    {
        QTcpServer second;
        QVERIFY(second.listen(QHostAddress(u"127.0.0.122"_s), vantrel::ProtocolCodec::DefaultPort));
        WindowedCopy copy(u"127.0.0.120"_s, {u"PCX;Вася;127.0.0.121"_s, u"PCY;Вася;127.0.0.122"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        // The tree's commands see the engine's busy state (the start-up check runs now).
        QVERIFY(mode.isPresenceBusy());
        QTRY_VERIFY_WITH_TIMEOUT(!mode.engine().isPresenceBusy(), kTimeoutMs);
        QVERIFY(!mode.isPresenceBusy());
        copy.contacts().setImageIndex(1, vantrel::ContactListSnapshot::Unreachable);

        mode.run(vantrel::ContactTreeCommands::Command::Check, 1, u"Вася"_s);
        vantrel::ConversationWindow& window = mode.conversation(u"Вася"_s);
        QTRY_VERIFY_WITH_TIMEOUT(window.viewText().contains(u"Вася в сети!"_s), kTimeoutMs);
        QCOMPARE(copy.images(), (QList<int>{3, 0}));

        mode.run(vantrel::ContactTreeCommands::Command::Info, 1, u"Вася"_s);
        QTRY_VERIFY_WITH_TIMEOUT(window.viewText().contains(u"Компьютер: PCY"_s), kTimeoutMs);
        QVERIFY(!window.viewText().contains(u"PCX"_s));
    }

    // The smiley picker gives the focus back to the reply box of the window that opened it,
    // whether a smiley was chosen or the picker was closed.
    void smileyPickerReturnsToItsWindow()
    {
        WindowedCopy copy(u"127.0.0.123"_s, {u"PC1;Вася;127.0.0.124"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        mode.engine().settings().fmConfig.CheckBox_Smiles_Checked.setValue(true);
        mode.conversations()->rebuildSmileys();
        mode.showPopupForm(u"Вася"_s, false);
        vantrel::ConversationWindow& window = mode.conversation(u"Вася"_s);
        vantrel::SmileyPicker* picker = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<vantrel::SmileyPicker*>(widget))
                picker = found;
        }
        QVERIFY(picker);

        mode.conversations()->chooseSmiley(window, QPoint(20, 20));
        QTRY_VERIFY(picker->isVisible() && !picker->pictures().isEmpty());
        QApplication::setActiveWindow(picker);
        QTest::keyClick(picker, Qt::Key_Escape);
        QTRY_VERIFY(!picker->isVisible());
        QTRY_VERIFY(window.isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), window.replyBox());

        mode.conversations()->chooseSmiley(window, QPoint(20, 20));
        QTRY_VERIFY(picker->isVisible());
        QApplication::setActiveWindow(picker);
        QTest::mouseClick(picker->pictures().at(0), Qt::LeftButton);
        QTRY_VERIFY(!window.replyBox()->toPlainText().isEmpty());
        QTRY_VERIFY(window.isActiveWindow());
        QCOMPARE(QApplication::focusWidget(), window.replyBox());
    }

    // The session asks to commit while a question box is open; the log-off is then cancelled.
    // Everything is saved, and the program goes on working with its listener and windows.
    void sessionCommitSavesAndKeepsRunning()
    {
        WindowedCopy copy(u"127.0.0.118"_s, {u"PC1;Вася;127.0.0.119"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        QTRY_VERIFY_WITH_TIMEOUT(!mode.engine().isPresenceBusy(), kTimeoutMs);
        const QString ini = mode.engine().paths().settingsFile;
        vantrel::ConversationWindow& window = mode.conversation(u"Вася"_s);
        mode.showPopupForm(u"Вася"_s, false);
        mode.mainWindow().setGeometry(41, 52, 300, 400);
        QVERIFY(!readAll(ini).contains("NormPos=41,52,341,452"));
        window.contactMenu();
        QAction* del = window.findChild<QAction*>(u"PM_Del"_s);
        QVERIFY(del && del->isEnabled());
        bool answered = false;
        QTimer::singleShot(0, &mode, [&mode, &answered] {
            mode.commitSession();
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box->button(QMessageBox::No)->click();
                answered = true;
            }
        });
        del->trigger();
        QVERIFY(answered);
        QVERIFY(window.isVisible());
        QCOMPARE(copy.contacts().MyGetIndex(u"Вася"_s), 0);

        // Saved at the commit, and no end line: the program has not ended.
        QVERIFY(readAll(ini).contains("NormPos=41,52,341,452"));
        QVERIFY(QFileInfo::exists(mode.engine().paths().confDir + u"/Вася.ini"_s));
        const QString log = QString::fromUtf8(readAll(mode.engine().eventLog().path()));
        QVERIFY(!log.contains(u"Завершение программы"_s));

        // Still listening, and the check button still works.
        {
            QTcpSocket socket;
            QVERIFY(socket.bind(QHostAddress(u"127.0.0.119"_s)));
            socket.connectToHost(QHostAddress(u"127.0.0.118"_s), vantrel::ProtocolCodec::DefaultPort);
            QVERIFY(socket.waitForConnected(kTimeoutMs));
            socket.write(vantrel::ProtocolCodec::buildRequest(
                vantrel::ProtocolCodec::Header::Message,
                vantrel::ProtocolCodec::messageBody(u"PC1"_s, u"после отмены выхода"_s)));
            socket.disconnectFromHost();
            QVERIFY(socket.state() == QAbstractSocket::UnconnectedState ||
                    socket.waitForDisconnected(kTimeoutMs));
        }
        QTRY_VERIFY_WITH_TIMEOUT(window.viewText().contains(u"после отмены выхода"_s), kTimeoutMs);
        QVERIFY(copy.checkWholeTree());
        QCOMPARE(copy.images(), QList<int>{3});
    }
};

QTEST_MAIN(TestE2eWindowed)
#include "test_e2e_windowed.moc"

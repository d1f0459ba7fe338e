// The windowed program's shell in this process on the offscreen platform: the tray's restore
// with waiting conversations and the toggling main window, the hot keys, notifications without
// a tray, help, About box, "Отправлять по IP", the partner's status in its window and the away
// text kept at exit. Messages and status reports arrive over real sockets on 127.0.0.12x.

#include "app/commandline.h"
#include "app/engine.h"
#include "app/gui/conversationservices.h"
#include "app/gui/mainwindow.h"
#include "app/gui/shellservices.h"
#include "app/gui/windowedmode.h"
#include "contacts/contactlist.h"
#include "contacts/ui/statusimages.h"
#include "core/utilities.h"
#include "display/conversationwindow.h"
#include "messaging/protocolcodec.h"
#include "platform/desktopnotifier.h"
#include "platform/globalhotkeys.h"
#include "platform/icmppinger.h"
#include "platform/platformservices.h"
#include "presence/pingworker.h"
#include "presence/statusbroadcaster.h"
#include "settings/settings.h"
#include "shell/aboutbox.h"
#include "shell/awaytexts.h"
#include "shell/statusmenu.h"
#include "shell/trayicon.h"

#include "common/privatefolders.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSysInfo>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace Qt::StringLiterals;
using vantrel::WindowedMode;

namespace {

constexpr int kTimeoutMs = 30000;

const PrivateFolders privateFolders;

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

// The offscreen platform has no notification service: what would be shown is recorded.
class RecordingNotifier final : public vantrel::DesktopNotifier {
public:
    struct Shown {
        QString title;
        QString text;
        int level = 0;
    };
    void notify(const QString& title, const QString& text, int level, int, Fallback) override
    {
        shown.append({title, text, level});
    }
    QList<Shown> shown;
};

// No X server here: the keys are pressed by the test; `refused` keys cannot be registered.
class PressedHotKeys final : public vantrel::GlobalHotKeys {
public:
    bool setHotKey(int id, QKeyCombination key) override
    {
        if (refused.contains(key))
            return false;
        registered.insert(id, key);
        return true;
    }
    void clearHotKey(int id) override { registered.remove(id); }
    void press(QKeyCombination key)
    {
        for (auto it = registered.constBegin(); it != registered.constEnd(); ++it) {
            if (it.value() == key)
                Q_EMIT activated(it.key());
        }
    }
    QList<QKeyCombination> refused;
    QHash<int, QKeyCombination> registered;
};

const QKeyCombination kCtrlAltR(Qt::ControlModifier | Qt::AltModifier, Qt::Key_R);
const QKeyCombination kCtrlAltA(Qt::ControlModifier | Qt::AltModifier, Qt::Key_A);

bool writeList(const QString& path, const QStringList& lines)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    const QByteArray bytes = "\xEF\xBB\xBF" + (lines.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// The windowed program bound to `address` with `lines` as its contact list.
class Copy final {
public:
    Copy(const QString& address, const QStringList& lines, QList<QKeyCombination> refusedKeys = {})
        : m_paths(vantrel::AppPaths::forBase(m_dir.filePath(u"Vantrel"_s)))
        , m_listWritten(writeList(m_paths.contactsFile, lines))
        , m_mode(commandLine(address), m_paths)
    {
        vantrel::PlatformServices& platform = m_mode.engine().platform();
        platform.icmpPinger = std::make_unique<NoIcmpPinger>();
        auto notifier = std::make_unique<RecordingNotifier>();
        notifications = notifier.get();
        platform.notifier = std::move(notifier);
        auto keys = std::make_unique<PressedHotKeys>();
        keys->refused = std::move(refusedKeys);
        hotKeys = keys.get();
        platform.hotKeys = std::move(keys);
        // No idle source: the mouse position decides, and the offscreen pointer stands still.
        platform.idleTime.reset();
        m_mode.start();
        m_mode.engine().settings().fmConfig.dxCheckbox_PlaySound_Checked.setValue(false);
    }
    Q_DISABLE_COPY_MOVE(Copy)

    bool isReady() const { return m_listWritten && m_dir.isValid(); }
    WindowedMode& mode() { return m_mode; }
    vantrel::MainWindow& window() { return m_mode.mainWindow(); }
    const vantrel::AppPaths& paths() const { return m_paths; }

    RecordingNotifier* notifications = nullptr;
    PressedHotKeys* hotKeys = nullptr;

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

// One request written to the copy at `to`, from `from` when given.
bool deliver(const QString& to, QLatin1String header, const QString& body, const QString& from = {})
{
    QTcpSocket socket;
    if (!from.isEmpty() && !socket.bind(QHostAddress(from)))
        return false;
    socket.connectToHost(QHostAddress(to), vantrel::ProtocolCodec::DefaultPort);
    if (!socket.waitForConnected(kTimeoutMs))
        return false;
    socket.write(vantrel::ProtocolCodec::buildRequest(header, body));
    socket.disconnectFromHost();
    return socket.state() == QAbstractSocket::UnconnectedState || socket.waitForDisconnected(kTimeoutMs);
}

bool sendMessage(const QString& to, const QString& fromComputer, const QString& text)
{
    return deliver(to, vantrel::ProtocolCodec::Header::Message,
                   u"<FROM>"_s + fromComputer + u"</FROM><MESSAGE>"_s + text + u"</MESSAGE>"_s);
}

// Records what the program hands to the desktop's browser.
class Browser final : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened.append(url); }
};

} // namespace

class TestShell final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void restoreOpensWaitingConversationsThenTogglesTheWindow()
    {
        Copy copy(u"127.0.0.121"_s,
                  {u"PCA;Первый;127.0.0.131"_s, u"PCB;Второй;127.0.0.132"_s, u"PCC;Третий;127.0.0.133"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        mode.engine().settings().fmConfig.CheckBox_Popup_Checked.setValue(false);
        vantrel::TrayIcon* tray = mode.trayIcon();
        QCOMPARE(tray->toolTip(), u"Vantrel"_s);

        for (const auto& [computer, contact] :
             {std::pair{u"PCA"_s, u"Первый"_s}, {u"PCB"_s, u"Второй"_s}, {u"PCC"_s, u"Третий"_s}}) {
            QVERIFY(sendMessage(u"127.0.0.121"_s, computer, u"Привет от "_s + contact));
            QTRY_VERIFY_WITH_TIMEOUT(mode.pendingConversations().contains(contact), kTimeoutMs);
        }
        QCOMPARE(mode.pendingConversations(), (QStringList{u"Первый"_s, u"Второй"_s, u"Третий"_s}));
        QVERIFY(tray->isFlashing());
        QCOMPARE(tray->toolTip(), u"Сообщение от Третий"_s);

        // Each restore shows one, newest first; the hint names the next one.
        mode.restore();
        QVERIFY(mode.conversation(u"Третий"_s).isVisible());
        QVERIFY(!mode.conversation(u"Второй"_s).isVisible());
        QCOMPARE(tray->toolTip(), u"Сообщение от Второй"_s);
        mode.restore();
        QVERIFY(mode.conversation(u"Второй"_s).isVisible());
        QCOMPARE(tray->toolTip(), u"Сообщение от Первый"_s);
        QVERIFY(tray->isFlashing());
        mode.restore();
        QVERIFY(mode.conversation(u"Первый"_s).isVisible());
        QVERIFY(!tray->isFlashing());
        QCOMPARE(tray->toolTip(), u"Vantrel"_s);
        QVERIFY(mode.pendingConversations().isEmpty());

        // Then the main hot key toggles the main window: hidden while it is in front, and back.
        vantrel::MainWindow& window = copy.window();
        window.hide();
        copy.hotKeys->press(kCtrlAltR);
        QVERIFY(window.isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&window));
        copy.hotKeys->press(kCtrlAltR);
        QVERIFY(!window.isVisible());
        copy.hotKeys->press(kCtrlAltR);
        QVERIFY(window.isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // Once another window has the focus, the restore brings the main window to the front.
        // (The offscreen platform has no window manager: the test moves the focus itself.)
        QApplication::setActiveWindow(&window);
        QVERIFY(window.isToggled());
        vantrel::ConversationWindow& other = mode.conversation(u"Первый"_s);
        QApplication::setActiveWindow(&other);
        QTRY_VERIFY(!window.isActiveWindow());
        QVERIFY(!window.isToggled());
        mode.restore();
        QVERIFY(window.isVisible());
        QTRY_VERIFY(window.isActiveWindow());
        // Esc hides it and the next restore shows it again.
        QTest::keyClick(&window, Qt::Key_Escape);
        QVERIFY(!window.isVisible());
        mode.restore();
        QVERIFY(window.isVisible());
    }

    void hotKeysAndNotificationsWithoutATray()
    {
        Copy copy(u"127.0.0.122"_s, {u"PCA;Первый;127.0.0.134"_s}, {kCtrlAltR});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        // The main key is taken: an error notification names it; the away key works.
        QCOMPARE(copy.notifications->shown.size(), 1);
        QCOMPARE(copy.notifications->shown.at(0).title, u"Vantrel"_s);
        QCOMPARE(copy.notifications->shown.at(0).text, u"Can not Register HotKey: Ctrl+Alt+R"_s);
        QCOMPARE(copy.notifications->shown.at(0).level, 3);
        QCOMPARE(copy.hotKeys->registered.values(), QList<QKeyCombination>{kCtrlAltA});

        vantrel::StatusBroadcaster& status = mode.engine().status();
        QCOMPARE(status.status(), 0);
        copy.hotKeys->press(kCtrlAltA);
        QCOMPARE(status.status(), 1);
        QCOMPARE(mode.trayIcon()->statusMenu()->actions().at(1)->isChecked(), true);
        copy.hotKeys->press(kCtrlAltA);
        QCOMPARE(status.status(), 0);
        mode.engine().SetStatus(2);
        copy.hotKeys->press(kCtrlAltA);
        QCOMPARE(status.status(), 1);

        // A new key from the settings replaces the old one at once.
        mode.engine().settings().fmConfig.JvApplicationHotKey_AA_HotKey.setValue(0x2000 | 49217);
        const QKeyCombination shifted(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, Qt::Key_A);
        QCOMPARE(copy.hotKeys->registered.values(), QList<QKeyCombination>{shifted});
        copy.hotKeys->press(kCtrlAltA);
        QCOMPARE(status.status(), 1);
        copy.hotKeys->press(shifted);
        QCOMPARE(status.status(), 0);

        // "Написать сообщение..." without a recipient warns through the notification service.
        copy.window().recipientBox()->setEditText(u"   "_s);
        copy.window().findChild<QPushButton*>(u"SpeedButton_MLM"_s)->click();
        QCOMPARE(copy.notifications->shown.size(), 2);
        QCOMPARE(copy.notifications->shown.at(1).text, u"Укажите сетевое имя!"_s);
        QCOMPARE(copy.notifications->shown.at(1).level, 2);
    }

    void helpAboutAndTheIpItem()
    {
        Copy copy(u"127.0.0.123"_s, {u"PCA;Первый;127.0.0.135"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        vantrel::MainWindow& window = copy.window();
        Browser browser;
        QDesktopServices::setUrlHandler(u"file"_s, &browser, "open");

        // F1 opens the help page shipped with the program.
        window.restoreAndRaise();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(&window, Qt::Key_F1);
        QCOMPARE(browser.opened.size(), 1);
        const QString page = browser.opened.at(0).toLocalFile();
        QCOMPARE(page, vantrel::ShellServices::helpFile(copy.paths().programDataDir));
        QFile file(page);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString html = QString::fromUtf8(file.readAll());
        for (const QString& part : {u"Отправка сообщений"_s, u"Список контактов"_s, u"Файлы"_s, u"Статус"_s,
                                    u"Параметры"_s, u"Командная строка"_s, u"--send"_s})
            QVERIFY2(html.contains(part), qPrintable(part));
        // "Справка..." pops its menu: "Справка", a separator, "О программе...".
        QMenu* help = window.helpMenu();
        QCOMPARE(help->actions().size(), 3);
        QCOMPARE(help->actions().at(0)->text(), u"Справка"_s);
        QVERIFY(help->actions().at(1)->isSeparator());
        QCOMPARE(help->actions().at(2)->text(), u"О программе..."_s);
        help->actions().at(0)->trigger();
        QCOMPARE(browser.opened.size(), 2);
        QDesktopServices::unsetUrlHandler(u"file"_s);

        // The tray's "О программе..." shows the modal About box.
        QString version;
        QTimer::singleShot(0, this, [&version] {
            QTRY_VERIFY(QApplication::activeModalWidget() != nullptr);
            auto* box = qobject_cast<vantrel::AboutBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            version = box->versionLabel()->text();
            box->accept();
        });
        mode.trayIcon()->menu()->findChild<QAction*>(u"PM_About"_s)->trigger();
        QCOMPARE(version, u"Версия "_s + vantrel::ProgramVersionText());
        QCOMPARE(vantrel::ProgramVersionText().count(u'.'), 3);

        // "Отправлять по IP" shows the setting when the menu opens and saves the change.
        vantrel::Settings& settings = mode.engine().settings();
        settings.fmConfig.dxCheckbox_IP_Checked.setValue(false);
        QMenu* menu = mode.trayIcon()->menu();
        QAction* ip = menu->findChild<QAction*>(u"PM_IP"_s);
        menu->popup(QPoint(5, 5));
        QVERIFY(!ip->isChecked());
        menu->close();
        ip->trigger();
        QVERIFY(settings.fmConfig.dxCheckbox_IP_Checked.value());
        QVERIFY(vantrel::Settings(settings.path()).fmConfig.dxCheckbox_IP_Checked.value());
        ip->trigger();
        QVERIFY(!vantrel::Settings(settings.path()).fmConfig.dxCheckbox_IP_Checked.value());
    }

    void aPartnersStatusShowsInItsWindow()
    {
        Copy copy(u"127.0.0.124"_s, {u"PCA;Первый;127.0.0.136"_s, u"PCB;Второй;127.0.0.137"_s});
        QVERIFY(copy.isReady());
        WindowedMode& mode = copy.mode();
        // The check at start finds both unreachable; a report arriving before its end would be
        // overwritten by it.
        QTRY_VERIFY_WITH_TIMEOUT(!mode.engine().pingWorker().isRunning(), kTimeoutMs);
        vantrel::ConversationWindow& first = mode.conversation(u"Первый"_s);
        vantrel::ConversationWindow& second = mode.conversation(u"Второй"_s);
        const vantrel::StatusImages images;
        const auto shows = [&images](const QWidget& window, int image) {
            return window.windowIcon().pixmap(16, 16).toImage() ==
                   images.icon(image).pixmap(16, 16).toImage();
        };
        QVERIFY(deliver(u"127.0.0.124"_s, vantrel::ProtocolCodec::Header::Status,
                        vantrel::StatusBroadcaster::reportBody(2, u"PCA"_s), u"127.0.0.136"_s));
        QTRY_VERIFY_WITH_TIMEOUT(shows(first, 2), kTimeoutMs);
        QVERIFY(!shows(second, 2));
        // SetFormIcon finds the window by its caption in any letter case.
        mode.conversations()->SetFormIcon(u"второй"_s, 1);
        QVERIFY(shows(second, 1));
    }

    void theAwayTextIsKeptAtExitAndTheUpdateQuestionWaitsForNobody()
    {
        QString settingsPath;
        {
            Copy copy(u"127.0.0.125"_s, {u"PCA;Первый;127.0.0.138"_s});
            QVERIFY(copy.isReady());
            WindowedMode& mode = copy.mode();
            settingsPath = mode.engine().settings().path();
            mode.shell()->awayTexts().setText(u"В отпуске"_s);

            bool answer = false;
            int answers = 0;
            mode.askUpdate(u"Обновление Vantrel"_s, u"Доступна новая версия"_s, [&](bool yes) {
                answer = yes;
                ++answers;
            });
            auto* box = mode.mainWindow().findChild<QMessageBox*>(u"UpdateQuestion"_s);
            QVERIFY(box);
            QTRY_VERIFY(box->isVisible());
            QCOMPARE(box->windowTitle(), u"Обновление Vantrel"_s);
            QCOMPARE(box->icon(), QMessageBox::Information);
            // The main window goes on working while the question waits.
            QVERIFY(!mode.mainWindow().isHidden() || mode.mainWindow().isEnabled());
            QCOMPARE(answers, 0);
            box->button(QMessageBox::Yes)->click();
            QTRY_COMPARE(answers, 1);
            QVERIFY(answer);
            mode.shutDown();
            QCOMPARE(vantrel::Settings(settingsPath).VTLForm.S_Answering.value(), u"В отпуске"_s);
        }
    }
};

QTEST_MAIN(TestShell)
#include "test_shell.moc"

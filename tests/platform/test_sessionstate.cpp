#include "platform/linux/dbussessionstate.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Qt::StringLiterals;
using vantrel::DBusSessionState;

// Stand-ins for the desktop's screen saver and for logind, served from their own thread and
// their own bus connection so that the calls under test really travel through a bus daemon.
class FakeScreenSaver final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    std::atomic<bool> active{false};
public Q_SLOTS:
    bool GetActive() { return active; }
};

class FakeLoginManager final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    std::atomic<quint32> askedPid{0};
    std::atomic<int> sessionIdCalls{0};
public Q_SLOTS:
    QDBusObjectPath GetSessionByPID(uint pid)
    {
        askedPid = pid;
        return QDBusObjectPath(u"/org/freedesktop/login1/session/_31"_s);
    }
    QDBusObjectPath GetSession(const QString& id)
    {
        if (id == u"c7"_s)
            ++sessionIdCalls;
        return QDBusObjectPath(u"/org/freedesktop/login1/session/"_s + id);
    }
};

class FakeLoginSession final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Session")
    Q_PROPERTY(bool LockedHint READ lockedHint)
public:
    std::atomic<bool> locked{false};
    bool lockedHint() const { return locked; }
};

class TestSessionState final : public QObject {
    Q_OBJECT
public:
    ~TestSessionState() override
    {
        m_serviceThread.quit();
        m_serviceThread.wait();
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(u"dbus-daemon"_s);
        if (daemon.isEmpty())
            QSKIP("dbus-daemon is needed for this test");
        m_daemon.start(daemon, {u"--session"_s, u"--nofork"_s, u"--print-address=1"_s});
        QVERIFY(m_daemon.waitForStarted(5000));
        while (!m_daemon.canReadLine())
            QVERIFY(m_daemon.waitForReadyRead(10000));
        const QByteArray address = m_daemon.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        // The program's session and system bus are both this private daemon.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        qunsetenv("XDG_SESSION_ID");

        m_serviceThread.start();
        for (QObject* fake : std::initializer_list<QObject*>{&m_screenSaver, &m_manager, &m_session})
            fake->moveToThread(&m_serviceThread);
        QDBusConnection services = QDBusConnection::connectToBus(QString::fromLatin1(address), u"fakes"_s);
        QVERIFY(services.isConnected());
        QVERIFY(services.registerObject(u"/org/freedesktop/ScreenSaver"_s, &m_screenSaver,
                                        QDBusConnection::ExportAllSlots));
        QVERIFY(services.registerObject(u"/org/freedesktop/login1"_s, &m_manager,
                                        QDBusConnection::ExportAllSlots));
        QVERIFY(services.registerObject(u"/org/freedesktop/login1/session/_31"_s, &m_session,
                                        QDBusConnection::ExportAllProperties));
        QVERIFY(services.registerService(u"org.freedesktop.ScreenSaver"_s));
        QVERIFY(services.registerService(u"org.freedesktop.login1"_s));
    }

    void answersFromTheServices()
    {
        const DBusSessionState state;
        m_screenSaver.active = false;
        m_session.locked = false;
        QVERIFY(!state.isScreenSaverRunning());
        QVERIFY(!state.isWorkstationLocked());
        // Without a session id the session is the one of this process.
        QCOMPARE(m_manager.askedPid.load(), quint32(QCoreApplication::applicationPid()));
        m_screenSaver.active = true;
        m_session.locked = true;
        QVERIFY(state.isScreenSaverRunning());
        QVERIFY(state.isWorkstationLocked());

        qputenv("XDG_SESSION_ID", "_31");
        m_manager.askedPid = 0;
        QVERIFY(state.isWorkstationLocked());
        QCOMPARE(m_manager.askedPid.load(), 0u);
        // An id that logind does not know: its session object does not exist.
        qputenv("XDG_SESSION_ID", "c7");
        QVERIFY(!state.isWorkstationLocked());
        QCOMPARE(m_manager.sessionIdCalls.load(), 1);
        qunsetenv("XDG_SESSION_ID");
    }

    void missingServicesAnswerNo()
    {
        QDBusConnection services(u"fakes"_s);
        QVERIFY(services.unregisterService(u"org.freedesktop.ScreenSaver"_s));
        QVERIFY(services.unregisterService(u"org.freedesktop.login1"_s));
        m_screenSaver.active = true;
        m_session.locked = true;
        const DBusSessionState state;
        QVERIFY(!state.isScreenSaverRunning());
        QVERIFY(!state.isWorkstationLocked());
    }

    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(u"fakes"_s);
        m_serviceThread.quit();
        m_serviceThread.wait();
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            if (!m_daemon.waitForFinished(5000))
                m_daemon.kill();
            m_daemon.waitForFinished(5000);
        }
    }

private:
    QProcess m_daemon;
    QThread m_serviceThread;
    FakeScreenSaver m_screenSaver;
    FakeLoginManager m_manager;
    FakeLoginSession m_session;
};

QTEST_GUILESS_MAIN(TestSessionState)
#include "test_sessionstate.moc"

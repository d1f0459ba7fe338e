// The desktop's notification service and idle monitors over a private D-Bus daemon, answered
// by stand-in services on their own thread and connection.

#include "platform/linux/dbusidletime.h"
#include "platform/linux/dbusnotifier.h"

#include <QDBusConnection>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <atomic>

using namespace Qt::StringLiterals;
using vantrel::DBusIdleTime;
using vantrel::DBusNotifier;

class FakeNotifications final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Shown {
        QString app;
        QString icon;
        QString summary;
        QString body;
        QVariantMap hints;
        int timeout = 0;
    };
    QList<Shown> shown() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_shown;
    }

public Q_SLOTS:
    uint Notify(const QString& app, uint, const QString& icon, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap& hints, int timeout)
    {
        const QMutexLocker lock(&m_mutex);
        m_shown.append({app, icon, summary, body, hints, timeout});
        return uint(m_shown.size());
    }

private:
    mutable QMutex m_mutex;
    QList<Shown> m_shown;
};

class FakeMutterIdle final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.gnome.Mutter.IdleMonitor")
public:
    std::atomic<qulonglong> idle{0};
public Q_SLOTS:
    qulonglong GetIdletime() { return idle; }
};

class FakeScreenSaverIdle final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.ScreenSaver")
public:
    std::atomic<uint> idle{0};
public Q_SLOTS:
    uint GetSessionIdleTime() { return idle; }
};

class TestDBusDesktop final : public QObject {
    Q_OBJECT
public:
    ~TestDBusDesktop() override
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
        m_address = QString::fromLatin1(m_daemon.readLine().trimmed());
        QVERIFY(!m_address.isEmpty());
        m_serviceThread.start();
        for (QObject* fake : std::initializer_list<QObject*>{&m_notifications, &m_mutter, &m_screenSaver})
            fake->moveToThread(&m_serviceThread);
        m_services = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, u"fakes"_s));
        QVERIFY(m_services->isConnected());
        QVERIFY(m_services->registerObject(u"/org/freedesktop/Notifications"_s, &m_notifications,
                                           QDBusConnection::ExportAllSlots));
        QVERIFY(m_services->registerService(u"org.freedesktop.Notifications"_s));
        m_client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, u"client"_s));
        QVERIFY(m_client->isConnected());
    }

    void notificationsCarryLevelAndText()
    {
        DBusNotifier notifier(*m_client);
        int fallbacks = 0;
        notifier.notify(u"Vantrel"_s, u"Can not Register HotKey: Ctrl+Alt+R"_s, 3, 10000,
                        [&] { ++fallbacks; });
        notifier.notify(u"Vantrel"_s, u"Укажите сетевое имя!"_s, 2, 10000, [&] { ++fallbacks; });
        notifier.notify(u"Сообщение"_s, u"a <b> & c"_s, 1, 10000, [&] { ++fallbacks; });
        notifier.notify(u"Vantrel"_s, u"plain"_s, 0, 10000, [&] { ++fallbacks; });
        QTRY_COMPARE(m_notifications.shown().size(), 4);
        const QList<FakeNotifications::Shown> shown = m_notifications.shown();
        QCOMPARE(shown.at(0).app, u"Vantrel"_s);
        QCOMPARE(shown.at(0).summary, u"Vantrel"_s);
        QCOMPARE(shown.at(0).body, u"Can not Register HotKey: Ctrl+Alt+R"_s);
        QCOMPARE(shown.at(0).icon, u"dialog-error"_s);
        QCOMPARE(shown.at(0).hints.value(u"urgency"_s).toInt(), 2);
        QCOMPARE(shown.at(0).timeout, 10000);
        QCOMPARE(shown.at(1).icon, u"dialog-warning"_s);
        QCOMPARE(shown.at(1).hints.value(u"urgency"_s).toInt(), 1);
        QCOMPARE(shown.at(1).body, u"Укажите сетевое имя!"_s);
        QCOMPARE(shown.at(2).icon, u"dialog-information"_s);
        QCOMPARE(shown.at(2).summary, u"Сообщение"_s);
        // The body is shown as text, not as markup.
        QCOMPARE(shown.at(2).body, u"a &lt;b&gt; &amp; c"_s);
        QCOMPARE(shown.at(3).icon, QString());
        QCOMPARE(shown.at(3).hints.value(u"urgency"_s).toInt(), 0);
        QTest::qWait(100);
        QCOMPARE(fallbacks, 0);
    }

    void withoutTheServiceTheFallbackRuns()
    {
        QVERIFY(m_services->unregisterService(u"org.freedesktop.Notifications"_s));
        DBusNotifier notifier(*m_client);
        int fallbacks = 0;
        notifier.notify(u"Vantrel"_s, u"x"_s, 1, 10000, [&] { ++fallbacks; });
        QTRY_COMPARE(fallbacks, 1);
        QVERIFY(m_services->registerService(u"org.freedesktop.Notifications"_s));

        DBusNotifier disconnected(QDBusConnection(u"no such connection"_s));
        disconnected.notify(u"Vantrel"_s, u"x"_s, 1, 10000, [&] { ++fallbacks; });
        QCOMPARE(fallbacks, 2);
    }

    void idleTimeFromTheDesktop()
    {
        // Neither monitor yet.
        QVERIFY(!DBusIdleTime::open(*m_client));

        QVERIFY(m_services->registerObject(u"/org/freedesktop/ScreenSaver"_s, &m_screenSaver,
                                           QDBusConnection::ExportAllSlots));
        QVERIFY(m_services->registerService(u"org.freedesktop.ScreenSaver"_s));
        m_screenSaver.idle = 4200;
        std::unique_ptr<DBusIdleTime> kde = DBusIdleTime::open(*m_client);
        QVERIFY(kde);
        QCOMPARE(kde->service(), DBusIdleTime::Service::ScreenSaver);
        QCOMPARE(kde->idleMs(), std::optional<qint64>(4200));

        // GNOME's monitor is preferred where both answer.
        QVERIFY(m_services->registerObject(u"/org/gnome/Mutter/IdleMonitor/Core"_s, &m_mutter,
                                           QDBusConnection::ExportAllSlots));
        QVERIFY(m_services->registerService(u"org.gnome.Mutter.IdleMonitor"_s));
        m_mutter.idle = 123456;
        std::unique_ptr<DBusIdleTime> gnome = DBusIdleTime::open(*m_client);
        QVERIFY(gnome);
        QCOMPARE(gnome->service(), DBusIdleTime::Service::Mutter);
        QCOMPARE(gnome->idleMs(), std::optional<qint64>(123456));
        m_mutter.idle = 10;
        QCOMPARE(gnome->idleMs(), std::optional<qint64>(10));

        // A monitor that goes away answers nothing rather than a stale time.
        QVERIFY(m_services->unregisterService(u"org.gnome.Mutter.IdleMonitor"_s));
        QCOMPARE(gnome->idleMs(), std::nullopt);
    }

    void cleanupTestCase()
    {
        m_client.reset();
        m_services.reset();
        QDBusConnection::disconnectFromBus(u"client"_s);
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
    QString m_address;
    QThread m_serviceThread;
    FakeNotifications m_notifications;
    FakeMutterIdle m_mutter;
    FakeScreenSaverIdle m_screenSaver;
    std::unique_ptr<QDBusConnection> m_services;
    std::unique_ptr<QDBusConnection> m_client;
};

QTEST_GUILESS_MAIN(TestDBusDesktop)
#include "test_dbusdesktop.moc"

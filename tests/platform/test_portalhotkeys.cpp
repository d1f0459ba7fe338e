// System-wide keys through the desktop portal's global shortcuts, against a stand-in portal on
// a private D-Bus daemon that answers through request objects and signals as the real one does.

#include "platform/linux/portalhotkeys.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMutex>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>

using namespace Qt::StringLiterals;
using vantrel::PortalHotKeys;

struct BoundShortcut {
    QString id;
    QVariantMap options;
};
Q_DECLARE_METATYPE(BoundShortcut)

QDBusArgument& operator<<(QDBusArgument& argument, const BoundShortcut& shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.options;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, BoundShortcut& shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.options;
    argument.endStructure();
    return argument;
}

class FakePortal final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    uint version() const { return 1; }
    // 0 accepts the shortcuts, 2 refuses them.
    std::atomic<uint> bindResponse{0};
    std::atomic<int> sessions{0};

    QList<BoundShortcut> bound() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_bound;
    }
    QString session() const
    {
        const QMutexLocker lock(&m_mutex);
        return m_session;
    }

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap& options)
    {
        const QString path = requestPath(options);
        {
            const QMutexLocker lock(&m_mutex);
            m_session = u"/org/freedesktop/portal/desktop/session/test/"_s +
                        options.value(u"session_handle_token"_s).toString();
        }
        ++sessions;
        respond(path, 0, {{u"session_handle"_s, session()}});
        return QDBusObjectPath(path);
    }

    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session, const QList<BoundShortcut>& shortcuts,
                                  const QString&, const QVariantMap& options)
    {
        const QString path = requestPath(options);
        if (session.path() == this->session()) {
            const QMutexLocker lock(&m_mutex);
            m_bound = shortcuts;
        }
        respond(path, bindResponse, {});
        return QDBusObjectPath(path);
    }

private:
    QString requestPath(const QVariantMap& options)
    {
        QString sender = message().service().mid(1);
        sender.replace(u'.', u'_');
        return u"/org/freedesktop/portal/desktop/request/"_s + sender + u'/' +
               options.value(u"handle_token"_s).toString();
    }
    void respond(const QString& path, uint response, const QVariantMap& results)
    {
        QDBusConnection bus = connection();
        // The answer comes after the call's reply, as the portal's does.
        QTimer::singleShot(20, this, [bus, path, response, results]() mutable {
            QDBusMessage signal =
                QDBusMessage::createSignal(path, u"org.freedesktop.portal.Request"_s, u"Response"_s);
            signal << response << results;
            bus.send(signal);
        });
    }

    mutable QMutex m_mutex;
    QList<BoundShortcut> m_bound;
    QString m_session;
};

class TestPortalHotKeys final : public QObject {
    Q_OBJECT
public:
    ~TestPortalHotKeys() override
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
        qDBusRegisterMetaType<BoundShortcut>();
        qDBusRegisterMetaType<QList<BoundShortcut>>();
        m_client = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, u"client"_s));
        QVERIFY(m_client->isConnected());
        // No portal yet: nothing to use.
        QVERIFY(!PortalHotKeys::open(nullptr, *m_client));

        m_serviceThread.start();
        m_portal.moveToThread(&m_serviceThread);
        m_services = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(m_address, u"fakes"_s));
        QVERIFY(m_services->registerObject(u"/org/freedesktop/portal/desktop"_s, &m_portal,
                                           QDBusConnection::ExportAllSlots |
                                               QDBusConnection::ExportAllProperties));
        QVERIFY(m_services->registerService(u"org.freedesktop.portal.Desktop"_s));
    }

    void keysAreBoundAndArrive()
    {
        std::unique_ptr<PortalHotKeys> keys = PortalHotKeys::open(nullptr, *m_client);
        QVERIFY(keys);
        QSignalSpy activated(keys.get(), &vantrel::GlobalHotKeys::activated);
        QSignalSpy failed(keys.get(), &vantrel::GlobalHotKeys::failed);
        QVERIFY(keys->setHotKey(1, QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_R)));
        QVERIFY(keys->setHotKey(2, QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_A)));
        QTRY_COMPARE(m_portal.bound().size(), 2);
        QCOMPARE(m_portal.sessions.load(), 1);
        const QList<BoundShortcut> bound = m_portal.bound();
        QCOMPARE(bound.at(0).id, u"vantrel-hotkey-1"_s);
        QCOMPARE(bound.at(0).options.value(u"preferred_trigger"_s).toString(), u"CTRL+ALT+r"_s);
        QCOMPARE(bound.at(1).options.value(u"preferred_trigger"_s).toString(), u"CTRL+ALT+a"_s);

        // The desktop reports a press of the second key in this session.
        QDBusMessage press =
            QDBusMessage::createSignal(u"/org/freedesktop/portal/desktop"_s,
                                       u"org.freedesktop.portal.GlobalShortcuts"_s, u"Activated"_s);
        press << QVariant::fromValue(QDBusObjectPath(m_portal.session())) << u"vantrel-hotkey-2"_s
              << qulonglong(1234) << QVariantMap();
        QVERIFY(m_services->send(press));
        QTRY_COMPARE(activated.size(), 1);
        QCOMPARE(activated.at(0).at(0).toInt(), 2);
        QCOMPARE(failed.size(), 0);

        // A key given back is bound no more.
        keys->clearHotKey(1);
        QTRY_COMPARE(m_portal.bound().size(), 1);
        QCOMPARE(m_portal.bound().at(0).id, u"vantrel-hotkey-2"_s);
        // Keys without a trigger text are refused at once.
        QVERIFY(!keys->setHotKey(3, QKeyCombination(Qt::ControlModifier, Qt::Key_unknown)));
    }

    void aRefusalIsReported()
    {
        m_portal.bindResponse = 2;
        std::unique_ptr<PortalHotKeys> keys = PortalHotKeys::open(nullptr, *m_client);
        QVERIFY(keys);
        QSignalSpy failed(keys.get(), &vantrel::GlobalHotKeys::failed);
        QVERIFY(keys->setHotKey(1, QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_R)));
        QTRY_COMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toInt(), 1);
        m_portal.bindResponse = 0;
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
    FakePortal m_portal;
    std::unique_ptr<QDBusConnection> m_services;
    std::unique_ptr<QDBusConnection> m_client;
};

QTEST_GUILESS_MAIN(TestPortalHotKeys)
#include "test_portalhotkeys.moc"

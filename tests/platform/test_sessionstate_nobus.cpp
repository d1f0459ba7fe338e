#include "platform/linux/dbussessionstate.h"

#include <QTemporaryDir>
#include <QTest>

using vantrel::DBusSessionState;

// Without any reachable bus both questions answer "no" instead of failing or hanging.
class TestSessionStateNoBus final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QByteArray dead = "unix:path=" + QFile::encodeName(m_dir.filePath(QStringLiteral("no-bus")));
        qputenv("DBUS_SESSION_BUS_ADDRESS", dead);
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", dead);
    }

    void answersNo()
    {
        const DBusSessionState state;
        QVERIFY(!state.isScreenSaverRunning());
        QVERIFY(!state.isWorkstationLocked());
        // Asking again after a failed connection gives the same answer.
        QVERIFY(!state.isScreenSaverRunning());
        QVERIFY(!state.isWorkstationLocked());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSessionStateNoBus)
#include "test_sessionstate_nobus.moc"

#include "platform/linux/avahihostdiscovery.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using vantrel::AvahiHostDiscovery;

// Without a system bus the browse dialog simply gets no announcements.
class TestHostDiscoveryNoBus final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS",
                "unix:path=" + QFile::encodeName(m_dir.filePath(QStringLiteral("no-bus"))));
    }

    void reportsNothing()
    {
        AvahiHostDiscovery discovery;
        QSignalSpy found(&discovery, &AvahiHostDiscovery::hostFound);
        QVERIFY(!discovery.start());
        QVERIFY(!discovery.start());
        discovery.stop();
        QTest::qWait(100);
        QVERIFY(found.isEmpty());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestHostDiscoveryNoBus)
#include "test_hostdiscovery_nobus.moc"

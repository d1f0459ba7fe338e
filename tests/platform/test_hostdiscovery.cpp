// Multicast-DNS announcements through the Avahi daemon on the real system bus. Where no daemon
// runs (as on most build machines) the test is skipped; test_hostdiscovery_nobus covers a
// machine without any bus.

#include "platform/linux/avahihostdiscovery.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QHostAddress>
#include <QSignalSpy>
#include <QTest>

using namespace Qt::StringLiterals;
using vantrel::AvahiHostDiscovery;

class TestHostDiscovery final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hostNamesLoseTheirDomain()
    {
        QCOMPARE(AvahiHostDiscovery::shortHostName(u"pc7.local"_s), u"pc7"_s);
        QCOMPARE(AvahiHostDiscovery::shortHostName(u"buh-2.office.local"_s), u"buh-2"_s);
        QCOMPARE(AvahiHostDiscovery::shortHostName(u"pc7"_s), u"pc7"_s);
        QVERIFY(AvahiHostDiscovery::serviceTypes().contains(u"_workstation._tcp"_s));
    }

    void announcementsOfTheLocalNetwork()
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        if (!bus.isConnected() || !bus.interface()->isServiceRegistered(u"org.freedesktop.Avahi"_s))
            QSKIP("no Avahi daemon on the system bus of this machine");
        AvahiHostDiscovery discovery;
        QSignalSpy found(&discovery, &AvahiHostDiscovery::hostFound);
        QVERIFY(discovery.start());
        QVERIFY(discovery.start()); // a second start while listening does nothing
        QTest::qWait(3000);
        // What a network announces is not known here; what is reported must be usable.
        for (const QList<QVariant>& host : std::as_const(found)) {
            QVERIFY(!host.at(0).toString().isEmpty());
            QVERIFY(!host.at(0).toString().contains(u'.'));
            QCOMPARE(QHostAddress(host.at(1).toString()).protocol(), QAbstractSocket::IPv4Protocol);
        }
        discovery.stop();
        const qsizetype seen = found.size();
        QTest::qWait(500);
        QCOMPARE(found.size(), seen);
    }
};

QTEST_GUILESS_MAIN(TestHostDiscovery)
#include "test_hostdiscovery.moc"

// Two real headless copies on 127.0.0.x: `vantrel --status` makes one of them change its own
// status, which the other sees as its contact's status.

#include "app/programrunner.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Prepares a copy whose contact list holds `line` and that sends by IP address.
bool prepare(ProgramRunner& runner, const QString& line)
{
    {
        vantrel::Settings settings(runner.settingsFile());
        settings.fmConfig.dxCheckbox_IP_Checked.setValue(true);
    }
    return writeFile(runner.baseDir() + u"/compnames.vtl"_s, "\xEF\xBB\xBF"_ba + (line + u"\r\n"_s).toUtf8());
}

} // namespace

class TestE2eStatus final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void statusCommandReachesThePeer()
    {
        ProgramRunner first;
        ProgramRunner second;
        QVERIFY(prepare(first, u"PC38;Второй;127.0.0.38"_s));
        QVERIFY(prepare(second, u"PC37;Первый;127.0.0.37"_s));
        QVERIFY(second.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.38"_s}, true));
        QVERIFY(first.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.37"_s}, true));
        QByteArray firstErr;
        QByteArray secondErr;

        QCOMPARE(first.runToEnd({u"--status"_s, u"1"_s}), 0);
        QTRY_VERIFY_WITH_TIMEOUT(
            (firstErr += first.instance().readAllStandardError(), firstErr.contains("vantrel: own status 1")),
            10000);
        QTRY_VERIFY_WITH_TIMEOUT((secondErr += second.instance().readAllStandardError(),
                                  secondErr.contains(u"vantrel: status of Первый: 1"_s.toUtf8())),
                                 10000);

        QCOMPARE(first.runToEnd({u"--status"_s, u"2"_s}), 0);
        QTRY_VERIFY_WITH_TIMEOUT((secondErr += second.instance().readAllStandardError(),
                                  secondErr.contains(u"vantrel: status of Первый: 2"_s.toUtf8())),
                                 10000);

        // A bad code is refused before anything is sent.
        QCOMPARE(first.runToEnd({u"--status"_s, u"7"_s}), 2);

        QCOMPARE(first.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(second.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(first.waitForInstanceEnd(), 0);
        QCOMPARE(second.waitForInstanceEnd(), 0);
    }
};

QTEST_GUILESS_MAIN(TestE2eStatus)
#include "test_e2e_status.moc"

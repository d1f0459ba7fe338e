// Kills a program that saves the settings and the contact list in a loop (vantrel_saveloop) with
// SIGKILL at random moments, again and again, and checks after every kill that each file holds
// one whole version, the one before the kill or a newer one: never a torn, mixed or empty file.
//
// VANTREL_KILL_COUNT sets the number of kills (default 1000); VANTREL_KILL_SEED repeats a run.

#include "contacts/contactlistfile.h"
#include "settings/inifile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace Qt::StringLiterals;
using vantrel::ContactListFile;
using vantrel::IniFile;

namespace {

constexpr int ItemCount = 100; // as the helper writes them
constexpr int NodeCount = 100;

QString helper()
{
    return qEnvironmentVariable("VANTREL_TEST_BUILD_DIR") + u"/tests/durability/vantrel_saveloop"_s;
}

// The version a settings file holds: 0 when there is none yet, -1 when it is not one whole
// version.
int settingsVersion(const QString& path, QString* why)
{
    if (!QFileInfo::exists(path))
        return 0;
    IniFile ini(path);
    if (!ini.load()) {
        *why = ini.errorString();
        return -1;
    }
    const QStringList items = ini.readStringList(u"VTLForm"_s, u"ListBox_Answering_Items"_s, {});
    if (items.size() != ItemCount) {
        *why = u"%1 items"_s.arg(items.size());
        return -1;
    }
    const QString k = items.first().section(u':', 0, 0);
    for (int i = 0; i < ItemCount; ++i) {
        if (items.at(i) != k + u':' + QString::number(i)) {
            *why = u"item %1 is %2"_s.arg(i).arg(items.at(i));
            return -1;
        }
    }
    return k.toInt();
}

int contactsVersion(const QString& path, int before, QString* why)
{
    if (!QFileInfo::exists(path))
        return 0;
    const ContactListFile::LoadResult list = ContactListFile::load(path);
    // The program creates the list empty on its first start, before any version is written.
    if (list.ok && list.tree.isEmpty() && before == 0)
        return 0;
    if (!list.ok || list.tree.size() != NodeCount) {
        *why = list.ok ? u"%1 nodes"_s.arg(list.tree.size()) : list.error;
        return -1;
    }
    const QString k = list.tree.node(0).text.section(u'-', 1, 1);
    for (int i = 0; i < NodeCount; ++i) {
        if (list.tree.node(i).text != u"pc-%1-%2"_s.arg(k).arg(i)) {
            *why = u"node %1 is %2"_s.arg(i).arg(list.tree.node(i).text);
            return -1;
        }
    }
    return k.toInt();
}

} // namespace

class TestKillSave final : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void everyFileIsOldOrNewAfterEveryKill()
    {
        const int kills = qEnvironmentVariableIsSet("VANTREL_KILL_COUNT")
                              ? qEnvironmentVariableIntValue("VANTREL_KILL_COUNT")
                              : 1000;
        const quint32 seed = qEnvironmentVariableIsSet("VANTREL_KILL_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("VANTREL_KILL_SEED"))
                                 : QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        qInfo("kills: %d, seed: %u (VANTREL_KILL_SEED repeats the run)", kills, seed);

        // A memory file system where there is one: a kill is a crash of the process, not of the
        // machine, so what counts is the rename, and saves are quick there, many per run.
        const QString base = QFileInfo(u"/dev/shm"_s).isWritable() ? u"/dev/shm"_s : QDir::tempPath();
        QTemporaryDir dir(base + u"/vantrel-killsave-XXXXXX"_s);
        QVERIFY(dir.isValid());
        const QString settingsFile = dir.filePath(u"VantrelMsg.ini"_s);
        const QString contactsFile = dir.filePath(u"compnames.vtl"_s);

        int settingsK = 0;
        int contactsK = 0;
        int killsWithProgress = 0;
        int strayFiles = 0;
        qint64 busyMs = 0;
        QElapsedTimer total;
        total.start();
        for (int kill = 0; kill < kills; ++kill) {
            QProcess loop;
            loop.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            loop.start(helper(), {dir.path()});
            QVERIFY2(loop.waitForStarted(10000), qPrintable(loop.errorString()));
            // The helper says which versions it found; they are the ones left by the last kill.
            QVERIFY2(loop.waitForReadyRead(30000), "the helper did not start saving");
            const QList<QByteArray> ready = loop.readLine().trimmed().split(' ');
            QCOMPARE(ready.size(), 3);
            QCOMPARE(ready.at(0), QByteArray("ready"));
            QCOMPARE(ready.at(1).toInt(), settingsK);
            QCOMPARE(ready.at(2).toInt(), contactsK);

            // Somewhere within a few saves; each save of a file takes a few milliseconds.
            QElapsedTimer busy;
            busy.start();
            QThread::usleep(random.bounded(60'000u));
            QVERIFY2(loop.state() == QProcess::Running, "the helper ended by itself");
            ::kill(pid_t(loop.processId()), SIGKILL);
            QVERIFY(loop.waitForFinished(10000));
            busyMs += busy.elapsed();
            QCOMPARE(loop.exitStatus(), QProcess::CrashExit);

            QString why;
            const int newSettings = settingsVersion(settingsFile, &why);
            QVERIFY2(newSettings >= settingsK,
                     qPrintable(u"kill %1: settings torn: %2"_s.arg(kill).arg(why)));
            const int newContacts = contactsVersion(contactsFile, contactsK, &why);
            QVERIFY2(newContacts >= contactsK,
                     qPrintable(u"kill %1: contact list torn: %2"_s.arg(kill).arg(why)));
            if (newSettings > settingsK || newContacts > contactsK)
                ++killsWithProgress;
            settingsK = newSettings;
            contactsK = newContacts;

            // Temporary files a save was writing when it was killed: none may hide the real ones.
            const QStringList files = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
            for (const QString& file : files) {
                if (file != u"VantrelMsg.ini"_s && file != u"compnames.vtl"_s) {
                    ++strayFiles;
                    QFile::remove(dir.filePath(file));
                }
            }
        }
        qInfo("%d kills in %.1f s (%.1f s of saving): %d settings versions and %d contact-list versions "
              "written, %d kills after progress, %d temporary files left behind; every file whole after "
              "every kill",
              kills, double(total.elapsed()) / 1000, double(busyMs) / 1000, settingsK, contactsK,
              killsWithProgress, strayFiles);
        QVERIFY2(settingsK > 0 && contactsK > 0, "the helper never saved: the kills tested nothing");
    }
};

QTEST_GUILESS_MAIN(TestKillSave)
#include "test_killsave.moc"

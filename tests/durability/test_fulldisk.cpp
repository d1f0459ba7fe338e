// A small real file system that fills up: a size-limited tmpfs mounted in a mount namespace of
// this test's own (which needs the right to create one, as root in a container has). The
// settings, the contact list, a history log and a received file each meet the full disk: the
// save or the write fails, the user is told (balloon or event-log line, as each part does),
// and the file that was there stays exactly as it was, with nothing half-written beside it.

#include "../app/programrunner.h"
#include "../contacts/fakecontactlisthost.h"
#include "../transfer/transferpeer.h"
#include "contacts/contactlist.h"
#include "contacts/contactlistfile.h"
#include "core/logwriter.h"
#include "messaging/historylog.h"
#include "messaging/protocolcodec.h"
#include "settings/settings.h"
#include "transfer/transferprotocol.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace vantrel;
using namespace vantrel::test;

namespace {

constexpr int kTimeoutMs = 20000;

// The mount point, or why there is none.
QString g_mountPoint;
QString g_noMount;

// Mounts a 4 MiB tmpfs at a new temporary folder, in a mount namespace of this process alone
// so that nothing else on the machine sees it. Runs before any thread is started.
void mountSmallFileSystem()
{
    char folder[] = "/tmp/vantrel-fulldisk-XXXXXX";
    if (!mkdtemp(folder)) {
        g_noMount = u"no temporary folder: "_s + QString::fromLocal8Bit(std::strerror(errno));
        return;
    }
    const auto fail = [&](const char* step) {
        g_noMount = u"%1 failed (%2): a small file system needs the right to mount one in a private "
                    u"mount namespace (root, or CAP_SYS_ADMIN)"_s.arg(
                        QLatin1StringView(step), QString::fromLocal8Bit(std::strerror(errno)));
        rmdir(folder);
    };
    if (unshare(CLONE_NEWNS) != 0)
        return fail("unshare(CLONE_NEWNS)");
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return fail("making the mounts private");
    if (mount("tmpfs", folder, "tmpfs", MS_NOSUID | MS_NODEV, "size=4m,mode=0700") != 0)
        return fail("mount -t tmpfs");
    g_mountPoint = QString::fromLocal8Bit(folder);
}

void unmountSmallFileSystem()
{
    if (g_mountPoint.isEmpty())
        return;
    const QByteArray folder = g_mountPoint.toLocal8Bit();
    umount2(folder.constData(), MNT_DETACH);
    rmdir(folder.constData());
}

qint64 freeBytes(const QString& path)
{
    struct statvfs fs {};
    return statvfs(path.toLocal8Bit().constData(), &fs) == 0 ? qint64(fs.f_bavail) * qint64(fs.f_frsize) : -1;
}

// Fills the file system that holds `folder` for its lifetime, leaving `room` bytes free.
class DiskFiller final {
public:
    explicit DiskFiller(const QString& folder, qint64 room = 0)
        : m_file(folder + u"/filler"_s)
    {
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray chunk(64 * 1024, 'f');
        while (m_file.write(chunk) > 0) {
        }
        m_file.resize(std::max<qint64>(0, m_file.size() - room));
        m_file.close();
    }
    ~DiskFiller() { m_file.remove(); }
    Q_DISABLE_COPY_MOVE(DiskFiller)

private:
    QFile m_file;
};

QSet<QString> entries(const QString& folder)
{
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    return QSet<QString>(names.cbegin(), names.cend());
}

} // namespace

class TestFullDisk final : public QObject {
    Q_OBJECT

private:
    QString m_folder; // a fresh folder on the small file system for each test

private Q_SLOTS:
    void init()
    {
        QStandardPaths::setTestModeEnabled(true);
        if (g_mountPoint.isEmpty())
            QSKIP(qPrintable(u"no small file system to fill: "_s + g_noMount));
        m_folder = g_mountPoint + u'/' + QString::fromLatin1(QTest::currentTestFunction());
        QVERIFY(QDir().mkpath(m_folder));
        QVERIFY(freeBytes(m_folder) > 3 * 1024 * 1024);
    }
    void cleanup()
    {
        if (!m_folder.isEmpty())
            QDir(m_folder).removeRecursively();
    }

    // The program itself: its settings file cannot be rewritten at start, which it says (the
    // headless mode prints balloons on standard error); the old file stays.
    void settingsOfTheRunningProgram()
    {
        ProgramRunner runner(m_folder);
        // The copy's local socket needs a short path, and lives off the full disk as it would.
        QTemporaryDir runtime;
        runner.setEnvironment(u"XDG_RUNTIME_DIR"_s, runtime.path());
        QVERIFY(runner.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.163"_s}));
        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
        const QByteArray before = readAll(runner.settingsFile());
        QVERIFY(before.contains("[fmConfig]"));

        DiskFiller full(m_folder);
        QCOMPARE(freeBytes(m_folder), 0);
        QVERIFY(runner.startInstance({u"--headless"_s, u"--bind"_s, u"127.0.0.163"_s}, true));
        QCOMPARE(runner.runToEnd({u"--quit"_s}), 0);
        QCOMPARE(runner.waitForInstanceEnd(), 0);
        const QString told = QString::fromUtf8(runner.instance().readAllStandardError());
        QVERIFY2(told.contains(u"Ошибка файла настроек \""_s + runner.settingsFile() + u"\": "_s),
                 qPrintable(told));
        QCOMPARE(readAll(runner.settingsFile()), before);
        QCOMPARE(entries(runner.baseDir() + u"/Conf"_s), QSet<QString>{u"VantrelMsg.ini"_s});
    }

    void settingsModel()
    {
        Settings settings(m_folder + u"/VantrelMsg.ini"_s);
        settings.saveAll();
        QVERIFY(settings.lastError().isEmpty());
        const QByteArray before = readAll(settings.path());

        DiskFiller full(m_folder);
        QSignalSpy failed(&settings, &Settings::saveFailed);
        settings.VTLForm.ListBox_Answering_Items.setValue(
            QStringList(500, u"Ушёл на обед, буду через час"_s));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed.at(0).at(0).toString(), settings.path());
        QVERIFY(!settings.lastError().isEmpty());
        QCOMPARE(readAll(settings.path()), before);
        QCOMPARE(entries(m_folder), (QSet<QString>{u"VantrelMsg.ini"_s, u"filler"_s}));
    }

    void contactList()
    {
        QTemporaryDir settingsDir; // the settings live elsewhere: only the list meets the full disk
        Settings settings(settingsDir.filePath(u"VantrelMsg.ini"_s));
        FakeContactListHost host;
        const QString file = m_folder + u"/compnames.vtl"_s;
        ContactList list(settings, host, file);
        list.CheckGeneralList();
        QVERIFY(list.MyCreateFavList());
        QVERIFY(list.MyAddFavorites(u"pc-12"_s));
        const QByteArray before = readAll(file);
        QCOMPARE(before, QByteArray("\xEF\xBB\xBFpc-12\r\n"));

        DiskFiller full(m_folder);
        ContactTree big;
        for (int i = 0; i < 5000; ++i)
            big.appendTopLevel(
                u"компьютер-%1;Сотрудник отдела %1;192.168.%2.%3;1"_s.arg(i).arg(i / 250).arg(i % 250));
        QVERIFY(!list.replaceTree(big, 0));
        QVERIFY(!host.balloons.isEmpty());
        QCOMPARE(host.balloons.last().level, ContactListHost::BalloonLevel::Error);
        QCOMPARE(readAll(file), before);
        QCOMPARE(list.count(), 1);
        QCOMPARE(entries(m_folder), (QSet<QString>{u"compnames.vtl"_s, u"filler"_s}));
    }

    // A history line that does not fit is reported and leaves no part of itself behind; a new
    // log whose header does not fit leaves no file.
    void historyLog()
    {
        LogWriter writer;
        QStringList failures;
        HistoryLog history(writer, m_folder, [&](const QString& path, const QString& error) {
            failures << path + u": "_s + error;
        });
        history.addReceived(u"Вася"_s, u"09.12.2026 12:00:00"_s, u"первое сообщение"_s);
        const QString log = history.pathFor(u"Вася"_s);
        const QByteArray before = readAll(log);
        QVERIFY(before.endsWith("первое сообщение\r\n"));

        const QString longText(20000, u'ж');
        {
            DiskFiller full(m_folder, 6000); // room for part of the next entry only
            history.addReceived(u"Вася"_s, u"09.12.2026 12:00:01"_s, longText);
            QCOMPARE(failures.size(), 1);
            QVERIFY2(failures.at(0).startsWith(log + u": "_s) && failures.at(0).size() > log.size() + 2,
                     qPrintable(failures.at(0)));
            QCOMPARE(readAll(log), before);
        }
        {
            DiskFiller full(m_folder);
            history.addReceived(u"Петя"_s, u"09.12.2026 12:00:02"_s, u"привет"_s);
            QCOMPARE(failures.size(), 2);
            QVERIFY(!QFileInfo::exists(history.pathFor(u"Петя"_s)));
        }
        // With room again, the log goes on from its last whole line.
        history.addReceived(u"Вася"_s, u"09.12.2026 12:00:03"_s, u"снова"_s);
        QCOMPARE(failures.size(), 2);
        QVERIFY(readAll(log).startsWith(before));
        QVERIFY(readAll(log).mid(before.size()).startsWith("Вася [09.12.2026 12:00:03]: снова"));
    }

    // A file that does not fit on the full disk: refused with a balloon that says how much room
    // it needs and an event-log line; the older file of that name stays, no temporary file is left.
    void receivedFile()
    {
        const quint16 port = sharedPort();
        TransferPeer sender(u"127.0.0.164"_s, port);
        TransferPeer receiver(u"127.0.0.165"_s, port);
        receiver.settings.fmConfig.Edit_AutoFolder_Text.setValue(m_folder + u"/Received"_s);
        const QString folder = receiver.receiveFolder() + u"/PC-127.0.0.164"_s;
        QVERIFY(QDir().mkpath(folder));
        const QString older = folder + u"/отчёт.bin"_s;
        writeAll(older, "the older report");

        const QString source = sender.makeFile(u"отчёт.bin"_s, 2 * 1024 * 1024);
        {
            // Full when it is accepted: refused at once, with the room it needs.
            DiskFiller full(m_folder);
            sender.transfers->offerFiles({u"127.0.0.165"_s}, {source});
            QTRY_COMPARE_WITH_TIMEOUT(receiver.transferHost.waiting.size(), 1, kTimeoutMs);
            receiver.transferHost.answerNext({true, {}});
            QTRY_COMPARE_WITH_TIMEOUT(receiver.host.balloons.size(), 1, kTimeoutMs);
            QVERIFY2(receiver.host.balloons.constLast().text.startsWith(u"Недостаточно места на диске"_s),
                     qPrintable(receiver.host.balloons.constLast().text));
            QCOMPARE(readAll(older), QByteArray("the older report"));
        }

        QTRY_VERIFY_WITH_TIMEOUT(!receiver.events().filter(u"Недостаточно места"_s).isEmpty(), kTimeoutMs);
        QCOMPARE(receiver.host.balloons.constLast().level, MessagingHost::BalloonLevel::Error);
        QTRY_COMPARE_WITH_TIMEOUT(receiver.transfers->activeTransfers(), 0, kTimeoutMs);
        QCOMPARE(readAll(older), QByteArray("the older report"));
        QVERIFY(!hasTemporaryFiles(folder));
        QCOMPARE(entries(folder), QSet<QString>{u"отчёт.bin"_s});
    }

    // The disk fills while the bytes arrive: the transfer fails with a balloon and an Error line,
    // the older file of that name stays and no temporary file is left.
    void receivedFileMeetsAFullDiskMidway()
    {
        const quint16 port = sharedPort();
        TransferPeer receiver(u"127.0.0.166"_s, port);
        Catcher answers(u"127.0.0.167"_s, port);
        receiver.contacts.add(u"Партнёр"_s, u"127.0.0.167"_s);
        receiver.settings.fmConfig.Checkbox_AutoContact_Checked.setValue(true);
        receiver.settings.fmConfig.Edit_AutoFolder_Text.setValue(m_folder + u"/Received"_s);
        const QString folder = receiver.receiveFolder() + u"/Партнёр"_s;

        constexpr qint64 size = 2 * 1024 * 1024;
        sendRaw(u"127.0.0.167"_s, receiver.address(), port,
                ProtocolCodec::buildRequest(
                    ProtocolCodec::Header::QueryFile,
                    TransferProtocol::singleOfferBody(u"127.0.0.167"_s, u"C:\\отчёт.bin"_s, size)));
        QTRY_COMPARE_WITH_TIMEOUT(answers.requests.size(), 1, kTimeoutMs);
        const QByteArray answer = answers.requests.constFirst();
        QVERIFY2(answer.startsWith("<VTL_WRITE_FILE>\r\n"), answer.constData());
        const QString destination =
            TransferProtocol::parseAcceptance(QString::fromUtf8(answer.mid(answer.indexOf("\r\n") + 2)))
                .destinations.value(0);
        QVERIFY(destination.startsWith(folder + u'/'));
        writeAll(destination, "the older report");

        // The first part arrives with room to spare; then the disk is full.
        const QByteArray bytes = pattern(size, 'r');
        const auto connection =
            sendRaw(u"127.0.0.167"_s, receiver.address(), port,
                    ProtocolCodec::buildRequest(
                        ProtocolCodec::Header::File,
                        TransferProtocol::streamLine(u"PC-X"_s, destination, QString::number(size), false)) +
                        bytes.first(256 * 1024),
                    false);
        QTRY_VERIFY_WITH_TIMEOUT(hasTemporaryFiles(folder), kTimeoutMs);
        DiskFiller full(m_folder);
        connection->write(bytes.sliced(256 * 1024));
        connection->disconnectFromHost();

        QTRY_VERIFY_WITH_TIMEOUT(!receiver.host.balloons.isEmpty(), kTimeoutMs);
        const auto& balloon = receiver.host.balloons.constLast();
        QCOMPARE(balloon.level, MessagingHost::BalloonLevel::Error);
        QVERIFY2(balloon.text.contains(u"не принят: Ошибка записи в файл"_s), qPrintable(balloon.text));
        QTRY_COMPARE_WITH_TIMEOUT(receiver.transfers->activeTransfers(), 0, kTimeoutMs);
        QVERIFY(!receiver.events().filter(u"Error | 127.0.0.167: "_s).isEmpty());
        QCOMPARE(readAll(destination), QByteArray("the older report"));
        QVERIFY(!hasTemporaryFiles(folder));
    }
};

int main(int argc, char** argv)
{
    mountSmallFileSystem();
    int result = 0;
    {
        QCoreApplication app(argc, argv);
        TestFullDisk test;
        QTEST_SET_MAIN_SOURCE_PATH
        result = QTest::qExec(&test, argc, argv);
    }
    unmountSmallFileSystem();
    return result;
}

#include "test_fulldisk.moc"

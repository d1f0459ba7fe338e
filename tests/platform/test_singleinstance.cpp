#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using vantrel::SingleInstance;
using SendResult = SingleInstance::SendResult;

namespace {

constexpr int kTimeoutMs = 5000;

// Leaves a socket file behind the way a crashed process does: bound, then closed, never unlinked.
bool leaveStaleSocket(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(name.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    const bool bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFile::exists(path);
}

} // namespace

class TestSingleInstance final : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        QVERIFY(m_data.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
    }

    void cleanup()
    {
        QDir(m_runtime.path()).removeRecursively();
        QDir().mkpath(m_runtime.path());
    }

    void onlyOnePrimaryPerFolder()
    {
        const QString folder = keyFolder(u"one"_s);
        auto first = std::make_unique<SingleInstance>(folder);
        QVERIFY(first->tryBecomePrimary());
        QVERIFY(first->isPrimary());
        QVERIFY(first->tryBecomePrimary());

        SingleInstance second(folder);
        QVERIFY(!second.tryBecomePrimary());
        QVERIFY(!second.isPrimary());

        // Another data folder is another copy of the program.
        SingleInstance other(keyFolder(u"two"_s));
        QVERIFY(other.tryBecomePrimary());
        QVERIFY(SingleInstance::lockFilePath(folder) != SingleInstance::lockFilePath(keyFolder(u"two"_s)));

        // Lock and socket are in the runtime folder; the data folder is never created.
        QVERIFY(SingleInstance::lockFilePath(folder).startsWith(m_runtime.path() + u'/'));
        QVERIFY(SingleInstance::socketPath(folder).startsWith(m_runtime.path() + u'/'));
        QVERIFY(QFile::exists(SingleInstance::lockFilePath(folder)));
        QVERIFY(!QFileInfo::exists(folder));

        first.reset();
        QVERIFY(!QFile::exists(SingleInstance::lockFilePath(folder)));
        QVERIFY(second.tryBecomePrimary());
    }

    void deliversCommands()
    {
        const QString folder = keyFolder(u"commands"_s);
        SingleInstance primary(folder);
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy received(&primary, &SingleInstance::commandReceived);

        QCOMPARE(SingleInstance::sendCommand(folder, "restore", kTimeoutMs), SendResult::Delivered);
        QCOMPARE(SingleInstance::sendCommand(folder, "exit", kTimeoutMs), SendResult::Delivered);
        // The longest command that is accepted arrives whole.
        const QByteArray longest(SingleInstance::kMaxCommandSize, 'x');
        QCOMPARE(SingleInstance::sendCommand(folder, longest, kTimeoutMs), SendResult::Delivered);
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 3, kTimeoutMs);
        QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("restore"));
        QCOMPARE(received.at(1).at(0).toByteArray(), QByteArray("exit"));
        QCOMPARE(received.at(2).at(0).toByteArray(), longest);

        // Several lines on one connection, split anyhow, CR LF tolerated, empty lines skipped.
        QLocalSocket client;
        client.connectToServer(SingleInstance::socketPath(folder));
        QVERIFY(client.waitForConnected(kTimeoutMs));
        client.write("send-files a\r\n\nsend");
        QVERIFY(client.waitForBytesWritten(kTimeoutMs));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 4, kTimeoutMs);
        client.write("-files b\n");
        QVERIFY(client.waitForBytesWritten(kTimeoutMs));
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 5, kTimeoutMs);
        QCOMPARE(received.at(3).at(0).toByteArray(), QByteArray("send-files a"));
        QCOMPARE(received.at(4).at(0).toByteArray(), QByteArray("send-files b"));
    }

    void refusesBadCommands()
    {
        const QString folder = keyFolder(u"bad"_s);
        SingleInstance primary(folder);
        QVERIFY(primary.tryBecomePrimary());
        QCOMPARE(SingleInstance::sendCommand(folder, "restore\nexit", kTimeoutMs), SendResult::Failed);
        QCOMPARE(SingleInstance::sendCommand(folder, QByteArray(), kTimeoutMs), SendResult::Failed);
        QCOMPARE(SingleInstance::sendCommand(folder, QByteArray(SingleInstance::kMaxCommandSize + 1, 'x'),
                                             kTimeoutMs),
                 SendResult::Failed);
    }

    void noInstance()
    {
        const QString folder = keyFolder(u"none"_s);
        QCOMPARE(SingleInstance::sendCommand(folder, "restore", kTimeoutMs), SendResult::NoInstance);
        // Asking writes nothing anywhere.
        QVERIFY(QDir(m_runtime.path())
                    .isEmpty(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot));
        QVERIFY(!QFileInfo::exists(folder));
    }

    void takesOverLockOfDeadProcess()
    {
        const QString folder = keyFolder(u"stale-lock"_s);
        QByteArray contents = lockContentsOfDeadProcess();
        QVERIFY(!contents.isEmpty());
        QFile lock(SingleInstance::lockFilePath(folder));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.write(contents);
        lock.close();

        SingleInstance primary(folder);
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy received(&primary, &SingleInstance::commandReceived);
        QCOMPARE(SingleInstance::sendCommand(folder, "restore", kTimeoutMs), SendResult::Delivered);
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, kTimeoutMs);
    }

    void unreadableLockTakenOverOnlyWhenOld()
    {
        const QString folder = keyFolder(u"empty-lock"_s);
        QFile lock(SingleInstance::lockFilePath(folder));
        QVERIFY(lock.open(QIODevice::WriteOnly));
        lock.close();
        // A fresh empty lock file may belong to a copy that is just starting.
        SingleInstance early(folder);
        QVERIFY(!early.tryBecomePrimary());
        // An old one was left by a crash between creating and filling it.
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(
            lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        lock.close();
        SingleInstance late(folder);
        QVERIFY(late.tryBecomePrimary());
    }

    void takesOverStaleSocket()
    {
        const QString folder = keyFolder(u"stale-socket"_s);
        QVERIFY(leaveStaleSocket(SingleInstance::socketPath(folder)));
        QCOMPARE(SingleInstance::sendCommand(folder, "restore", kTimeoutMs), SendResult::NoInstance);

        SingleInstance primary(folder);
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy received(&primary, &SingleInstance::commandReceived);
        QCOMPARE(SingleInstance::sendCommand(folder, "restore", kTimeoutMs), SendResult::Delivered);
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, kTimeoutMs);
    }

    void dropsOverlongLine()
    {
        const QString folder = keyFolder(u"overlong"_s);
        SingleInstance primary(folder);
        // Only the length rule may drop this client, not the idle rule.
        primary.setClientIdleTimeout(std::chrono::minutes(10));
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy received(&primary, &SingleInstance::commandReceived);

        QLocalSocket flood;
        flood.connectToServer(SingleInstance::socketPath(folder));
        QVERIFY(flood.waitForConnected(kTimeoutMs));
        const QByteArray chunk(16 * 1024, 'y');
        for (int i = 0; i < 8 && flood.state() == QLocalSocket::ConnectedState; ++i) {
            flood.write(chunk);
            flood.flush();
            QTest::qWait(10);
        }
        QTRY_COMPARE_WITH_TIMEOUT(flood.state(), QLocalSocket::UnconnectedState, kTimeoutMs);
        QCOMPARE(received.size(), 0);

        // The primary still serves others.
        QCOMPARE(SingleInstance::sendCommand(folder, "restore", kTimeoutMs), SendResult::Delivered);
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 1, kTimeoutMs);
    }

    void dropsIdleClient()
    {
        const QString folder = keyFolder(u"idle"_s);
        SingleInstance primary(folder);
        primary.setClientIdleTimeout(std::chrono::milliseconds(200));
        QVERIFY(primary.tryBecomePrimary());
        QSignalSpy received(&primary, &SingleInstance::commandReceived);

        QLocalSocket idle;
        idle.connectToServer(SingleInstance::socketPath(folder));
        QVERIFY(idle.waitForConnected(kTimeoutMs));
        idle.write("rest");
        QVERIFY(idle.waitForBytesWritten(kTimeoutMs));
        QTRY_COMPARE_WITH_TIMEOUT(idle.state(), QLocalSocket::UnconnectedState, kTimeoutMs);
        QCOMPARE(received.size(), 0);
    }

    void fallsBackToTempFolder()
    {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.filePath(u"missing"_s)));
        const QString path = SingleInstance::lockFilePath(keyFolder(u"x"_s));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QCOMPARE(QFileInfo(path).absolutePath(), QDir::tempPath());
    }

private:
    QString keyFolder(const QString& name) const { return m_data.filePath(name + u"/Vantrel"_s); }

    // What QLockFile writes, with the process id of a process that has ended.
    QByteArray lockContentsOfDeadProcess()
    {
        QProcess ended;
        ended.start(u"true"_s, QStringList());
        if (!ended.waitForStarted(kTimeoutMs))
            return {};
        const qint64 pid = ended.processId();
        if (!ended.waitForFinished(kTimeoutMs))
            return {};

        const QString templatePath = m_data.filePath(u"template.lock"_s);
        {
            QLockFile lock(templatePath);
            if (!lock.tryLock(0))
                return {};
            QFile file(templatePath);
            if (!file.open(QIODevice::ReadOnly))
                return {};
            QList<QByteArray> lines = file.readAll().split('\n');
            if (lines.isEmpty() || lines.first().toLongLong() != QCoreApplication::applicationPid())
                return {};
            lines.first() = QByteArray::number(pid);
            return lines.join('\n');
        }
    }

    QTemporaryDir m_runtime;
    QTemporaryDir m_data;
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "test_singleinstance.moc"

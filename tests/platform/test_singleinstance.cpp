#include "platform/singleinstance.h"

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QScopeGuard>
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
        QVERIFY(first->tryBecomePrimary());

        SingleInstance second(folder);
        QVERIFY(!second.tryBecomePrimary());
        QVERIFY(!second.isPrimary());

        // Another data folder is another copy of the program.
        SingleInstance other(keyFolder(u"two"_s));
        QVERIFY(other.tryBecomePrimary());

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

        // The longest command that is accepted arrives whole.
        const QList<QByteArray> commands{"restore", "exit", QByteArray(SingleInstance::kMaxCommandSize, 'x')};
        for (const QByteArray& command : commands)
            QCOMPARE(SingleInstance::sendCommand(folder, command, kTimeoutMs), SendResult::Delivered);
        QTRY_COMPARE_WITH_TIMEOUT(received.size(), 3, kTimeoutMs);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(received.at(i).at(0).toByteArray(), commands.at(i));

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

        // Several lines, nothing, or too much in one command: refused before sending.
        for (const QByteArray& bad : {QByteArray("restore\nexit"), QByteArray(),
                                      QByteArray(SingleInstance::kMaxCommandSize + 1, 'x')})
            QCOMPARE(SingleInstance::sendCommand(folder, bad, kTimeoutMs), SendResult::Failed);
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

    void takesOverWhatACrashLeft()
    {
        // The lock of a process that has ended.
        const QString deadLock = keyFolder(u"stale-lock"_s);
        const QByteArray contents = lockContentsOfDeadProcess();
        QVERIFY(!contents.isEmpty());
        QVERIFY(writeFile(SingleInstance::lockFilePath(deadLock), contents));
        QVERIFY(becomesPrimaryAndServes(deadLock));

        // A socket file nobody listens on.
        const QString staleSocket = keyFolder(u"stale-socket"_s);
        QVERIFY(leaveStaleSocket(SingleInstance::socketPath(staleSocket)));
        QCOMPARE(SingleInstance::sendCommand(staleSocket, "restore", kTimeoutMs), SendResult::NoInstance);
        QVERIFY(becomesPrimaryAndServes(staleSocket));

        // An empty lock file: fresh, it may belong to a copy that is just starting; old, it was
        // left by a crash between creating and filling it.
        const QString emptyLock = keyFolder(u"empty-lock"_s);
        QFile lock(SingleInstance::lockFilePath(emptyLock));
        QVERIFY(writeFile(lock.fileName(), {}));
        QVERIFY(!SingleInstance(emptyLock).tryBecomePrimary());
        QVERIFY(lock.open(QIODevice::ReadWrite));
        QVERIFY(
            lock.setFileTime(QDateTime::currentDateTime().addSecs(-60), QFileDevice::FileModificationTime));
        lock.close();
        QVERIFY(becomesPrimaryAndServes(emptyLock));
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

    // Without a runtime folder the lock and socket go to a folder only this user can enter,
    // never to the shared temporary folder where another user could take their names first.
    void withoutRuntimeFolderUsesPrivateFolder()
    {
        QTemporaryDir cache;
        qputenv("XDG_CACHE_HOME", QFile::encodeName(cache.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.filePath(u"missing"_s)));
        const QString folder = cache.filePath(u"vantrel"_s);
        const auto restore = qScopeGuard([this] {
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
            qunsetenv("XDG_CACHE_HOME");
        });

        QCOMPARE(QFileInfo(SingleInstance::lockFilePath(keyFolder(u"x"_s))).absolutePath(), folder);
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());
        QVERIFY(becomesPrimaryAndServes(keyFolder(u"x"_s)));

        // An own folder left open to others is closed again.
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
        QCOMPARE(QFileInfo(SingleInstance::socketPath(keyFolder(u"x"_s))).absolutePath(), folder);
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, QFileDevice::Permissions());

        // A link planted in its place is not followed.
        QVERIFY(QDir(folder).removeRecursively());
        QVERIFY(QFile::link(m_data.path(), folder));
        const QString path = SingleInstance::lockFilePath(keyFolder(u"x"_s));
        QVERIFY(!path.startsWith(folder) && !path.startsWith(m_data.path()));
    }

private:
    static bool writeFile(const QString& path, const QByteArray& contents)
    {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size();
    }

    // Whether a copy for `folder` becomes the primary one and receives a command sent to it.
    static bool becomesPrimaryAndServes(const QString& folder)
    {
        SingleInstance primary(folder);
        if (!primary.tryBecomePrimary())
            return false;
        QSignalSpy received(&primary, &SingleInstance::commandReceived);
        return SingleInstance::sendCommand(folder, "restore", kTimeoutMs) == SendResult::Delivered &&
               (received.size() == 1 || received.wait(kTimeoutMs));
    }

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

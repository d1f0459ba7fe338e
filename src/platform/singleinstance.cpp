#include "platform/singleinstance.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#if defined(Q_OS_UNIX)
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace vantrel {

namespace {

// A lock file whose contents cannot be read is left over from a crash between creating and
// filling it; once it is this old it no longer belongs to a starting copy.
constexpr qint64 kUnreadableLockAgeMs = 5000;

QString userKey()
{
#if defined(Q_OS_UNIX)
    return QString::number(getuid());
#else
    return qEnvironmentVariable("USERNAME");
#endif
}

#if defined(Q_OS_UNIX)
// A real folder (no link) of this user that nobody else may enter.
bool isPrivateFolder(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
           (st.st_mode & 077) == 0;
}

// "vantrel" in the user's cache folder, made with mode 0700 (an own folder that is too open
// is closed). Empty when no such folder can be had: a link, or a folder of another user.
QString privateFolder()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty() || !QDir().mkpath(cache))
        return {};
    const QString folder = QDir::cleanPath(cache) + u"/vantrel"_s;
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), 0700);
    struct stat st {};
    if (::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid())
        ::chmod(path.constData(), 0700);
    return isPrivateFolder(path) ? folder : QString();
}
#endif

// The lock and the socket must not be in a folder where another user could take their names
// first: $XDG_RUNTIME_DIR, else a private folder in the cache folder; the shared temporary
// folder only where neither exists.
QString runtimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime)) {
        const QFileInfo info(runtime);
        if (info.isDir() && info.isWritable())
            return QDir::cleanPath(runtime);
    }
#if defined(Q_OS_UNIX)
    if (const QString folder = privateFolder(); !folder.isEmpty())
        return folder;
#endif
    return QDir::tempPath();
}

QString baseName(const QString& keyFolder)
{
    const QString folder = QDir::cleanPath(QDir(keyFolder).absolutePath());
    const QByteArray key = folder.toUtf8() + '\0' + userKey().toUtf8();
    const QByteArray hash = QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(20);
    return runtimeFolder() + u"/vantrel-"_s + QString::fromLatin1(hash);
}

bool isOldUnreadableLock(QLockFile& lock, const QString& path)
{
    qint64 pid = 0;
    QString host;
    QString app;
    if (lock.getLockInfo(&pid, &host, &app))
        return false;
    const QFileInfo info(path);
    return info.exists() &&
           qAbs(info.lastModified().msecsTo(QDateTime::currentDateTime())) > kUnreadableLockAgeMs;
}

} // namespace

SingleInstance::SingleInstance(const QString& keyFolder, QObject* parent)
    : QObject(parent)
    , m_keyFolder(keyFolder)
{}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockFilePath(const QString& keyFolder)
{
    return baseName(keyFolder) + u".lock"_s;
}

QString SingleInstance::socketPath(const QString& keyFolder)
{
    return baseName(keyFolder) + u".sock"_s;
}

bool SingleInstance::tryBecomePrimary()
{
    if (m_lock)
        return true;
    const QString lockPath = lockFilePath(m_keyFolder);
    auto lock = std::make_unique<QLockFile>(lockPath);
    // Only the owner's liveness decides: a copy that runs for days keeps its lock.
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        if (lock->error() != QLockFile::LockFailedError || !isOldUnreadableLock(*lock, lockPath))
            return false;
        if (!lock->removeStaleLockFile() || !lock->tryLock(0))
            return false;
    }
    m_lock = std::move(lock);

    const QString path = socketPath(m_keyFolder);
    // A socket file left by a copy that died; the lock proves no live copy listens on it.
    QLocalServer::removeServer(path);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptClients);
    if (!m_server->listen(path)) {
        // Still the only copy; it just cannot be reached by later ones.
        qWarning("Single instance: cannot listen on %ls: %ls", qUtf16Printable(path),
                 qUtf16Printable(m_server->errorString()));
    }
    return true;
}

bool SingleInstance::isPrimary() const
{
    return m_lock != nullptr;
}

void SingleInstance::setClientIdleTimeout(std::chrono::milliseconds timeout)
{
    m_idleTimeout = timeout;
}

void SingleInstance::acceptClients()
{
    while (QLocalSocket* client = m_server->nextPendingConnection()) {
        // One line plus its line break is all a client may have pending.
        client->setReadBufferSize(kMaxCommandSize + 1);
        auto* idle = new QTimer(client);
        idle->setSingleShot(true);
        connect(idle, &QTimer::timeout, client, [client] {
            client->abort();
            client->deleteLater();
        });
        connect(client, &QLocalSocket::readyRead, this, [this, client, idle] {
            idle->start(m_idleTimeout);
            readClient(client);
        });
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        idle->start(m_idleTimeout);
        if (client->bytesAvailable() > 0)
            readClient(client);
    }
}

void SingleInstance::readClient(QLocalSocket* client)
{
    const QPointer<SingleInstance> self(this);
    const QPointer<QLocalSocket> guard(client);
    while (guard && client->canReadLine()) {
        QByteArray line = client->readLine();
        if (!line.endsWith('\n') || line.size() > kMaxCommandSize + 2) {
            client->abort();
            client->deleteLater();
            return;
        }
        line.chop(1);
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            Q_EMIT commandReceived(line);
        if (!self)
            return;
    }
    if (guard && !client->canReadLine() && client->bytesAvailable() > kMaxCommandSize) {
        client->abort();
        client->deleteLater();
    }
}

SingleInstance::SendResult SingleInstance::sendCommand(const QString& keyFolder, const QByteArray& command,
                                                       int timeoutMs)
{
    if (command.isEmpty() || command.size() > kMaxCommandSize || command.contains('\n') ||
        command.contains('\r'))
        return SendResult::Failed;
    QLocalSocket socket;
    socket.connectToServer(socketPath(keyFolder), QIODevice::WriteOnly);
    if (!socket.waitForConnected(timeoutMs)) {
        switch (socket.error()) {
        case QLocalSocket::ServerNotFoundError:
        case QLocalSocket::ConnectionRefusedError:
            return SendResult::NoInstance;
        default:
            return SendResult::Failed;
        }
    }
    if (socket.write(command + '\n') != command.size() + 1)
        return SendResult::Failed;
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(timeoutMs))
            return SendResult::Failed;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return SendResult::Delivered;
}

} // namespace vantrel

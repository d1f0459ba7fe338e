#include "transferpeer.h"

#include "messaging/historylog.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

namespace vantrel::test {

void RecordingTransferHost::askOffer(const Question& question, AnswerCallback answer)
{
    questions.append(question);
    if (decide)
        answer(decide(question));
    else
        waiting.append(std::move(answer));
}

void RecordingTransferHost::answerNext(const Answer& answer)
{
    if (!waiting.isEmpty())
        waiting.takeFirst()(answer);
}

void RecordingTransferHost::pictureReceived(const QString& contact, const QString& path)
{
    pictures.append({contact, path, readAll(path)});
    QDir(QFileInfo(path).path()).removeRecursively();
}

quint16 sharedPort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress(u"127.0.0.1"_s), 0))
        qFatal("no free port");
    return probe.serverPort();
}

TransferPeer::TransferPeer(const QString& address, quint16 port,
                           const std::function<void(TransferConfig&)>& tune)
    : paths(AppPaths::forBase(dir.path() + u"/Vantrel"_s))
    , eventLog(writer, paths.eventLogFile)
    , settings((paths.createFolders(), paths.settingsFile))
    , m_address(address)
{
    settings.fmConfig.Edit_AutoFolder_Text.setValue(dir.path() + u"/Received"_s);
    QDir().mkpath(receiveFolder());
    MessagingEngine::Config config;
    config.listener.address = QHostAddress(address);
    config.listener.port = port;
    config.outgoing.bindAddress = QHostAddress(address);
    config.outgoing.port = port;
    config.outgoing.connectTimeoutMs = 5000;
    messaging = std::make_unique<MessagingEngine>(
        config, MessagingEngine::Services{settings, eventLog, contacts, host, speaker, sound}, paths.logsDir,
        LocalNames{u"tester"_s, u"PC-"_s + address});
    TransferConfig transfer;
    transfer.outgoing = config.outgoing;
    transfer.picturesDir = dir.path() + u"/Pictures"_s;
    QDir().mkpath(transfer.picturesDir);
    QFile::setPermissions(transfer.picturesDir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (tune)
        tune(transfer);
    transfers = std::make_unique<TransferEngine>(
        transfer,
        TransferServices{settings, contacts, host, transferHost, messaging->peerLog(), messaging->history(),
                         messaging->commands(), [address] { return u"PC-"_s + address; }});
    messaging->setRequestHandler(*transfers);
    if (!messaging->start())
        qFatal("the engine does not listen");
}

QStringList TransferPeer::events() const
{
    const QStringList lines =
        QString::fromUtf8(readAll(paths.eventLogFile)).split(u"\r\n"_s, Qt::SkipEmptyParts);
    QStringList result;
    for (const QString& line : lines.mid(1))
        result.append(line.section(u" | "_s, 1));
    return result;
}

QString TransferPeer::receiveFolder() const
{
    return settings.fmConfig.Edit_AutoFolder_Text.value();
}

QString TransferPeer::history(const QString& contact) const
{
    return QString::fromUtf8(readAll(messaging->history().pathFor(contact)));
}

QByteArray pattern(qint64 size, char seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(seed + (i * 7 + i / 251) % 23);
    return bytes;
}

QString TransferPeer::makeFile(const QString& name, qint64 size, char seed) const
{
    const QString path = dir.path() + u"/Outbox/"_s + name;
    QDir().mkpath(QFileInfo(path).path());
    writeAll(path, pattern(size, seed));
    return path;
}

Catcher::Catcher(const QString& address, quint16 port)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this,
                    [socket, buffer] { buffer->append(socket->readAll()); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket, buffer] {
                requests.append(*buffer + socket->readAll());
                socket->deleteLater();
            });
        }
    });
    if (!m_server.listen(QHostAddress(address), port))
        qFatal("cannot stand at the address");
}

std::unique_ptr<QTcpSocket> sendRaw(const QString& from, const QString& to, quint16 port,
                                    const QByteArray& bytes, bool close)
{
    auto socket = std::make_unique<QTcpSocket>();
    if (!socket->bind(QHostAddress(from), 0))
        qFatal("cannot bind the client");
    socket->connectToHost(QHostAddress(to), port);
    if (!socket->waitForConnected(5000))
        qFatal("cannot connect");
    socket->write(bytes);
    // The receiver may run in this thread: its event loop must keep turning while this writes.
    if (!QTest::qWaitFor([&socket] { return socket->bytesToWrite() == 0; }, 20000))
        qWarning("sendRaw: the bytes did not go out");
    if (close) {
        socket->disconnectFromHost();
        if (!QTest::qWaitFor([&socket] { return socket->state() == QAbstractSocket::UnconnectedState; },
                             20000))
            qWarning("sendRaw: the connection did not close");
    }
    return socket;
}

bool hasTemporaryFiles(const QString& folder)
{
    QDirIterator it(folder, {u".vantrel-*"_s}, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    return it.hasNext();
}

} // namespace vantrel::test

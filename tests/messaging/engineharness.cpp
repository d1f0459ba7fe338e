#include "engineharness.h"

#include "messaging/listener.h"

#include <QFile>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

using namespace Qt::StringLiterals;

namespace vantrel::test {

RequestCatcher::RequestCatcher(const QHostAddress& address)
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this,
                    [socket, buffer] { buffer->append(socket->readAll()); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket, buffer] {
                buffer->append(socket->readAll());
                requests.append(*buffer);
                peers.append(socket->peerAddress().toString());
                socket->deleteLater();
            });
        }
    });
    if (!m_server.listen(address, 0))
        qFatal("cannot listen for answers");
}

EngineHarness::EngineHarness(ListenerConfig listener, bool refuseOffers, const QHostAddress& address)
    : paths(AppPaths::forBase(dir.path() + u"/Vantrel"_s))
    , writer([] { return fixedNow(); })
    , eventLog(writer, paths.eventLogFile)
    , settings((paths.createFolders(), paths.settingsFile))
{
    listener.address = address;
    listener.port = 0;
    MessagingEngine::Config config;
    config.listener = listener;
    config.outgoing.port = answers.port();
    config.outgoing.connectTimeoutMs = 5000;
    config.refuseOffers = refuseOffers;
    engine = std::make_unique<MessagingEngine>(
        config, MessagingEngine::Services{settings, eventLog, contacts, host, speaker, sound}, paths.logsDir,
        LocalNames{u"tester"_s, u"TESTPC"_s});
    if (!engine->start())
        qFatal("the engine does not listen");
}

EngineHarness::~EngineHarness() = default;

QDateTime EngineHarness::fixedNow()
{
    return QDateTime(QDate(2026, 12, 8), QTime(19, 30, 13));
}

quint16 EngineHarness::port() const
{
    return engine->listener().port();
}

QByteArray EngineHarness::readFile(const QString& path) const
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList EngineHarness::eventLines() const
{
    const QString text = QString::fromUtf8(readFile(paths.eventLogFile));
    QStringList lines = text.split(u"\r\n"_s);
    // The header line, the empty line after it, and the empty text after the last CR LF.
    if (lines.size() >= 2)
        lines = lines.mid(2);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QStringList EngineHarness::events() const
{
    QStringList result;
    for (const QString& line : eventLines())
        result.append(line.section(u" | "_s, 1));
    return result;
}

std::unique_ptr<QTcpSocket> connectClient(quint16 port, const QHostAddress& from)
{
    auto socket = std::make_unique<QTcpSocket>();
    if (!from.isNull() && !socket->bind(from, 0))
        qFatal("cannot bind the client");
    socket->connectToHost(QHostAddress::LocalHost, port);
    if (!socket->waitForConnected(5000))
        qFatal("cannot connect");
    return socket;
}

void sendAndClose(quint16 port, const QByteArray& bytes, const QHostAddress& from)
{
    const auto socket = connectClient(port, from);
    socket->write(bytes);
    socket->waitForBytesWritten(5000);
    socket->disconnectFromHost();
    if (socket->state() != QAbstractSocket::UnconnectedState)
        socket->waitForDisconnected(5000);
}

void deliver(EngineHarness& h, const QByteArray& request, const QHostAddress& from)
{
    QSignalSpy served(&h.engine->listener(), &Listener::connectionFinished);
    sendAndClose(h.port(), request, from);
    QVERIFY(served.wait(5000));
    QTRY_VERIFY(h.engine->listener().isIdle());
}

} // namespace vantrel::test
